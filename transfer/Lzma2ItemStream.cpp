#include "transfer/Lzma2ItemStream.h"

#include <algorithm>
#include <cerrno>

#include "disk/SectorDevice.h"
#include "transfer/Lzma2Stream.h"

namespace vexo {
namespace {

constexpr std::size_t kPackedRead = 1 << 20;
constexpr const char* kDamaged = "Damaged 7-Zip archive: ";

}  // namespace

std::unique_ptr<Lzma2ItemStream> Lzma2ItemStream::Open(std::shared_ptr<ArchiveFile> file,
                                                       const SevenZipItem& item,
                                                       std::string& error) {
  std::unique_ptr<Lzma2ItemStream> stream(new Lzma2ItemStream(std::move(file), item));
  // A dictionary larger than the item would never fill: a forged property costs nothing.
  const std::uint64_t dictionary = std::clamp<std::uint64_t>(
      std::min(Lzma2DictionaryBytes(item.lzma2Property), item.size), LZMA_DICT_SIZE_MIN,
      std::uint64_t{1} << 31);
  lzma_options_lzma options{};
  options.dict_size = static_cast<std::uint32_t>(dictionary);
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_raw_decoder(&stream->decoder_, filters) != LZMA_OK) {
    error = "The LZMA2 decoder could not start (out of memory?)";
    return nullptr;
  }
  stream->packed_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kPackedRead, item.packSize)));
  return stream;
}

Lzma2ItemStream::~Lzma2ItemStream() { lzma_end(&decoder_); }

bool Lzma2ItemStream::refill(std::string& error) {
  const std::size_t part = static_cast<std::size_t>(
      std::min<std::uint64_t>(packed_.size(), item_.packSize - packedRead_));
  if (part == 0) {
    error = std::string(kDamaged) + "the packed data end early";
    return false;
  }
  const long long n = file_->readSome(item_.packOffset + packedRead_, packed_.data(), part);
  if (n < 0) {
    error = SystemErrorText(errno);
    return false;
  }
  if (n < static_cast<long long>(part)) {
    error = std::string(kDamaged) + "the file ends early";
    return false;
  }
  packedRead_ += part;
  decoder_.next_in = packed_.data();
  decoder_.avail_in = part;
  return true;
}

long long Lzma2ItemStream::read(void* data, std::size_t length, std::string& error) {
  if (ended_) return 0;
  if (produced_ == item_.size) return checkEnd(error) ? 0 : -1;
  auto* out = static_cast<std::uint8_t*>(data);
  decoder_.next_out = out;
  decoder_.avail_out = static_cast<std::size_t>(std::min<std::uint64_t>(length, item_.size - produced_));
  while (decoder_.next_out == out) {
    if (decoder_.avail_in == 0 && !refill(error)) return -1;
    const lzma_ret result = lzma_code(&decoder_, LZMA_RUN);
    if (result == LZMA_STREAM_END) {
      streamEnded_ = true;
      if (decoder_.next_out == out || decoder_.avail_out != 0) {
        error = std::string(kDamaged) + "the data end before the item's size";
        return -1;
      }
    }
    if (result != LZMA_OK && result != LZMA_STREAM_END) {
      error = std::string(kDamaged) + "LZMA2 data error";
      return -1;
    }
  }
  const std::size_t n = static_cast<std::size_t>(decoder_.next_out - out);
  crc_ = lzma_crc32(out, n, crc_);
  produced_ += n;
  return static_cast<long long>(n);
}

// After the item's last byte: the stream's end byte, nothing more, and the CRC.
bool Lzma2ItemStream::checkEnd(std::string& error) {
  std::uint8_t extra = 0;
  decoder_.next_out = &extra;
  decoder_.avail_out = 1;
  lzma_ret result = LZMA_OK;
  while (!streamEnded_ && result == LZMA_OK && decoder_.avail_out == 1) {
    if (decoder_.avail_in == 0 && !refill(error)) return false;
    result = lzma_code(&decoder_, LZMA_RUN);
    streamEnded_ = result == LZMA_STREAM_END;
  }
  if (!streamEnded_ || decoder_.avail_out == 0 || decoder_.avail_in != 0 ||
      packedRead_ != item_.packSize) {
    error = std::string(kDamaged) + "the data do not end at the item's size";
    return false;
  }
  if (crc_ != item_.crc) {
    error = std::string(kDamaged) + "CRC error";
    return false;
  }
  ended_ = true;
  return true;
}

}  // namespace vexo
