#pragma once
// Pieces of an LZMA2 stream (Lzma2Cutter.h) decoded on several threads, handed back in their
// order with the CRC-32 of their bytes. Stored chunks are handed out from the bytes read,
// not copied: in a payload of compressed assets they are most of it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
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
  // Without `crc`, the pieces' CRCs are not computed (0).
  ParallelDecoder(ArchiveFile& file, std::uint32_t dictionaryBytes, unsigned threads, bool crc);
  // Stops the threads; pieces still in hand are dropped.
  ~ParallelDecoder();
  ParallelDecoder(const ParallelDecoder&) = delete;
  ParallelDecoder& operator=(const ParallelDecoder&) = delete;

  void submit(Lzma2Piece piece);
  std::size_t inHand() const;
  // The oldest piece handed over, once decoded, in place of `out`, whose buffers are kept for
  // later pieces; false with `error` when it does not decode.
  bool take(DecodedPiece& out, std::string& error);
  // Gives a piece's buffers back.
  void giveBack(DecodedPiece& piece);

 private:
  struct Job {
    Lzma2Piece piece;
    DecodedPiece decoded;
    bool started = false;
    bool done = false;
    std::string error;
  };
  void work();
  void keep(PieceBuffer buffer);  // with the lock held

  ArchiveFile& file_;
  std::uint32_t dictionaryBytes_;
  bool crc_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Job>> jobs_;  // in stream order
  std::vector<PieceBuffer> spares_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace vexo
