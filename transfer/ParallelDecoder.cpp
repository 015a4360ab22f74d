#include "transfer/ParallelDecoder.h"

#include <lzma.h>

#include <algorithm>

#include "transfer/Crc32.h"
#include "transfer/LargeBuffer.h"
#include "transfer/Lzma2Stream.h"

namespace vexo {
namespace {

constexpr const char* kDataError = "Damaged 7-Zip archive: LZMA2 data error";
// Pieces of a MiB keep the threads busy with little to hand over; a piece never grows beyond
// what memory allows, whatever the stream.
constexpr std::uint64_t kPieceTarget = 1 << 20;
// The first small: a reader that wants only the stored headers decodes little more.
constexpr std::uint64_t kFirstPieceTarget = 64 << 10;
constexpr std::uint64_t kPieceLimit = 16 << 20;

// Decodes the chunks `packed` holds into `out` (all of them, exactly `size` bytes), with a
// raw LZMA2 decoder that the thread keeps.
bool DecodeChunks(lzma_stream& stream, std::uint32_t dictionaryBytes, const std::uint8_t* packed,
                  std::size_t packedSize, std::uint8_t* out, std::size_t size) {
  lzma_options_lzma options{};
  options.dict_size = dictionaryBytes;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  stream.allocator = LargeMemoryForLzma();
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return false;
  stream.next_in = packed;
  stream.avail_in = packedSize;
  stream.next_out = out;
  stream.avail_out = size;
  lzma_ret result = LZMA_OK;
  while (result == LZMA_OK && stream.avail_in > 0) result = lzma_code(&stream, LZMA_RUN);
  return result == LZMA_OK && stream.avail_in == 0 && stream.avail_out == 0;
}

// The piece's bytes as spans: the stored chunks where they were read, each run of chunks from
// one dictionary reset to the next that holds compressed ones decoded.
bool Decode(ArchiveFile& file, lzma_stream& stream, std::uint32_t dictionaryBytes, bool crc,
            const Lzma2Piece& piece, DecodedPiece& out, std::string& error) {
  out.packed.resize(static_cast<std::size_t>(piece.packedSize));
  if (!file.readAt(piece.packedAt, out.packed.data(), out.packed.size)) {
    error = "Damaged 7-Zip archive: the file ends inside the LZMA2 stream";
    return false;
  }
  out.unpacked.resize(static_cast<std::size_t>(piece.unpacked));
  out.spans.clear();
  const std::uint8_t* p = out.packed.data();
  const std::size_t n = out.packed.size;
  std::size_t at = 0;
  std::size_t decoded = 0;
  std::vector<DecodedPiece::Span> stored;
  while (at < n) {
    const std::size_t start = at;
    std::size_t bytes = 0;
    bool allStored = true;
    stored.clear();
    do {
      Lzma2Chunk chunk;
      if (!ReadChunkHeader(p + at, std::min<std::size_t>(6, n - at), chunk) || chunk.end ||
          chunk.bytes > n - at) {
        error = kDataError;
        return false;
      }
      if (chunk.stored) stored.push_back({p + at + chunk.header, chunk.unpacked});
      allStored = allStored && chunk.stored;
      at += chunk.bytes;
      bytes += chunk.unpacked;
    } while (at < n && !(p[at] == 0x01 || p[at] >= 0xE0));  // the next dictionary reset
    if (allStored) {
      out.spans.insert(out.spans.end(), stored.begin(), stored.end());
      continue;
    }
    std::uint8_t* into = out.unpacked.data() + decoded;
    if (bytes > out.unpacked.size - decoded ||
        !DecodeChunks(stream, dictionaryBytes, p + start, at - start, into, bytes)) {
      error = kDataError;
      return false;
    }
    out.spans.push_back({into, bytes});
    decoded += bytes;
  }
  out.crc = 0;
  if (crc)
    for (const DecodedPiece::Span& s : out.spans) out.crc = Crc32(s.data, s.size, out.crc);
  return true;
}

}  // namespace

ParallelDecoder::ParallelDecoder(ArchiveFile& file, std::uint64_t offset, std::uint64_t size,
                                 std::uint32_t dictionaryBytes, unsigned threads, bool crc)
    : file_(file),
      dictionaryBytes_(dictionaryBytes),
      crc_(crc),
      cutter_(file, offset, size),
      aheadLater_(std::max(1u, threads) + 1) {
  for (unsigned i = 0; i < std::max(1u, threads); ++i) threads_.emplace_back([this] { work(); });
}

ParallelDecoder::~ParallelDecoder() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_) t.join();
  lzma_end(&own_);
}

