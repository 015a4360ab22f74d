#include "disk/SystemBus.h"

#include <fcntl.h>

#include <cstring>

namespace vexo {
namespace {

// Long enough for a person to read polkit's question and type their password.
constexpr std::uint64_t kPasswordTimeoutUs = 5ull * 60 * 1000 * 1000;

BusFailure FailureOf(const sd_bus_error& error, int r) {
  if (sd_bus_error_is_set(&error)) return {error.name, error.message ? error.message : error.name};
  return {"", std::strerror(-r)};
}

}  // namespace

SystemBus::SystemBus() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) >= 0) bus_.reset(bus);
}

std::string SystemBus::LocalFailureText(int negativeErrno) { return std::strerror(-negativeErrno); }

BusMessage SystemBus::newCall(const BusMethod& method, BusWait wait, BusFailure& failure) {
  if (!bus_) {
    failure = {"", "no system bus is running"};
    return nullptr;
  }
  sd_bus_message* request = nullptr;
  const int r = sd_bus_message_new_method_call(bus_.get(), &request, method.service,
                                               method.object.c_str(), method.interface, method.member);
  if (r < 0) {
    failure = {"", LocalFailureText(r)};
    return nullptr;
  }
  sd_bus_message_set_allow_interactive_authorization(request, wait == BusWait::Password);
  return BusMessage(request);
}

BusMessage SystemBus::send(BusMessage request, BusWait wait, BusFailure& failure) {
  sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
  sd_bus_message* reply = nullptr;
  const int r = sd_bus_call(bus_.get(), request.get(), wait == BusWait::Password ? kPasswordTimeoutUs : 0,
                            &error, &reply);
  if (r < 0) failure = FailureOf(error, r);
  sd_bus_error_free(&error);
  return BusMessage(r < 0 ? nullptr : reply);
}

BusMessage SystemBus::property(const BusMethod& property, const char* type, BusFailure& failure) {
  BusMessage reply = call({property.service, property.object, "org.freedesktop.DBus.Properties", "Get"},
                          BusWait::Answer, failure, "ss", property.interface, property.member);
  if (reply && sd_bus_message_enter_container(reply.get(), 'v', type) <= 0) {
    failure = {"", std::string("the property is not of type ") + type};
    return nullptr;
  }
  return reply;
}

int TakeDescriptor(sd_bus_message* reply) {
  int fd = -1;
  if (reply == nullptr || sd_bus_message_read(reply, "h", &fd) < 0 || fd < 0) return -1;
  return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);  // the reply closes its own when it is freed
}

}  // namespace vexo
