// A backup with verification on reads its archive back from the disk before the archive takes
// its name: one that does not read back as written fails the backup and replaces nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/transfer/ArchiveBytes.h"
#include "tests/transfer/ArchiveFixture.h"
#include "transfer/Backup.h"

namespace vexo {
namespace {

using Damage = std::function<void(std::vector<std::uint8_t>&)>;

// Once the read-back is announced, the archive under its temporary name changes on the disk,
// as it does behind a disk or card reader that drops or garbles what it is given.
class DamagingPrompter : public testing::ScriptedPrompter {
 public:
  void progressBegin(const std::string& label, std::uint64_t maximum, ProgressUnit unit) override {
    ScriptedPrompter::progressBegin(label, maximum, unit);
    if (label != "Verifying") return;
    cancelled = cancelAtVerifying;
    if (!damage) return;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      if (e.path().filename().string().rfind(".vexoimage-", 0) != 0) continue;
      std::vector<std::uint8_t> bytes = testing::FileBytes(e.path());
      damage(bytes);
      testing::PutFile(e.path(), bytes);
      ++damaged;
    }
  }

  std::string folder;
  Damage damage;
  bool cancelAtVerifying = false;
  int damaged = 0;
};

struct VerifyCase {
  const char* what;
  bool verify;
  Damage damage;
  bool cancel;
  std::string why;  // in the message; "" when the backup succeeds or is cancelled
  friend void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.what; }
};

class BackupVerifyTest : public testing::TransferFixture,
                         public ::testing::WithParamInterface<VerifyCase> {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    card = testing::MakeSampleCard(image, 2, 3, 1);
    attach();
    ASSERT_TRUE(verifyingDir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
    verifyUi.folder = temp.path();
    archive = temp.file("card.VexoImage");
    testing::PutFile(archive, older);
  }

  DamagingPrompter verifyUi;
  DiskAccess verifyingAccess{table, verifyUi, releaser};
  Directory verifyingDir{verifyingAccess};
  testing::SampleCard card;
  std::string archive;
  const std::vector<std::uint8_t> older = testing::Text(5000);  // an archive from before
};

TEST_P(BackupVerifyTest, AnArchiveThatDoesNotReadBackIsNotSaved) {
  const VerifyCase& c = GetParam();
  verifyingAccess.setVerify(c.verify);
  verifyUi.damage = c.damage;
  verifyUi.cancelAtVerifying = c.cancel;
  const bool saved = c.why.empty() && !c.cancel;

  EXPECT_EQ(WriteImageArchive(verifyingDir, disk, drive, BackupSlots(verifyingDir), true, archive),
            saved);
  const auto verifying = std::count(verifyUi.progressLabels.begin(), verifyUi.progressLabels.end(), "Verifying");
  EXPECT_EQ(verifying, c.verify ? 1 : 0);
  EXPECT_EQ(verifyUi.damaged, c.damage && c.verify ? 1 : 0);
  EXPECT_FALSE(verifyUi.progressVisible);
  if (c.why.empty()) {
    EXPECT_TRUE(verifyUi.messages.empty());
  } else {
    EXPECT_EQ(verifyUi.messages, std::vector<std::string>{"Verify failed: " + archive +
                                                    " reads back differently from what was written (" +
                                                    c.why + "). The archive was not saved."});
  }
  // Only the card, and the archive: the new one when it read back as written, else the older.
  EXPECT_EQ(testing::FolderNames(verifyUi.folder), (std::set<std::string>{"card.img", "card.VexoImage"}));
  if (saved) {
    EXPECT_EQ(testing::ReadPayload(archive),
              testing::ExpectedPayload(image, card, BackupSlots(verifyingDir), true));
  } else {
    EXPECT_EQ(testing::FileBytes(archive), older);
  }
}

// A byte halfway through the packed stream, which lies between the signature and end headers.
void ByteOfThePackedStream(std::vector<std::uint8_t>& archive) {
  archive[(32 + testing::EndHeaderAt(archive)) / 2] ^= 0x40;
}

INSTANTIATE_TEST_SUITE_P(
    Backup, BackupVerifyTest,
    ::testing::Values(
        VerifyCase{"ReadsBack", true, {}, false, ""},
        VerifyCase{"NotVerifiedWhenOff", false, ByteOfThePackedStream, false, ""},
        VerifyCase{"ByteOfThePackedStream", true, ByteOfThePackedStream, false, kPackedCrcError},
        // The end header sealed again, so that the archive still opens: it says another CRC.
        VerifyCase{"CrcOfThePayload", true, testing::ChangeThePayloadCrc, false,
                   "its headers do not say what was written"},
        VerifyCase{"CutShort", true, [](std::vector<std::uint8_t>& a) { a.pop_back(); }, false,
                   "its headers do not say what was written"},
        VerifyCase{"Cancelled", true, {}, true, ""}),
    testing::CaseName());

}  // namespace
}  // namespace vexo
