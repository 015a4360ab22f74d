#pragma once
// One card opened for one `vexo` command: the disk table with the card attached, the sector
// access and the directory copy, all for the length of the command. Card readers this user may
// not open, and their file systems, go through udisks2, as in the window; while the command
// writes, the machine stays awake.

#include <memory>
#include <string>

#include "disk/DiskAccess.h"
#include "disk/DiskTable.h"
#include "cli/Commands.h"
#include "disk/UdisksAccess.h"
#include "transfer/Timestamp.h"
#include "transfer/TransferBuffers.h"
#include "volume/Directory.h"

namespace vexo {

// What `vexo` says when a named entry is not on the card.
std::string NoSuchEntryText(const std::string& name, const std::string& category);

class CardSession {
 public:
  explicit CardSession(CommandIo& io);

  // Attaches a card (image file or block device) without reading it; false after a message.
  bool openDisk(const std::string& path);
  // Attaches a card and loads its directory; false after a message when it holds no volume.
  bool openVolume(const std::string& path);

  // The card opened last.
  int disk = -1;
  std::string drive;

  UdisksOpener opener;
  DiskTable table;
  RegionalSeparators separators = SeparatorsOfCurrentLocale();
  TransferBuffers buffers;
  UdisksReleaser releaser;
  DiskAccess access;
  Directory directory;
  OperationScope operation;
};

}  // namespace vexo
