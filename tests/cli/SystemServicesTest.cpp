// vexo and the system's services, on a private bus with fake ones: logind keeps the machine
// awake while a command writes a card, and udisks2 opens a card reader for a user outside the
// group disk (a loop device, as root only).

#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/cli/RunVexoForTest.h"
#include "tests/support/CardImage.h"
#include "tests/support/FakeSystemBus.h"
#include "tests/support/Shell.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::FakeBlock;
using testing::FakeCall;
using testing::FakeServices;
using testing::FakeSystemBus;
using testing::Vexo;

TEST(VexoKeepsAwake, FromTheFirstWriteToTheCardUntilTheCommandEnds) {
  FakeSystemBus bus(FakeServices().withLogind());
  if (!bus.running()) GTEST_SKIP() << "no dbus-daemon here";
  testing::TempDir temp;
  const std::string card = testing::MakeImage(temp.file("card.img"));
  const std::string program = temp.file("Pong.vxe");
  std::ofstream(program) << "abc";
  struct Case {
    std::vector<std::string> words;
    int status;
    bool writes;
  };
  const Case cases[] = {
      {{"--yes", "format", card}, 0, true},
      {{"format", card}, 1, false},  // no terminal: Cancel, nothing written
      {{"import", card, program}, 0, true},
      {{"ls", card}, 0, false},
      {{"info", card, "Pong"}, 0, false},
      {{"--yes", "rm", card, "Pong"}, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front() + " " + c.words.at(1));
    const std::size_t before = bus.lockCount();
    const testing::VexoResult result = Vexo(c.words);
    EXPECT_EQ(result.status, c.status) << result.err;
    ASSERT_EQ(bus.lockCount(), before + (c.writes ? 1 : 0));
    if (c.writes) {
      EXPECT_TRUE(bus.lockReleased(before));  // let go when the command ended
    }
  }
}

using testing::Shell;

std::string Contents(const std::string& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A card in a reader that only root may open, and udisks2 that opens it for others.
class CardReaderForAUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "loop devices and another user need root";
    image = testing::MakeImage(temp.file("card.img"));
    CardBuilder().add(2, "Games", "Pong").writeTo(image);
    loop = Shell("losetup -f --show " + image);
    if (loop.empty()) GTEST_SKIP() << "losetup cannot make a loop device here";
    ::chmod(loop.c_str(), 0600);
    const std::string name = loop.substr(loop.rfind('/') + 1);
    bus.emplace(FakeServices().withUdisks({FakeBlock(name).backedBy(loop)}));
    if (!bus->running()) GTEST_SKIP() << "no dbus-daemon here";
    // The build may sit where nobody cannot enter (a clone in /root): run a copy from a folder
    // it can, or say why not.
    ::chmod(programs.path().c_str(), 0755);
    std::filesystem::copy_file(VEXO_BINARY, vexo);
    if (!nobodyCanRun(vexo)) GTEST_SKIP() << "the user nobody cannot reach " << vexo;
  }
  void TearDown() override {
    bus.reset();
    if (!loop.empty()) Shell("losetup -d " + loop);
  }

  // Becomes the user nobody, who is in no group that may open the reader.
  static bool BecomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
  }
  static bool nobodyCanRun(const std::string& program) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(BecomeNobody() && ::access(program.c_str(), X_OK) == 0 ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  testing::VexoResult vexoAsNobody(const std::vector<std::string>& words) const {
    const std::string out = temp.file("out"), err = temp.file("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
      ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
      if (!BecomeNobody()) ::_exit(126);
      std::vector<char*> argv{const_cast<char*>(vexo.c_str())};
      for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
      argv.push_back(nullptr);
      ::execv(vexo.c_str(), argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(out), Contents(err)};
  }
  std::vector<FakeCall> opens() const {
    std::vector<FakeCall> found;
    for (const FakeCall& call : bus->calls())
      if (call.member == "OpenDevice") found.push_back(call);
    return found;
  }

  testing::TempDir temp, programs;
  const std::string vexo = programs.file("vexo");
  std::string image, loop;
  std::optional<FakeSystemBus> bus;
};

TEST_F(CardReaderForAUserTest, VexoReadsAndWritesItThroughUdisks) {
  const testing::VexoResult listed = vexoAsNobody({"ls", loop, "Games"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out.substr(0, 5), "Pong\t");

  const testing::VexoResult renamed = vexoAsNobody({"rename", loop, "Pong", "-c", "Games", "--desc1", "Fast"});
  EXPECT_EQ(renamed.status, 0) << renamed.err;
  EXPECT_EQ(testing::ReadHeader(image, 2).desc1(), "Fast");

  // A restore that formats first measures the card through udisks2 as well.
  const std::string archive = temp.file("card.VexoImage");
  ASSERT_EQ(testing::Vexo({"backup", image, archive}).status, 0);
  ::chmod(temp.path().c_str(), 0755);  // for nobody to read the archive
  const testing::VexoResult restored = vexoAsNobody({"--yes", "restore", loop, archive, "--format"});
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_NE(testing::Vexo({"info", image, "Pong", "-c", "Games"}).out.find("Desc1:\tFast\n"), std::string::npos);

  std::vector<std::string> modes;
  for (const FakeCall& call : opens()) modes.push_back(call.words.at(0));
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(modes.front(), "r");
  EXPECT_EQ(modes.back(), "rw");
  EXPECT_EQ(opens().back().flags, O_EXCL);
}

}  // namespace
}  // namespace vexo
