#pragma once
// The bytes of an archive of ours, looked at from outside: the LZMA2 chunks of its packed
// stream, and its end header, which the tests change and seal again with fresh CRCs.

#include <gtest/gtest.h>
#include <lzma.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vexo::testing {

inline std::uint64_t LittleAt(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t{b.at(at + i)} << (8 * i);
  return v;
}

inline void PutLittleAt(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// One chunk of the packed stream: where it stands in the file, the payload bytes it gives.
struct Chunk {
  bool stored = false;
  bool resetsDictionary = false;
  std::size_t at = 0;          // its control byte, in the file
  std::size_t bytes = 0;       // in the file, its header included
  std::uint64_t unpackedAt = 0;  // where its bytes begin in the payload
  std::uint64_t unpacked = 0;
};

// The chunks from the packed stream's start (right after the 32-byte signature header) to the
// stream's end byte, which is not listed.
inline std::vector<Chunk> ChunksOf(const std::vector<std::uint8_t>& archive) {
  std::vector<Chunk> chunks;
  std::size_t at = 32;
  std::uint64_t unpackedAt = 0;
  while (archive.at(at) != 0x00) {
    const std::uint8_t control = archive[at];
    Chunk c;
    c.at = at;
    c.unpackedAt = unpackedAt;
    if (control < 0x80) {  // 0x01 or 0x02
      c.stored = true;
      c.resetsDictionary = control == 0x01;
      c.unpacked = (archive.at(at + 1) << 8 | archive.at(at + 2)) + 1;
      c.bytes = 3 + c.unpacked;
    } else {
      c.resetsDictionary = control >= 0xE0;
      c.unpacked = ((control & 0x1Fu) << 16 | archive.at(at + 1) << 8 | archive.at(at + 2)) + 1u;
      const std::size_t packed = (archive.at(at + 3) << 8 | archive.at(at + 4)) + 1;
      c.bytes = (control >= 0xC0 ? 6 : 5) + packed;
    }
    chunks.push_back(c);
    at += c.bytes;
    unpackedAt += c.unpacked;
  }
  return chunks;
}

// Where the end header begins, as the signature header says.
inline std::size_t EndHeaderAt(const std::vector<std::uint8_t>& archive) {
  return static_cast<std::size_t>(32 + LittleAt(archive, 12, 8));
}

// Where the CRC of the packed stream stands in the end header, which begins
//   kHeader, kMainStreamsInfo, kPackInfo, pack position 0, 1 stream, kSize, the size, kCRC, 1
inline std::size_t PackedCrcAt(const std::vector<std::uint8_t>& archive) {
  const std::size_t size = EndHeaderAt(archive) + 6;
  int extra = 0;
  while (extra < 8 && (archive.at(size) & (0x80 >> extra))) ++extra;
  return size + 1 + static_cast<std::size_t>(extra) + 2;
}

// The signature header made to fit the end header as it now is: its size and CRC, and the
// CRC of the signature header's own fields.
inline void Reseal(std::vector<std::uint8_t>& archive) {
  const std::size_t end = EndHeaderAt(archive);
  PutLittleAt(archive, 20, archive.size() - end, 8);
  PutLittleAt(archive, 28, lzma_crc32(archive.data() + end, archive.size() - end, 0), 4);
  PutLittleAt(archive, 8, lzma_crc32(archive.data() + 12, 20, 0), 4);
}

// The CRC of the payload, which our writer puts in the end header's SubStreamsInfo.
inline void ChangeThePayloadCrc(std::vector<std::uint8_t>& archive) {
  const std::vector<std::uint8_t> crc = {0x08, 0x0A, 0x01};  // kSubStreamsInfo, kCRC, all defined
  auto at = std::search(archive.begin() + static_cast<std::ptrdiff_t>(EndHeaderAt(archive)),
                        archive.end(), crc.begin(), crc.end());
  ASSERT_NE(at, archive.end());
  at[3] ^= 0x01;
  Reseal(archive);
}

inline void ChangeThePackedCrc(std::vector<std::uint8_t>& archive) {
  const std::size_t at = PackedCrcAt(archive);
  ASSERT_EQ(archive.at(at - 2), 0x0A);  // kCRC
  archive[at] ^= 0x01;
  Reseal(archive);
}

}  // namespace vexo::testing
