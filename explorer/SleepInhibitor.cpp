#include "explorer/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace vexo {

SleepInhibitor::SleepInhibitor() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  QDBusInterface login("org.freedesktop.login1", "/org/freedesktop/login1",
                       "org.freedesktop.login1.Manager", bus);
  if (!login.isValid()) return;
  QDBusReply<QDBusUnixFileDescriptor> lock =
      login.call("Inhibit", "sleep", "VexoExplorer", "Writing a card", "block");
  if (lock.isValid() && lock.value().isValid())
    fd_ = ::fcntl(lock.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

SleepInhibitor::~SleepInhibitor() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor ends the inhibition
}

}  // namespace vexo
