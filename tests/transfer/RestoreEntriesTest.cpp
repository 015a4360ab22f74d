// How a restore writes the entries it takes onto the card: whole cards backed up and restored,
// each area of a slot in runs, the header after its data, and the failures that stop it.

#include <gtest/gtest.h>

#include "tests/transfer/RestoreFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::PayloadOf;
using testing::RestoreTest;
using testing::S;
using testing::Stored;
using testing::StoredEntry;
using testing::WithoutLinks;
using testing::operator+;

// ---- Round trips --------------------------------------------------------------------------------

TEST_F(RestoreTest, BackupRestoresOntoAnEmptyCardByteForByte) {
  const testing::SampleCard card = testing::MakeSampleCard(image, 2, 3, 1);
  load();
  ASSERT_TRUE(WriteImageArchive(dir, disk, drive, BackupSlots(dir), true, archive));

  const std::string copy = testing::MakeImage(temp.file("copy.img"));
  testing::FormatImage(copy);
  const int copyDisk = table.AttachDevice(std::make_shared<testing::RecordingDevice>(copy));
  ASSERT_TRUE(dir.LoadDirectory(copyDisk, "F:", DirectoryLoad::Keep));
  ASSERT_TRUE(RestoreImage(dir, {copyDisk, "F:", ""}, archive, [](RestoreList&) { return true; }));

  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.questions.empty());
  for (int slot = 1; slot <= kSlotCount; ++slot)
    ASSERT_EQ(testing::ReadHeader(copy, slot), testing::ReadHeader(image, slot)) << slot;
  for (const auto& [slot, d] : card.data) {
    SCOPED_TRACE(slot);
    const SlotHeader h = testing::ReadHeader(image, slot);
    const auto region = [&](const std::string& path, std::uint64_t sector, std::size_t bytes) {
      return testing::ReadBytes(path, (S(slot) + sector) * kSectorSize, bytes);
    };
    EXPECT_EQ(region(copy, kProgramSector, h.proglen()), d.program);
    EXPECT_EQ(region(copy, kSmSector, h.smlen()), d.sm);
    EXPECT_EQ(region(copy, kGciSector, h.gcilen()), d.gci);
    if (h.gcilen() != 0) {
      EXPECT_EQ(region(copy, kGraphicsIndexSector, 8192),
                region(image, kGraphicsIndexSector, 8192));
    } else {  // nothing was stored of it
      EXPECT_EQ(region(copy, kGraphicsIndexSector, 8192),
                testing::IndexBytes(testing::GraphicsIndexOf(0, 0)));
    }
  }
  EXPECT_EQ(testing::ReadBytes(copy, testing::kCsaByte, card.csa.size()), card.csa);
  ASSERT_TRUE(dir.LoadDirectory(copyDisk, "F:", DirectoryLoad::Keep));
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(observer.categories, (std::vector<std::string>{"Tools", "Games"}));
  EXPECT_EQ(observer.changes, 1);
}

