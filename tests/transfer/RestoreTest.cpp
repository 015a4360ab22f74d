// Restoring an image archive: the list the person chooses from, the checks that refuse an
// archive before anything is written, and how the chosen entries and the Common Storage Area
// land on the card.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/transfer/ArchiveFixture.h"
#include "transfer/Backup.h"
#include "transfer/Restore.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::PayloadOf;
using testing::S;
using testing::Stored;
using testing::StoredEntry;
using testing::operator+;

constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";

SlotHeader WithoutLinks(SlotHeader h) {
  h.setNext(0);
  h.setPrevious(0);
  h.setFirst(0);
  h.setLast(0);
  return h;
}

std::vector<std::string> Texts(const RestoreList& list) {
  std::vector<std::string> texts;
  for (const RestoreItem& item : list.items()) texts.push_back(item.text);
  return texts;
}

// `bytes` without their last `n`.
std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t n) {
  bytes.resize(bytes.size() - n);
  return bytes;
}

// ---- The list of "Modify entries to be restored" --------------------------------------------

RestoreList SampleList() {
  return RestoreList({{"zeta", false, 1},
                      {"Games\\pong", false, 2},
                      {"alpha", true, 3},
                      {"games\\Art", false, 4},
                      {"Tools\\x", true, 5}});
}

TEST(RestoreListTest, SortedWithoutRegardToCaseAndAllChecked) {
  const RestoreList list = SampleList();
  EXPECT_EQ(Texts(list),
            (std::vector<std::string>{"alpha", "games\\Art", "Games\\pong", "Tools\\x", "zeta"}));
  std::vector<int> stored;
  for (const RestoreItem& item : list.items()) {
    EXPECT_TRUE(item.checked) << item.text;
    stored.push_back(item.stored);
  }
  EXPECT_EQ(stored, (std::vector<int>{3, 4, 2, 5, 1}));
}

TEST(RestoreListTest, CheckAllAndUncheckAll) {
  RestoreList list = SampleList();
  list.UncheckAll();
  for (const RestoreItem& item : list.items()) EXPECT_FALSE(item.checked);
  list.items()[2].checked = true;
  list.CheckAll();
  for (const RestoreItem& item : list.items()) EXPECT_TRUE(item.checked);
}

TEST(RestoreListTest, ProposedCategoryIsThatOfTheFirstCheckedItemWithOne) {
  RestoreList list = SampleList();  // alpha, games\Art, Games\pong, Tools\x, zeta
  EXPECT_EQ(list.ProposedCategory(), "games");
  list.items()[1].checked = false;
  list.items()[2].checked = false;
  EXPECT_EQ(list.ProposedCategory(), "Tools");
  list.items()[3].checked = false;
  EXPECT_EQ(list.ProposedCategory(), "");  // alpha and zeta have none
  list.UncheckAll();
  EXPECT_EQ(list.ProposedCategory(), "");
}

TEST(RestoreListTest, ChangeCheckedCategoryLeavesUncheckedItemsAlone) {
  RestoreList list = SampleList();
  list.items()[1].checked = false;  // games\Art
  list.items()[4].checked = false;  // zeta
  list.ChangeCheckedCategory("New");
  EXPECT_EQ(Texts(list),
            (std::vector<std::string>{"New\\alpha", "games\\Art", "New\\pong", "New\\x", "zeta"}));
  list.ChangeCheckedCategory("");
  EXPECT_EQ(Texts(list),
            (std::vector<std::string>{"\\alpha", "games\\Art", "\\pong", "\\x", "zeta"}));
  EXPECT_EQ(RestoreList::Split("\\pong"), (std::pair<std::string, std::string>{"", "pong"}));
}

TEST(RestoreListTest, RenameKeepsPlaceCheckMarkAndStoredEntry) {
  RestoreList list = SampleList();
  list.items()[1].checked = false;
  list.Rename(1, "Zoo", "Art2");  // would sort last; stays second
  list.Rename(2, "", "bare");
  EXPECT_EQ(Texts(list),
            (std::vector<std::string>{"alpha", "Zoo\\Art2", "bare", "Tools\\x", "zeta"}));
  EXPECT_FALSE(list.items()[1].checked);
  EXPECT_TRUE(list.items()[2].checked);
  EXPECT_EQ(list.items()[1].stored, 4);
  EXPECT_EQ(list.items()[2].stored, 2);
}

