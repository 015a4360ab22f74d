#pragma once
// What an operation wrote to one device, sector by sector, as a checksum each: enough to read it
// back after the flush and tell whether the card kept it. A sector written twice counts with
// what was written last.

#include <cstdint>
#include <map>
#include <vector>

namespace vexo {

class WrittenSectors {
 public:
  void add(std::uint64_t first, std::size_t count, const std::uint8_t* data);
  bool empty() const { return pieces_.empty(); }
  void clear();

  // A run of sectors and the checksum each must read back with.
  struct Run {
    std::uint64_t first;
    std::size_t count;
    const std::uint32_t* checksums;
  };
  // The runs in the order of their sectors, none overlapping another.
  std::vector<Run> runs() const;

  static std::uint32_t Checksum(const std::uint8_t* sector);

 private:
  struct Piece {
    std::size_t count;
    std::size_t at;  // of its first checksum in checksums_
  };
  std::map<std::uint64_t, Piece> pieces_;  // by first sector
  std::vector<std::uint32_t> checksums_;
};

}  // namespace vexo
