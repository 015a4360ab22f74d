#include "disk/SystemDisk.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vexo {
namespace {

namespace fs = std::filesystem;

fs::path SysfsDir(dev_t device) {
  std::error_code ec;
  fs::path dir = fs::canonical(
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)), ec);
  return ec ? fs::path() : dir;
}

dev_t ParseDevFile(const fs::path& file) {
  std::ifstream in(file);
  unsigned maj = 0, min = 0;
  char colon = 0;
  if (!(in >> maj >> colon >> min) || colon != ':') return 0;
  return makedev(maj, min);
}

}  // namespace

dev_t WholeDiskOf(dev_t device) {
  fs::path dir = SysfsDir(device);
  if (dir.empty()) return 0;
  if (fs::exists(dir / "partition")) return ParseDevFile(dir.parent_path() / "dev");
  return device;
}

namespace {

// The whole disks under a device: itself, or, for LVM, LUKS or RAID, the disks its slaves sit on.
void AddWholeDisks(dev_t device, std::vector<dev_t>& disks, int depth = 0) {
  const fs::path dir = SysfsDir(device);
  std::error_code ec;
  bool layered = false;
  if (!dir.empty() && depth < 8) {
    for (const auto& slave : fs::directory_iterator(dir / "slaves", ec)) {
      const dev_t below = ParseDevFile(slave.path() / "dev");
      if (below == 0) continue;
      layered = true;
      AddWholeDisks(below, disks, depth + 1);
    }
  }
  if (layered) return;
  const dev_t disk = WholeDiskOf(device);
  if (disk != 0 && std::find(disks.begin(), disks.end(), disk) == disks.end()) disks.push_back(disk);
}

}  // namespace

std::vector<dev_t> SystemWholeDisks() {
  std::vector<dev_t> disks;
  for (const char* mount : {"/", "/boot", "/home"}) {
    struct stat st {};
    if (::stat(mount, &st) == 0) AddWholeDisks(st.st_dev, disks);
  }
  return disks;
}

bool IsSystemDevice(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  const std::vector<dev_t> system = SystemWholeDisks();
  dev_t disk = WholeDiskOf(st.st_rdev);
  return std::find(system.begin(), system.end(), disk != 0 ? disk : st.st_rdev) != system.end();
}

std::string RootDiskNode() {
  struct stat st {};
  if (::stat("/", &st) != 0) return {};
  dev_t disk = WholeDiskOf(st.st_dev);
  if (disk == 0) return {};
  std::ifstream uevent(SysfsDir(disk) / "uevent");
  std::string line;
  while (std::getline(uevent, line)) {
    if (line.rfind("DEVNAME=", 0) == 0) return "/dev/" + line.substr(8);
  }
  return {};
}

}  // namespace vexo
