#pragma once
// The disks this run knows, by disk number and drive letter. C: is the root file system and
// its disk is disk 0, which is never written. Card readers and card images get 1, 2, … and the
// letters E:, F:, … in the order first seen, and keep them for the run.

#include <memory>
#include <string>
#include <vector>

#include "disk/SectorDevice.h"

namespace vexo {

class PrivilegedOpener;

struct Drive {
  int number = -1;
  char letter = '?';
  std::string path;        // device node or image file; "" when the disk cannot be reached
  bool removable = false;
  std::string label;
  std::string mountPoint;  // where PC paths under this letter lead ("/" for C:)
  std::shared_ptr<SectorDevice> device;

  std::string driveString() const { return {letter, ':'}; }
};

class DiskTable {
 public:
  static constexpr int kMaxDisks = 100;  // disk numbers are two digits in the volume tree

  // C: for "/" with disk 0 behind it; `systemDisk` may be null when it cannot be reached.
  explicit DiskTable(std::shared_ptr<SectorDevice> systemDisk = nullptr);
  // The table of this machine: disk 0 is the block device that holds /.
  static DiskTable ForThisMachine();

  // Attaches a card image file or a card reader's block device and returns its disk number;
  // the same path gives the same number. A device of the system's own disks is disk 0.
  // Returns -1 with a reason when the table is full or the path is neither kind.
  int Attach(const std::string& path, std::string* whyNot = nullptr);
  // Who opens card readers that this user may not open directly (may be null).
  void setPrivilegedOpener(PrivilegedOpener* helper) { helper_ = helper; }

  // Attaches a device made elsewhere (tests).
  int AttachDevice(std::shared_ptr<SectorDevice> device, std::string label = {});

  // The disk number of an attached path, without attaching it; -1 when it is not attached.
  int Find(const std::string& path) const;

  const Drive* ByNumber(int number) const;
  const Drive* ByLetter(char letter) const;
  const std::vector<Drive>& drives() const { return drives_; }

 private:
  int add(std::shared_ptr<SectorDevice> device, std::string path, std::string label);

  std::vector<Drive> drives_;
  PrivilegedOpener* helper_ = nullptr;
};

}  // namespace vexo
