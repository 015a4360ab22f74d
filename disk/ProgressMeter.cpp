#include "disk/ProgressMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexo {

void ProgressMeter::begin(std::uint64_t maximum, ProgressUnit unit, Clock::time_point now) {
  maximum_ = maximum;
  position_ = 0;
  unit_ = unit;
  start_ = now;
}

unsigned ProgressMeter::percent() const {
  if (maximum_ == 0) return 100;
  return static_cast<unsigned>(std::min<std::uint64_t>(position_, maximum_) * 100 / maximum_);
}

std::string ProgressMeter::figures(Clock::time_point now) const {
  const std::uint64_t done = bytes(std::min(position_, maximum_));
  std::string text = std::to_string(percent()) + " %  " + ByteSize(done) + " of " +
                     ByteSize(bytes(maximum_));
  const double seconds = std::chrono::duration<double>(now - start_).count();
  if (seconds >= 1.0 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    text += "  " + ByteSize(static_cast<std::uint64_t>(rate)) + "/s";
    if (position_ < maximum_)
      text += "  about " + Duration(static_cast<double>(bytes(maximum_) - done) / rate) + " left";
  }
  return text;
}

std::string ByteSize(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

std::string Duration(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  if (total < 60) return std::to_string(total) + " s";
  if (total < 3600) return std::to_string(total / 60) + " min " + std::to_string(total % 60) + " s";
  return std::to_string(total / 3600) + " h " + std::to_string(total % 3600 / 60) + " min";
}

}  // namespace vexo
