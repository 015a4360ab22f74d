#pragma once
// The timestamp text of a PC file: "yyyy/mm/ddhh:mm:ss" in local time, with the user's date
// and time separators in place of "/" and ":".

#include <ctime>
#include <string>

namespace vexo {

struct RegionalSeparators {
  std::string date = "/";
  std::string time = ":";
};

// The separators of the C library's current locale (LC_TIME).
RegionalSeparators SeparatorsOfCurrentLocale();

std::string TimestampText(std::time_t when, const RegionalSeparators& separators);

}  // namespace vexo
