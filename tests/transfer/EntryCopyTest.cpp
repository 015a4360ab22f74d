#include <gtest/gtest.h>

#include "tests/transfer/TransferFixture.h"
#include "transfer/EntryCopy.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::SectorRun;
using testing::operator+;

constexpr std::uint64_t S(int slot) { return SlotFirstSector(slot); }
constexpr std::size_t kDataBytes = (4096 - 1) * 512;  // sectors 1 to 4095 of a slot
constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";

std::vector<std::uint8_t> SlotData(const std::string& path, int slot) {
  return testing::ReadBytes(path, (S(slot) + 1) * 512, kDataBytes);
}

// A header without the fields a copy sets itself: links, chain ends, category and name.
SlotHeader WithoutOwnFields(SlotHeader h) {
  h.setNext(0);
  h.setPrevious(0);
  h.setFirst(0);
  h.setLast(0);
  h.setCategory({});
  h.setFilename({});
  return h;
}

class EntryCopyTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    other = testing::MakeImage(temp.file("other.img"));
  }
  // The second card, disk 2 in drive F:, besides the first (attach() first).
  void attachOther() {
    auto made = std::make_shared<testing::RecordingDevice>(other);
    otherDevice = made.get();
    otherDisk = table.AttachDevice(made);
    ASSERT_EQ(otherDisk, 2);
  }
  // Gives the entry in `slot` of `path` attachments, descriptions and data in all its sectors.
  SlotHeader fill(const std::string& path, int slot, std::uint8_t seed) {
    SlotHeader h = testing::ReadHeader(path, slot);
    h.setDate("2020-01-02");
    h.setTime("03.04.05");
    h.setDesc1("desc one");
    h.setDesc4("desc four");
    h.setGcifile("pics");
    h.setSmfile("save");
    h.setProglen(1234);
    h.setProgsum(0xBEEF);
    h.setGcilen(77'777);
    h.setSmlen(999);
    h.setCsafile("Other");  // carried by the copy like every other byte
    h.setCsalen(5);
    h.bytes[400] = seed;    // even the reserved bytes
    testing::WriteHeader(path, slot, h);
    const std::vector<std::uint8_t> data = Pattern(kDataBytes, seed);
    testing::WriteBytes(path, (S(slot) + 1) * 512, data.data(), data.size());
    return h;
  }
  bool copy(int sourceDisk, const std::string& category, const std::string& name, int sourceSlot,
            const VolumeTarget& to) {
    return CopyEntry(dir, {sourceDisk, category, name, sourceSlot}, to);
  }
  void reload(int d, const std::string& letter) {
    ASSERT_TRUE(dir.LoadDirectory(d, letter, DirectoryLoad::Keep));
  }

  std::string other;
  testing::RecordingDevice* otherDevice = nullptr;
  int otherDisk = -1;
};

// ---- Same card -----------------------------------------------------------------------------

TEST_F(EntryCopyTest, SameCategoryOfTheSameCardGetsCopyNames) {
  CardBuilder().add(1, "Games", "Alpha").add(3, "Games", "Pong").add(5, "Games", "Zed")
      .writeTo(image);
  const SlotHeader source = fill(image, 3, 7);
  attach();

  for (int round = 0; round < 3; ++round)
    ASSERT_TRUE(copy(disk, "Games", "Pong", 3, target("Games")));

  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.progressLabels, (std::vector<std::string>{"Copying Copy of Pong",
                                                         "Copying Copy (2) of Pong",
                                                         "Copying Copy (3) of Pong"}));
  reload(disk, drive);
  EXPECT_EQ(dir.CheckChain(), 0);
  const std::vector<std::uint8_t> data = SlotData(image, 3);
  const std::pair<int, const char*> copies[] = {
      {2, "Copy of Pong"}, {4, "Copy (2) of Pong"}, {6, "Copy (3) of Pong"}};
  for (const auto& [slot, name] : copies) {
    SCOPED_TRACE(name);
    EXPECT_EQ(dir.header(slot).filename(), name);
    EXPECT_EQ(dir.header(slot).category(), "Games");
    EXPECT_EQ(WithoutOwnFields(dir.header(slot)), WithoutOwnFields(source));
    EXPECT_EQ(SlotData(image, slot), data);
  }
  EXPECT_EQ(dir.header(3), testing::ReadHeader(image, 3));
  EXPECT_EQ(dir.header(3).filename(), "Pong");
}

