#pragma once
// Which block devices hold this machine's own file systems (/, /boot, /home). They are never
// treated as cards: the disk that holds / is disk 0, and disk 0 is never written.

#include <string>
#include <sys/types.h>
#include <vector>

namespace vexo {

// The whole disk behind a device number (a partition leads to its disk); 0 when unknown.
dev_t WholeDiskOf(dev_t device);

// The whole disks that hold /, /boot and /home.
std::vector<dev_t> SystemWholeDisks();

// True when the block device at `path` is, or is a partition of, a system disk.
bool IsSystemDevice(const std::string& path);

// The device node of the disk that holds /, or "" (a container's overlay has none).
std::string RootDiskNode();

}  // namespace vexo
