// udisks2 and logind over the system bus: what they are asked and what comes of their answers,
// on a private bus with fake services; and where no system bus runs (as in CI), each says so at
// once and nothing hangs.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "disk/SleepInhibitor.h"
#include "disk/SystemBus.h"
#include "disk/UdisksAccess.h"
#include "tests/support/CardImage.h"
#include "tests/support/FakeSystemBus.h"

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
  UdisksOpener udisks;
  std::string why;
  EXPECT_EQ(udisks.open("/dev/sdz", true, why), -1);
  EXPECT_EQ(why, "no system bus is running");
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
       FakeBlock("sdx").backedBy(image).refusingOpen("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")}));
  if (!bus) return;

  struct Case {
    const char* device;
    bool writing;
    std::string why;            // "" when it opens
    std::vector<std::string> mode;  // what OpenDevice was asked, {} when it was not
    int flags;
  };
  const Case cases[] = {
      {"/dev/sdz", true, "", {"rw"}, O_EXCL},  // exclusive, as a direct open for writing is
      {"/dev/sdz", false, "", {"r"}, -1},
      {"/dev/sdx", true, "Not authorized to perform operation", {"rw"}, O_EXCL},
      {"/dev/sdy", false, "udisks2 does not know the device", {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.device) + (c.writing ? " for writing" : " for reading"));
    const std::size_t before = callsOf("OpenDevice").size();
    std::string why;
    const int fd = UdisksOpener().open(c.device, c.writing, why);
    EXPECT_EQ(why, c.why);
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
  std::string why;
  EXPECT_EQ(UdisksOpener().open("/dev/sdz", false, why), -1);
  EXPECT_EQ(why, "udisks2 does not run");
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
