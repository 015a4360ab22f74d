#pragma once
// What the window reads from its drive nodes' texts: "Vexo 2 (E:)", "Removable Disk 3 (F:)",
// "Local Disk (C:)". The drive string is the two characters after the first "(".

#include <QString>

namespace vexo {

QString DriveOfNodeText(const QString& text);

// Disk number and drive string of a volume-tree drive node; false for any other text.
bool ParseDriveNodeText(const QString& text, int& disk, QString& drive);

}  // namespace vexo
