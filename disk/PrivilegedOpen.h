#pragma once
// Opening a card reader that this user may not open directly: a system service (udisks2 on a
// desktop) opens it on the user's behalf, after asking for their password when it must, and
// hands over the file descriptor.

#include <string>

namespace vexo {

// What the service answered.
struct HelperAnswer {
  int fd = -1;  // the descriptor, or -1
  // Refused because the device is in use (file systems mounted, or held open exclusively by
  // another program), not because this user may not have it.
  bool busy = false;
  // No service could be asked (no system bus, udisks2 not there): installing it would help.
  bool noService = false;
  std::string why;  // the service's own words when it refused
};

class PrivilegedOpener {
 public:
  virtual ~PrivilegedOpener() = default;
  // `device` opened for reading or for exclusive writing.
  virtual HelperAnswer open(const std::string& device, bool writing) = 0;
};

// What to say when neither way opens a device.
std::string NoAccessText(const std::string& device, const HelperAnswer& answer);

}  // namespace vexo
