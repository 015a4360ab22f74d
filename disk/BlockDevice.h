#pragma once
// A card reader's block device (/dev/sdX, /dev/mmcblkN). Writing opens it with O_EXCL, which
// the kernel refuses while a file system of the device is mounted or another program holds it.

#include "disk/FdDevice.h"

namespace vexo {

class PrivilegedOpener;

class BlockDevice : public FdDevice {
 public:
  // `helper` opens the device when this user may not (may be null).
  explicit BlockDevice(std::string path, PrivilegedOpener* helper = nullptr)
      : FdDevice(std::move(path)), helper_(helper) {
    // udev reads a reader's device after every change, under a shared lock, for a moment.
    lockPatience_ = std::chrono::milliseconds(1500);
  }

  bool isImageFile() const override { return false; }
  OpenResult openForReading() override;
  OpenResult openForWriting() override;
  std::uint64_t length() override;

 private:
  OpenResult open(int flags, bool writing);
  // A descriptor in `fd`, or -1 and why not.
  OpenResult openDescriptor(int flags, bool writing, int& fd);
  PrivilegedOpener* helper_;
};

}  // namespace vexo