TEST_F(RestoreTest, BackupMergesIntoACardWithEntriesOfItsOwn) {
  const testing::SampleCard card = testing::MakeSampleCard(image, 5, 7, 9);  // Pong, Notes, Edit
  load();
  ASSERT_TRUE(WriteImageArchive(dir, disk, drive, BackupSlots(dir), true, archive));
  const std::vector<SlotHeader> source = dir.vexodirs;

  const std::string other = testing::MakeImage(temp.file("other.img"));
  CardBuilder().add(1, "Games", "Alpha").add(2, "Zeta", "x").add(4, "Games", "Qix").writeTo(other);
  const std::vector<std::uint8_t> own = Pattern(4095 * kSectorSize, 99);
  for (int slot : {1, 2, 4})
    testing::WriteBytes(other, (S(slot) + 1) * kSectorSize, own.data(), own.size());
  const int otherDisk = table.AttachDevice(std::make_shared<testing::RecordingDevice>(other));
  ASSERT_TRUE(dir.LoadDirectory(otherDisk, "F:", DirectoryLoad::Keep));
  const std::vector<SlotHeader> before = dir.vexodirs;
  ASSERT_TRUE(RestoreImage(dir, {otherDisk, "F:", ""}, archive, [](RestoreList&) { return true; }));

  EXPECT_TRUE(ui.messages.empty());
  ASSERT_TRUE(dir.LoadDirectory(otherDisk, "F:", DirectoryLoad::Keep));
  EXPECT_EQ(dir.CheckChain(), 0);
  // Stored in slot order 5, 7, 9; the free slots of the target are 3, 5, 6.
  const std::pair<int, int> moved[] = {{5, 3}, {7, 5}, {9, 6}};
  for (const auto& [from, to] : moved) {
    SCOPED_TRACE(to);
    SlotHeader expected = WithoutLinks(source[static_cast<std::size_t>(from)]);
    EXPECT_EQ(WithoutLinks(dir.header(to)), expected);
    const testing::EntryData& d = card.data.at(from);
    EXPECT_EQ(testing::ReadBytes(other, (S(to) + kProgramSector) * kSectorSize, d.program.size()),
              d.program);
    EXPECT_EQ(testing::ReadBytes(other, (S(to) + kSmSector) * kSectorSize, d.sm.size()), d.sm);
    EXPECT_EQ(testing::ReadBytes(other, (S(to) + kGciSector) * kSectorSize, d.gci.size()), d.gci);
  }
  for (int slot : {1, 2, 4}) {
    if (slot != 1) {
      EXPECT_EQ(WithoutLinks(dir.header(slot)),
                WithoutLinks(before[static_cast<std::size_t>(slot)]));
    }
    EXPECT_EQ(testing::ReadBytes(other, (S(slot) + 1) * kSectorSize, own.size()), own) << slot;
  }
  SlotHeader h1 = before[1];
  h1.setCsafile("Map");
  h1.setCsaflag(1);
  h1.setCsalen(70'000);
  EXPECT_EQ(WithoutLinks(dir.header(1)), WithoutLinks(h1));
  EXPECT_EQ(testing::ReadBytes(other, testing::kCsaByte, card.csa.size()), card.csa);
}

// ---- How entries are written --------------------------------------------------------------------

TEST_F(RestoreTest, GciThatFillsItsSlotStopsAtTheNextHeader) {
  CardBuilder().add(2, "", "next").writeTo(image);
  load();
  const SlotHeader next = dir.header(2);
  const StoredEntry big = Stored("", "big", 0, 0, kGciCapacity, 0, 3);
  put(PayloadOf({big}));
  ASSERT_TRUE(restore());
  expectData(1, big);
  const std::pair<std::uint64_t, std::size_t> last = {S(2) - 120, 120};  // 3960 = 15 × 256 + 120
  const auto w = writes();
  EXPECT_NE(std::find(w.begin(), w.end(), last), w.end());
  reload();
  EXPECT_EQ(WithoutLinks(dir.header(2)), WithoutLinks(next));
  EXPECT_EQ(dir.CheckChain(), 0);
}

class RestoreOneEntryTest : public RestoreTest {
 protected:
  // A card holding "a" in slot 1; the stored entry "b" goes into slot 2, after "a".
  void SetUp() override {
    RestoreTest::SetUp();
    CardBuilder().add(1, "", "a").writeTo(image);
    soil(2);
    std::vector<std::uint8_t> csaJunk(6 * kSectorSize, 0xEE);
    testing::WriteBytes(image, testing::kCsaByte, csaJunk.data(), csaJunk.size());
    load();
    entry = Stored("", "b", 600, 1000, 256 * 512 + 100, 3, 7);
    entry.header.setCsafile("Map");
    entry.header.setCsalen(3000);
    put(PayloadOf({entry}, 1, csa));
  }
  StoredEntry entry;
  const std::vector<std::uint8_t> csa = Pattern(3000, 8);
};

// Every byte of the entry and the area, then (after a flush) the headers that list them.
TEST_F(RestoreOneEntryTest, WritesEachAreaInRunsAndTheHeadersAfterAllData) {
  ASSERT_TRUE(restore());
  EXPECT_TRUE(ui.messages.empty());
  const std::uint64_t s = S(2);
  EXPECT_EQ(writes(), (std::vector<std::pair<std::uint64_t, std::size_t>>{
                          {s + 1, 2},
                          {s + 56, 16},
                          {s + 72, 2},
                          {s + 136, 256},
                          {s + 392, 1},
                          {kCsaFirstSector, 6},
                          {s, 1},
                          {0, 1},  // the chain: "a" before it, and the chain's end
                          {0, 1}}));  // the area's fields
  // The rest of the last sector of each area is zero; the sectors after it are not touched.
  EXPECT_EQ(at(2, 1, 3 * 512), testing::TransferFixture::Padded(entry.data.program) +
                                   std::vector<std::uint8_t>(512, 0xEE));
  EXPECT_EQ(at(2, 72, 2 * 512), testing::TransferFixture::Padded(entry.data.sm));
  EXPECT_EQ(at(2, 136, 257 * 512), testing::TransferFixture::Padded(entry.data.gci));
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 6 * 512),
            testing::TransferFixture::Padded(csa));
  expectData(2, entry);
  EXPECT_EQ(std::vector<std::string>(ui.progressLabels.begin() + 1, ui.progressLabels.end()),
            (std::vector<std::string>{"Restoring b", "Restoring Common Storage Area"}));
  EXPECT_FALSE(ui.progressVisible);
  reload();
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(dir.header(1).csafile(), "Map");
  EXPECT_EQ(dir.header(1).csalen(), 3000u);
}

