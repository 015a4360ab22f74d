#pragma once
// udisks2 over the system D-Bus: it opens card readers for a user who may not open them, after
// polkit has asked for their password, and unmounts a card's file systems. Where no system bus
// runs, every call says so at once.

#include <string>

#include "disk/MountRelease.h"
#include "disk/PrivilegedOpen.h"

namespace vexo {

class UdisksOpener : public PrivilegedOpener {
 public:
  HelperAnswer open(const std::string& device, bool writing) override;
};

// Unmounts through udisks2 where it runs, else with umount2.
class UdisksReleaser : public MountReleaser {
 public:
  bool hasMounts(const std::string& device) override { return fallback_.hasMounts(device); }
  ReleaseResult release(const std::string& device) override;

 private:
  UnmountReleaser fallback_;
};

}  // namespace vexo
