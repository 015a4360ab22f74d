#pragma once
// The volume and category a transfer writes into.

#include <string>

namespace vexo {

struct VolumeTarget {
  int disk = -1;
  std::string drive;
  std::string category;
};

}  // namespace vexo
