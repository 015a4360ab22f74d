#include "transfer/Lzma2Cutter.h"

#include <algorithm>

#include "transfer/Lzma2Stream.h"

namespace vexo {
namespace {

constexpr const char* kDamaged = "Damaged 7-Zip archive: ";

}  // namespace

Lzma2Cutter::Cut Lzma2Cutter::next(Lzma2Piece& piece, std::uint64_t target, std::uint64_t limit,
                                   std::string& error) {
  const std::uint64_t start = position_;
  std::uint64_t at = start;
  std::uint64_t unpacked = 0;
  const auto damaged = [&](const char* why) {
    error = std::string(kDamaged) + why;
    return Cut::Damaged;
  };
  for (;;) {
    std::uint8_t h[6];
    const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(6, end_ - at));
    if (available == 0) return damaged("the LZMA2 stream has no end");
    if (file_.readSome(at, h, available) != static_cast<long long>(available))
      return damaged("the file ends inside the LZMA2 stream");
    Lzma2Chunk chunk;
    if (!ReadChunkHeader(h, available, chunk)) return damaged("LZMA2 data error");
    if (chunk.end && at == start) {
      if (at + 1 != end_) return damaged("bytes follow the LZMA2 stream's end");
      position_ = end_;
      return Cut::End;
    }
    // A piece ends before a chunk that needs nothing before it, or before the stream's end.
    if (chunk.end || (at > start && chunk.resetsDictionary && unpacked >= target)) break;
    if (at == start && !chunk.resetsDictionary) return damaged("LZMA2 data error");
    if (chunk.bytes > end_ - at) return damaged("the LZMA2 stream runs past its packed size");
    at += chunk.bytes;
    unpacked += chunk.unpacked;
    if (unpacked > limit) return Cut::TooLong;
  }
  piece.packedAt = start;
  piece.packedSize = at - start;
  piece.unpacked = unpacked;
  position_ = at;
  return Cut::Piece;
}

}  // namespace vexo
