#pragma once
// The two buffers imported files are read into, owned next to the directory copy for the run.

#include <cstdint>
#include <vector>

namespace vexo {

inline constexpr std::size_t kProgramBufferBytes = 2'097'152;
inline constexpr std::size_t kGraphicsBufferBytes = 2'027'520;

struct TransferBuffers {
  std::vector<std::uint8_t> vexoprog = std::vector<std::uint8_t>(kProgramBufferBytes);
  std::vector<std::uint8_t> vexogci = std::vector<std::uint8_t>(kGraphicsBufferBytes);
};

}  // namespace vexo
