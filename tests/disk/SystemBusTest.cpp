// udisks2 and logind over the system bus: what they are asked and what comes of their answers,
// on a private bus with fake services; and where no system bus runs (as in CI), each says so at
// once and nothing hangs.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>

#include "disk/DiskAccess.h"
#include "disk/SleepInhibitor.h"
#include "disk/SystemBus.h"
#include "disk/UdisksAccess.h"
#include "tests/support/CardImage.h"
#include "tests/support/FakeSystemBus.h"
#include "tests/support/RefusedBlockDevice.h"
#include "tests/support/ScriptedPrompter.h"

namespace vexo {
namespace {

using testing::FakeBlock;
using testing::FakeCall;
using testing::FakeServices;
using testing::FakeSystemBus;

TEST(SystemBus, WithoutOneTheHelpersAnswerAtOnce) {
  testing::TempDir temp;
  const char* previous = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  const std::optional<std::string> kept = previous ? std::optional<std::string>(previous) : std::nullopt;
  // A socket nobody listens on, whether or not this machine runs a system bus.
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + temp.file("no_bus_socket")).c_str(), 1);

  EXPECT_FALSE(SystemBus().connected());
  const HelperAnswer answer = UdisksOpener().open("/dev/sdz", true);
  EXPECT_EQ(answer.fd, -1);
  EXPECT_EQ(answer.why, "no system bus is running");
  EXPECT_TRUE(answer.noService);
  const ReleaseResult released = UdisksReleaser().release("/dev/sdz");  // umount2 finds nothing
  EXPECT_TRUE(released.opened);
  EXPECT_TRUE(released.dismounted);
  EXPECT_FALSE(SleepInhibitor().held());

  if (kept)
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", kept->c_str(), 1);
  else
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

class FakeBusTest : public ::testing::Test {
 protected:
  void start(FakeServices services) {
    bus.emplace(std::move(services));
    if (!bus->running()) GTEST_SKIP() << "no dbus-daemon here";
  }
  std::vector<FakeCall> callsOf(const std::string& member) const {
    std::vector<FakeCall> found;
    for (const FakeCall& call : bus->calls())
      if (call.member == member) found.push_back(call);
    return found;
  }
  testing::TempDir temp;
  std::optional<FakeSystemBus> bus;
};

TEST_F(FakeBusTest, UdisksOpensTheReaderAsAskedAndSaysWhyNot) {
  const std::string image = testing::MakeImage(temp.file("card.img"), 1 << 20);
  const std::uint8_t mark = 0x5A;
  testing::WriteBytes(image, 512, &mark, 1);
  start(FakeServices().withUdisks(
      {FakeBlock("sdz").backedBy(image),
       FakeBlock("sdx").backedBy(image).refusingOpen("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain"),
       FakeBlock("sdv").backedBy(image).used()}));
  if (!bus) return;

  struct Case {
    const char* device;
    bool writing;
    std::string why;            // "" when it opens
    std::vector<std::string> mode;  // what OpenDevice was asked, {} when it was not
    int flags;
    bool busy;
  };
  const Case cases[] = {
      {"/dev/sdz", true, "", {"rw"}, O_EXCL, false},  // exclusive, as a direct open for writing is
      {"/dev/sdz", false, "", {"r"}, -1, false},
      {"/dev/sdx", true, "Not authorized to perform operation", {"rw"}, O_EXCL, false},
      {"/dev/sdy", false, "udisks2 does not know the device", {}, -1, false},
      // In use: told apart from a refusal, so that it is unmounted or named as held.
      {"/dev/sdv", true, "Error opening device /dev/sdv: Device or resource busy", {"rw"}, O_EXCL, true},
      {"/dev/sdv", false, "", {"r"}, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.device) + (c.writing ? " for writing" : " for reading"));
    const std::size_t before = callsOf("OpenDevice").size();
    const HelperAnswer answer = UdisksOpener().open(c.device, c.writing);
    const int fd = answer.fd;
    EXPECT_EQ(answer.why, c.why);
    EXPECT_EQ(answer.busy, c.busy);
    EXPECT_FALSE(answer.noService);  // udisks2 answered
    const std::vector<FakeCall> opens = callsOf("OpenDevice");
    ASSERT_EQ(opens.size(), before + (c.mode.empty() ? 0 : 1));
    if (!c.mode.empty()) {
      EXPECT_EQ(opens.back().words, c.mode);
      EXPECT_EQ(opens.back().flags, c.flags);
      EXPECT_TRUE(opens.back().interactive);  // polkit may ask for the password
    }
    if (!c.why.empty()) {
      EXPECT_EQ(fd, -1);
      continue;
    }
    ASSERT_GE(fd, 0);
    std::uint8_t byte = 0;
    EXPECT_EQ(::pread(fd, &byte, 1, 512), 1);  // the service's descriptor, kept past its reply
    EXPECT_EQ(byte, mark);
    EXPECT_EQ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR, c.writing);
    ::close(fd);
  }
}

