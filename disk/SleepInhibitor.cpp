#include "disk/SleepInhibitor.h"

#include <unistd.h>

#include "disk/SystemBus.h"

namespace vexo {

SleepInhibitor::SleepInhibitor() {
  SystemBus bus;
  BusFailure failure;
  const BusMessage lock = bus.call(
      {"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Inhibit"},
      BusWait::Answer, failure, "ssss", "sleep", "VexoExplorer", "Writing a card", "block");
  fd_ = TakeDescriptor(lock.get());
}

SleepInhibitor::~SleepInhibitor() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor ends the inhibition
}

}  // namespace vexo
