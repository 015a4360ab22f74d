#include "transfer/ImageArchive.h"

#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <thread>
#include <vector>

#include "disk/SectorDevice.h"
#include "transfer/ArchiveFile.h"
#include "transfer/Crc32.h"
#include "transfer/ImagePayload.h"
#include "transfer/LargeBuffer.h"
#include "transfer/LibarchiveItemStream.h"
#include "transfer/Lzma2ItemStream.h"
#include "transfer/Lzma2Stream.h"
#include "transfer/ParallelCompressor.h"
#include "transfer/SevenZipLayout.h"

namespace vexo {
namespace {

constexpr std::size_t kSkipBlock = 1 << 20;
// A plain file with the archive flag, its Unix mode in the high half (as 7-Zip on Unix).
constexpr std::uint32_t kItemAttributes = 0x20 | 0x8000 | (0100644u << 16);

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode an ordinary new file gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAllAt(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace

// ---- writing --------------------------------------------------------------------------------

std::unique_ptr<ImageArchiveWriter> ImageArchiveWriter::Create(const std::string& path,
                                                               std::uint64_t payloadSize,
                                                               std::string& error,
                                                               const CompressionSettings& settings) {
  std::unique_ptr<ImageArchiveWriter> writer(new ImageArchiveWriter);
  writer->path_ = path;
  writer->expected_ = payloadSize;
  // A free name beside the destination for the archive being made.
  std::string pattern = FolderOf(path) + "/.vexoimage-XXXXXX";
  writer->fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (writer->fd_ < 0) {
    error = path + ": " + SystemErrorText(errno);
    return nullptr;
  }
  writer->partialPath_ = pattern;
  // No run is compressed with a dictionary larger than itself, nor than the payload.
  writer->dictionaryBytes_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      settings.dictionaryBytes, std::max<std::uint64_t>(payloadSize, LZMA_DICT_SIZE_MIN)));
  writer->compressor_ =
      std::make_unique<ParallelCompressor>(writer->fd_, kSignatureHeaderBytes, settings);
  return writer;
}

bool ImageArchiveWriter::fail(const std::string& text, std::string& error) {
  error = path_ + ": " + text;
  abandon();
  return false;
}

bool ImageArchiveWriter::write(const void* data, std::size_t length, std::string& error) {
  if (!compressor_) return fail("the archive was abandoned", error);
  if (written_ + length > expected_)
    return fail("the image grew beyond the size it was announced with", error);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  crc_ = Crc32(bytes, length, crc_);
  std::string text;
  if (!compressor_->write(bytes, length, text)) return fail(text, error);
  written_ += length;
  return true;
}

bool ImageArchiveWriter::finish(std::string& error) {
  if (finished_) return true;
  if (!compressor_) return fail("the archive was abandoned", error);
  if (written_ != expected_) return fail("the image ended before the size it was announced with", error);
  std::string text;
  if (!compressor_->finish(text)) return fail(text, error);

  SevenZipItem& item = item_;
  item.name = kArchiveItemName;
  item.packSize = compressor_->packedBytes();
  item.packCrc = compressor_->packedCrc();
  item.size = expected_;
  item.crc = crc_;
  item.lzma2Property = Lzma2DictionaryProperty(dictionaryBytes_);
  item.fileTime = FileTimeOf(std::time(nullptr));
  item.attributes = kItemAttributes;
  const std::vector<std::uint8_t> end = EncodeEndHeader(item);
  const auto start = EncodeSignatureHeader(item, end);
  // The end header first, the signature that points at it last; on the disk before the
  // archive takes the destination's name.
  if (!WriteAllAt(fd_, end.data(), end.size(), item.packOffset + item.packSize) ||
      !WriteAllAt(fd_, start.data(), start.size(), 0) || ::fsync(fd_) != 0)
    return fail(SystemErrorText(errno), error);
  compressor_.reset();
  finished_ = true;
  return true;
}

bool ImageArchiveWriter::commit(std::string& error) {
  if (!finish(error)) return false;
  if (::fchmod(fd_, NewFileMode()) != 0 || ::rename(partialPath_.c_str(), path_.c_str()) != 0)
    return fail(SystemErrorText(errno), error);
  partialPath_.clear();
  ::close(fd_);
  fd_ = -1;
  return true;
}

void ImageArchiveWriter::abandon() {
  compressor_.reset();  // its threads stop between slices of their work
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!partialPath_.empty()) ::unlink(partialPath_.c_str());
  partialPath_.clear();
}

ImageArchiveWriter::~ImageArchiveWriter() { abandon(); }

std::uint64_t ImageArchiveWriter::compressedBytes() const {
  if (finished_) return expected_;
  return compressor_ ? compressor_->compressedBytes() : 0;
}

