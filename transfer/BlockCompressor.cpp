#include "transfer/BlockCompressor.h"

#include <algorithm>

#include "transfer/LargeBuffer.h"
#include "transfer/Lzma2Stream.h"
#include "transfer/StoredStretches.h"

namespace vexo {
namespace {

// Between slices the work looks for a stop, and progress moves.
constexpr std::size_t kSlice = 256 << 10;

// The most a block's own bytes can take: LZMA2 falls back to stored chunks (3 bytes for each
// 64 KiB), and each run and stored stretch adds a few bytes of its own (one per 4 KiB at most).
std::size_t OwnBytesBound(std::size_t size) { return size + size / 4096 * 16 + 65536; }

}  // namespace

BlockCompressor::BlockCompressor(const CompressionSettings& settings) : settings_(settings) {}

BlockCompressor::~BlockCompressor() { lzma_end(&stream_); }

bool BlockCompressor::compress(const std::uint8_t* data, std::size_t size, CompressedBlock& out,
                               const std::atomic<bool>& stop, std::atomic<std::uint64_t>& done,
                               std::string& error) {
  if (out.capacity < OwnBytesBound(size)) {
    out.capacity = OwnBytesBound(size);
    out.bytes.reset(new std::uint8_t[out.capacity]);
  }
  out.used = 0;
  out.pieces.clear();
  std::size_t at = 0;
  const auto compressUpTo = [&](std::size_t end) {
    if (end > at && !compressRun(data + at, end - at, out, stop, done, error)) return false;
    at = end;
    return true;
  };
  for (const Stretch& s : StoredStretches(data, size)) {
    if (!compressUpTo(s.begin)) return false;
    store(s.begin, s.end - s.begin, out);
    done += s.end - s.begin;
    at = s.end;
  }
  if (!compressUpTo(size)) return false;
  out.packedSize = 0;
  for (const CompressedBlock::Piece& p : out.pieces) out.packedSize += p.size;
  return true;
}

// Every stored chunk resets the dictionary: it needs nothing before it, and the run after it
// starts afresh anyway, so a reader may cut the stream at any of them.
void BlockCompressor::store(std::size_t offset, std::size_t size, CompressedBlock& out) {
  while (size > 0) {
    const std::size_t part = std::min(size, kStoredChunkMax);
    const auto header = StoredChunkHeader(part, true);
    out.pieces.push_back({false, out.used, header.size()});
    std::copy(header.begin(), header.end(), out.bytes.get() + out.used);
    out.used += header.size();
    out.pieces.push_back({true, offset, part});
    offset += part;
    size -= part;
  }
}

bool BlockCompressor::compressRun(const std::uint8_t* data, std::size_t size,
                                  CompressedBlock& out, const std::atomic<bool>& stop,
                                  std::atomic<std::uint64_t>& done, std::string& error) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, settings_.preset);
  options.mf = settings_.matchFinder == MatchFinder::HashChain4 ? LZMA_MF_HC4 : LZMA_MF_BT4;
  options.nice_len = settings_.niceLength;
  // A dictionary beyond the run only costs memory and the time to clear it.
  options.dict_size = static_cast<std::uint32_t>(std::clamp<std::size_t>(
      size, LZMA_DICT_SIZE_MIN, settings_.dictionaryBytes));
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  stream_.allocator = LargeMemoryForLzma();
  if (lzma_raw_encoder(&stream_, filters) != LZMA_OK) {
    error = "The LZMA2 encoder could not start (out of memory?)";
    return false;
  }
  const std::size_t begin = out.used;
  stream_.next_in = data;
  stream_.avail_in = 0;
  stream_.next_out = out.bytes.get() + begin;
  stream_.avail_out = out.capacity - begin;
  std::size_t fed = 0;
  std::size_t slice = 0;
  for (;;) {
    if (stream_.avail_in == 0 && fed < size) {
      done += slice;  // the encoder has taken in the slice before
      if (stop) return false;
      slice = std::min(kSlice, size - fed);
      stream_.avail_in = slice;
      fed += slice;
    }
    const lzma_ret result = lzma_code(&stream_, fed == size ? LZMA_FINISH : LZMA_RUN);
    if (result == LZMA_STREAM_END) {
      done += slice;
      break;
    }
    if (result != LZMA_OK || stream_.avail_out == 0) {
      error = "The LZMA2 encoder failed (error " + std::to_string(result) + ")";
      return false;
    }
  }
  const std::size_t written = out.capacity - stream_.avail_out;
  // Each run ends with the stream's end byte; only the whole stream's last one stays.
  out.used = written - 1;
  out.pieces.push_back({false, begin, out.used - begin});
  return true;
}

}  // namespace vexo