TEST_F(EntryCopyTest, AnotherCategoryOfTheSameCardKeepsTheName) {
  CardBuilder().add(1, "Games", "Pong").add(2, "Tools", "Zed").writeTo(image);
  attach();
  ASSERT_TRUE(copy(disk, "Games", "Pong", 1, target("Tools")));
  reload(disk, drive);
  EXPECT_EQ(dir.header(3).filename(), "Pong");
  EXPECT_EQ(dir.header(3).category(), "Tools");
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(EntryCopyTest, CopyNamesAreComparedBeforeTheyAreCut) {
  CardBuilder().add(1, "", "ABCDEFGHIJKL").writeTo(image);
  attach();
  ASSERT_TRUE(copy(disk, "", "ABCDEFGHIJKL", 1, target()));
  ASSERT_TRUE(copy(disk, "", "ABCDEFGHIJKL", 1, target()));
  EXPECT_EQ(testing::ReadHeader(image, 2).filename(), "Copy of ABCDEFGHIJK");
  EXPECT_EQ(testing::ReadHeader(image, 3).filename(), "Copy of ABCDEFGHIJK");
}

// ---- Another card --------------------------------------------------------------------------

TEST_F(EntryCopyTest, NewEntryOnAnotherCardIsWrittenThenLinked) {
  CardBuilder().add(7, "", "b").writeTo(image);
  const SlotHeader source = fill(image, 7, 3);
  CardBuilder().add(1, "", "a").add(2, "", "c").writeTo(other);
  attach();
  attachOther();

  ASSERT_TRUE(copy(disk, "", "b", 7, {otherDisk, "F:", ""}));
  // The data first, into the free slot; then the header and the chain, so that a copy stopped
  // on the way leaves nothing listed.
  EXPECT_EQ(otherDevice->writtenSectors(),
            SectorRun(S(3) + 1, 4095) + (std::vector<std::uint64_t>{S(3), S(1), S(2)}));
  EXPECT_TRUE(device->writes.empty());
  ASSERT_FALSE(device->reads.empty());
  EXPECT_EQ(device->reads[0].sector, S(7));  // the source's header first

  reload(otherDisk, "F:");
  EXPECT_EQ(dir.CheckChain(), 0);
  const SlotHeader copied = dir.header(3);
  EXPECT_EQ(copied.previous(), 1);
  EXPECT_EQ(copied.next(), 2);
  EXPECT_EQ(copied.filename(), "b");
  EXPECT_EQ(WithoutOwnFields(copied), WithoutOwnFields(source));
  EXPECT_EQ(SlotData(other, 3), SlotData(image, 7));
  EXPECT_EQ(ui.progressLabels, std::vector<std::string>{"Copying b"});
  EXPECT_EQ(ui.progressMaximum, 4096u);
  EXPECT_EQ(ui.progressPosition, 4096u);
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(EntryCopyTest, CategoryNodeOfAnotherCardGivesTheCopyThatCategory) {
  CardBuilder().add(2, "", "Pong").writeTo(image);
  CardBuilder().add(1, "Arcade", "Zork").add(2, "Board", "Chess").add(3, "", "Pong")
      .writeTo(other);
  attach();
  attachOther();
  ASSERT_TRUE(copy(disk, "", "Pong", 2, {otherDisk, "F:", "Arcade"}));
  EXPECT_TRUE(ui.questions.empty());
  reload(otherDisk, "F:");
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(dir.header(4).category(), "Arcade");
  EXPECT_EQ(dir.header(4).filename(), "Pong");
  EXPECT_EQ(dir.header(4).previous(), 3);  // the blank category sorts first
  EXPECT_EQ(dir.header(4).next(), 1);
}

TEST_F(EntryCopyTest, SameNameOnAnotherCardIsReplacedAfterYes) {
  CardBuilder().add(3, "Games", "Pong").writeTo(image);
  const SlotHeader source = fill(image, 3, 11);
  CardBuilder().add(2, "", "Alpha").add(4, "", "PONG").add(6, "", "Zed").writeTo(other);
  fill(other, 4, 99);
  attach();
  attachOther();
  ui.answers = {Answer::Yes};

  ASSERT_TRUE(copy(disk, "Games", "Pong", 3, {otherDisk, "F:", ""}));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'F:\\Pong'?");
  EXPECT_EQ(ui.questions[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.questions[0].preferred, Answer::No);
  // Taken out, the data, the header with its old links: the neighbours are not touched.
  EXPECT_EQ(otherDevice->writtenSectors(), std::vector{S(4)} + SectorRun(S(4) + 1, 4095) + std::vector{S(4)});

  const SlotHeader replaced = testing::ReadHeader(other, 4);
  EXPECT_EQ(replaced.previous(), 2);
  EXPECT_EQ(replaced.next(), 6);
  EXPECT_EQ(replaced.filename(), "Pong");
  EXPECT_EQ(replaced.category(), "");
  EXPECT_EQ(WithoutOwnFields(replaced), WithoutOwnFields(source));
  EXPECT_EQ(SlotData(other, 4), SlotData(image, 3));
  reload(otherDisk, "F:");
  EXPECT_EQ(dir.CheckChain(), 0);
}

TEST_F(EntryCopyTest, NoToTheReplacementWritesNothing) {
  CardBuilder().add(3, "Games", "Pong").writeTo(image);
  CardBuilder().add(4, "Cat", "pong").writeTo(other);
  attach();
  attachOther();
  EXPECT_FALSE(copy(disk, "Games", "Pong", 3, {otherDisk, "F:", "Cat"}));  // No, the default
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'F:\\Cat\\Pong'?");
  EXPECT_TRUE(otherDevice->writes.empty());
  EXPECT_TRUE(device->writes.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.progressShown, 0);
}

TEST_F(EntryCopyTest, CopyIntoSlotOneKeepsTheTargetsCommonStorageAreaFields) {
  CardBuilder().add(5, "", "Pong").writeTo(image);
  fill(image, 5, 1);  // its csafile and csalen are the source card's business
  CardBuilder().add(2, "", "Zed").writeTo(other);
  SlotHeader h1 = testing::ReadHeader(other, 1);
  h1.setCsafile("Intro");
  h1.setCsaflag(1);
  h1.setCsalen(99'999);
  testing::WriteHeader(other, 1, h1);
  attach();
  attachOther();

  ASSERT_TRUE(copy(disk, "", "Pong", 5, {otherDisk, "F:", ""}));
  const SlotHeader written = testing::ReadHeader(other, 1);
  EXPECT_EQ(written.filename(), "Pong");
  EXPECT_EQ(written.csafile(), "Intro");
  EXPECT_EQ(written.csaflag(), 1);
  EXPECT_EQ(written.csalen(), 99'999u);
  EXPECT_EQ(written.first(), 1);
  EXPECT_EQ(written.last(), 2);
  EXPECT_EQ(written.next(), 2);
  EXPECT_EQ(written.proglen(), 1234);
  reload(otherDisk, "F:");
  EXPECT_EQ(dir.CheckChain(), 0);
}

// ---- Refusals and failures -----------------------------------------------------------------

TEST_F(EntryCopyTest, SourceThatNamesNoSlotDoesNothing) {
  CardBuilder().add(1, "", "Pong").writeTo(image);
  CardBuilder().writeTo(other);
  attach();
  attachOther();
  for (const int slot : {-1, 0, 513}) {
    SCOPED_TRACE(slot);
    EXPECT_FALSE(copy(disk, "", "Pong", slot, {otherDisk, "F:", ""}));
  }
  EXPECT_TRUE(device->reads.empty());
  EXPECT_TRUE(otherDevice->reads.empty());
  EXPECT_TRUE(otherDevice->writes.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.progressShown, 0);
  EXPECT_EQ(dir.vexodrv, -1);
}

TEST_F(EntryCopyTest, TargetWithoutAVexoVolumeIsRefused) {
  CardBuilder().add(1, "", "Pong").writeTo(image);
  attach();
  attachOther();  // all zeros
  EXPECT_FALSE(copy(disk, "", "Pong", 1, {otherDisk, "F:", ""}));
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"Target Drive does not contain a Vexo File system"});
  EXPECT_TRUE(otherDevice->writes.empty());
}

TEST_F(EntryCopyTest, FullTargetHasNoSlotForANewEntry) {
  CardBuilder full;
  for (int slot = 1; slot <= kSlotCount; ++slot) full.add(slot, "", "e" + std::to_string(slot));
  full.writeTo(image);  // the same card, where "e9" exists: a copy name needs a slot too
  full.writeTo(other);  // another card without a "Pong"
  attach();
  attachOther();

  EXPECT_FALSE(copy(disk, "", "e9", 9, target("")));
  EXPECT_FALSE(copy(disk, "", "e9", 9, {otherDisk, "F:", "Games"}));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{kNoSpace, kNoSpace}));
  EXPECT_TRUE(device->writes.empty());
  EXPECT_TRUE(otherDevice->writes.empty());
  EXPECT_TRUE(ui.questions.empty());
}

struct CopyFailure {
  const char* what;
  int failRead;   // on the source card
  int failWrite;  // on the target card
  std::vector<std::uint64_t> written;
  std::vector<std::string> messages;
};

class EntryCopyFailureTest : public EntryCopyTest,
                             public ::testing::WithParamInterface<CopyFailure> {};

TEST_P(EntryCopyFailureTest, StopsWithTheCopyError) {
  const CopyFailure& c = GetParam();
  CardBuilder().add(3, "", "Pong").writeTo(image);
  fill(image, 3, 5);
  testing::FormatImage(other);
  attach();
  attachOther();
  device->failReadNumber = c.failRead;
  otherDevice->failWriteNumber = c.failWrite;

  EXPECT_FALSE(copy(disk, "", "Pong", 3, {otherDisk, "F:", ""}));
  EXPECT_EQ(ui.messages, c.messages);
  EXPECT_EQ(otherDevice->writtenSectors(), c.written);
  EXPECT_FALSE(ui.progressVisible);
}

// The copy goes into slot 1 of an empty volume, so no chain write comes before its header.
// Source reads: 1 the header, 2 sectors 1 to 256, 3 sectors 257 to 512. Target writes: 16 runs of
// data (sectors 1 to 4095), then the header.
INSTANTIATE_TEST_SUITE_P(
    Transfers, EntryCopyFailureTest,
    ::testing::Values(
        CopyFailure{"HeaderRead", 1, 0, {}, {"Error copying Vexo File"}},
        CopyFailure{"LaterRead", 3, 0, SectorRun(1, 256), {"Error copying Vexo File"}},
        CopyFailure{"FirstDataWrite", 0, 1, {}, {"Input/output error", "Error copying Vexo File"}},
        CopyFailure{"LaterDataWrite", 0, 3, SectorRun(1, 512),
                    {"Input/output error", "Error copying Vexo File"}},
        CopyFailure{"HeaderWrite", 0, 17, SectorRun(1, 4095),
                    {"Input/output error", "Error writing Vexo Directory"}}),
    [](const ::testing::TestParamInfo<CopyFailure>& param) { return param.param.what; });

}  // namespace
}  // namespace vexo
