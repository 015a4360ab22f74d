#pragma once
// Block devices as sysfs shows them. Every rule that reads sysfs takes its root, so that tests
// run the rule on a recorded tree in a temporary folder.

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace vexo {

inline constexpr const char* kSysfsRoot = "/sys";

// "8:1", as sysfs and /proc/self/mountinfo write a device number.
std::string DeviceNumberText(dev_t device);

// The folder of a block device under devices/ (reached by /sys/dev/block/MAJ:MIN); empty when
// sysfs does not know the number.
std::filesystem::path BlockDeviceFolder(dev_t device, const std::string& sysfs = kSysfsRoot);

// The device number of a block device node; 0 when `node` is not one.
dev_t BlockDeviceNumber(const std::string& node);

// The first line of a sysfs attribute without the blanks around it; "" when it cannot be read.
std::string ReadAttribute(const std::filesystem::path& file);

// The device number in a folder's "dev" attribute; 0 when there is none.
dev_t ReadDeviceNumber(const std::filesystem::path& folder);

// A partition's folder has a "partition" attribute and sits in its whole disk's folder.
bool IsPartitionFolder(const std::filesystem::path& folder);

}  // namespace vexo
