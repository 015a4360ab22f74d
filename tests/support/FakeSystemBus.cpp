#include "tests/support/FakeSystemBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "tests/support/CardImage.h"

extern char** environ;

namespace vexo::testing {

struct FakeSystemBus::State {
  TempDir temp;
  pid_t daemon = -1;
  std::optional<std::string> previousAddress;
  sd_bus* bus = nullptr;
  std::thread loop;
  std::atomic<bool> stop{false};

  mutable std::mutex mutex;
  std::vector<FakeCall> calls;
  std::vector<int> locks;  // our ends of the inhibitor locks

  struct Block {
    State* state;
    FakeBlock block;
  };
  std::deque<Block> blocks;  // stable addresses for the vtables' userdata

  void record(FakeCall call) {
    std::lock_guard<std::mutex> hold(mutex);
    calls.push_back(std::move(call));
  }
};

namespace {

using State = FakeSystemBus::State;

// The options udisks2 is given in an a{sv}: "path" (a string) and "flags" (an int).
struct Options {
  std::string path;
  int flags = -1;
};

int ReadOptions(sd_bus_message* m, Options& options) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
    const char* key = nullptr;
    if ((r = sd_bus_message_read(m, "s", &key)) < 0) return r;
    const std::string name = key;
    if (name == "path") {
      const char* text = nullptr;
      r = sd_bus_message_read(m, "v", "s", &text);
      if (r > 0) options.path = text;
    } else if (name == "flags") {
      r = sd_bus_message_read(m, "v", "i", &options.flags);
    } else {
      r = sd_bus_message_skip(m, "v");
    }
    if (r < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

int ReplyObjects(sd_bus_message* m, const std::vector<std::string>& objects) {
  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_return(m, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "o");
  for (const std::string& object : objects)
    if (r >= 0) r = sd_bus_message_append(reply, "o", object.c_str());
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int ResolveDevice(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* state = static_cast<State*>(userdata);
  Options wanted;
  if (const int r = ReadOptions(m, wanted); r < 0) return r;
  std::vector<std::string> found;
  for (const State::Block& b : state->blocks)
    if ("/dev/" + b.block.name == wanted.path) found.push_back(UdisksObject(b.block.name));
  return ReplyObjects(m, found);
}

int GetBlockDevices(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* state = static_cast<State*>(userdata);
  std::vector<std::string> all;
  for (const State::Block& b : state->blocks) all.push_back(UdisksObject(b.block.name));
  return ReplyObjects(m, all);
}

int OpenDevice(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* block = static_cast<State::Block*>(userdata);
  const char* mode = nullptr;
  int r = sd_bus_message_read(m, "s", &mode);
  Options options;
  if (r >= 0) r = ReadOptions(m, options);
  if (r < 0) return r;
  block->state->record({"OpenDevice", block->block.name, {mode}, options.flags,
                        sd_bus_message_get_allow_interactive_authorization(m) > 0});
  if (!block->block.openError.empty())
    return sd_bus_error_set(error, block->block.openError.c_str(), "Not authorized to perform operation");
  // As udisks2 does: open(2) with the flags asked for, and any failure as Error.Failed with the
  // system's text (EBUSY for a mounted or held device has no error name of its own).
  const bool writing = std::string(mode) == "rw";
  const int flags = (writing ? O_RDWR : O_RDONLY) | (options.flags > 0 ? options.flags : 0);
  errno = EBUSY;
  const int fd = writing && block->block.inUse ? -1 : ::open(block->block.backingFile.c_str(), flags);
  if (fd < 0)
    return sd_bus_error_setf(error, "org.freedesktop.UDisks2.Error.Failed", "Error opening device /dev/%s: %s",
                             block->block.name.c_str(), std::strerror(errno));
  r = sd_bus_reply_method_return(m, "h", fd);
  ::close(fd);
  return r;
}

int Table(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
          sd_bus_error*) {
  auto* block = static_cast<State::Block*>(userdata);
  return sd_bus_message_append(reply, "o", UdisksObject(block->block.table).c_str());
}

int Unmount(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* block = static_cast<State::Block*>(userdata);
  block->state->record({"Unmount", block->block.name, {}, -1,
                        sd_bus_message_get_allow_interactive_authorization(m) > 0});
  if (!block->block.unmountError.empty())
    return sd_bus_error_set(error, block->block.unmountError.c_str(), "refused");
  // Its file system gone, neither it nor its disk is in use any more.
  for (State::Block& b : block->state->blocks)
    if (&b == block || b.block.name == block->block.table) b.block.inUse = false;
  return sd_bus_reply_method_return(m, "");
}

int Inhibit(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* state = static_cast<State*>(userdata);
  const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
  if (const int r = sd_bus_message_read(m, "ssss", &what, &who, &why, &mode); r < 0) return r;
  state->record({"Inhibit", "", {what, who, why, mode}, -1,
                 sd_bus_message_get_allow_interactive_authorization(m) > 0});
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return sd_bus_error_set_errno(error, errno);
  {
    std::lock_guard<std::mutex> hold(state->mutex);
    state->locks.push_back(ends[0]);
  }
  const int r = sd_bus_reply_method_return(m, "h", ends[1]);
  ::close(ends[1]);
  return r;
}

const sd_bus_vtable kManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("ResolveDevice", "a{sv}a{sv}", "ao", ResolveDevice, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetBlockDevices", "a{sv}", "ao", GetBlockDevices, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kBlock[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("OpenDevice", "sa{sv}", "h", OpenDevice, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kPartition[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Table", "o", Table, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kFilesystem[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Unmount", "a{sv}", "", Unmount, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kLogin[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ssss", "h", Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

// dbus-daemon on a socket in `folder`, open to every user; its address, or "" when it cannot run.
std::string StartDaemon(const std::string& folder, pid_t& pid) {
  const std::string config = folder + "/bus.conf";
  std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig>\n"
                           "  <listen>unix:path=" << folder << "/system_bus_socket</listen>\n"
                           "  <auth>EXTERNAL</auth>\n"
                           "  <policy context=\"default\">\n"
                           "    <allow user=\"*\"/>\n"
                           "    <allow own=\"*\"/>\n"
                           "    <allow send_destination=\"*\"/>\n"
                           "    <allow receive_sender=\"*\"/>\n"
                           "  </policy>\n"
                           "</busconfig>\n";
  const std::string program = "/usr/bin/dbus-daemon";
  const std::string configArg = "--config-file=" + config;
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(configArg.c_str()),
                  const_cast<char*>("--nofork"), const_cast<char*>("--print-address=3"), nullptr};
  int address[2];
  const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (::access(program.c_str(), X_OK) != 0 || quiet < 0 || ::pipe2(address, O_CLOEXEC) != 0) return {};
  pid = ::fork();
  if (pid == 0) {
    // The daemon ends with the test process, even one that crashes, and keeps its output
    // away from the test's.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    if (address[1] == 3)
      ::fcntl(3, F_SETFD, 0);
    else
      ::dup2(address[1], 3);
    ::execve(program.c_str(), argv, environ);
    ::_exit(127);
  }
  ::close(address[1]);
  ::close(quiet);
  std::string line;
  char c = 0;
  // The daemon prints its address once it listens; end of file means it did not start.
  while (pid > 0 && ::read(address[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(address[0]);
  return line;
}

}  // namespace

FakeSystemBus::FakeSystemBus(FakeServices services) : state_(std::make_unique<State>()) {
  State& s = *state_;
  const std::string address = StartDaemon(s.temp.path(), s.daemon);
  if (address.empty()) return;
  // Any user may call, as on the system bus (a test runs a program as another user).
  ::chmod(s.temp.path().c_str(), 0755);
  ::chmod((s.temp.path() + "/system_bus_socket").c_str(), 0777);
  if (const char* previous = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) s.previousAddress = previous;
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  if (sd_bus_open_system(&s.bus) < 0) return;
  if (services.udisks) {
    sd_bus_add_object_vtable(s.bus, nullptr, "/org/freedesktop/UDisks2/Manager",
                             "org.freedesktop.UDisks2.Manager", kManager, &s);
    for (const FakeBlock& block : services.blocks) {
      State::Block& b = s.blocks.emplace_back(State::Block{&s, block});
      const std::string object = UdisksObject(block.name);
      sd_bus_add_object_vtable(s.bus, nullptr, object.c_str(), "org.freedesktop.UDisks2.Block", kBlock, &b);
      if (!block.table.empty())
        sd_bus_add_object_vtable(s.bus, nullptr, object.c_str(), "org.freedesktop.UDisks2.Partition",
                                 kPartition, &b);
      if (block.fileSystem)
        sd_bus_add_object_vtable(s.bus, nullptr, object.c_str(), "org.freedesktop.UDisks2.Filesystem",
                                 kFilesystem, &b);
    }
    sd_bus_request_name(s.bus, "org.freedesktop.UDisks2", 0);
  }
  if (services.logind) {
    sd_bus_add_object_vtable(s.bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                             kLogin, &s);
    sd_bus_request_name(s.bus, "org.freedesktop.login1", 0);
  }
  s.loop = std::thread([&s] {
    while (!s.stop) {
      const int r = sd_bus_process(s.bus, nullptr);
      if (r < 0) break;
      if (r == 0) sd_bus_wait(s.bus, 50'000);
    }
  });
}

FakeSystemBus::~FakeSystemBus() {
  State& s = *state_;
  s.stop = true;
  if (s.loop.joinable()) s.loop.join();
  sd_bus_flush_close_unref(s.bus);
  for (int lock : s.locks) ::close(lock);
  if (s.daemon > 0) {
    ::kill(s.daemon, SIGTERM);
    ::waitpid(s.daemon, nullptr, 0);
  }
  if (s.previousAddress)
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", s.previousAddress->c_str(), 1);
  else
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

bool FakeSystemBus::running() const { return state_->loop.joinable(); }

std::vector<FakeCall> FakeSystemBus::calls() const {
  std::lock_guard<std::mutex> hold(state_->mutex);
  return state_->calls;
}

std::size_t FakeSystemBus::lockCount() const {
  std::lock_guard<std::mutex> hold(state_->mutex);
  return state_->locks.size();
}

bool FakeSystemBus::hungUp(std::size_t n, int waitMs) const {
  int lock = -1;
  {
    std::lock_guard<std::mutex> hold(state_->mutex);
    lock = state_->locks.at(n);
  }
  pollfd watch{lock, POLLIN, 0};
  return ::poll(&watch, 1, waitMs) == 1 && (watch.revents & POLLHUP) != 0;
}

}  // namespace vexo::testing
