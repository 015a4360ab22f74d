#include "explorer/UdisksAccess.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

namespace vexo {
namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr int kPasswordTimeoutMs = 5 * 60 * 1000;  // long enough to answer the password prompt

}  // namespace

QString UdisksObjectOf(const QString& device, QString& why) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    why = "no system bus is running";
    return {};
  }
  QDBusInterface manager(kService, "/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager", bus);
  if (!manager.isValid()) {
    why = "udisks2 does not run";
    return {};
  }
  QVariantMap spec{{"path", device}};
  QDBusReply<QList<QDBusObjectPath>> reply = manager.call("ResolveDevice", spec, QVariantMap());
  if (!reply.isValid() || reply.value().isEmpty()) {
    why = reply.isValid() ? "udisks2 does not know the device" : reply.error().message();
    return {};
  }
  return reply.value().front().path();
}

int UdisksOpener::open(const std::string& device, bool writing, std::string& why) {
  QString reason;
  const QString object = UdisksObjectOf(QString::fromStdString(device), reason);
  if (object.isEmpty()) {
    why = reason.toStdString();
    return -1;
  }
  QDBusInterface block(kService, object, "org.freedesktop.UDisks2.Block", QDBusConnection::systemBus());
  block.setTimeout(kPasswordTimeoutMs);
  QVariantMap options;
  if (writing) options["flags"] = O_EXCL;
  QDBusReply<QDBusUnixFileDescriptor> reply = block.call("OpenDevice", writing ? "rw" : "r", options);
  if (!reply.isValid() || !reply.value().isValid()) {
    why = reply.error().message().toStdString();
    if (why.empty()) why = "udisks2 gave no descriptor";
    return -1;
  }
  return ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

ReleaseResult UdisksReleaser::release(const std::string& device) {
  QString why;
  if (UdisksObjectOf(QString::fromStdString(device), why).isEmpty()) return fallback_.release(device);
  // The file systems are on the disk's partitions (or on the disk itself): unmount each.
  ReleaseResult result;
  QDBusInterface manager(kService, "/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager",
                         QDBusConnection::systemBus());
  QDBusReply<QList<QDBusObjectPath>> all = manager.call("GetBlockDevices", QVariantMap());
  if (!all.isValid()) return fallback_.release(device);
  const QString disk = UdisksObjectOf(QString::fromStdString(device), why);
  for (const QDBusObjectPath& path : all.value()) {
    QDBusInterface partition(kService, path.path(), "org.freedesktop.UDisks2.Partition", QDBusConnection::systemBus());
    const bool onDisk = path.path() == disk ||
                        (partition.isValid() && partition.property("Table").value<QDBusObjectPath>().path() == disk);
    if (!onDisk) continue;
    QDBusInterface filesystem(kService, path.path(), "org.freedesktop.UDisks2.Filesystem", QDBusConnection::systemBus());
    if (!filesystem.isValid()) continue;
    filesystem.setTimeout(kPasswordTimeoutMs);
    const QDBusMessage reply = filesystem.call("Unmount", QVariantMap());
    if (reply.type() == QDBusMessage::ErrorMessage &&
        !reply.errorName().endsWith("NotMounted"))
      result.dismounted = false;
  }
  if (!result.dismounted) return fallback_.release(device);  // umount2 may still do it (root)
  return result;
}

}  // namespace vexo