DecodedPiece ParallelDecoder::spareBuffers() {
  DecodedPiece decoded;
  for (PieceBuffer* buffer : {&decoded.packed, &decoded.unpacked}) {
    if (spares_.empty()) break;
    *buffer = std::move(spares_.back());
    spares_.pop_back();
  }
  return decoded;
}

void ParallelDecoder::keep(PieceBuffer buffer) {
  // As many as the pieces in hand can use; more would only hold memory.
  if (buffer.capacity() > 0 && spares_.size() < 2 * aheadLater_ + 2) spares_.push_back(std::move(buffer));
}

void ParallelDecoder::giveBack(DecodedPiece& piece) {
  std::lock_guard<std::mutex> lock(mutex_);
  keep(std::move(piece.packed));
  keep(std::move(piece.unpacked));
  piece.spans.clear();
}

// One piece: cut while the lock is held (the cutter reads only chunk headers), decoded without.
bool ParallelDecoder::decodeNext(std::unique_lock<std::mutex>& lock, lzma_stream& stream) {
  if (stop_ || cutEnd_ != Lzma2Cutter::Cut::Piece || cut_ - taken_ >= ahead_) return false;
  Lzma2Piece piece;
  std::string error;
  const Lzma2Cutter::Cut cut =
      cutter_.next(piece, cut_ == 0 ? kFirstPieceTarget : kPieceTarget, kPieceLimit, error);
  if (cut != Lzma2Cutter::Cut::Piece) {
    cutEnd_ = cut;
    cutError_ = error;
    changed_.notify_all();
    return false;
  }
  const std::uint64_t sequence = cut_++;
  results_[sequence];
  DecodedPiece decoded = spareBuffers();
  lock.unlock();
  const bool ok = Decode(file_, stream, dictionaryBytes_, crc_, piece, decoded, error);
  lock.lock();
  Result& result = results_[sequence];
  result.piece = std::move(decoded);
  result.error = ok ? std::string() : error;
  result.done = true;
  changed_.notify_all();
  return true;
}

ParallelDecoder::Next ParallelDecoder::take(DecodedPiece& out, std::uint64_t& position,
                                            std::string& error) {
  giveBack(out);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const auto next = results_.find(taken_);
    if (next != results_.end() && next->second.done) {
      Result result = std::move(next->second);
      results_.erase(next);
      // Only a reader that goes on past its first pieces (not one that wants the stored
      // headers alone) has more decoded ahead.
      if (++taken_ >= 2) ahead_ = aheadLater_;
      changed_.notify_all();
      if (!result.error.empty()) {
        error = result.error;
        return Next::Damaged;
      }
      out = std::move(result.piece);
      return Next::Piece;
    }
    if (next == results_.end() && cutEnd_ != Lzma2Cutter::Cut::Piece) {
      position = cutter_.position();
      error = cutError_;
      return cutEnd_ == Lzma2Cutter::Cut::End       ? Next::End
             : cutEnd_ == Lzma2Cutter::Cut::TooLong ? Next::TooLong
                                                    : Next::Damaged;
    }
    // Rather than wait for a thread that a busy machine may not run for a while, the reader
    // cuts and decodes the piece it needs itself; then it looks again.
    if (next == results_.end()) decodeNext(lock, own_);
    else changed_.wait(lock);
  }
}

void ParallelDecoder::work() {
  lzma_stream stream = LZMA_STREAM_INIT;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (!decodeNext(lock, stream)) changed_.wait(lock);
  }
  lzma_end(&stream);
}

}  // namespace vexo
