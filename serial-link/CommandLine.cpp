#include "serial-link/CommandLine.h"

#include <QStringList>

namespace tovrin {

LinkSettings ParseCommandLine(const QString& commandLine) {
  const QStringList words = commandLine.split(' ', Qt::SkipEmptyParts);
  const QString first = words.value(0);
  LinkSettings link;
  link.speedText = words.value(2);
  qsizetype digits = 0;
  while (digits < link.speedText.size() && link.speedText[digits].isDigit() &&
         link.speedText[digits].unicode() < 128)
    ++digits;
  const qint64 baud = link.speedText.left(digits).toLongLong();
  link.baud = digits == 0 || baud > 0x7FFFFFFF ? 0 : static_cast<qint32>(baud);

  if (first.startsWith('/')) {
    link.portName = first;
    link.device = first;
    return link;
  }
  link.portName = "COM" + first;
  bool ok = false;
  const int number = first.toInt(&ok);
  // COM1 is the first serial port, /dev/ttyS0; anything else names no device.
  link.device = ok && number >= 1 ? "/dev/ttyS" + QString::number(number - 1) : QString();
  return link;
}

}  // namespace tovrin
