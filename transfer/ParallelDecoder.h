#pragma once
// An LZMA2 stream decoded ahead on several threads: each thread cuts the next piece off the
// stream (Lzma2Cutter.h) and decodes it, a few pieces ahead of the reader, who takes them in
// their order with the CRC-32 of their bytes. Stored chunks are handed out from the bytes
// read, not copied: in a payload of compressed assets they are most of it.

#include <lzma.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/Lzma2Cutter.h"

namespace vexo {

struct DecodedPiece {
  struct Span {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
  };
  PieceBuffer packed;    // the chunks as read
  PieceBuffer unpacked;  // what the compressed chunks decode to
  std::vector<Span> spans;  // the piece's bytes, in order, in one of the two
  std::uint32_t crc = 0;
};

class ParallelDecoder {
 public:
  // The stream of `size` bytes at `offset` in `file`. Without `crc`, the pieces' CRCs are not
  // computed (0).
  ParallelDecoder(ArchiveFile& file, std::uint64_t offset, std::uint64_t size,
                  std::uint32_t dictionaryBytes, unsigned threads, bool crc);
  // Stops the threads; pieces still in hand are dropped.
  ~ParallelDecoder();
  ParallelDecoder(const ParallelDecoder&) = delete;
  ParallelDecoder& operator=(const ParallelDecoder&) = delete;

  enum class Next {
    Piece,    // `out` holds the next piece
    End,      // the stream has ended
    TooLong,  // the rest must be decoded in one go from `position`
    Damaged,  // `error` says why
  };
  // The next piece in place of `out`, whose buffers are kept for later pieces.
  Next take(DecodedPiece& out, std::uint64_t& position, std::string& error);
  // Gives a piece's buffers back.
  void giveBack(DecodedPiece& piece);

 private:
  struct Result {
    DecodedPiece piece;
    bool done = false;
    std::string error;
  };
  void work();
  // Cuts and decodes the next piece, if one may be; with the lock held, released meanwhile.
  bool decodeNext(std::unique_lock<std::mutex>& lock, lzma_stream& stream);
  void keep(PieceBuffer buffer);  // with the lock held
  DecodedPiece spareBuffers();    // with the lock held

  ArchiveFile& file_;
  std::uint32_t dictionaryBytes_;
  bool crc_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Lzma2Cutter cutter_;
  Lzma2Cutter::Cut cutEnd_ = Lzma2Cutter::Cut::Piece;  // how the cutting ended, once it has
  std::string cutError_;
  std::uint64_t cut_ = 0;    // pieces cut
  std::uint64_t taken_ = 0;  // pieces the reader has taken
  std::size_t ahead_ = 1;    // pieces that may be cut ahead of the reader
  std::size_t aheadLater_;   // once the reader has taken a few
  std::map<std::uint64_t, Result> results_;
  std::vector<PieceBuffer> spares_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
  lzma_stream own_ = LZMA_STREAM_INIT;  // for the pieces the reader decodes itself
};

}  // namespace vexo
