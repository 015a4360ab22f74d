#pragma once
// One block of the payload as LZMA2 chunks that depend on nothing before them: the even
// (random-looking) stretches stored, the rest compressed by liblzma's raw LZMA2 encoder.

#include <lzma.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transfer/CompressionSettings.h"

namespace vexo {

// A compressed block: bytes of its own (compressed runs, stored chunk headers) and stretches
// of the input it was made from, in stream order. The input is referred to, not copied.
struct CompressedBlock {
  struct Piece {
    bool fromInput = false;
    std::size_t offset = 0;
    std::size_t size = 0;
  };
  std::unique_ptr<std::uint8_t[]> bytes;  // not cleared: untouched pages cost no memory
  std::size_t capacity = 0;
  std::size_t used = 0;
  std::vector<Piece> pieces;
  std::uint64_t packedSize = 0;
};

class BlockCompressor {
 public:
  explicit BlockCompressor(const CompressionSettings& settings);
  ~BlockCompressor();
  BlockCompressor(const BlockCompressor&) = delete;
  BlockCompressor& operator=(const BlockCompressor&) = delete;

  // Adds to `done` the input bytes as they are compressed. False when `stop` is seen (between
  // slices of the work) or the library fails (`error`).
  bool compress(const std::uint8_t* data, std::size_t size, CompressedBlock& out,
                const std::atomic<bool>& stop, std::atomic<std::uint64_t>& done,
                std::string& error);

 private:
  bool compressRun(const std::uint8_t* data, std::size_t size, CompressedBlock& out,
                   const std::atomic<bool>& stop, std::atomic<std::uint64_t>& done,
                   std::string& error);
  void store(std::size_t offset, std::size_t size, CompressedBlock& out);

  CompressionSettings settings_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace vexo
