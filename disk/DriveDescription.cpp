#include "disk/DriveDescription.h"

#include <cstdio>
#include <fstream>

#include "disk/DiskTable.h"

namespace vexo {
namespace {

std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\n' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

std::string FirstLine(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return Trimmed(line);
}

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

std::string DescribeDrive(const Drive& drive, std::uint64_t lengthBytes,
                          const std::string& sysClassBlock) {
  const std::string name = BaseName(drive.path);
  if (drive.device && drive.device->isImageFile()) return name;
  const std::string device = sysClassBlock + "/" + name + "/device/";
  // USB and SCSI readers name a vendor and a model; an SD slot names the card itself.
  std::string model = Trimmed(FirstLine(device + "vendor") + " " + FirstLine(device + "model"));
  if (model.empty()) model = FirstLine(device + "name");
  std::string text = model.empty() ? name : model + " (" + name + ")";
  if (lengthBytes > 0) text += ", " + DecimalSize(lengthBytes);
  return text;
}

}  // namespace vexo
