#include "disk/Sysfs.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

namespace vexo {

namespace fs = std::filesystem;

std::string DeviceNumberText(dev_t device) {
  return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

fs::path BlockDeviceFolder(dev_t device, const std::string& sysfs) {
  std::error_code ec;
  fs::path folder = fs::canonical(sysfs + "/dev/block/" + DeviceNumberText(device), ec);
  return ec ? fs::path() : folder;
}

dev_t BlockDeviceNumber(const std::string& node) {
  struct stat st {};
  if (::stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return 0;
  return st.st_rdev;
}

std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  while (!line.empty() && blank(line.back())) line.pop_back();
  std::size_t start = 0;
  while (start < line.size() && blank(line[start])) ++start;
  return line.substr(start);
}

dev_t ReadDeviceNumber(const fs::path& folder) {
  std::ifstream in(folder / "dev");
  unsigned maj = 0, min = 0;
  char colon = 0;
  if (!(in >> maj >> colon >> min) || colon != ':') return 0;
  return makedev(maj, min);
}

bool IsPartitionFolder(const fs::path& folder) {
  std::error_code ec;
  return fs::exists(folder / "partition", ec);
}

}  // namespace vexo
