#include "transfer/Lzma2ItemStream.h"

#include <algorithm>
#include <cstring>

#include "disk/SectorDevice.h"
#include "transfer/Crc32.h"
#include "transfer/LargeBuffer.h"
#include "transfer/Lzma2Stream.h"

namespace vexo {
namespace {

constexpr std::size_t kOneGoBytes = 1 << 20;
constexpr const char* kDamaged = "Damaged 7-Zip archive: ";

// A dictionary larger than the item would never fill: a forged property costs nothing.
std::uint32_t DictionaryFor(const SevenZipItem& item) {
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
      std::min(Lzma2DictionaryBytes(item.lzma2Property), item.size), LZMA_DICT_SIZE_MIN,
      std::uint64_t{1} << 31));
}

}  // namespace

Lzma2ItemStream::Lzma2ItemStream(std::shared_ptr<ArchiveFile> file, const SevenZipItem& item,
                                 unsigned threads, bool checkCrc)
    : file_(std::move(file)),
      item_(item),
      checkCrc_(checkCrc),
      dictionaryBytes_(DictionaryFor(item)),
      decoder_(*file_, item.packOffset, item.packSize, dictionaryBytes_, threads, checkCrc) {}

Lzma2ItemStream::~Lzma2ItemStream() { lzma_end(&stream_); }

long long Lzma2ItemStream::read(void* data, std::size_t length, std::string& error) {
  const long long n = skip(length, error);
  if (n > 0) std::memcpy(data, last_, static_cast<std::size_t>(n));
  return n;
}

long long Lzma2ItemStream::skip(std::size_t length, std::string& error) {
  error.clear();
  if (ended_) return 0;
  while (span_ == current_.spans.size()) {
    if (nextBytes(error)) continue;
    if (!error.empty() || !checkEnd(error)) return -1;
    ended_ = true;
    return 0;
  }
  const DecodedPiece::Span& span = current_.spans[span_];
  const std::size_t n = std::min(length, span.size - offset_);
  last_ = span.data + offset_;
  offset_ += n;
  if (offset_ == span.size) {
    ++span_;
    offset_ = 0;
  }
  return static_cast<long long>(n);
}

bool Lzma2ItemStream::nextBytes(std::string& error) {
  if (oneGo_) return decodeOn(error);
  switch (decoder_.take(current_, packedAt_, error)) {
    case ParallelDecoder::Next::Piece: break;
    case ParallelDecoder::Next::End: return false;
    case ParallelDecoder::Next::TooLong:
      oneGo_ = true;
      return decodeOn(error);
    case ParallelDecoder::Next::Damaged: return false;
  }
  span_ = offset_ = 0;
  std::uint64_t size = 0;
  for (const DecodedPiece::Span& s : current_.spans) size += s.size;
  produced_ += size;
  if (produced_ > item_.size) {
    error = std::string(kDamaged) + "the data run past the item's size";
    return false;
  }
  if (checkCrc_) crc_ = Crc32Combine(crc_, current_.crc, size);
  return true;
}

// The rest of the stream through one decoder, a MiB at a time.
bool Lzma2ItemStream::decodeOn(std::string& error) {
  if (stream_.internal == nullptr) {
    lzma_options_lzma options{};
    options.dict_size = dictionaryBytes_;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    stream_.allocator = LargeMemoryForLzma();
    if (lzma_raw_decoder(&stream_, filters) != LZMA_OK) {
      error = "The LZMA2 decoder could not start (out of memory?)";
      return false;
    }
    packed_.resize(kOneGoBytes);
    decoder_.giveBack(current_);
  }
  current_.unpacked.resize(kOneGoBytes);
  const std::uint64_t packedEnd = item_.packOffset + item_.packSize;
  stream_.next_out = current_.unpacked.data();
  stream_.avail_out = kOneGoBytes;
  while (!streamEnded_ && stream_.avail_out > 0) {
    if (stream_.avail_in == 0) {
      const std::size_t part =
          static_cast<std::size_t>(std::min<std::uint64_t>(kOneGoBytes, packedEnd - packedAt_));
      if (part == 0 || !file_->readAt(packedAt_, packed_.data(), part)) {
        error = std::string(kDamaged) + "the file ends inside the LZMA2 stream";
        return false;
      }
      packedAt_ += part;
      stream_.next_in = packed_.data();
      stream_.avail_in = part;
    }
    const lzma_ret result = lzma_code(&stream_, LZMA_RUN);
    if (result == LZMA_STREAM_END) {
      streamEnded_ = true;
      if (stream_.avail_in != 0 || packedAt_ != packedEnd) {
        error = std::string(kDamaged) + "bytes follow the LZMA2 stream's end";
        return false;
      }
    } else if (result != LZMA_OK) {
      error = std::string(kDamaged) + "LZMA2 data error";
      return false;
    }
  }
  const std::size_t size = kOneGoBytes - stream_.avail_out;
  current_.spans.clear();
  span_ = offset_ = 0;
  if (size == 0) return false;  // the end
  current_.spans.push_back({current_.unpacked.data(), size});
  produced_ += size;
  if (produced_ > item_.size) {
    error = std::string(kDamaged) + "the data run past the item's size";
    return false;
  }
  if (checkCrc_) crc_ = Crc32(current_.unpacked.data(), size, crc_);
  return true;
}

bool Lzma2ItemStream::checkEnd(std::string& error) {
  if (produced_ != item_.size) {
    error = std::string(kDamaged) + "the data end before the item's size";
    return false;
  }
  if (checkCrc_ && crc_ != item_.crc) {
    error = std::string(kDamaged) + "CRC error";
    return false;
  }
  return true;
}

}  // namespace vexo
