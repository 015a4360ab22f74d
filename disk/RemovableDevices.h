#pragma once
// The card readers of this machine: whole block devices that the kernel marks removable, that
// sit on a USB bus, or SD cards on the machine's own reader (mmcblkN, not its boot and rpmb
// areas); never the system's own disks, loop, RAM or device-mapper disks.

#include <string>
#include <vector>

namespace vexo {

// Device nodes ("/dev/sdb") of the removable disks listed under a sysfs block folder.
std::vector<std::string> RemovableBlockDevices(const std::string& sysBlock = "/sys/block",
                                               const std::string& devFolder = "/dev");

}  // namespace vexo
