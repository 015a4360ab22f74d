#include "transfer/ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "disk/SectorDevice.h"

namespace vexo {

std::shared_ptr<ArchiveFile> ArchiveFile::Open(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    error = path + ": " + SystemErrorText(errno);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return std::shared_ptr<ArchiveFile>(new ArchiveFile(fd, st));
}

ArchiveFile::ArchiveFile(int fd, const struct stat& opened)
    : fd_(fd),
      size_(static_cast<std::uint64_t>(opened.st_size)),
      modifiedSeconds_(opened.st_mtim.tv_sec),
      modifiedNanoseconds_(opened.st_mtim.tv_nsec) {}

bool ArchiveFile::stillAt(const std::string& path) const {
  struct stat named {}, open {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(fd_, &open) == 0 &&
         named.st_dev == open.st_dev && named.st_ino == open.st_ino &&
         static_cast<std::uint64_t>(open.st_size) == size_ &&
         open.st_mtim.tv_sec == modifiedSeconds_ && open.st_mtim.tv_nsec == modifiedNanoseconds_;
}

ArchiveFile::~ArchiveFile() { ::close(fd_); }

void ArchiveFile::forgetCached() {
  // Pages not yet written are not dropped.
  ::fdatasync(fd_);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
}

long long ArchiveFile::readSome(std::uint64_t offset, void* data, std::size_t length) {
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool ArchiveFile::readAt(std::uint64_t offset, void* data, std::size_t length) {
  return readSome(offset, data, length) == static_cast<long long>(length);
}

}  // namespace vexo
