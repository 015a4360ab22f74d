#pragma once
// The parts of an LZMA2 stream that the archive code writes or reads itself. A stream is a
// run of chunks, each led by a control byte:
//   0x00                end of the stream
//   0x01 / 0x02         stored chunk, with / without a dictionary reset: size - 1 (2 bytes,
//                       big-endian), then up to 64 KiB as they are
//   0x80 | r << 5 | u   LZMA chunk: u and the next 2 bytes are unpacked size - 1, then packed
//                       size - 1 (2 bytes), then a properties byte when r >= 2; r = 3 resets
//                       the dictionary
// A chunk that resets the dictionary depends on nothing before it, so independently
// compressed blocks put one after another (each without its end byte) form one stream.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexo {

inline constexpr std::size_t kStoredChunkMax = 1 << 16;
inline constexpr std::size_t kStoredChunkHeader = 3;
inline constexpr std::uint8_t kLzma2End = 0x00;

// The header of a stored chunk of `size` bytes (1 to 64 KiB).
std::array<std::uint8_t, kStoredChunkHeader> StoredChunkHeader(std::size_t size,
                                                              bool resetDictionary);

// A chunk as its header (up to 6 bytes) describes it.
struct Lzma2Chunk {
  bool end = false;
  bool stored = false;
  bool resetsDictionary = false;
  std::uint64_t header = 0;
  std::uint64_t bytes = 0;  // header and data
  std::uint64_t unpacked = 0;
};
// False for a control byte no chunk has, or fewer bytes than its header takes.
bool ReadChunkHeader(const std::uint8_t* h, std::size_t available, Lzma2Chunk& chunk);

// The LZMA2 coder's property byte: the smallest dictionary it names that holds `bytes`.
std::uint8_t Lzma2DictionaryProperty(std::uint32_t bytes);
// The dictionary size a property byte names; 0 for a byte that names none (above 40).
std::uint64_t Lzma2DictionaryBytes(std::uint8_t property);

}  // namespace vexo
