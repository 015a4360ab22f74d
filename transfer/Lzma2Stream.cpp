#include "transfer/Lzma2Stream.h"

namespace vexo {

std::array<std::uint8_t, kStoredChunkHeader> StoredChunkHeader(std::size_t size,
                                                              bool resetDictionary) {
  const std::size_t last = size - 1;
  return {static_cast<std::uint8_t>(resetDictionary ? 0x01 : 0x02),
          static_cast<std::uint8_t>(last >> 8), static_cast<std::uint8_t>(last)};
}

bool ReadChunkHeader(const std::uint8_t* h, std::size_t available, Lzma2Chunk& c) {
  if (available == 0) return false;
  const std::uint8_t control = h[0];
  if (control == kLzma2End) return c.end = true;
  if (control == 0x01 || control == 0x02) {
    if (available < 3) return false;
    c.stored = true;
    c.resetsDictionary = control == 0x01;
    c.header = 3;
    c.unpacked = (std::uint64_t{h[1]} << 8 | h[2]) + 1;
    c.bytes = c.header + c.unpacked;
    return true;
  }
  if (control < 0x80) return false;
  c.header = control >= 0xC0 ? 6 : 5;
  if (available < c.header) return false;
  c.resetsDictionary = control >= 0xE0;
  c.unpacked = (std::uint64_t{control & 0x1Fu} << 16 | std::uint64_t{h[1]} << 8 | h[2]) + 1;
  c.bytes = c.header + (std::uint64_t{h[3]} << 8 | h[4]) + 1;
  return true;
}

std::uint64_t Lzma2DictionaryBytes(std::uint8_t property) {
  if (property > 40) return 0;
  if (property == 40) return 0xFFFFFFFFull;
  return std::uint64_t{2u | (property & 1u)} << (property / 2 + 11);
}

std::uint8_t Lzma2DictionaryProperty(std::uint32_t bytes) {
  std::uint8_t property = 0;
  while (property < 40 && Lzma2DictionaryBytes(property) < bytes) ++property;
  return property;
}

}  // namespace vexo
