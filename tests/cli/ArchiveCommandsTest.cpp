// vexo's archive commands where they meet the person: a restore that formats first refuses a bad
// archive before the format, and Ctrl-C stops a backup or a restore at a safe point (the real
// program, signalled from here).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <thread>

#include "tests/cli/RunVexoForTest.h"
#include "tests/transfer/ArchiveFixture.h"
#include "volume/ProgramChecks.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Vexo;

// The vexo program running in a process of its own, its messages kept in a file.
class Running {
 public:
  explicit Running(const std::vector<std::string>& words, const std::string& messages)
      : messages_(messages) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int err = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(err, STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(VEXO_BINARY)};
      for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
      argv.push_back(nullptr);
      ::execv(VEXO_BINARY, argv.data());
      ::_exit(127);
    }
  }
  void interrupt() const { ::kill(pid_, SIGINT); }
  // The exit status, -1 when it did not exit by itself.
  int wait() const {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string messages() const {
    const std::vector<std::uint8_t> bytes = testing::FileBytes(messages_);
    return {bytes.begin(), bytes.end()};
  }

 private:
  pid_t pid_ = -1;
  std::string messages_;
};

// Waits (at most a minute) until `ready` holds.
void Await(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!ready() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  ASSERT_TRUE(ready());
}

class ArchiveCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { card = testing::MakeImage(temp.file("card.img")); }
  testing::TempDir temp;
  std::string card;
};

TEST_F(ArchiveCommandsTest, RestoreWithFormatRefusesABadArchiveBeforeFormatting) {
  ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);
  const std::string program = temp.file("Pong.vxe");
  testing::PutFile(program, testing::Pattern(300, 1));
  ASSERT_EQ(Vexo({"--quiet", "import", card, program}).status, 0);
  const std::uint64_t before = testing::CardDigest(card);

  const std::string notAnArchive = temp.file("notes.VexoImage");
  testing::PutFile(notAnArchive, testing::Pattern(3000, 2));
  const std::string notAnImage = temp.file("other.VexoImage");
  testing::WriteArchive(notAnImage, testing::Pattern(100, 3));  // a payload without "DMLE"
  for (const std::string& archive : {notAnArchive, notAnImage}) {
    SCOPED_TRACE(archive);
    const testing::VexoResult result = Vexo({"--yes", "restore", card, archive, "--format"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.find("reformat"), std::string::npos);  // not even asked
    EXPECT_EQ(testing::CardDigest(card), before);
  }
}

// With --verify, a backup and an export read their archive back before it takes its name.
TEST_F(ArchiveCommandsTest, VerifiedBackupAndExportKeepArchivesThatReadBack) {
  ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);
  const std::string program = temp.file("Pong.vxe");
  testing::PutFile(program, testing::Pattern(3000, 1));
  ASSERT_EQ(Vexo({"--quiet", "import", card, program}).status, 0);
  const std::string backup = temp.file("card.VexoImage"), exported = temp.file("Pong.VexoImage");
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"--verify", "backup", card, backup},
        std::vector<std::string>{"--verify", "export", card, exported, "Pong"}}) {
    SCOPED_TRACE(command[1]);
    const testing::VexoResult result = Vexo(command);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Vexo({"restore", "--list", command[3]}).out, "Pong\n");
  }
}

// A folder or a FIFO where the archive should go is left alone, not replaced after the question.
TEST_F(ArchiveCommandsTest, ExportAndBackupReplaceOnlyRegularFiles) {
  ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);
  for (const char* name : {"a.vxe", "b.vxe"}) {
    const std::string program = temp.file(name);
    testing::PutFile(program, testing::Pattern(300, 1));
    ASSERT_EQ(Vexo({"--quiet", "import", card, program}).status, 0);
  }
  const std::string folder = temp.file("folder.VexoImage");
  std::filesystem::create_directory(folder);
  const std::string fifo = temp.file("fifo.VexoImage");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::vector<std::string>> commands = {
      {"--yes", "backup", card, folder},
      {"--yes", "backup", card, fifo},
      {"--yes", "export", card, fifo, "a", "b"},
  };
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command[1] + " " + command[3]);
    const testing::VexoResult result = Vexo(command);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Cannot save the image as " + command[3]), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Replace"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(testing::FolderNames(temp.path()).size(), 5u);  // card, programs, folder, FIFO
}

TEST_F(ArchiveCommandsTest, CtrlCDuringABackupLeavesNoArchive) {
  ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);
  const std::string world = temp.file("world.gci");
  testing::PutFile(world, testing::Noise(48 << 20, 5));
  ASSERT_EQ(Vexo({"--quiet", "csa", card, world, "0"}).status, 0);
  const std::string folder = temp.path() + "/backups";
  std::filesystem::create_directory(folder);

  Running backup({"backup", card, folder + "/card.VexoImage"}, temp.file("backup.err"));
  Await([&] { return !testing::FolderNames(folder).empty(); });  // the archive is being made
  backup.interrupt();
  EXPECT_EQ(backup.wait(), 130);
  EXPECT_NE(backup.messages().find("Cancelled"), std::string::npos);
  EXPECT_TRUE(testing::FolderNames(folder).empty());
}

TEST_F(ArchiveCommandsTest, CtrlCDuringARestoreLeavesWholeEntries) {
  SKIP_WITHOUT_7ZZ();
  std::vector<testing::StoredEntry> stored;
  for (int i = 0; i < 40; ++i) {
    testing::StoredEntry e = testing::Stored("", "e" + std::to_string(100 + i), 64, 0, 0, 0,
                                             static_cast<std::uint8_t>(i));
    e.data.gci = testing::Noise(1 << 20, static_cast<std::uint32_t>(i));
    e.header.setGcilen(1 << 20);
    e.header.setProgsum(ProgramSum(e.data.program.data(), e.data.program.size()));
    stored.push_back(e);
  }
  const std::string archive = temp.file("many.VexoImage");
  testing::PackWith7zz(archive, {{"Vexo", testing::PayloadOf(stored)}}, "-mx0");
  ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);

  Running restore({"--quiet", "restore", card, archive}, temp.file("restore.err"));
  // The first entry's bytes are on the card (its header comes once the restore ends or stops).
  Await([&] {
    return testing::ReadBytes(card, (testing::S(1) + kGciSector) * 512, 1 << 20) == stored[0].data.gci;
  });
  restore.interrupt();
  EXPECT_EQ(restore.wait(), 130);
  EXPECT_NE(restore.messages().find("Cancelled"), std::string::npos);

  const testing::VexoResult diag = Vexo({"diag", card});
  EXPECT_EQ(diag.status, 0) << diag.out.substr(diag.out.rfind('\n', diag.out.size() - 2));
  const testing::VexoResult ls = Vexo({"ls", card});
  const auto lines = std::count(ls.out.begin(), ls.out.end(), '\n');
  EXPECT_GE(lines, 1);
  EXPECT_LT(lines, 40);  // stopped before the end
  for (int slot = 1; slot <= lines; ++slot)
    EXPECT_EQ(testing::ReadBytes(card, (testing::S(slot) + kGciSector) * 512, 1 << 20),
              stored[static_cast<std::size_t>(slot - 1)].data.gci);
}

}  // namespace
}  // namespace vexo