TEST_F(FakeBusTest, WithoutUdisksTheOpenerSaysSo) {
  start(FakeServices().withLogind());
  if (!bus) return;
  const HelperAnswer answer = UdisksOpener().open("/dev/sdz", false);
  EXPECT_EQ(answer.fd, -1);
  EXPECT_EQ(answer.why, "udisks2 does not run");
  EXPECT_TRUE(answer.noService);
}

TEST_F(FakeBusTest, UdisksUnmountsTheFileSystemsOfTheCardAndNoOthers) {
  start(FakeServices().withUdisks({
      FakeBlock("sda"),
      FakeBlock("sda1").partitionOf("sda").withFileSystem(),  // the system's: never touched
      FakeBlock("sdz"),                                       // the card, partitioned
      FakeBlock("sdz1").partitionOf("sdz").withFileSystem(),
      FakeBlock("sdz2").partitionOf("sdz").withFileSystem().refusingUnmount(
          "org.freedesktop.UDisks2.Error.NotMounted"),
      FakeBlock("sdz3").partitionOf("sdz"),  // no file system
      FakeBlock("sdw").withFileSystem(),     // a card with its file system on the disk itself
  }));
  if (!bus) return;
  const ReleaseResult released = UdisksReleaser().release("/dev/sdz");
  EXPECT_TRUE(released.opened);
  EXPECT_TRUE(released.dismounted);  // "not mounted" is no failure
  std::vector<std::string> unmounted;
  for (const FakeCall& call : callsOf("Unmount")) {
    unmounted.push_back(call.object);
    EXPECT_TRUE(call.interactive);
  }
  EXPECT_EQ(unmounted, (std::vector<std::string>{"sdz1", "sdz2"}));

  UdisksReleaser().release("/dev/sdw");
  EXPECT_EQ(callsOf("Unmount").back().object, "sdw");
}

// A card of a user outside the group disk, written through udisks2: mounted, it is unmounted
// through udisks2 and written; held by another program, it gets the lock message; refused by
// polkit, the message gives polkit's answer.
TEST_F(FakeBusTest, AUsersCardInUseIsFreedOrNamedAsHeld) {
  const auto card = [this](const char* name) { return testing::MakeImage(temp.file(name)); };
  start(FakeServices().withUdisks({FakeBlock("sdz").backedBy(card("sdz")).withFileSystem().used(),
                                   FakeBlock("sdy").backedBy(card("sdy")).used(),
                                   FakeBlock("sdx").backedBy(card("sdx")).refusingOpen(
                                       "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")}));
  if (!bus) return;
  // The mount table of this machine knows none of these: say which holds a file system.
  struct Releaser : UdisksReleaser {
    bool hasMounts(const std::string& device) override { return device == "/dev/sdz"; }
  } releaser;
  struct Case {
    const char* device;
    bool written;
    std::vector<std::string> messages;
    std::vector<std::string> unmounted;
  };
  const Case cases[] = {
      {"/dev/sdz", true, {}, {"sdz"}},
      {"/dev/sdy", false, {"Pysical drive lock failed, do you have this drive open in a disk editor?"}, {}},
      {"/dev/sdx", false,
       {"Cannot open /dev/sdx: this user may not open it (Not authorized to perform operation). Add "
        "yourself to the group disk (sudo usermod -aG disk $USER, then log in again)."},
       {}},
  };
  UdisksOpener udisks;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    const std::size_t before = callsOf("Unmount").size();
    DiskTable table;
    const int disk = table.AttachDevice(std::make_shared<testing::RefusedBlockDevice>(c.device, &udisks));
    testing::ScriptedPrompter ui;
    DiskAccess access(table, ui, releaser);
    const std::array<std::uint8_t, 512> data{0x5A};
    EXPECT_EQ(access.WriteSector(disk, "E:", 3, data.data()), c.written);
    EXPECT_EQ(ui.messages, c.messages);
    std::vector<std::string> unmounted;
    for (const FakeCall& call : callsOf("Unmount")) unmounted.push_back(call.object);
    EXPECT_EQ(std::vector<std::string>(unmounted.begin() + static_cast<long>(before), unmounted.end()),
              c.unmounted);
    const std::string image = temp.file(std::string(c.device).substr(5));
    EXPECT_EQ(testing::ReadBytes(image, 3 * 512, 1).at(0), c.written ? 0x5A : 0);
  }
}

TEST_F(FakeBusTest, TheSleepInhibitorHoldsALogindLockForItsLifetime) {
  start(FakeServices().withLogind());
  if (!bus) return;
  {
    SleepInhibitor awake;
    EXPECT_TRUE(awake.held());
    EXPECT_TRUE(bus->lockHeld(0));
  }
  EXPECT_TRUE(bus->lockReleased(0));
  const std::vector<FakeCall> inhibits = callsOf("Inhibit");
  ASSERT_EQ(inhibits.size(), 1u);
  EXPECT_EQ(inhibits[0].words, (std::vector<std::string>{"sleep", "VexoExplorer", "Writing a card", "block"}));
}

}  // namespace
}  // namespace vexo
