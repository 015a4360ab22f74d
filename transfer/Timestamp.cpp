#include "transfer/Timestamp.h"

#include <langinfo.h>

#include <cctype>
#include <cstdio>

namespace vexo {
namespace {

// The first character between the conversions of a strftime pattern ("%d.%m.%Y" → ".").
std::string SeparatorIn(const char* pattern, const std::string& fallback) {
  if (pattern == nullptr) return fallback;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '%') {
      if (p[1] == '\0') break;
      ++p;
      if (*p == 'E' || *p == 'O') ++p;  // modifiers
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != ' ') return std::string(1, *p);
  }
  return fallback;
}

}  // namespace

RegionalSeparators SeparatorsOfCurrentLocale() {
  return {SeparatorIn(::nl_langinfo(D_FMT), "/"), SeparatorIn(::nl_langinfo(T_FMT), ":")};
}

std::string TimestampText(std::time_t when, const RegionalSeparators& s) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char part[8];
  const auto two = [&](int v) {
    std::snprintf(part, sizeof part, "%02d", v % 100);
    return std::string(part);
  };
  std::snprintf(part, sizeof part, "%04d", (local.tm_year + 1900) % 10000);
  const std::string year(part);
  return year + s.date + two(local.tm_mon + 1) + s.date + two(local.tm_mday) + two(local.tm_hour) +
         s.time + two(local.tm_min) + s.time + two(local.tm_sec);
}

}  // namespace vexo
