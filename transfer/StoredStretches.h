#pragma once
// Which stretches of a block go into the archive stored rather than compressed: bytes spread
// so evenly over their 256 values that LZMA could not make them noticeably smaller (random
// data, compressed assets). Storing them costs a copy instead of the slowest work LZMA does.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexo {

struct Stretch {
  std::size_t begin = 0;
  std::size_t end = 0;
  friend bool operator==(const Stretch&, const Stretch&) = default;
};

// Ascending, apart from each other. Even bytes that repeat somewhere in the block are not
// stored: LZMA finds repeats, so they are compressed together with what lies between.
std::vector<Stretch> StoredStretches(const std::uint8_t* data, std::size_t size);

}  // namespace vexo
