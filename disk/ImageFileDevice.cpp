#include "disk/ImageFileDevice.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace vexo {

OpenResult ImageFileDevice::openForReading() { return openWith(O_RDONLY, false); }

OpenResult ImageFileDevice::openForWriting() {
  OpenResult result = openWith(O_RDWR, true);
  // A plain file is never "busy"; EBUSY here is an ordinary failure.
  if (result.status == OpenStatus::Mounted) result.status = OpenStatus::Failed;
  writableLength_ = result.status == OpenStatus::Ok ? length() : 0;
  return result;
}

int ImageFileDevice::writeAt(std::uint64_t offset, const void* data, std::size_t length) {
  if (!isOpenForWriting()) return EBADF;
  if (offset + length > writableLength_) return ENOSPC;
  return FdDevice::writeAt(offset, data, length);
}

std::uint64_t ImageFileDevice::length() {
  struct stat st {};
  int result = isOpen() ? ::fstat(fd(), &st) : ::stat(path().c_str(), &st);
  if (result != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace vexo
