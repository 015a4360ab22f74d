#include "transfer/ImageArchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "disk/SectorDevice.h"
#include "transfer/ImagePayload.h"

namespace vexo {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The 7z writer keeps its compressed stream in a temporary file under $TMPDIR until it closes;
// that file goes beside the destination, not into a /tmp that may be memory.
class TempDirOverride {
 public:
  explicit TempDirOverride(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old, hadOld_ = true;
    ::setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempDirOverride() {
    if (hadOld_) ::setenv("TMPDIR", saved_.c_str(), 1);
    else ::unsetenv("TMPDIR");
  }

 private:
  std::string saved_;
  bool hadOld_ = false;
};

// The mode an ordinary new file gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string ArchiveErrorText(::archive* a) {
  const char* text = a ? archive_error_string(a) : nullptr;
  if (text != nullptr && *text != '\0') return text;
  const int code = a ? archive_errno(a) : 0;
  return code > 0 ? SystemErrorText(code) : "The archive library failed without saying why";
}

// ---- writing --------------------------------------------------------------------------------

std::unique_ptr<ImageArchiveWriter> ImageArchiveWriter::Create(const std::string& path,
                                                               std::uint64_t payloadSize,
                                                               std::string& error, int level) {
  std::unique_ptr<ImageArchiveWriter> writer(new ImageArchiveWriter);
  writer->path_ = path;
  writer->expected_ = payloadSize;

  // A free name beside the destination for the archive being made.
  std::string pattern = FolderOf(path) + "/.vexoimage-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = path + ": " + SystemErrorText(errno);
    return nullptr;
  }
  ::close(fd);
  writer->partialPath_ = pattern;

  ::archive* a = archive_write_new();
  writer->archive_ = a;
  const auto failed = [&](int result) {
    if (result == ARCHIVE_OK) return false;
    error = path + ": " + ArchiveErrorText(a);
    return true;
  };
  const std::string levelText = std::to_string(level);
  if (failed(archive_write_set_format_7zip(a)) ||
      failed(archive_write_set_format_option(a, "7zip", "compression", "lzma2")) ||
      failed(archive_write_set_format_option(a, "7zip", "compression-level", levelText.c_str())) ||
      failed(archive_write_open_filename(a, writer->partialPath_.c_str())))
    return nullptr;

  archive_entry* entry = archive_entry_new();
  const std::time_t now = std::time(nullptr);
  archive_entry_set_pathname(entry, "Vexo");
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_size(entry, static_cast<la_int64_t>(payloadSize));
  archive_entry_set_mtime(entry, now, 0);
  archive_entry_set_birthtime(entry, now, 0);
  int result;
  {
    TempDirOverride temp(FolderOf(path));
    result = archive_write_header(a, entry);
  }
  archive_entry_free(entry);
  if (failed(result)) return nullptr;
  return writer;
}

bool ImageArchiveWriter::write(const void* data, std::size_t length, std::string& error) {
  if (written_ + length > expected_) {
    error = path_ + ": the image grew beyond the size it was announced with";
    return false;
  }
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const la_ssize_t n = archive_write_data(archive_, bytes, length);
    if (n <= 0) {
      error = path_ + ": " + ArchiveErrorText(archive_);
      return false;
    }
    bytes += n;
    length -= static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool ImageArchiveWriter::commit(std::string& error) {
  if (written_ != expected_) {
    error = path_ + ": the image ended before the size it was announced with";
    return false;
  }
  ::archive* a = archive_;
  archive_ = nullptr;
  const int closed = archive_write_close(a);
  if (closed != ARCHIVE_OK) error = path_ + ": " + ArchiveErrorText(a);
  archive_write_free(a);
  if (closed != ARCHIVE_OK) return false;
  // On the disk before it takes the destination's name.
  const int fd = ::open(partialPath_.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced || ::rename(partialPath_.c_str(), path_.c_str()) != 0) {
    error = path_ + ": " + SystemErrorText(errno);
    return false;
  }
  ::chmod(path_.c_str(), NewFileMode());  // the temporary name was made private
  partialPath_.clear();
  return true;
}

ImageArchiveWriter::~ImageArchiveWriter() {
  if (archive_ != nullptr) archive_write_free(archive_);
  if (!partialPath_.empty()) ::unlink(partialPath_.c_str());
}

// ---- reading --------------------------------------------------------------------------------

std::unique_ptr<ImageArchiveReader> ImageArchiveReader::Open(const std::string& path,
                                                             std::string& error) {
  std::unique_ptr<ImageArchiveReader> reader(new ImageArchiveReader);
  if (reader->openAt(path, true, error)) return reader;
  if (!error.empty()) return nullptr;
  // 7-Zip orders items by name: without one called "Vexo", the first item holds the payload.
  reader.reset(new ImageArchiveReader);
  if (reader->openAt(path, false, error)) return reader;
  if (error.empty()) error = kInvalidArchive;  // an archive without any item
  return nullptr;
}

bool ImageArchiveReader::openAt(const std::string& path, bool wantNamed, std::string& error) {
  archive_ = archive_read_new();
  if (archive_read_support_format_7zip(archive_) != ARCHIVE_OK ||
      archive_read_open_filename(archive_, path.c_str(), kReadBlock) != ARCHIVE_OK) {
    error = ArchiveErrorText(archive_);
    return false;
  }
  archive_entry* entry = nullptr;
  for (;;) {
    const int result = archive_read_next_header(archive_, &entry);
    if (result == ARCHIVE_EOF) return false;
    if (result != ARCHIVE_OK) {
      error = ArchiveErrorText(archive_);
      return false;
    }
    const char* name = archive_entry_pathname(entry);
    if (!wantNamed || (name != nullptr && std::strcmp(name, "Vexo") == 0)) break;
    if (archive_read_data_skip(archive_) != ARCHIVE_OK) {
      error = ArchiveErrorText(archive_);
      return false;
    }
  }
  size_ = archive_entry_size_is_set(entry) ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
  return true;
}

bool ImageArchiveReader::read(void* data, std::size_t length, std::string& error) {
  error.clear();
  auto* bytes = static_cast<char*>(data);
  while (length > 0) {
    const la_ssize_t n = archive_read_data(archive_, bytes, length);
    if (n < 0) {
      error = ArchiveErrorText(archive_);
      return false;
    }
    if (n == 0) return false;
    bytes += n;
    length -= static_cast<std::size_t>(n);
    position_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool ImageArchiveReader::skip(std::uint64_t length, std::string& error) {
  std::vector<char> sink(static_cast<std::size_t>(std::min<std::uint64_t>(length, kReadBlock)));
  while (length > 0) {
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sink.size()));
    if (!read(sink.data(), part, error)) return false;
    length -= part;
  }
  return true;
}

ImageArchiveReader::~ImageArchiveReader() {
  if (archive_ != nullptr) archive_read_free(archive_);
}

}  // namespace vexo
