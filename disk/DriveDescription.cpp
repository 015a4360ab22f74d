#include "disk/DriveDescription.h"

#include <cstdio>

#include "disk/DiskTable.h"
#include "disk/Sysfs.h"

namespace vexo {
namespace {

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DecimalSize(std::uint64_t bytes) {
  char text[32];
  if (bytes >= 1'000'000'000ull) {
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
  }
  return text;
}

}  // namespace

std::string DescribeDrive(const Drive& drive, std::uint64_t lengthBytes, const std::string& sysfs) {
  const std::string name = BaseName(drive.path);
  if (drive.device && drive.device->isImageFile()) return name;
  const std::filesystem::path device = sysfs + "/class/block/" + name + "/device";
  // USB and SCSI readers name a vendor and a model; an SD slot names the card itself.
  const std::string vendor = ReadAttribute(device / "vendor");
  std::string model = ReadAttribute(device / "model");
  if (!vendor.empty()) model = model.empty() ? vendor : vendor + " " + model;
  if (model.empty()) model = ReadAttribute(device / "name");
  std::string text = model.empty() ? name : model + " (" + name + ")";
  if (lengthBytes > 0) text += ", " + DecimalSize(lengthBytes);
  return text;
}

}  // namespace vexo
