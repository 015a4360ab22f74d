#pragma once
// The card readers of this machine: whole block devices that the kernel marks removable, that
// sit on a USB bus, or SD cards on the machine's own reader (mmcblkN, not its boot and rpmb
// areas); never the system's own disks, loop, RAM or device-mapper disks.

#include <string>
#include <vector>

namespace vexo {

// Device nodes ("/dev/sdb") of the removable disks listed under a sysfs block folder.
// Whether a block device is one that may hold a card: a loop device (a card image attached by
// hand), or a whole disk that passes the rule above.
bool MayHoldACard(const std::string& device);

std::vector<std::string> RemovableBlockDevices(const std::string& sysBlock = "/sys/block",
                                               const std::string& devFolder = "/dev");

}  // namespace vexo
