#include "disk/RemovableDevices.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>


namespace vexo {
namespace {

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

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
  const bool removable = FirstLine(sysDir / "removable") == "1";
  return removable || usb || mmc;
}

}  // namespace

bool MayHoldACard(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::canonical(
      "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)), ec);
  if (ec) return false;
  if (dir.filename().string().rfind("loop", 0) == 0) return true;
  if (std::filesystem::exists(dir / "partition")) return false;  // a card has no partitions
  return IsReaderDisk(dir);
}

std::vector<std::string> RemovableBlockDevices(const std::string& sysBlock, const std::string& devFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> devices;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysBlock, ec)) {
    if (!IsReaderDisk(entry.path())) continue;
    if (FirstLine(entry.path() / "size") == "0") continue;  // a reader without a card
    devices.push_back(devFolder + "/" + entry.path().filename().string());
  }
  std::sort(devices.begin(), devices.end());
  return devices;
}

}  // namespace vexo
