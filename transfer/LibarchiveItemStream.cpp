#include "transfer/LibarchiveItemStream.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "disk/SectorDevice.h"
#include "transfer/ImagePayload.h"

namespace vexo {

// The archive file as the library reads it: a position of its own, so that several readers
// share one open file.
struct LibarchiveSource {
  std::shared_ptr<ArchiveFile> file;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1 << 20);
  std::uint64_t offset = 0;
};

namespace {

la_ssize_t ReadSource(::archive*, void* data, const void** buffer) {
  auto* s = static_cast<LibarchiveSource*>(data);
  const long long n = s->file->readSome(s->offset, s->buffer.data(), s->buffer.size());
  if (n < 0) return ARCHIVE_FATAL;
  s->offset += static_cast<std::uint64_t>(n);
  *buffer = s->buffer.data();
  return static_cast<la_ssize_t>(n);
}

la_int64_t SeekSource(::archive*, void* data, la_int64_t offset, int whence) {
  auto* s = static_cast<LibarchiveSource*>(data);
  const la_int64_t base = whence == SEEK_SET   ? 0
                          : whence == SEEK_CUR ? static_cast<la_int64_t>(s->offset)
                                               : static_cast<la_int64_t>(s->file->size());
  if (base + offset < 0) return ARCHIVE_FATAL;
  s->offset = static_cast<std::uint64_t>(base + offset);
  return static_cast<la_int64_t>(s->offset);
}

la_int64_t SkipSource(::archive*, void* data, la_int64_t request) {
  static_cast<LibarchiveSource*>(data)->offset += static_cast<std::uint64_t>(request);
  return request;
}

}  // namespace

LibarchiveItemStream::LibarchiveItemStream(std::shared_ptr<ArchiveFile> file)
    : source_(new LibarchiveSource{std::move(file)}) {}

std::string ArchiveErrorText(::archive* a) {
  const char* text = a ? archive_error_string(a) : nullptr;
  if (text != nullptr && *text != '\0') return text;
  const int code = a ? archive_errno(a) : 0;
  return code > 0 ? SystemErrorText(code) : "Damaged or unreadable 7-Zip archive (the archive library gave no reason)";
}

std::unique_ptr<LibarchiveItemStream> LibarchiveItemStream::Open(std::shared_ptr<ArchiveFile> file,
                                                                 const std::string& name,
                                                                 std::string& error) {
  std::unique_ptr<LibarchiveItemStream> stream(new LibarchiveItemStream(file));
  const int named = stream->openAt(&name, error);
  if (named > 0) return stream;
  if (named < 0) return nullptr;
  stream.reset(new LibarchiveItemStream(file));
  if (stream->openAt(nullptr, error) > 0) return stream;
  if (error.empty()) error = kInvalidArchive;  // an archive without any item
  return nullptr;
}

LibarchiveItemStream::~LibarchiveItemStream() {
  if (archive_ != nullptr) archive_read_free(archive_);
}

int LibarchiveItemStream::openAt(const std::string* name, std::string& error) {
  archive_ = archive_read_new();
  archive_read_set_callback_data(archive_, source_.get());
  archive_read_set_read_callback(archive_, ReadSource);
  archive_read_set_seek_callback(archive_, SeekSource);
  archive_read_set_skip_callback(archive_, SkipSource);
  if (archive_read_support_format_7zip(archive_) != ARCHIVE_OK ||
      archive_read_open1(archive_) != ARCHIVE_OK) {
    error = ArchiveErrorText(archive_);
    return -1;
  }
  archive_entry* entry = nullptr;
  for (;;) {
    const int result = archive_read_next_header(archive_, &entry);
    if (result == ARCHIVE_EOF) return 0;
    if (result != ARCHIVE_OK) {
      error = ArchiveErrorText(archive_);
      return -1;
    }
    const char* path = archive_entry_pathname(entry);
    if (name == nullptr || (path != nullptr && *name == path)) break;
    if (archive_read_data_skip(archive_) != ARCHIVE_OK) {
      error = ArchiveErrorText(archive_);
      return -1;
    }
  }
  size_ = archive_entry_size_is_set(entry) ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
  return 1;
}

long long LibarchiveItemStream::skip(std::size_t length, std::string& error) {
  if (sink_.empty()) sink_.resize(1 << 18);
  return read(sink_.data(), std::min(length, sink_.size()), error);
}

long long LibarchiveItemStream::read(void* data, std::size_t length, std::string& error) {
  const la_ssize_t n = archive_read_data(archive_, data, length);
  if (n < 0) {
    error = ArchiveErrorText(archive_);
    return -1;
  }
  return n;
}

}  // namespace vexo
