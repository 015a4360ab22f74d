#pragma once
// One card opened for one `vexo` command: the disk table with the card attached, the sector
// access and the directory copy, all for the length of the command.

#include <memory>
#include <string>

#include "disk/DiskAccess.h"
#include "disk/DiskTable.h"
#include "disk/MountRelease.h"
#include "volume/Directory.h"

namespace vexo {

class CardSession {
 public:
  explicit CardSession(Prompter& prompter);

  // Attaches a card (image file or block device); false after a message when it cannot be.
  bool attach(const std::string& path, int& disk);
  std::string driveOf(int disk) const;

  DiskTable table;
  UnmountReleaser releaser;
  DiskAccess access;
  Directory directory;
  OperationScope operation;
};

}  // namespace vexo
