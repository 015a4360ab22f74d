#pragma once
// A private D-Bus daemon in the place of the system bus, with a fake udisks2 and a fake logind
// on it that answer as the real ones do and record what they were asked. While it lives,
// DBUS_SYSTEM_BUS_ADDRESS leads to it; without dbus-daemon, running() is false.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace vexo::testing {

// A block device as udisks2 publishes it.
struct FakeBlock {
  // The object is /org/freedesktop/UDisks2/block_devices/NAME, for the node /dev/NAME.
  explicit FakeBlock(std::string blockName) : name(std::move(blockName)) {}
  FakeBlock& backedBy(std::string file) { return backingFile = std::move(file), *this; }
  FakeBlock& partitionOf(std::string disk) { return table = std::move(disk), *this; }
  FakeBlock& withFileSystem() { return fileSystem = true, *this; }
  FakeBlock& refusingOpen(std::string error) { return openError = std::move(error), *this; }
  FakeBlock& refusingUnmount(std::string error) { return unmountError = std::move(error), *this; }
  // Mounted or held by another program: opening it for writing fails with EBUSY.
  FakeBlock& used() { return inUse = true, *this; }

  std::string name;
  std::string backingFile;   // what OpenDevice opens
  std::string table;         // a partition's disk, "" for a whole disk
  bool fileSystem = false;   // has the Filesystem interface
  std::string openError;     // the error name OpenDevice answers with, "" to open
  std::string unmountError;  // the error name Unmount answers with, "" to unmount
  bool inUse = false;
};

struct FakeServices {
  FakeServices& withUdisks(std::vector<FakeBlock> published) {
    udisks = true;
    blocks = std::move(published);
    return *this;
  }
  FakeServices& withLogind() { return logind = true, *this; }

  bool udisks = false;
  std::vector<FakeBlock> blocks;
  bool logind = false;
};

// One method call a fake service answered.
struct FakeCall {
  std::string member;   // "OpenDevice", "Unmount", "Inhibit"
  std::string object;   // the block's name for udisks2
  std::vector<std::string> words;  // OpenDevice: mode; Inhibit: what, who, why, mode
  int flags = -1;                  // OpenDevice's "flags" option, -1 when absent
  bool interactive = false;        // the caller lets polkit ask for a password
};

inline std::string UdisksObject(const std::string& name) {
  return "/org/freedesktop/UDisks2/block_devices/" + name;
}

class FakeSystemBus {
 public:
  explicit FakeSystemBus(FakeServices services);
  ~FakeSystemBus();
  FakeSystemBus(const FakeSystemBus&) = delete;
  FakeSystemBus& operator=(const FakeSystemBus&) = delete;

  bool running() const;
  std::vector<FakeCall> calls() const;
  // Whether the n-th inhibitor lock handed out is held now.
  bool lockHeld(std::size_t n) const { return n < lockCount() && !hungUp(n, 0); }
  // Whether it has been let go (its every descriptor closed); waits a while for that.
  bool lockReleased(std::size_t n) const { return n < lockCount() && hungUp(n, 5000); }
  std::size_t lockCount() const;

  struct State;

 private:
  bool hungUp(std::size_t n, int waitMs) const;
  std::unique_ptr<State> state_;
};

}  // namespace vexo::testing
