#include "explorer/PcPaths.h"

namespace vexo {
namespace {

QString MountOf(const DiskTable& table, QChar letter) {
  const Drive* drive = table.ByLetter(static_cast<char>(letter.toUpper().toLatin1()));
  return drive ? QString::fromStdString(drive->mountPoint) : QString();
}

}  // namespace

QString ToLocalPath(const DiskTable& table, const QString& pcPath) {
  if (pcPath.size() < 2 || pcPath[1] != ':') return {};
  QString mount = MountOf(table, pcPath[0]);
  if (mount.isEmpty()) return {};
  QString rest = pcPath.mid(2);
  rest.replace('\\', '/');
  if (mount.endsWith('/')) mount.chop(1);
  if (!rest.startsWith('/')) rest.prepend('/');
  return mount + rest;
}

QString ToPcPath(const DiskTable& table, const QString& localPath) {
  QChar letter = 'C';
  QString mount = "/";
  for (const Drive& drive : table.drives()) {
    const QString point = QString::fromStdString(drive.mountPoint);
    if (point.isEmpty() || point == "/") continue;
    const QString withSlash = point.endsWith('/') ? point : point + '/';
    if ((localPath == point || localPath.startsWith(withSlash)) && point.size() > mount.size()) {
      letter = QChar(drive.letter);
      mount = point;
    }
  }
  QString rest = mount == "/" ? localPath : localPath.mid(mount.size());
  rest.replace('/', '\\');
  if (!rest.startsWith('\\')) rest.prepend('\\');
  return QString(letter) + ':' + rest;
}

QStringList LogicalDriveRoots(const DiskTable& table) {
  QStringList roots;
  for (const Drive& drive : table.drives()) roots << QString(QChar(drive.letter)) + ":\\";
  return roots;
}

}  // namespace vexo