TEST(RestoreListTest, SplitAtTheFirstBackslashAndJoin) {
  struct Case {
    std::string text, category, filename;
  };
  const Case cases[] = {
      {"Games\\Pong", "Games", "Pong"},
      {"a\\b\\c", "a", "b\\c"},  // at the first backslash only
      {"Pong", "", "Pong"},      // no category
      {"\\Pong", "", "Pong"},    // an empty one
      {"Games\\", "Games", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RestoreList::Split(c.text), (std::pair{c.category, c.filename}));
  }
  EXPECT_EQ(RestoreList::Join("Games", "Pong"), "Games\\Pong");
  EXPECT_EQ(RestoreList::Join("", "Pong"), "Pong");
}

// ---- Restoring -----------------------------------------------------------------------------

struct RecordingObserver : VolumeObserver {
  std::vector<std::string> categories;
  int refuseAt = 0;  // 1-based call that answers false; 0: none
  int changes = 0;
  bool showCategory(const std::string& category) override {
    categories.push_back(category);
    return static_cast<int>(categories.size()) != refuseAt;
  }
  void entriesChanged() override { ++changes; }
};

class RestoreTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    archive = temp.file("in.VexoImage");
    dir.observer = &observer;
  }
  void put(const std::vector<std::uint8_t>& payload) { testing::WriteArchive(archive, payload); }
  bool restore(const std::function<void(RestoreList&)>& choose = [](RestoreList&) {}) {
    return RestoreImage(dir, target(), archive, [&](RestoreList& list) {
      ++chooserCalls;
      shown = Texts(list);
      choose(list);
      return true;
    });
  }
  void reload() { ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep)); }
  // Fills the data sectors of a slot, so that what a restore leaves in them shows.
  void soil(int slot) {
    const std::vector<std::uint8_t> junk(4095 * kSectorSize, 0xEE);
    testing::WriteBytes(image, (S(slot) + 1) * kSectorSize, junk.data(), junk.size());
  }
  std::vector<std::uint8_t> at(int slot, std::uint64_t sector, std::size_t bytes) const {
    return testing::ReadBytes(image, (S(slot) + sector) * kSectorSize, bytes);
  }
  // The entry's data is in the slot, its index as stored and filled up with empty records.
  void expectData(int slot, const StoredEntry& e) const {
    SCOPED_TRACE("slot " + std::to_string(slot));
    EXPECT_EQ(at(slot, kProgramSector, e.data.program.size()), e.data.program);
    EXPECT_EQ(at(slot, kSmSector, e.data.sm.size()), e.data.sm);
    EXPECT_EQ(at(slot, kGciSector, e.data.gci.size()), e.data.gci);
    std::vector<GraphicsRecord> index(
        e.data.index.begin(), e.data.index.begin() + static_cast<std::ptrdiff_t>(e.gfxcount));
    index.resize(kGraphicsRecords, GraphicsRecord::Empty());
    EXPECT_EQ(at(slot, kGraphicsIndexSector, 8192), testing::IndexBytes(index));
  }
  std::vector<std::pair<std::uint64_t, std::size_t>> writes() const {
    std::vector<std::pair<std::uint64_t, std::size_t>> out;
    for (const auto& w : device->writes) out.emplace_back(w.sector, w.count);
    return out;
  }

  std::string archive;
  RecordingObserver observer;
  int chooserCalls = 0;
  std::vector<std::string> shown;
};

// ---- Round trips ---------------------------------------------------------------------------

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

// ---- Before anything is written ------------------------------------------------------------

TEST_F(RestoreTest, CancelWritesNothingAndShowsNoProgress) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  const std::vector<SlotHeader> before = dir.vexodirs;
  put(PayloadOf({Stored("Games", "Pong", 10, 10, 10, 1, 1), Stored("", "b", 10, 0, 0, 0, 2)}, 1,
                {}));
  int calls = 0;
  EXPECT_FALSE(RestoreImage(dir, target(), archive, [&](RestoreList& list) {
    ++calls;
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"b", "Games\\Pong"}));
    return false;
  }));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(device->writes.empty());
  EXPECT_EQ(ui.progressShown, 0);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dir.vexodirs, before);
  EXPECT_EQ(observer.changes, 0);
}

// Payloads that do not hold what they say.
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

