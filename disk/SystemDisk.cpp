#include "disk/SystemDisk.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vexo {
namespace {

namespace fs = std::filesystem;

// Deeper than any real stack of LVM, LUKS and RAID; stops a looping tree.
constexpr int kMaxLayers = 8;

void AddWholeDisks(dev_t device, const std::string& sysfs, std::vector<dev_t>& disks, int depth) {
  const fs::path folder = BlockDeviceFolder(device, sysfs);
  std::error_code ec;
  bool layered = false;
  if (!folder.empty() && depth < kMaxLayers) {
    for (const auto& slave : fs::directory_iterator(folder / "slaves", ec)) {
      const dev_t below = ReadDeviceNumber(slave.path());
      if (below == 0) continue;
      layered = true;
      AddWholeDisks(below, sysfs, disks, depth + 1);
    }
  }
  if (layered) return;
  const dev_t disk = WholeDiskOf(device, sysfs);
  if (disk != 0 && std::find(disks.begin(), disks.end(), disk) == disks.end()) disks.push_back(disk);
}

}  // namespace

std::vector<dev_t> SystemMountDevices() {
  std::vector<dev_t> devices;
  for (const char* mount : {"/", "/boot", "/home"}) {
    struct stat st {};
    if (::stat(mount, &st) == 0) devices.push_back(st.st_dev);
  }
  return devices;
}

dev_t WholeDiskOf(dev_t device, const std::string& sysfs) {
  const fs::path folder = BlockDeviceFolder(device, sysfs);
  if (folder.empty()) return 0;
  return IsPartitionFolder(folder) ? ReadDeviceNumber(folder.parent_path()) : device;
}

std::vector<dev_t> SystemWholeDisks(const std::vector<dev_t>& mounts, const std::string& sysfs) {
  std::vector<dev_t> disks;
  for (dev_t mount : mounts) AddWholeDisks(mount, sysfs, disks, 0);
  return disks;
}

bool IsSystemDevice(dev_t device, const std::vector<dev_t>& mounts, const std::string& sysfs) {
  const std::vector<dev_t> system = SystemWholeDisks(mounts, sysfs);
  const dev_t disk = WholeDiskOf(device, sysfs);
  return std::find(system.begin(), system.end(), disk != 0 ? disk : device) != system.end();
}

bool IsSystemDevice(const std::string& node) {
  const dev_t device = BlockDeviceNumber(node);
  return device != 0 && IsSystemDevice(device, SystemMountDevices());
}

std::string RootDiskNode(dev_t root, const std::string& sysfs) {
  const dev_t disk = WholeDiskOf(root, sysfs);
  if (disk == 0) return {};
  std::ifstream uevent(BlockDeviceFolder(disk, sysfs) / "uevent");
  std::string line;
  while (std::getline(uevent, line)) {
    if (line.rfind("DEVNAME=", 0) == 0) return "/dev/" + line.substr(8);
  }
  return {};
}

std::string RootDiskNode() {
  struct stat st {};
  return ::stat("/", &st) == 0 ? RootDiskNode(st.st_dev) : std::string();
}

}  // namespace vexo
