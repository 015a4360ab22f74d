#pragma once
// Freeing a card whose file systems are mounted, so that it can be written raw. On Linux the
// kernel refuses an exclusive open of a mounted device; releasing it means unmounting the file
// systems of the device and of its partitions.

#include <string>
#include <sys/types.h>
#include <vector>

#include "disk/Sysfs.h"

namespace vexo {

struct ReleaseResult {
  bool opened = true;      // the file systems of the device could be found
  bool dismounted = true;  // every one of them was unmounted
};

class MountReleaser {
 public:
  virtual ~MountReleaser() = default;
  virtual bool hasMounts(const std::string& device) = 0;
  virtual ReleaseResult release(const std::string& device) = 0;
};

// Reads /proc/self/mountinfo and unmounts with umount2.
class UnmountReleaser : public MountReleaser {
 public:
  bool hasMounts(const std::string& device) override;
  ReleaseResult release(const std::string& device) override;
};

struct MountRecord {
  std::string device;  // "major:minor"
  std::string mountPoint;
};

// The records of a /proc/self/mountinfo text, mount points unescaped.
std::vector<MountRecord> ParseMountInfo(const std::string& text);

// "major:minor" of a block device and of all its partitions, from sysfs.
std::vector<std::string> DeviceNumbersWithPartitions(dev_t device,
                                                     const std::string& sysfs = kSysfsRoot);

}  // namespace vexo
