#pragma once
// A card reader whose direct open is refused, as for a user outside the group disk: every way
// in goes through the helper it is given.

#include <cerrno>

#include "disk/BlockDevice.h"

namespace vexo::testing {

class RefusedBlockDevice : public BlockDevice {
 public:
  using BlockDevice::BlockDevice;
  int directOpens = 0;

 protected:
  int rawOpen(const char*, int) override {
    ++directOpens;
    errno = EACCES;
    return -1;
  }
};

}  // namespace vexo::testing
