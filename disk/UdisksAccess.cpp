#include "disk/UdisksAccess.h"

#include <fcntl.h>

#include <vector>

#include "disk/SystemBus.h"

namespace vexo {
namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kManager = "/org/freedesktop/UDisks2/Manager";
constexpr const char* kNotRunning = "udisks2 does not run";

bool IsError(const BusFailure& failure, const char* suffix) {
  const std::string end(suffix);
  return failure.name.size() >= end.size() &&
         failure.name.compare(failure.name.size() - end.size(), end.size(), end) == 0;
}

// Object paths from a reply of type "ao".
std::vector<std::string> ObjectPaths(sd_bus_message* reply) {
  std::vector<std::string> paths;
  if (sd_bus_message_enter_container(reply, 'a', "o") <= 0) return paths;
  const char* path = nullptr;
  while (sd_bus_message_read(reply, "o", &path) > 0) paths.emplace_back(path);
  sd_bus_message_exit_container(reply);
  return paths;
}

// The udisks2 object of a device node, "" when there is none (or no bus); `why` says why.
std::string UdisksObjectOf(SystemBus& bus, const std::string& device, std::string& why) {
  if (!bus.connected()) {
    why = "no system bus is running";
    return {};
  }
  BusFailure failure;
  const BusMessage reply =
      bus.call({kService, kManager, "org.freedesktop.UDisks2.Manager", "ResolveDevice"}, BusWait::Answer,
               failure, "a{sv}a{sv}", 1, "path", "s", device.c_str(), 0);
  if (!reply) {
    why = IsError(failure, ".ServiceUnknown") ? kNotRunning : failure.text;
    return {};
  }
  const std::vector<std::string> objects = ObjectPaths(reply.get());
  if (objects.empty()) why = "udisks2 does not know the device";
  return objects.empty() ? std::string() : objects.front();
}

// The disk a partition object belongs to, "" for a block device that is no partition.
std::string PartitionTableOf(SystemBus& bus, const std::string& object) {
  BusFailure failure;
  const BusMessage reply =
      bus.property({kService, object, "org.freedesktop.UDisks2.Partition", "Table"}, "o", failure);
  const char* table = nullptr;
  if (!reply || sd_bus_message_read(reply.get(), "o", &table) <= 0) return {};
  return table;
}

// udisks2 has no error name of its own for a device in use: it answers Failed with the system's
// text for EBUSY from its open(2). The mount table tells the same where that text differs.
bool RefusedAsBusy(const BusFailure& failure, const std::string& device) {
  if (!IsError(failure, ".Failed") || failure.text.find("Error opening device") == std::string::npos)
    return false;
  return failure.text.find("Device or resource busy") != std::string::npos ||
         UnmountReleaser().hasMounts(device);
}

}  // namespace

HelperAnswer UdisksOpener::open(const std::string& device, bool writing) {
  HelperAnswer answer;
  SystemBus bus;
  const std::string object = UdisksObjectOf(bus, device, answer.why);
  if (object.empty()) {
    answer.noService = !bus.connected() || answer.why == kNotRunning;
    return answer;
  }
  const BusMethod openDevice{kService, object, "org.freedesktop.UDisks2.Block", "OpenDevice"};
  BusFailure failure;
  // Writing asks for O_EXCL, as a direct open would: the kernel then refuses a mounted card.
  const BusMessage reply =
      writing ? bus.call(openDevice, BusWait::Password, failure, "sa{sv}", "rw", 1, "flags", "i", O_EXCL)
              : bus.call(openDevice, BusWait::Password, failure, "sa{sv}", "r", 0);
  answer.fd = TakeDescriptor(reply.get());
  if (answer.fd >= 0) return answer;
  answer.why = reply ? "udisks2 gave no descriptor" : failure.text;
  answer.busy = writing && !reply && RefusedAsBusy(failure, device);
  return answer;
}

ReleaseResult UdisksReleaser::release(const std::string& device) {
  SystemBus bus;
  std::string why;
  const std::string disk = UdisksObjectOf(bus, device, why);
  if (disk.empty()) return fallback_.release(device);
  BusFailure failure;
  const BusMessage all = bus.call({kService, kManager, "org.freedesktop.UDisks2.Manager", "GetBlockDevices"},
                                  BusWait::Answer, failure, "a{sv}", 0);
  if (!all) return fallback_.release(device);
  // The file systems are on the disk's partitions (or on the disk itself): unmount each.
  ReleaseResult result;
  for (const std::string& block : ObjectPaths(all.get())) {
    if (block != disk && PartitionTableOf(bus, block) != disk) continue;
    if (bus.call({kService, block, "org.freedesktop.UDisks2.Filesystem", "Unmount"}, BusWait::Password,
                 failure, "a{sv}", 0))
      continue;
    const bool noFileSystem = IsError(failure, ".UnknownMethod") || IsError(failure, ".UnknownInterface") ||
                              IsError(failure, ".UnknownObject");
    if (!noFileSystem && !IsError(failure, ".NotMounted")) result.dismounted = false;
  }
  if (!result.dismounted) return fallback_.release(device);  // umount2 may still do it (root)
  return result;
}

}  // namespace vexo
