#include "disk/PrivilegedOpen.h"

namespace vexo {

std::string NoAccessText(const std::string& device, const HelperAnswer& answer) {
  // Advice about udisks2 only where it could not be asked: when it answered, its answer is
  // what the user needs to read.
  return "Cannot open " + device + ": this user may not open it (" + answer.why +
         "). Add yourself to the group disk (sudo usermod -aG disk $USER, then log in again)" +
         (answer.noService ? ", or install udisks2 so that the desktop can ask for your password."
                           : ".");
}

}  // namespace vexo
