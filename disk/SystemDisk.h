#pragma once
// Which block devices hold this machine's own file systems (/, /boot, /home). They are never
// treated as cards: the disk that holds / is disk 0, and disk 0 is never written.

#include <string>
#include <sys/types.h>
#include <vector>

#include "disk/Sysfs.h"

namespace vexo {

// The device numbers of the file systems at /, /boot and /home (st_dev of each mount point).
std::vector<dev_t> SystemMountDevices();

// The whole disk behind a device number (a partition leads to its disk); 0 when unknown.
dev_t WholeDiskOf(dev_t device, const std::string& sysfs = kSysfsRoot);

// The whole disks under the file systems on `mounts`: a partition's disk, and for LVM, LUKS
// or RAID, the disks their slaves sit on, however deep.
std::vector<dev_t> SystemWholeDisks(const std::vector<dev_t>& mounts = SystemMountDevices(),
                                    const std::string& sysfs = kSysfsRoot);

// True when `device` is, or is a partition of, one of the whole disks under `mounts`.
bool IsSystemDevice(dev_t device, const std::vector<dev_t>& mounts,
                    const std::string& sysfs = kSysfsRoot);
// The same for a block device node of this machine.
bool IsSystemDevice(const std::string& node);

// The device node of the disk that holds the file system on `root`, or "" (a container's
// overlay has none).
std::string RootDiskNode(dev_t root, const std::string& sysfs = kSysfsRoot);
// The same for / of this machine.
std::string RootDiskNode();

}  // namespace vexo