TEST_F(RestoreTest, BytesAfterThePayloadAreIgnored) {
  testing::FormatImage(image);
  load();
  StoredEntry e = Stored("", "a", 100, 0, 0, 0, 1);
  e.header.setCsalen(700);
  // Any hascsa but 1 means no Common Storage Area, whatever follows.
  for (const int hascsa : {0, 2, 255}) {
    SCOPED_TRACE(hascsa);
    testing::FormatImage(image);
    reload();
    device->writes.clear();
    std::vector<std::uint8_t> payload = PayloadOf({e});
    payload[6] = static_cast<std::uint8_t>(hascsa);
    payload.insert(payload.end(), 700, 0xAB);
    put(payload);
    ASSERT_TRUE(restore());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(testing::ReadHeader(image, 1).filename(), "a");
    EXPECT_EQ(testing::ReadHeader(image, 1).csalen(), 0u);
    expectData(1, e);
    for (const auto& [sector, count] : writes()) EXPECT_LT(sector, kCsaFirstSector);
  }
}

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

struct CsaFitCase {
  const char* what;
  std::size_t csaBytes;
  bool fits;
  friend void PrintTo(const CsaFitCase& c, std::ostream* os) { *os << c.what; }
};

class RestoreCsaFitTest : public RestoreTest, public ::testing::WithParamInterface<CsaFitCase> {};

TEST_P(RestoreCsaFitTest, CsaLargerThanTheCardIsRefusedBeforeAnyWrite) {
  const CsaFitCase& c = GetParam();
  image = testing::MakeImage(temp.file("small.img"), testing::kOneGiB + 8 * kSectorSize);
  testing::FormatImage(image);
  load();
  StoredEntry e = Stored("", "a", 100, 0, 0, 0, 1);
  e.header.setCsalen(static_cast<std::uint32_t>(c.csaBytes));
  const std::vector<std::uint8_t> csa = Pattern(c.csaBytes, 5);
  put(PayloadOf({e}, 1, csa));

  EXPECT_EQ(restore(), c.fits);
  if (c.fits) {
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, c.csaBytes), csa);
  } else {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].rfind("Disk is too small for the Common Storage Area of this image", 0), 0u)
        << ui.messages[0];
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(ui.progressShown, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Restore, RestoreCsaFitTest,
                         ::testing::Values(CsaFitCase{"LastSectorOfTheCard", 8 * 512, true},
                                           CsaFitCase{"OneByteBeyond", 8 * 512 + 1, false}),
                         testing::CaseName());

// ---- How entries are written ---------------------------------------------------------------

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

TEST_F(RestoreOneEntryTest, WritesEachAreaInRunsAndTheHeaderAfterItsData) {
  ASSERT_TRUE(restore());
  EXPECT_TRUE(ui.messages.empty());
  const std::uint64_t s = S(2);
  EXPECT_EQ(writes(), (std::vector<std::pair<std::uint64_t, std::size_t>>{
                          {s + 1, 2},
                          {s + 56, 16},
                          {s + 72, 2},
                          {s + 136, 256},
                          {s + 392, 1},
                          {0, 1},
                          {0, 1},  // the chain: "a" before it, and the chain's end
                          {s, 1},
                          {kCsaFirstSector, 6},
                          {0, 1}}));
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
        WriteFailureCase{"Header", 8, "Error writing Vexo Directory", false},
        WriteFailureCase{"Csa", 9, "Failed to Write E: Sector 2097152", true},
        WriteFailureCase{"Header1AfterTheCsa", 10, "Error writing Vexo Directory", true}),
    testing::CaseName());

TEST_F(RestoreTest, EntriesAreWrittenInPayloadOrderWhateverTheListOrder) {
  testing::FormatImage(image);
  load();
  const StoredEntry zeta = Stored("", "zeta", 10, 0, 0, 0, 1);
  const StoredEntry alpha = Stored("", "alpha", 20, 0, 0, 0, 2);
  const StoredEntry mid = Stored("", "Mid", 30, 0, 0, 0, 3);
  put(PayloadOf({zeta, alpha, mid}));
  ASSERT_TRUE(restore());
  EXPECT_EQ(shown, (std::vector<std::string>{"alpha", "Mid", "zeta"}));
  EXPECT_EQ(std::vector<std::string>(ui.progressLabels.begin() + 1, ui.progressLabels.end()),
            (std::vector<std::string>{"Restoring zeta", "Restoring alpha", "Restoring Mid"}));
  reload();
  EXPECT_EQ(dir.header(1).filename(), "zeta");
  EXPECT_EQ(dir.header(2).filename(), "alpha");
  EXPECT_EQ(dir.header(3).filename(), "Mid");
  expectData(1, zeta);
  expectData(2, alpha);
  expectData(3, mid);
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_TRUE(observer.categories.empty());  // the blank category shows no node
}

