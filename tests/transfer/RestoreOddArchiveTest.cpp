// Archives a restore refuses before it writes anything: payloads that do not hold what they
// say, files that are no archive, and an archive changed behind the dialog.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/transfer/RestoreFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Cut;
using testing::Pattern;
using testing::PayloadOf;
using testing::RestoreTest;
using testing::Stored;
using testing::StoredEntry;

struct MalformedCase {
  const char* what;
  std::vector<std::uint8_t> payload;
  // The list shows only what the stored headers say; what only the whole payload shows is
  // found when the restore runs, before anything is written.
  bool seenInHeaders = true;
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.what; }
};

std::vector<MalformedCase> MalformedCases() {
  const std::vector<std::uint8_t> one = PayloadOf({Stored("", "a", 600, 700, 5000, 2, 1)});
  std::vector<MalformedCase> cases = {
      {"Empty", {}},
      {"SignatureOnly", {'D', 'M', 'L', 'E'}},
      {"ShorterThanSevenBytes", {'D', 'M', 'L', 'E', 0, 0}},
      {"WrongSignature", {'D', 'M', 'L', 'F', 0, 0, 0}},
      {"LowerCaseSignature", {'d', 'm', 'l', 'e', 0, 0, 0}},
      {"HeaderMissing",
       Cut(PayloadOf({Stored("", "a", 0, 0, 0, 0, 1), Stored("", "b", 0, 0, 0, 0, 2)}),
           2 * 2 + 512)},
      {"DataEndsEarly", Cut(one, 1), false},
      {"GfxcountMissing", Cut(PayloadOf({Stored("", "a", 5, 0, 0, 0, 1)}), 1)},
  };
  // The CSA length is the first stored header's.
  StoredEntry withCsa = Stored("", "a", 5, 0, 0, 0, 1);
  withCsa.header.setCsalen(3000);
  cases.push_back({"CsaEndsEarly", Cut(PayloadOf({withCsa}, 1, Pattern(3000)), 1)});
  // 513 complete entries: refused for their number, not for their bytes.
  std::vector<StoredEntry> many;
  for (int i = 0; i < 513; ++i) many.push_back(Stored("", "e" + std::to_string(i), 0, 0, 0, 0, 1));
  cases.push_back({"MoreThan512Entries", PayloadOf(many)});
  // GCI data that would run past the end of its slot into the next slot's header.
  cases.push_back({"GciBeyondItsSlot", PayloadOf({Stored("", "a", 0, 0, kGciCapacity + 1, 0, 1)})});
  // 257 records, all of them there.
  StoredEntry gfx = Stored("", "a", 0, 0, 10, 0, 1);
  gfx.data.index.clear();
  for (std::size_t k = 0; k < 257; ++k) gfx.data.index.push_back(testing::NamedRecord(k + 1, 1));
  gfx.gfxcount = 257;
  cases.push_back({"MoreThan256Graphics", PayloadOf({gfx}), false});
  return cases;
}

class RestoreMalformedTest : public RestoreTest,
                             public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(RestoreMalformedTest, IsRefusedBeforeAnythingIsWritten) {
  const MalformedCase& c = GetParam();
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  const std::vector<SlotHeader> before = dir.vexodirs;
  put(c.payload);

  EXPECT_EQ(ReadRestoreList(ui, archive).has_value(), !c.seenInHeaders);
  EXPECT_FALSE(restore());
  EXPECT_EQ(ui.messages, std::vector<std::string>(c.seenInHeaders ? 2 : 1, kInvalidArchive));
  EXPECT_EQ(chooserCalls, c.seenInHeaders ? 0 : 1);
  EXPECT_TRUE(device->writes.empty());
  // At most the check of the archive was under way; no restoring began.
  EXPECT_LE(ui.progressShown, 1);
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(std::count(ui.progressLabels.begin(), ui.progressLabels.end(), "Restoring"), 0);
  EXPECT_EQ(dir.vexodirs, before);
}

INSTANTIATE_TEST_SUITE_P(Restore, RestoreMalformedTest, ::testing::ValuesIn(MalformedCases()),
                         testing::CaseName());

TEST_F(RestoreTest, WhatIsNoArchiveGivesTheLibrarysText) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  testing::PutFile(temp.file("text.VexoImage"), std::vector<std::uint8_t>(2000, 'x'));
  // A real archive cut short, and one whose packed data is damaged.
  testing::WriteArchive(archive, PayloadOf({Stored("", "b", 20'000, 30'000, 900'000, 5, 1)}));
  std::vector<std::uint8_t> bytes = testing::FileBytes(archive);
  testing::PutFile(temp.file("cut.VexoImage"), Cut(bytes, 100));
  for (std::size_t i = 100; i < 200; ++i) bytes[i] ^= 0x5A;
  testing::PutFile(temp.file("damaged.VexoImage"), bytes);
  for (const std::string& path : {temp.file("absent.VexoImage"), temp.file("text.VexoImage"),
                                  temp.file("cut.VexoImage"), temp.file("damaged.VexoImage")}) {
    SCOPED_TRACE(path);
    archive = path;
    ui.messages.clear();
    EXPECT_FALSE(restore());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_FALSE(ui.messages[0].empty());
    EXPECT_NE(ui.messages[0], kInvalidArchive);
  }
  EXPECT_EQ(chooserCalls, 0);
  EXPECT_TRUE(device->writes.empty());
}

// The archive changes while the dialog is open: what is read the second time is checked again.
TEST_F(RestoreTest, AnArchiveChangedBehindTheDialogIsRefused) {
  CardBuilder().add(1, "", "Old").writeTo(image);
  load();
  StoredEntry entry = Stored("", "abc", 100, 0, 0, 0, 1);
  put(PayloadOf({entry}));
  std::vector<std::uint8_t> changed = PayloadOf({entry});
  changed[kPayloadPreamble + 512 + 100] = 0x20;  // gfxcount 20000 behind the same header
  changed[kPayloadPreamble + 512 + 101] = 0x4E;
  const std::string other = temp.file("other.VexoImage");
  testing::WriteArchive(other, changed);
  EXPECT_FALSE(restore([&](RestoreList&) { std::filesystem::rename(other, archive); }));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Invalid Vexo image archive"});
  reload();
  EXPECT_EQ(dir.FindEntry("", "abc"), kNoSlot);
}

}  // namespace
}  // namespace vexo
