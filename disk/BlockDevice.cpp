#include "disk/BlockDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "disk/PrivilegedOpen.h"

namespace vexo {

OpenResult BlockDevice::openForReading() { return open(O_RDONLY, false); }

OpenResult BlockDevice::openForWriting() { return open(O_RDWR | O_EXCL, true); }

OpenResult BlockDevice::open(int flags, bool writing) {
  int fd = -1;
  OpenResult result = openDescriptor(flags, writing, fd);
  return fd < 0 ? result : adopt(fd, writing);
}

// Directly when the user may (root, group disk), else through the system's helper. A helper
// that finds the device in use answers as the kernel would have: EBUSY, for the caller to
// unmount or to name the program that holds it.
OpenResult BlockDevice::openDescriptor(int flags, bool writing, int& fd) {
  fd = rawOpen(path().c_str(), flags | O_CLOEXEC);
  if (fd >= 0) return {};
  const int error = errno;
  if (error == EBUSY) return {OpenStatus::Mounted, error};
  if (error != EACCES && error != EPERM) return {OpenStatus::Failed, error};
  HelperAnswer answer{.noService = true, .why = "no helper to ask"};
  if (helper_ != nullptr) answer = helper_->open(path(), writing);
  fd = answer.fd;
  if (fd >= 0) return {};
  if (answer.busy) return {OpenStatus::Mounted, EBUSY, answer.why};
  return {OpenStatus::Failed, error, NoAccessText(path(), answer)};
}

namespace {

// The end of what a descriptor reaches: a block device's size (or a file's, where a test backs
// a reader with an image).
std::uint64_t EndOf(int fd) {
  const off_t end = ::lseek(fd, 0, SEEK_END);
  return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

}  // namespace

// From the descriptor the operation holds, else through the same way in as a read: a card
// this user reads through the helper has its length too.
std::uint64_t BlockDevice::length() {
  if (isOpen()) return EndOf(fd());
  int descriptor = -1;
  openDescriptor(O_RDONLY, false, descriptor);
  if (descriptor < 0) return 0;
  const std::uint64_t bytes = EndOf(descriptor);
  ::close(descriptor);
  return bytes;
}

}  // namespace vexo