TEST_F(RestoreTest, UncheckingEveryEntryStillRestoresTheCsa) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  const SlotHeader before = dir.header(1);
  StoredEntry first = Stored("Games", "Pong", 100, 0, 0, 0, 1);
  first.header.setCsafile("Map");
  first.header.setCsaflag(1);
  first.header.setCsalen(3000);
  const std::vector<std::uint8_t> csa = Pattern(3000, 4);
  put(PayloadOf({first, Stored("", "b", 10, 0, 0, 0, 2)}, 1, csa));

  ASSERT_TRUE(restore([](RestoreList& list) { list.UncheckAll(); }));
  EXPECT_EQ(writes(),
            (std::vector<std::pair<std::uint64_t, std::size_t>>{{kCsaFirstSector, 6}, {0, 1}}));
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 3000), csa);
  SlotHeader expected = before;
  expected.setCsafile("Map");
  expected.setCsaflag(1);
  expected.setCsalen(3000);
  EXPECT_EQ(testing::ReadHeader(image, 1), expected);
  EXPECT_EQ(ui.progressLabels.back(), "Restoring Common Storage Area");
  EXPECT_EQ(ui.progressShown, 1);
}

TEST_F(RestoreTest, CsaWithoutEntriesIsTheRestOfThePayloadAndSetsOnlyCsalen) {
  CardBuilder().add(1, "", "a").writeTo(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsafile("Keep");
  h1.setCsaflag(1);
  h1.setCsalen(10);
  testing::WriteHeader(image, 1, h1);
  load();
  const std::vector<std::uint8_t> csa = Pattern(3000, 6);
  std::vector<std::uint8_t> payload = {'D', 'M', 'L', 'E', 0, 0, 1};
  payload.insert(payload.end(), csa.begin(), csa.end());
  put(payload);

  ASSERT_TRUE(restore());
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 6 * 512),
            testing::TransferFixture::Padded(csa));
  h1.setCsalen(3000);
  EXPECT_EQ(testing::ReadHeader(image, 1), h1);
  EXPECT_TRUE(ui.messages.empty());
}

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

// ---- Names on the target -------------------------------------------------------------------

struct ReplaceCase {
  const char* what;
  Answer answer;
  int slot;  // where the entry being replaced is
  friend void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.what; }
};

