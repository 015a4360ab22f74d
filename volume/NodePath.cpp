#include "volume/NodePath.h"

#include <algorithm>
#include <cctype>

namespace vexo {

std::string VexoNodeText(int disk, const std::string& drive) {
  return "Vexo " + std::to_string(disk) + " (" + drive + ")";
}

std::string RemovableNodeText(int disk, const std::string& drive) {
  return "Removable Disk " + std::to_string(disk) + " (" + drive + ")";
}

std::string WithoutVolume(const std::string& vexoNodeText) {
  return IsVexoNodeText(vexoNodeText) ? "Removable Disk" + vexoNodeText.substr(4) : vexoNodeText;
}

bool IsVexoNodeText(const std::string& text) { return text.rfind("Vexo", 0) == 0; }

bool IsRemovableNodeText(const std::string& text) { return text.rfind("Removable Disk", 0) == 0; }

std::string DriveOfNodeText(const std::string& text) {
  const std::size_t paren = text.find('(');
  return paren == std::string::npos ? std::string() : text.substr(paren + 1, 2);
}

std::optional<DriveNode> ParseDriveNodeText(const std::string& text) {
  DriveNode node;
  node.vexo = IsVexoNodeText(text);
  if (!node.vexo && !IsRemovableNodeText(text)) return std::nullopt;
  // "Removable Disk -1 (H:)" names a reader whose disk could not be found.
  std::string number = text.substr(std::min(text.size(), std::size_t{node.vexo ? 5u : 15u}), 2);
  number.erase(std::remove(number.begin(), number.end(), ' '), number.end());
  const bool negative = !number.empty() && number[0] == '-';
  const std::string digits = negative ? number.substr(1) : number;
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;
  node.disk = std::stoi(number);
  node.drive = DriveOfNodeText(text);
  if (node.drive.size() != 2) return std::nullopt;
  return node;
}

std::string NodePath(const std::vector<std::string>& textsFromRoot) {
  std::string path;
  for (const std::string& text : textsFromRoot) path += text + "\\";
  return path;
}

std::optional<VolumeNode> ParseVolumeNodePath(const std::string& path) {
  const std::size_t slash = path.find('\\');
  if (slash == std::string::npos || path.compare(slash + 1, 4, "Vexo") != 0) return std::nullopt;

  const std::size_t vexo = path.find("Vexo ", slash);
  if (vexo == std::string::npos) return std::nullopt;
  const std::string rest = path.substr(vexo + 5);

  // The disk number: the first two characters, blanks trimmed.
  std::string digits = rest.substr(0, 2);
  digits.erase(std::remove(digits.begin(), digits.end(), ' '), digits.end());
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;

  VolumeNode node;
  node.disk = std::stoi(digits);

  const std::size_t below = rest.find('\\');
  if (below != std::string::npos) {
    node.category = rest.substr(below + 1);
    if (!node.category.empty()) node.category.pop_back();  // the closing "\"
  }

  const std::size_t paren = rest.find('(');
  if (paren == std::string::npos) return std::nullopt;
  node.drive = rest.substr(paren + 1, 2);
  if (node.drive.size() != 2) return std::nullopt;
  return node;
}

}  // namespace vexo
