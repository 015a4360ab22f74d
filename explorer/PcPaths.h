#pragma once
// PC paths in the drive-letter form the window works with, and the Linux paths behind them:
// C:\home\ann\cards\ is /home/ann/cards/; a removable drive's letter leads to its mount point.

#include <QString>
#include <QStringList>

#include "disk/DiskTable.h"

namespace vexo {

// The local folder behind a PC path; "" when its drive has no folder on this machine.
QString ToLocalPath(const DiskTable& table, const QString& pcPath);
// The PC path of a local absolute path, through the drive whose folder holds it (the longest
// mount point wins); C: holds everything else.
QString ToPcPath(const DiskTable& table, const QString& localPath);

// The logical drive roots, "C:\" first and then every attached card's letter.
QStringList LogicalDriveRoots(const DiskTable& table);

}  // namespace vexo
