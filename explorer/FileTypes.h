#pragma once
// The "Type" text of the PC file list: own names for the four Vexo kinds, the MIME database's
// description for everything else.

#include <QFileInfo>
#include <QString>

namespace vexo {

// The extension as the core reads it: from the last "." on, A to Z lowered.
QString LowerExtensionOf(const QString& name);

QString FileTypeText(const QFileInfo& file);
// The image of a PC file list item by its kind; -1 for none.
int FileImage(const QFileInfo& file);
// Whether the PC file list shows a file of this name.
bool IsListedFileName(const QString& name);

// The hidden sort numbers: the low 32 bits of the size, and the packed local date-time.
qint32 SizeSortNumber(const QFileInfo& file);
qint32 DateSortNumber(const QDateTime& localTime);
// "Date Modified": the user's short date, a blank and the long time (no time at midnight).
QString DateText(const QDateTime& localTime);

}  // namespace vexo
