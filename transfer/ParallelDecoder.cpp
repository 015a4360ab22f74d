#include "transfer/ParallelDecoder.h"

#include <lzma.h>

#include <algorithm>

#include "transfer/Crc32.h"
#include "transfer/Lzma2Stream.h"

namespace vexo {
namespace {

constexpr const char* kDataError = "Damaged 7-Zip archive: LZMA2 data error";

// Decodes the chunks `packed` holds into `out` (all of them, exactly `size` bytes), with a
// raw LZMA2 decoder that the thread keeps.
bool DecodeChunks(lzma_stream& stream, std::uint32_t dictionaryBytes, const std::uint8_t* packed,
                  std::size_t packedSize, std::uint8_t* out, std::size_t size) {
  lzma_options_lzma options{};
  options.dict_size = dictionaryBytes;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
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
  if (!file.readAt(piece.packedAt, out.packed.data.get(), out.packed.size)) {
    error = "Damaged 7-Zip archive: the file ends inside the LZMA2 stream";
    return false;
  }
  out.unpacked.resize(static_cast<std::size_t>(piece.unpacked));
  out.spans.clear();
  const std::uint8_t* p = out.packed.data.get();
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
    if (bytes > out.unpacked.size - decoded ||
        !DecodeChunks(stream, dictionaryBytes, p + start, at - start, out.unpacked.data.get() + decoded, bytes)) {
      error = kDataError;
      return false;
    }
    out.spans.push_back({out.unpacked.data.get() + decoded, bytes});
    decoded += bytes;
  }
  out.crc = 0;
  if (crc)
    for (const DecodedPiece::Span& s : out.spans) out.crc = Crc32(s.data, s.size, out.crc);
  return true;
}

}  // namespace

ParallelDecoder::ParallelDecoder(ArchiveFile& file, std::uint32_t dictionaryBytes,
                                 unsigned threads, bool crc)
    : file_(file), dictionaryBytes_(dictionaryBytes), crc_(crc) {
  for (unsigned i = 0; i < std::max(1u, threads); ++i) threads_.emplace_back([this] { work(); });
}

ParallelDecoder::~ParallelDecoder() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ParallelDecoder::keep(PieceBuffer buffer) {
  // As many as the pieces in hand can use; more would only hold memory.
  if (buffer.capacity > 0 && spares_.size() < 2 * threads_.size() + 4)
    spares_.push_back(std::move(buffer));
}

void ParallelDecoder::submit(Lzma2Piece piece) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::make_unique<Job>());
    jobs_.back()->piece = std::move(piece);
  }
  changed_.notify_all();
}

std::size_t ParallelDecoder::inHand() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return jobs_.size();
}

void ParallelDecoder::giveBack(DecodedPiece& piece) {
  std::lock_guard<std::mutex> lock(mutex_);
  keep(std::move(piece.packed));
  keep(std::move(piece.unpacked));
  piece.spans.clear();
}

bool ParallelDecoder::take(DecodedPiece& out, std::string& error) {
  giveBack(out);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return jobs_.empty() || jobs_.front()->done; });
  if (jobs_.empty()) {
    error = "Nothing to decode";
    return false;
  }
  std::unique_ptr<Job> job = std::move(jobs_.front());
  jobs_.pop_front();
  if (!job->error.empty()) {
    error = job->error;
    return false;
  }
  out = std::move(job->decoded);
  return true;
}

void ParallelDecoder::work() {
  lzma_stream stream = LZMA_STREAM_INIT;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Job* job = nullptr;
    changed_.wait(lock, [&] {
      if (stop_) return true;
      for (const auto& j : jobs_)
        if (!j->started) return job = j.get(), true;
      return false;
    });
    if (stop_) break;
    job->started = true;
    DecodedPiece decoded;
    for (PieceBuffer* buffer : {&decoded.packed, &decoded.unpacked}) {
      if (spares_.empty()) break;
      *buffer = std::move(spares_.back());
      spares_.pop_back();
    }
    lock.unlock();
    std::string error;
    const bool ok = Decode(file_, stream, dictionaryBytes_, crc_, job->piece, decoded, error);
    lock.lock();
    job->decoded = std::move(decoded);
    job->error = ok ? std::string() : error;
    job->done = true;
    changed_.notify_all();
  }
  lzma_end(&stream);
}

}  // namespace vexo
