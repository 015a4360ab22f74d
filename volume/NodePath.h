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

// ---- The texts of drive nodes --------------------------------------------------------------
// Volume tree: "Vexo 2 (E:)" for a card holding a Vexo volume, "Removable Disk 3 (F:)" for any
// other; PC tree: "Removable Disk (E:)", "Local Disk (C:)". Every reader of a node's text goes
// through these: the window finds drives, disk numbers and categories by them.
std::string VexoNodeText(int disk, const std::string& drive);
std::string RemovableNodeText(int disk, const std::string& drive);
// The text of a Vexo node once its card is gone: "Vexo 2 (E:)" becomes "Removable Disk 2 (E:)".
std::string WithoutVolume(const std::string& vexoNodeText);

// Decided by how a text begins, as the node texts were made.
bool IsVexoNodeText(const std::string& text);       // "Vexo…"
bool IsRemovableNodeText(const std::string& text);  // "Removable Disk…"

// The drive string of any drive node: the two characters after its first "(" ("" without one).
std::string DriveOfNodeText(const std::string& text);

// A volume-tree drive node: its disk number (two characters after "Vexo " or "Removable Disk ",
// blanks trimmed) and drive string. Nothing for any other text.
struct DriveNode {
  int disk = -1;
  std::string drive;
  bool vexo = false;
};
std::optional<DriveNode> ParseDriveNodeText(const std::string& text);

// The path of a node from the texts of the nodes from the root down to it.
std::string NodePath(const std::vector<std::string>& textsFromRoot);

// Nothing when the path is not on a Vexo volume node.
std::optional<VolumeNode> ParseVolumeNodePath(const std::string& path);

}  // namespace vexo
