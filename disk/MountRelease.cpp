#include "disk/MountRelease.h"

#include <sys/mount.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexo {
namespace {

std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string octal = field.substr(i + 1, 3);
      if (std::all_of(octal.begin(), octal.end(),
                                           [](char c) { return c >= '0' && c <= '7'; })) {
        out += static_cast<char>(std::stoi(octal, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::vector<std::string> MountPointsOf(const std::string& node) {
  const dev_t device = BlockDeviceNumber(node);
  if (device == 0) return {};
  const std::vector<std::string> numbers = DeviceNumbersWithPartitions(device);
  std::vector<std::string> points;
  for (const MountRecord& record : ParseMountInfo(ReadFile("/proc/self/mountinfo"))) {
    if (std::find(numbers.begin(), numbers.end(), record.device) != numbers.end())
      points.push_back(record.mountPoint);
  }
  return points;
}

}  // namespace

std::vector<MountRecord> ParseMountInfo(const std::string& text) {
  std::vector<MountRecord> records;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    if (fields >> id >> parent >> device >> root >> mountPoint)
      records.push_back({device, Unescape(mountPoint)});
  }
  return records;
}

std::vector<std::string> DeviceNumbersWithPartitions(dev_t device, const std::string& sysfs) {
  namespace fs = std::filesystem;
  std::vector<std::string> numbers{DeviceNumberText(device)};
  const fs::path folder = BlockDeviceFolder(device, sysfs);
  if (folder.empty()) return numbers;
  std::error_code ec;
  for (const auto& child : fs::directory_iterator(folder, ec)) {
    if (IsPartitionFolder(child.path())) numbers.push_back(ReadAttribute(child.path() / "dev"));
  }
  return numbers;
}

bool UnmountReleaser::hasMounts(const std::string& device) { return !MountPointsOf(device).empty(); }

ReleaseResult UnmountReleaser::release(const std::string& device) {
  ReleaseResult result;
  std::ifstream probe("/proc/self/mountinfo");
  if (!probe) return {false, false};
  std::vector<std::string> points = MountPointsOf(device);
  // Deepest first, so that a file system mounted inside another goes before it.
  std::sort(points.begin(), points.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& point : points) {
    if (::umount2(point.c_str(), 0) != 0) result.dismounted = false;
  }
  return result;
}

}  // namespace vexo
