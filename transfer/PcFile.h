#pragma once
// Reading a PC file whole into a buffer, with its last-write time.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vexo {

struct PcFileRead {
  int error = 0;            // errno of the open or the read; 0 when read
  std::size_t bytes = 0;    // bytes read, at most the buffer's size
  std::time_t modified = 0;
};

// Reads up to `buffer.size()` bytes and zeroes the rest of the last sector, so that no bytes
// of an earlier file reach the card.
PcFileRead ReadPcFile(const std::string& path, std::vector<std::uint8_t>& buffer);

// A regular file (after symlinks): its length is known and reading it never waits on a writer.
bool IsRegularFile(const std::string& path);

inline std::size_t SectorsFor(std::uint64_t bytes) {
  return static_cast<std::size_t>((bytes + 511) / 512);
}

}  // namespace vexo
