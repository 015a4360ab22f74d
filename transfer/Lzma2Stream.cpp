#include "transfer/Lzma2Stream.h"

namespace vexo {

std::array<std::uint8_t, kStoredChunkHeader> StoredChunkHeader(std::size_t size,
                                                              bool resetDictionary) {
  const std::size_t last = size - 1;
  return {static_cast<std::uint8_t>(resetDictionary ? 0x01 : 0x02),
          static_cast<std::uint8_t>(last >> 8), static_cast<std::uint8_t>(last)};
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
