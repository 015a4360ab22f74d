#include "disk/FdDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstring>

namespace vexo {

std::string SystemErrorText(int code) {
  switch (code) {
    case kErrorBeyondAddressLimit:
      return "The sector lies beyond the first 4 GiB of the disk, which cannot be addressed.";
    case kErrorPastEnd:
      return "The disk ends before this sector.";
    default:
      return std::strerror(code);
  }
}

namespace {

// A shared lock held for a moment is udev reading the device after a change (a program closed
// it, a file system was unmounted): that is waited out. A lock held longer is another program's.
bool LockExclusively(int fd, std::chrono::milliseconds patience) {
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

OpenResult FdDevice::openWith(int flags, bool writing) {
  close();
  int fd = rawOpen(path_.c_str(), flags | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    return {error == EBUSY ? OpenStatus::Mounted : OpenStatus::Failed, error, {}};
  }
  return adopt(fd, writing);
}

int FdDevice::rawOpen(const char* path, int flags) { return ::open(path, flags); }

OpenResult FdDevice::adopt(int fd, bool writing) {
  close();
  if (writing && !LockExclusively(fd, lockPatience_)) {
    int error = errno;
    ::close(fd);
    return {OpenStatus::LockRefused, error, {}};
  }
  fd_ = fd;
  writable_ = writing;
  return {};
}

int FdDevice::readAt(std::uint64_t offset, void* data, std::size_t length) {
  if (fd_ < 0) return EBADF;
  auto* out = static_cast<char*>(data);
  while (length > 0) {
    ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return kErrorPastEnd;
    out += n;
    offset += static_cast<std::uint64_t>(n);
    length -= static_cast<std::size_t>(n);
  }
  return 0;
}

int FdDevice::writeAt(std::uint64_t offset, const void* data, std::size_t length) {
  if (fd_ < 0 || !writable_) return EBADF;
  auto* in = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = ::pwrite(fd_, in, length, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    in += n;
    offset += static_cast<std::uint64_t>(n);
    length -= static_cast<std::size_t>(n);
  }
  return 0;
}

int FdDevice::flush() {
  if (fd_ < 0 || !writable_) return 0;
  return ::fdatasync(fd_) == 0 ? 0 : errno;
}

int FdDevice::writeBack() {
  if (fd_ < 0 || !writable_) return 0;
  if (::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE) == 0)
    return 0;
  // A file system that cannot do this leaves it all to the final flush.
  return errno == EINVAL || errno == ESPIPE || errno == ENOSYS ? 0 : errno;
}

void FdDevice::forget(std::uint64_t offset, std::uint64_t length) {
  // Clean pages only: callers flush first.
  if (fd_ >= 0)
    ::posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
}

void FdDevice::close() {
  if (fd_ >= 0) ::close(fd_);  // also releases the flock
  fd_ = -1;
  writable_ = false;
}

}  // namespace vexo
