#include "disk/PrivilegedOpen.h"

namespace vexo {

std::string NoAccessText(const std::string& device, const std::string& serviceAnswer) {
  return "Cannot open " + device + ": this user may not open it (" + serviceAnswer +
         "). Add yourself to the group disk (sudo usermod -aG disk $USER, then log in again), or "
         "install udisks2 so that the desktop can ask for your password.";
}

}  // namespace vexo
