#include "explorer/NodeTexts.h"

#include "volume/NodePath.h"

namespace vexo {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QString DriveOfNodeText(const QString& text) { return Q(DriveOfNodeText(text.toStdString())); }

bool IsVexoNodeText(const QString& text) { return IsVexoNodeText(text.toStdString()); }

bool IsRemovableNodeText(const QString& text) { return IsRemovableNodeText(text.toStdString()); }

QString VexoNodeText(int disk, const QString& drive) { return Q(VexoNodeText(disk, drive.toStdString())); }

QString RemovableNodeText(int disk, const QString& drive) {
  return Q(RemovableNodeText(disk, drive.toStdString()));
}

QString WithoutVolume(const QString& vexoNodeText) { return Q(WithoutVolume(vexoNodeText.toStdString())); }

bool ParseDriveNodeText(const QString& text, int& disk, QString& drive) {
  const std::optional<DriveNode> node = ParseDriveNodeText(text.toStdString());
  if (!node) return false;
  disk = node->disk;
  drive = Q(node->drive);
  return true;
}

}  // namespace vexo
