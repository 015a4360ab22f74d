#include "disk/BlockDevice.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vexo {

OpenResult BlockDevice::openForReading() { return openWith(O_RDONLY, false); }

OpenResult BlockDevice::openForWriting() { return openWith(O_RDWR | O_EXCL, true); }

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
