#include "disk/DiskTable.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "disk/BlockDevice.h"
#include "disk/ImageFileDevice.h"
#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"

namespace vexo {
namespace {

constexpr char kFirstCardLetter = 'E';

std::string AbsolutePath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // an image that is not there (yet) keeps its name
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace

DiskTable::DiskTable(std::shared_ptr<SectorDevice> systemDisk) {
  Drive system;
  system.number = 0;
  system.letter = 'C';
  system.mountPoint = "/";
  if (systemDisk) system.path = systemDisk->path();
  system.device = std::move(systemDisk);
  drives_.push_back(std::move(system));
}

DiskTable DiskTable::ForThisMachine() {
  std::string node = RootDiskNode();
  return DiskTable(node.empty() ? nullptr : std::make_shared<BlockDevice>(node));
}

int DiskTable::Attach(const std::string& path, std::string* whyNot) {
  const std::string absolute = AbsolutePath(path);
  for (const Drive& drive : drives_) {
    if (!drive.path.empty() && drive.path == absolute) return drive.number;
  }
  struct stat st {};
  const bool exists = ::stat(absolute.c_str(), &st) == 0;
  if (exists && S_ISBLK(st.st_mode)) {
    if (IsSystemDevice(absolute)) return 0;
    // Only card readers (and loop devices) are cards: a fixed disk is never written.
    if (!MayHoldACard(absolute)) {
      if (whyNot) *whyNot = path + " is not a removable disk; only card readers hold Vexo cards";
      return -1;
    }
    return add(std::make_shared<BlockDevice>(absolute, helper_), absolute, {});
  }
  if (exists && !S_ISREG(st.st_mode)) {
    if (whyNot) *whyNot = path + " is neither a card image file nor a block device";
    return -1;
  }
  // A regular file, or one that is not there: an image, like a reader that has no card in it.
  int number = add(std::make_shared<ImageFileDevice>(absolute), absolute, {});
  if (number < 0 && whyNot) *whyNot = "Too many cards are attached";
  return number;
}

int DiskTable::AttachDevice(std::shared_ptr<SectorDevice> device, std::string label) {
  std::string path = device->path();
  return add(std::move(device), std::move(path), std::move(label));
}

int DiskTable::add(std::shared_ptr<SectorDevice> device, std::string path, std::string label) {
  const int number = static_cast<int>(drives_.size());
  const int letter = kFirstCardLetter + number - 1;
  if (number >= kMaxDisks || letter > 'Z') return -1;
  Drive drive;
  drive.number = number;
  drive.letter = static_cast<char>(letter);
  drive.path = std::move(path);
  drive.removable = true;
  drive.label = std::move(label);
  drive.device = std::move(device);
  drives_.push_back(std::move(drive));
  return number;
}

int DiskTable::Find(const std::string& path) const {
  const std::string absolute = AbsolutePath(path);
  for (const Drive& drive : drives_) {
    if (!drive.path.empty() && (drive.path == absolute || drive.path == path)) return drive.number;
  }
  return -1;
}

const Drive* DiskTable::ByNumber(int number) const {
  if (number < 0 || number >= static_cast<int>(drives_.size())) return nullptr;
  return &drives_[static_cast<std::size_t>(number)];
}

const Drive* DiskTable::ByLetter(char letter) const {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const Drive& drive : drives_) {
    if (drive.letter == upper) return &drive;
  }
  return nullptr;
}

}  // namespace vexo
