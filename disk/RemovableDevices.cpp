#include "disk/RemovableDevices.h"

#include <algorithm>
#include <filesystem>

namespace vexo {
namespace {

// A disk of a card reader, by its sysfs folder.
bool IsReaderDisk(const std::filesystem::path& sysDir) {
  const std::string name = sysDir.filename().string();
  if (name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0 ||
      name.rfind("dm-", 0) == 0 || name.rfind("md", 0) == 0)
    return false;
  // An SD card on the machine's own reader: mmcblkN, but not its boot and rpmb areas.
  const bool mmc = name.rfind("mmcblk", 0) == 0 && name.find("boot") == std::string::npos &&
                   name.find("rpmb") == std::string::npos;
  std::error_code ec;
  const bool usb = std::filesystem::canonical(sysDir, ec).string().find("/usb") != std::string::npos;
  const bool removable = ReadAttribute(sysDir / "removable") == "1";
  return removable || usb || mmc;
}

}  // namespace

bool MayHoldACard(dev_t device, const std::string& sysfs) {
  const std::filesystem::path dir = BlockDeviceFolder(device, sysfs);
  if (dir.empty()) return false;
  if (dir.filename().string().rfind("loop", 0) == 0) return true;
  if (IsPartitionFolder(dir)) return false;  // a card has no partitions
  return IsReaderDisk(dir);
}

bool MayHoldACard(const std::string& node) {
  const dev_t device = BlockDeviceNumber(node);
  return device != 0 && MayHoldACard(device);
}

std::vector<std::string> RemovableBlockDevices(const std::string& sysfs, const std::string& devFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> devices;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysfs + "/block", ec)) {
    if (!IsReaderDisk(entry.path())) continue;
    if (ReadAttribute(entry.path() / "size") == "0") continue;  // a reader without a card
    devices.push_back(devFolder + "/" + entry.path().filename().string());
  }
  std::sort(devices.begin(), devices.end());
  return devices;
}

}  // namespace vexo
