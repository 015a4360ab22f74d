#pragma once
// A card reader's block device (/dev/sdX, /dev/mmcblkN). Writing opens it with O_EXCL, which
// the kernel refuses while a file system of the device is mounted or another program holds it.

#include "disk/FdDevice.h"

namespace vexo {

class BlockDevice : public FdDevice {
 public:
  using FdDevice::FdDevice;

  bool isImageFile() const override { return false; }
  OpenResult openForReading() override;
  OpenResult openForWriting() override;
  std::uint64_t length() override;
};

}  // namespace vexo
