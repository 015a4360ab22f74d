#include "transfer/ImageArchive.h"

#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

#include "disk/SectorDevice.h"
#include "transfer/ArchiveFile.h"
#include "transfer/ImagePayload.h"
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
  crc_ = lzma_crc32(bytes, length, crc_);
  std::string text;
  if (!compressor_->write(bytes, length, text)) return fail(text, error);
  written_ += length;
  return true;
}

bool ImageArchiveWriter::commit(std::string& error) {
  if (!compressor_) return fail("the archive was abandoned", error);
  if (written_ != expected_) return fail("the image ended before the size it was announced with", error);
  std::string text;
  if (!compressor_->finish(text)) return fail(text, error);

  SevenZipItem item;
  item.name = kArchiveItemName;
  item.packSize = compressor_->packedBytes();
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
      !WriteAllAt(fd_, start.data(), start.size(), 0) || ::fsync(fd_) != 0 ||
      ::fchmod(fd_, NewFileMode()) != 0 || ::rename(partialPath_.c_str(), path_.c_str()) != 0)
    return fail(SystemErrorText(errno), error);
  partialPath_.clear();
  compressor_.reset();
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
  return compressor_ ? compressor_->compressedBytes() : 0;
}

void ImageArchiveWriter::whileWaiting(std::function<void()> callback) {
  if (compressor_) compressor_->whileWaiting(std::move(callback));
}

// ---- reading --------------------------------------------------------------------------------

ImageArchiveReader::ImageArchiveReader(std::shared_ptr<ArchiveFile> file,
                                       std::unique_ptr<ItemStream> stream)
    : file_(std::move(file)), stream_(std::move(stream)) {}

ImageArchiveReader::~ImageArchiveReader() = default;

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::Open(const std::string& path,
                                                             std::string& error) {
  std::shared_ptr<ArchiveFile> file = ArchiveFile::Open(path, error);
  if (!file) return nullptr;
  return OpenFile(std::move(file), error);
}

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::again(std::string& error) const {
  return OpenFile(file_, error);
}

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::OpenFile(std::shared_ptr<ArchiveFile> file,
                                                                 std::string& error) {
  std::unique_ptr<ItemStream> stream;
  if (const std::optional<SevenZipItem> item = ReadSevenZipLayout(*file))
    stream = Lzma2ItemStream::Open(file, *item, error);
  else
    stream = LibarchiveItemStream::Open(file, kArchiveItemName, error);
  if (!stream) return nullptr;
  return std::unique_ptr<ImageArchiveReader>(new ImageArchiveReader(std::move(file), std::move(stream)));
}

std::uint64_t ImageArchiveReader::size() const { return stream_->size(); }

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
  std::vector<char> sink(static_cast<std::size_t>(std::min<std::uint64_t>(length, kSkipBlock)));
  while (length > 0) {
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sink.size()));
    if (!read(sink.data(), part, error)) return false;
    length -= part;
  }
  return true;
}

bool ImageArchiveReader::skipToEnd(std::uint64_t& passed, std::string& error) {
  error.clear();
  passed = 0;
  std::vector<char> sink(kSkipBlock);
  for (;;) {
    const long long n = stream_->read(sink.data(), sink.size(), error);
    if (n < 0) return false;
    if (n == 0) return true;
    passed += static_cast<std::uint64_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
}

}  // namespace vexo
