#pragma once
// What the volume-tree and entry-list selection names: the volume, the category and the
// entry a command works on.

#include <string>

namespace vexo {

inline constexpr int kNoEntrySelected = -1;

struct Selection {
  int disk = -1;
  std::string drive = "?:";
  std::string category;
  std::string filename;
  int entry = kNoEntrySelected;  // 1 to 512; 513 when the selected name was not found
};

}  // namespace vexo