void ImageArchiveWriter::whileWaiting(std::function<void()> callback) {
  if (compressor_) compressor_->whileWaiting(std::move(callback));
}

// ---- reading --------------------------------------------------------------------------------

ImageArchiveReader::ImageArchiveReader(std::shared_ptr<ArchiveFile> file,
                                       std::unique_ptr<ItemStream> stream,
                                       std::optional<SevenZipItem> item)
    : file_(std::move(file)), stream_(std::move(stream)), item_(std::move(item)) {}

ImageArchiveReader::~ImageArchiveReader() = default;

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::Open(const std::string& path,
                                                             std::string& error) {
  std::shared_ptr<ArchiveFile> file = ArchiveFile::Open(path, error);
  if (!file) return nullptr;
  return OpenFile(std::move(file), false, error);
}

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::again(std::string& error) const {
  return OpenFile(file_, true, error);
}

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::OpenFile(std::shared_ptr<ArchiveFile> file,
                                                                 bool checked, std::string& error) {
  std::unique_ptr<ItemStream> stream;
  std::optional<SevenZipItem> item = ReadSevenZipLayout(*file);
  if (item) {
    stream = std::make_unique<Lzma2ItemStream>(file, *item, CompressionSettings{}.threads, !checked);
  } else if (const std::optional<std::uint64_t> declared = DeclaredArchiveSize(*file);
             declared && *declared > file->size()) {
    // A copy or download cut short: say so, rather than what the library makes of it.
    error = "Damaged 7-Zip archive: the file ends before the archive does (" +
            std::to_string(file->size()) + " of " + std::to_string(*declared) +
            " bytes); was it copied whole?";
  } else {
    stream = LibarchiveItemStream::Open(file, kArchiveItemName, error);
  }
  if (!stream) return nullptr;
  return std::unique_ptr<ImageArchiveReader>(
      new ImageArchiveReader(std::move(file), std::move(stream), std::move(item)));
}

std::uint64_t ImageArchiveReader::size() const { return stream_->size(); }

bool ImageArchiveReader::stillAt(const std::string& path) const { return file_->stillAt(path); }

bool ImageArchiveReader::read(void* data, std::size_t length, std::string& error) {
  error.clear();
  auto* bytes = static_cast<char*>(data);
  while (length > 0) {
    const long long n = stream_->read(bytes, length, error);
    if (n <= 0) return false;
    bytes += n;
    length -= static_cast<std::size_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool ImageArchiveReader::skip(std::uint64_t length, std::string& error) {
  error.clear();
  while (length > 0) {
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(length, kSkipBlock));
    const long long n = stream_->skip(part, error);
    if (n <= 0) return false;
    length -= static_cast<std::uint64_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool ImageArchiveReader::skipToEnd(std::uint64_t& passed, std::string& error) {
  error.clear();
  passed = 0;
  for (;;) {
    const long long n = stream_->skip(kSkipBlock, error);
    if (n < 0) return false;
    if (n == 0) return true;
    passed += static_cast<std::uint64_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
}

ImageArchiveReader::PackedCheck ImageArchiveReader::checkPacked(std::string& error) const {
  if (!item_ || !item_->packCrc) return PackedCheck::Unavailable;
  // Each thread takes its share of the stream; the CRCs are joined in their order.
  const unsigned threads = std::max(1u, CompressionSettings{}.threads);
  const std::uint64_t share = (item_->packSize + threads - 1) / threads;
  std::vector<std::uint32_t> crcs(threads, 0);
  std::vector<int> errors(threads, 0);
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(share, kSkipBlock));
      const LargeBuffer buffer(std::max<std::size_t>(room, 1));
      const std::uint64_t begin = std::min(item_->packSize, t * share);
      const std::uint64_t end = std::min(item_->packSize, begin + share);
      for (std::uint64_t at = begin; at < end && errors[t] == 0;) {
        const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(room, end - at));
        const long long n = file_->readSome(item_->packOffset + at, buffer.data(), part);
        if (n != static_cast<long long>(part)) errors[t] = n < 0 ? errno : EIO;
        else crcs[t] = Crc32(buffer.data(), part, crcs[t]);
        at += part;
      }
    });
  }
  for (std::thread& w : workers) w.join();
  std::uint32_t crc = 0;
  for (unsigned t = 0; t < threads; ++t) {
    if (errors[t] != 0) {
      error = SystemErrorText(errors[t]);
      return PackedCheck::Failed;
    }
    const std::uint64_t begin = std::min(item_->packSize, t * share);
    crc = Crc32Combine(crc, crcs[t], std::min(item_->packSize, begin + share) - begin);
  }
  if (crc != *item_->packCrc) {
    error = kPackedCrcError;
    return PackedCheck::Failed;
  }
  return PackedCheck::Passed;
}

}  // namespace vexo
