#pragma once
// The system D-Bus through sd-bus, for the few calls that udisks2 and logind answer. Where no
// system bus runs, connecting fails at once, so nothing waits for an answer that cannot come.

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>
#include <string>

namespace vexo {

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusMessage = std::unique_ptr<sd_bus_message, MessageUnref>;

struct BusMethod {
  const char* service;
  std::string object;
  const char* interface;
  const char* member;
};

// A quick answer, or one that may wait while polkit asks the person for their password.
enum class BusWait { Answer, Password };

// Why a call failed: the D-Bus error's name ("" for a failure on this side) and its text.
struct BusFailure {
  std::string name;
  std::string text;
};

class SystemBus {
 public:
  SystemBus();
  SystemBus(const SystemBus&) = delete;
  SystemBus& operator=(const SystemBus&) = delete;
  bool connected() const { return bus_ != nullptr; }

  // Calls `method` with arguments in sd-bus's notation (`types` then the values); the reply, or
  // null with the failure.
  template <typename... Args>
  BusMessage call(const BusMethod& method, BusWait wait, BusFailure& failure, const char* types,
                  Args... args) {
    BusMessage request = newCall(method, wait, failure);
    if (!request) return nullptr;
    if (const int r = sd_bus_message_append(request.get(), types, args...); r < 0) {
      failure = {"", LocalFailureText(r)};
      return nullptr;
    }
    return send(std::move(request), wait, failure);
  }

  // A property's value, with the reply positioned inside the variant; null with the failure.
  BusMessage property(const BusMethod& property, const char* type, BusFailure& failure);

 private:
  static std::string LocalFailureText(int negativeErrno);
  BusMessage newCall(const BusMethod& method, BusWait wait, BusFailure& failure);
  BusMessage send(BusMessage request, BusWait wait, BusFailure& failure);

  struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
  };
  std::unique_ptr<sd_bus, BusUnref> bus_;
};

// Takes over a descriptor that a reply carries ("h"): a copy that outlives the reply, or -1.
int TakeDescriptor(sd_bus_message* reply);

}  // namespace vexo
