#include "explorer/NodeTexts.h"

namespace vexo {

QString DriveOfNodeText(const QString& text) {
  const qsizetype paren = text.indexOf('(');
  return paren < 0 ? QString() : text.mid(paren + 1, 2);
}

bool ParseDriveNodeText(const QString& text, int& disk, QString& drive) {
  // The number stands after "Removable Disk " or after "Vexo ", two characters at most.
  const bool removable = text.startsWith("Removable Disk");
  if (!removable && !text.startsWith("Vexo")) return false;
  bool ok = false;
  disk = (removable ? text.mid(15, 2) : text.mid(5, 2)).trimmed().toInt(&ok);
  drive = DriveOfNodeText(text);
  return ok && drive.size() == 2;
}

}  // namespace vexo
