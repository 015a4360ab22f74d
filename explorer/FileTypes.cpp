#include "explorer/FileTypes.h"

#include <QDateTime>
#include <QLocale>
#include <QMimeDatabase>

#include "explorer/ImageList.h"
#include "transfer/FileKind.h"

namespace vexo {

QString LowerExtensionOf(const QString& name) {
  return QString::fromStdString(LowerExtension(name.toStdString()));
}

QString FileTypeText(const QFileInfo& file) {
  if (!file.isDir()) {
    const QString ext = LowerExtensionOf(file.fileName());
    if (ext == ".vxe") return "Vexo Program";
    if (ext == ".pdata") return "Vexo SM File";
    if (ext == ".gci") return "Vexo Graphics";
    if (ext == ".vexoimage") return "Vexo Image";
  }
  static const QMimeDatabase mime;
  return mime.mimeTypeForFile(file).comment();
}

int FileImage(const QFileInfo& file) {
  if (file.isDir()) return kImageFolder;
  const QString ext = LowerExtensionOf(file.fileName());
  if (ext == ".pdata") return kImageSmFile;
  if (ext == ".vxe") return kImageEntry;
  if (ext == ".vexoimage") return kImageArchive;
  if (ext == ".gci") return kImageGraphics;
  return -1;
}

bool IsListedFileName(const QString& name) {
  const QString ext = LowerExtensionOf(name);
  return ext == ".pdata" || ext == ".vxe" || ext == ".vexoimage" || ext == ".gci";
}

qint32 SizeSortNumber(const QFileInfo& file) {
  return file.isDir() ? 0 : static_cast<qint32>(static_cast<quint32>(file.size() & 0xFFFFFFFF));
}

qint32 DateSortNumber(const QDateTime& t) {
  const QDate d = t.date();
  const QTime c = t.time();
  const quint32 date = static_cast<quint32>(((d.year() - 1980) & 0x7F) << 9 | d.month() << 5 | d.day());
  const quint32 time = static_cast<quint32>(c.hour() << 11 | c.minute() << 5 | c.second() / 2);
  return static_cast<qint32>(date << 16 | time);
}

QString DateText(const QDateTime& t) {
  const QLocale locale;
  QString text = locale.toString(t.date(), QLocale::ShortFormat);
  // The long time without the zone, as a clock shows it.
  QString clock = locale.timeFormat(QLocale::LongFormat);
  clock.remove(QLatin1Char('t'));
  if (t.time() != QTime(0, 0)) text += " " + locale.toString(t.time(), clock.trimmed());
  return text;
}

}  // namespace vexo
