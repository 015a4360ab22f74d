#pragma once
// The card readers of this machine: whole block devices that the kernel marks removable, that
// sit on a USB bus, or SD cards on the machine's own reader (mmcblkN, not its boot and rpmb
// areas); never the system's own disks, loop, RAM or device-mapper disks.

#include <string>
#include <sys/types.h>
#include <vector>

#include "disk/Sysfs.h"

namespace vexo {

// Whether a block device is one that may hold a card: a loop device (a card image attached by
// hand), or a whole disk that passes the rule above.
bool MayHoldACard(dev_t device, const std::string& sysfs = kSysfsRoot);
// The same for a device node; false for anything that is not a block device.
bool MayHoldACard(const std::string& node);

// Device nodes ("/dev/sdb") of the removable disks with a medium that sysfs lists.
std::vector<std::string> RemovableBlockDevices(const std::string& sysfs = kSysfsRoot,
                                               const std::string& devFolder = "/dev");

}  // namespace vexo
