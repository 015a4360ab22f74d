#pragma once
// Opening a card reader that this user may not open directly: a system service (udisks2 on a
// desktop) opens it on the user's behalf, after asking for their password when it must, and
// hands over the file descriptor.

#include <string>

namespace vexo {

class PrivilegedOpener {
 public:
  virtual ~PrivilegedOpener() = default;
  // A descriptor of `device` opened for reading or for exclusive writing, or -1 with the
  // reason in `why`.
  virtual int open(const std::string& device, bool writing, std::string& why) = 0;
};

// What to say when neither way opens a device.
std::string NoAccessText(const std::string& device, const std::string& serviceAnswer);

}  // namespace vexo
