#pragma once
// The figures that go with a progress bar: the percentage, the amount done of the total, the
// rate and the time left, the same in the window and on the terminal.

#include <chrono>
#include <cstdint>
#include <string>

#include "disk/Prompter.h"

namespace vexo {

class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;

  void begin(std::uint64_t maximum, ProgressUnit unit, Clock::time_point now = Clock::now());
  void set(std::uint64_t position) { position_ = position; }
  void step() { ++position_; }

  std::uint64_t maximum() const { return maximum_; }
  std::uint64_t position() const { return position_; }
  unsigned percent() const;
  // "42 %  12.3 MiB of 29.1 MiB  8.2 MiB/s  about 4 s left"; the rate and the time left once
  // a second has passed, so that the first guess is not wild.
  std::string figures(Clock::time_point now = Clock::now()) const;

 private:
  std::uint64_t bytes(std::uint64_t count) const { return unit_ == ProgressUnit::Sectors ? count * 512 : count; }

  std::uint64_t maximum_ = 0;
  std::uint64_t position_ = 0;
  ProgressUnit unit_ = ProgressUnit::Sectors;
  Clock::time_point start_{};
};

// "512 B", "3.0 KiB", "12.3 MiB", "1.1 GiB".
std::string ByteSize(std::uint64_t bytes);
// "4 s", "2 min 5 s", "1 h 3 min".
std::string Duration(double seconds);

}  // namespace vexo
