#pragma once
// The drive node texts of volume/NodePath.h for the window's QStrings: "Vexo 2 (E:)",
// "Removable Disk 3 (F:)", "Local Disk (C:)". No rule of them lives here.

#include <QString>

namespace vexo {

QString DriveOfNodeText(const QString& text);
bool IsVexoNodeText(const QString& text);
bool IsRemovableNodeText(const QString& text);
QString VexoNodeText(int disk, const QString& drive);
QString RemovableNodeText(int disk, const QString& drive);
QString WithoutVolume(const QString& vexoNodeText);

// Disk number and drive string of a volume-tree drive node; false for any other text.
bool ParseDriveNodeText(const QString& text, int& disk, QString& drive);

}  // namespace vexo
