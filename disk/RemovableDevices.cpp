#include "disk/RemovableDevices.h"

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

}  // namespace

std::vector<std::string> RemovableBlockDevices(const std::string& sysBlock, const std::string& devFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> devices;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysBlock, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0 ||
        name.rfind("dm-", 0) == 0 || name.rfind("md", 0) == 0)
      continue;
    // An SD card on the machine's own reader: mmcblkN, but not its boot and rpmb areas.
    const bool mmc = name.rfind("mmcblk", 0) == 0 && name.find("boot") == std::string::npos &&
                     name.find("rpmb") == std::string::npos;
    const bool usb = fs::canonical(entry.path(), ec).string().find("/usb") != std::string::npos;
    const bool removable = FirstLine(entry.path() / "removable") == "1";
    if (!(removable || usb || mmc)) continue;
    if (FirstLine(entry.path() / "size") == "0") continue;  // a reader without a card
    devices.push_back(devFolder + "/" + name);
  }
  std::sort(devices.begin(), devices.end());
  return devices;
}

}  // namespace vexo
