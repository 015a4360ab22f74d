#pragma once
// The payload compressed into one LZMA2 stream by several threads: the caller fills blocks,
// the threads compress them independently, and each block is written to the file in its
// turn by the thread that finished it. A few blocks are in hand at any time, so memory stays
// the same whatever the payload's size.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/BlockCompressor.h"

namespace vexo {

class ParallelCompressor {
 public:
  // The stream goes to `fd` from `offset` on; the descriptor stays the caller's.
  ParallelCompressor(int fd, std::uint64_t offset, const CompressionSettings& settings);
  // Stops at once: no block is started or finished after it.
  ~ParallelCompressor();
  ParallelCompressor(const ParallelCompressor&) = delete;
  ParallelCompressor& operator=(const ParallelCompressor&) = delete;

  // Takes the bytes in; waits while every block is in hand, calling `whileWaiting` now and
  // then. False after a failure of any thread (`error`).
  bool write(const std::uint8_t* data, std::size_t size, std::string& error);
  // Compresses and writes what is left and ends the stream.
  bool finish(std::string& error);
  void stop();

  void whileWaiting(std::function<void()> callback) { whileWaiting_ = std::move(callback); }
  // Bytes of the payload the encoders have taken in and compressed.
  std::uint64_t compressedBytes() const { return compressed_; }
  // Bytes of the stream written to the file, and their CRC-32.
  std::uint64_t packedBytes() const { return packed_; }
  std::uint32_t packedCrc() const { return packedCrc_; }

 private:
  enum class State { Free, Queued, Compressing, Compressed };
  struct Block {
    std::unique_ptr<std::uint8_t[]> input;  // not cleared: untouched pages cost nothing
    std::size_t size = 0;
    std::uint64_t sequence = 0;
    State state = State::Free;
    CompressedBlock output;
  };

  void work();
  void writeInTurn(std::unique_lock<std::mutex>& lock);
  bool writePieces(const Block& block, std::string& error);
  bool submitCurrent(std::string& error);
  bool waitFor(const std::function<bool()>& ready, std::string& error);
  void fail(const std::string& error);

  int fd_;
  std::uint64_t offset_;
  CompressionSettings settings_;
  std::function<void()> whileWaiting_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> compressed_{0};
  std::atomic<std::uint64_t> packed_{0};
  std::uint32_t packedCrc_ = 0;  // by the thread whose turn it is to write

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Block> blocks_;
  Block* current_ = nullptr;      // being filled by the caller
  std::uint64_t submitted_ = 0;   // blocks handed to the threads
  std::uint64_t nextWrite_ = 0;   // the sequence number whose turn it is
  bool writing_ = false;
  std::string error_;
  std::vector<std::thread> threads_;
};

}  // namespace vexo
