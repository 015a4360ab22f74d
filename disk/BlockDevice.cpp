#include "disk/BlockDevice.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "disk/PrivilegedOpen.h"

namespace vexo {

OpenResult BlockDevice::openForReading() { return open(O_RDONLY, false); }

OpenResult BlockDevice::openForWriting() { return open(O_RDWR | O_EXCL, true); }

// Directly when the user may (root, group disk), else through the system's helper.
OpenResult BlockDevice::open(int flags, bool writing) {
  OpenResult direct = openWith(flags, writing);
  if (direct.status != OpenStatus::Failed || (direct.error != EACCES && direct.error != EPERM))
    return direct;
  std::string answer = "no helper to ask";
  if (helper_ != nullptr) {
    const int fd = helper_->open(path(), writing, answer);
    if (fd >= 0) return adopt(fd, writing);
  }
  direct.why = NoAccessText(path(), answer);
  return direct;
}

std::uint64_t BlockDevice::length() {
  std::uint64_t bytes = 0;
  if (isOpen()) return ::ioctl(fd(), BLKGETSIZE64, &bytes) == 0 ? bytes : 0;
  int fd = ::open(path().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) bytes = 0;
  ::close(fd);
  return bytes;
}

}  // namespace vexo