class RestoreReplaceTest : public RestoreTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(RestoreReplaceTest, SameNameAsksAndYesTakesItsSlot) {
  const ReplaceCase& c = GetParam();
  CardBuilder()
      .add(c.slot, "Games", "Pong")
      .add(c.slot == 1 ? 3 : 1, "Games", "Alpha")
      .add(4, "Tools", "x")
      .writeTo(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsafile("Keep");
  h1.setCsalen(1234);
  testing::WriteHeader(image, 1, h1);
  soil(c.slot);
  load();
  const SlotHeader old = dir.header(c.slot);
  const StoredEntry pong = Stored("GAMES", "pong", 700, 300, 5000, 2, 5);
  const StoredEntry zed = Stored("Games", "Zed", 10, 20, 30, 1, 6);
  put(PayloadOf({pong, zed}));
  ui.answers = {c.answer};

  // An entry left out by the answer No makes the restore report that not everything came back.
  EXPECT_EQ(restore(), c.answer == Answer::Yes);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'pong'?");
  EXPECT_EQ(ui.questions[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.questions[0].preferred, Answer::No);
  reload();
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(dir.header(2).filename(), "Zed");  // the next entry is restored either way
  expectData(2, zed);
  EXPECT_EQ(dir.FindFreeSlot(), 5);
  if (c.answer == Answer::Yes) {
    EXPECT_EQ(dir.header(c.slot).filename(), "pong");
    EXPECT_EQ(dir.header(c.slot).category(), "GAMES");
    expectData(c.slot, pong);
  } else {
    EXPECT_EQ(WithoutLinks(dir.header(c.slot)), WithoutLinks(old));
    EXPECT_EQ(at(c.slot, 1, 512), std::vector<std::uint8_t>(512, 0xEE));
  }
  EXPECT_EQ(dir.header(1).csafile(), "Keep");
  EXPECT_EQ(dir.header(1).csalen(), 1234u);
}

INSTANTIATE_TEST_SUITE_P(Restore, RestoreReplaceTest,
                         ::testing::Values(ReplaceCase{"Yes", Answer::Yes, 3},
                                           ReplaceCase{"No", Answer::No, 3},
                                           ReplaceCase{"YesInSlot1", Answer::Yes, 1}),
                         testing::CaseName());

TEST_F(RestoreTest, RenamedEntriesAreRestoredUnderTheirNewNames) {
  testing::FormatImage(image);
  load();
  const StoredEntry edit = Stored("Tools", "Edit", 30, 40, 50, 2, 3);
  const StoredEntry snake = Stored("Games", "Snake", 20, 0, 0, 0, 2);
  const StoredEntry pong = Stored("Games", "Pong", 10, 0, 0, 0, 1);
  put(PayloadOf({edit, snake, pong}));

  ASSERT_TRUE(restore([](RestoreList& list) {  // Games\Pong, Games\Snake, Tools\Edit
    list.items()[2].checked = false;
    list.ChangeCheckedCategory("Retro");
    list.Rename(1, "", "Worm");
  }));
  reload();
  EXPECT_EQ(dir.header(1).category(), "");
  EXPECT_EQ(dir.header(1).filename(), "Worm");
  EXPECT_EQ(dir.header(2).category(), "Retro");
  EXPECT_EQ(dir.header(2).filename(), "Pong");
  expectData(1, snake);
  expectData(2, pong);
  EXPECT_FALSE(IsUsed(dir.header(3)));
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(observer.categories, std::vector<std::string>{"Retro"});
}

TEST_F(RestoreTest, SecondEntryGivenTheSameNameAsksToReplaceTheFirst) {
  testing::FormatImage(image);
  load();
  const StoredEntry a = Stored("Games", "a", 10, 0, 0, 0, 1);
  const StoredEntry b = Stored("Games", "b", 20, 0, 0, 0, 2);
  put(PayloadOf({a, b}));
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(restore([](RestoreList& list) { list.Rename(1, "Games", "A"); }));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'A'?");
  reload();
  EXPECT_EQ(dir.header(1).filename(), "A");
  expectData(1, b);
  EXPECT_FALSE(IsUsed(dir.header(2)));
  EXPECT_EQ(dir.CheckChain(), 0);
}

TEST_F(RestoreTest, FullCardRefusesEachNewEntryAndStillRestoresTheCsa) {
  CardBuilder full;
  for (int slot = 1; slot <= kSlotCount; ++slot) full.add(slot, "", "e" + std::to_string(slot));
  full.writeTo(image);
  load();
  StoredEntry new1 = Stored("", "new1", 10, 20, 30, 2, 1);
  new1.header.setCsalen(3000);
  const StoredEntry e7 = Stored("", "E7", 20, 30, 40, 1, 2);
  const StoredEntry new2 = Stored("", "new2", 30, 40, 50, 3, 3);
  const std::vector<std::uint8_t> csa = Pattern(3000, 9);
  put(PayloadOf({new1, e7, new2}, 1, csa));
  ui.answers = {Answer::Yes};

  EXPECT_FALSE(restore());  // two entries had no room
  EXPECT_EQ(ui.messages, (std::vector<std::string>{kNoSpace, kNoSpace}));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'E7'?");
  reload();
  EXPECT_EQ(dir.header(7).filename(), "E7");
  expectData(7, e7);
  EXPECT_EQ(dir.header(1).csalen(), 3000u);
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 3000), csa);
  EXPECT_EQ(dir.CheckChain(), 0);
}

// ---- The volume tree -----------------------------------------------------------------------

TEST_F(RestoreTest, EachRestoredCategoryIsShownAndAMissingVolumeNodeStops) {
  testing::FormatImage(image);
  load();
  const StoredEntry a = Stored("Games", "a", 10, 0, 0, 0, 1);
  put(PayloadOf({Stored("", "x", 10, 0, 0, 0, 4), a, Stored("Games", "b", 10, 0, 0, 0, 2),
                 Stored("Tools", "c", 10, 0, 0, 0, 3)}));
  ASSERT_TRUE(restore());
  EXPECT_EQ(observer.categories, (std::vector<std::string>{"Games", "Games", "Tools"}));
  EXPECT_EQ(observer.changes, 1);

  // Again onto an empty card, with the volume node gone after the first entry with a category.
  testing::FormatImage(image);
  reload();
  observer = RecordingObserver{};
  observer.refuseAt = 1;
  ASSERT_FALSE(restore());
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Logic Error 4"});
  EXPECT_EQ(observer.changes, 0);
  EXPECT_FALSE(ui.progressVisible);
  reload();
  EXPECT_EQ(dir.header(2).filename(), "a");  // completely written
  expectData(2, a);
  EXPECT_FALSE(IsUsed(dir.header(3)));
  EXPECT_EQ(dir.CheckChain(), 0);
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

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
