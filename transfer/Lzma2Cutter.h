#pragma once
// An LZMA2 stream cut into pieces at the chunks that reset the dictionary: each piece decodes
// on its own, so several threads can read and decode one stream. Only the chunk headers are
// read to find the cuts.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "transfer/ArchiveFile.h"
#include "transfer/LargeBuffer.h"

namespace vexo {

// A buffer that keeps its memory from one piece to the next, never cleared: fresh pages
// each time cost more than the decoding. Room for a piece of the usual size lets any buffer
// serve any piece.
struct PieceBuffer {
  static constexpr std::size_t kRoom = 4 << 20;
  LargeBuffer memory;
  std::size_t size = 0;
  std::uint8_t* data() const { return memory.data(); }
  std::size_t capacity() const { return memory.size(); }
  void resize(std::size_t n) {
    if (n > memory.size()) memory = LargeBuffer(std::max(n, kRoom));
    size = n;
  }
};

// Whole chunks: where they are in the file, and how many bytes they decode to.
struct Lzma2Piece {
  std::uint64_t packedAt = 0;
  std::uint64_t packedSize = 0;
  std::uint64_t unpacked = 0;
};

class Lzma2Cutter {
 public:
  // The stream of `size` bytes at `offset` in the file.
  Lzma2Cutter(ArchiveFile& file, std::uint64_t offset, std::uint64_t size)
      : file_(file), position_(offset), end_(offset + size) {}

  enum class Cut {
    Piece,    // the next piece
    End,      // the stream's end byte, the last of its bytes
    TooLong,  // no dictionary reset for too long: decode the rest from `position()` in one go
    Damaged,  // `error` says why
  };
  // A piece of about `target` bytes decoded, never more than `limit` (except one chunk).
  Cut next(Lzma2Piece& piece, std::uint64_t target, std::uint64_t limit, std::string& error);
  std::uint64_t position() const { return position_; }

 private:
  ArchiveFile& file_;
  std::uint64_t position_;
  std::uint64_t end_;
};

}  // namespace vexo
