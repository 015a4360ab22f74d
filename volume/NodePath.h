#pragma once
// What a node of the volume tree names: its path of node texts, each followed by "\", read as
// a disk number, a drive string and a category. "Removable Drives\Vexo 1 (E:)\Games\" names
// disk 1, drive E: and the category Games; the volume node itself names the blank category.

#include <optional>
#include <string>
#include <vector>

namespace vexo {

struct VolumeNode {
  int disk = -1;
  std::string drive = "?:";
  std::string category;
};

// The texts of the volume tree's drive nodes: "Vexo 2 (E:)" for a card holding a Vexo volume,
// "Removable Disk 3 (F:)" for any other.
std::string VexoNodeText(int disk, const std::string& drive);
std::string RemovableNodeText(int disk, const std::string& drive);

// The path of a node from the texts of the nodes from the root down to it.
std::string NodePath(const std::vector<std::string>& textsFromRoot);

// Nothing when the path is not on a Vexo volume node.
std::optional<VolumeNode> ParseVolumeNodePath(const std::string& path);

}  // namespace vexo