struct WriteFailureCase {
  const char* what;
  int failWrite;  // the device write that fails, with its retry
  std::string message;
  bool entryWritten;
  friend void PrintTo(const WriteFailureCase& c, std::ostream* os) { *os << c.what; }
};

class RestoreWriteFailureTest : public RestoreOneEntryTest,
                                public ::testing::WithParamInterface<WriteFailureCase> {};

TEST_P(RestoreWriteFailureTest, StopsWithItsMessage) {
  const WriteFailureCase& c = GetParam();
  device->failWriteNumber = c.failWrite;
  EXPECT_FALSE(restore());
  EXPECT_EQ(ui.messages, (std::vector<std::string>{SystemErrorText(5), c.message}));
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(IsUsed(testing::ReadHeader(image, 2)), c.entryWritten);
  EXPECT_EQ(testing::ReadHeader(image, 1).csalen(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Restore, RestoreWriteFailureTest,
    ::testing::Values(
        WriteFailureCase{"Program", 1, "Failed to Write E: Sector 4097", false},
        WriteFailureCase{"GraphicsIndex", 2, "Error writing Vexo Graphics", false},
        WriteFailureCase{"Sm", 3, "Failed to Write E: Sector 4168", false},
        WriteFailureCase{"SecondRunOfGci", 5, "Failed to Write E: Sector 4488", false},
        WriteFailureCase{"Csa", 6, "Failed to Write E: Sector 2097152", false},
        WriteFailureCase{"Header", 7, "Error writing Vexo Directory", false},
        WriteFailureCase{"Header1AfterTheCsa", 9, "Error writing Vexo Directory", true}),
    testing::CaseName());

TEST_F(RestoreTest, RestoredHeaderTakesOnlyTheEntryFields) {
  testing::FormatImage(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);  // free, with the volume's CSA fields
  h1.setCsafile("Keep");
  h1.setCsaflag(1);
  h1.setCsalen(1234);
  h1.bytes[400] = 0x42;
  testing::WriteHeader(image, 1, h1);
  load();
  const SlotHeader h2 = dir.header(2);

  // Stored headers whose every byte outside the entry fields differs from the target's.
  std::vector<StoredEntry> entries = {Stored("Games", "Pong", 5, 6, 7, 1, 1),
                                      Stored("Games", "Zed", 5, 6, 7, 1, 2)};
  for (StoredEntry& e : entries) {
    SlotHeader& h = e.header;
    h.setNext(99);
    h.setPrevious(98);
    h.setFirst(97);
    h.setLast(96);
    h.setMagic(0x1234);
    h.bytes[10] = h.bytes[11] = 7;
    for (std::size_t pad : {63, 73, 105, 115, 279, 289}) h.bytes[pad] = 'X';
    h.setCsafile("Other");
    h.setCsaflag(2);
    for (std::size_t i = 322; i < 512; ++i) h.bytes[i] = static_cast<std::uint8_t>(i);
  }
  put(PayloadOf(entries));
  ASSERT_TRUE(restore());

  const auto expectedOf = [&](SlotHeader own, const SlotHeader& stored) {
    for (std::size_t i = 12; i < 296; ++i)
      if (i != 63 && i != 73 && i != 105 && i != 115 && i != 279 && i != 289)
        own.bytes[i] = stored.bytes[i];
    return own;
  };
  SlotHeader one = expectedOf(h1, entries[0].header);
  one.setFirst(1);
  one.setLast(2);
  one.setNext(2);
  SlotHeader two = expectedOf(h2, entries[1].header);
  two.setPrevious(1);
  EXPECT_EQ(testing::ReadHeader(image, 1), one);
  EXPECT_EQ(testing::ReadHeader(image, 2), two);
  EXPECT_EQ(dir.header(1), one);
  EXPECT_EQ(dir.header(2), two);
}

TEST_F(RestoreTest, GraphicsIndexIsAlwaysWrittenWhole) {
  testing::FormatImage(image);
  soil(1);
  soil(2);
  load();
  const StoredEntry three = Stored("", "three", 0, 0, 10, 3, 1);
  const StoredEntry none = Stored("", "none", 0, 0, 0, 0, 2);
  put(PayloadOf({three, none}));
  ASSERT_TRUE(restore());
  EXPECT_EQ(at(1, 56, 8192), testing::IndexBytes(testing::GraphicsIndexOf(3, 1)));
  EXPECT_EQ(at(2, 56, 8192), testing::IndexBytes(testing::GraphicsIndexOf(0, 0)));
  EXPECT_EQ(writes().front(), (std::pair<std::uint64_t, std::size_t>{S(1) + 56, 16}));
  const auto w = writes();
  EXPECT_NE(std::find(w.begin(), w.end(), std::pair<std::uint64_t, std::size_t>{S(2) + 56, 16}),
            w.end());
  EXPECT_EQ(at(2, 1, 512), std::vector<std::uint8_t>(512, 0xEE));  // no program: nothing written
}

}  // namespace
}  // namespace vexo
