#pragma once
// The two buffers imported files are read into, owned next to the directory copy for the run.
// Each is made when a file is first read into it: most runs import nothing, and 4 MiB of fresh
// memory costs a start-up thousands of page faults.

#include <cstdint>
#include <vector>

namespace vexo {

inline constexpr std::size_t kProgramBufferBytes = 2'097'152;
inline constexpr std::size_t kGraphicsBufferBytes = 2'027'520;

class TransferBuffers {
 public:
  std::vector<std::uint8_t>& vexoprog() { return made(vexoprog_, kProgramBufferBytes); }
  std::vector<std::uint8_t>& vexogci() { return made(vexogci_, kGraphicsBufferBytes); }

 private:
  static std::vector<std::uint8_t>& made(std::vector<std::uint8_t>& buffer, std::size_t bytes) {
    if (buffer.empty()) buffer.resize(bytes);
    return buffer;
  }
  std::vector<std::uint8_t> vexoprog_;
  std::vector<std::uint8_t> vexogci_;
};

}  // namespace vexo
