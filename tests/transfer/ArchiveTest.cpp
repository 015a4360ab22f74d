// Export and backup into an image archive: what the payload holds, what is read of the card
// for it, how a failure leaves the PC's folder, and the 7z container around it, checked with
// the 7-Zip command line.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/transfer/ArchiveFixture.h"
#include "transfer/ArchiveDestination.h"
#include "transfer/Backup.h"
#include "transfer/Restore.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::DataOf;
using testing::EntryData;
using testing::Pattern;
using testing::S;

const std::vector<std::uint8_t> kOldArchive = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

class ArchiveTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    archive = temp.file("out.VexoImage");
  }
  bool write(const std::vector<int>& slots, bool withCsa) {
    return WriteImageArchive(dir, disk, drive, slots, withCsa, archive);
  }
  std::vector<std::uint8_t> payload() {
    std::optional<std::vector<std::uint8_t>> bytes = testing::ReadPayload(archive);
    EXPECT_TRUE(bytes) << archive;
    return bytes.value_or(std::vector<std::uint8_t>{});
  }
  // Whether a read touched this sector of the card.
  bool read(std::uint64_t sector) const {
    for (const auto& r : device->reads)
      if (sector >= r.sector && sector < r.sector + r.count) return true;
    return false;
  }

  std::string archive;
};

// ---- What a backup stores ------------------------------------------------------------------

TEST_F(ArchiveTest, BackupStoresEveryUsedSlotInSlotOrderAndTheCsaLast) {
  // Slot order (Edit, Notes, Pong) is not the chain's order (Notes, Pong, Edit).
  const testing::SampleCard card = testing::MakeSampleCard(image, 9, 4, 1);
  load();
  const std::vector<SlotHeader> before = dir.vexodirs;

  const std::vector<int> slots = BackupSlots(dir);
  ASSERT_EQ(slots, (std::vector<int>{1, 4, 9}));
  ASSERT_TRUE(write(slots, true));

  EXPECT_EQ(payload(), testing::ExpectedPayload(image, card, slots, true));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.progressLabels, (std::vector<std::string>{
                                   "Copying and compressing", "Copying and compressing Edit",
                                   "Copying and compressing Notes", "Copying and compressing Pong",
                                   "Copying and compressing Common Storage Area"}));
  EXPECT_EQ(ui.progressMaximum,
            3 * 512 + (600 + 1000 + 5000) + 28'160 + (3 + 32'768 + kGciCapacity - 1) + 70'000);
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(ui.busyNow);
  // Only read: neither the card nor the directory in memory changes.
  EXPECT_TRUE(device->writes.empty());
  EXPECT_EQ(dir.vexodirs, before);
  // The indexes come first, the one of an entry without graphics is not even read.
  ASSERT_GE(device->reads.size(), 2u);
  EXPECT_EQ(device->reads[0].sector, S(1) + 56);
  EXPECT_EQ(device->reads[0].count, 16u);
  EXPECT_EQ(device->reads[1].sector, S(9) + 56);
  for (std::uint64_t s = 56; s < 72; ++s) EXPECT_FALSE(read(S(4) + s)) << s;
}

TEST_F(ArchiveTest, FirstStoredHeaderCarriesTheCsaFieldsOfHeader1) {
  CardBuilder().add(3, "", "a").add(5, "", "b").writeTo(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);  // slot 1 is free
  h1.setCsafile("Map");
  h1.setCsaflag(1);
  h1.setCsalen(1000);
  testing::WriteHeader(image, 1, h1);
  for (int slot : {3, 5}) {
    SlotHeader h = testing::ReadHeader(image, slot);
    h.setCsafile("Own" + std::to_string(slot));
    h.setCsalen(7);
    testing::WriteHeader(image, slot, h);
  }
  const std::vector<std::uint8_t> csa = Pattern(1000, 9);
  testing::WriteBytes(image, testing::kCsaByte, csa.data(), csa.size());
  load();
  const SlotHeader stored3 = dir.header(3);
  const SlotHeader stored5 = dir.header(5);

  struct Case {
    const char* what;
    bool withCsa;
    std::uint8_t hascsa;
  };
  for (const Case c : {Case{"backup", true, 1}, Case{"export", false, 0}}) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(write({3, 5}, c.withCsa));
    const std::vector<std::uint8_t> p = payload();
    ASSERT_EQ(p.size(), 7 + 2 * 512 + 2 * 2 + (c.withCsa ? 1000u : 0u));
    EXPECT_EQ(p[6], c.hascsa);
    SlotHeader first, second;
    std::copy_n(p.begin() + 7, 512, first.bytes.begin());
    std::copy_n(p.begin() + 7 + 512, 512, second.bytes.begin());
    EXPECT_EQ(first.csafile(), "Map");
    EXPECT_EQ(first.csaflag(), 1);
    EXPECT_EQ(first.csalen(), 1000u);
    SlotHeader rest = first;
    std::copy(stored3.bytes.begin() + kCsaFieldsBegin, stored3.bytes.begin() + kCsaFieldsEnd,
              rest.bytes.begin() + kCsaFieldsBegin);
    EXPECT_EQ(rest, stored3);  // nothing else differs
    EXPECT_EQ(second, stored5);
    if (c.withCsa) {
      EXPECT_TRUE(std::equal(csa.begin(), csa.end(), p.end() - 1000));
    }
    EXPECT_EQ(dir.header(3), stored3);
  }
}

// ---- Sizes and the graphics index ----------------------------------------------------------

TEST_F(ArchiveTest, PayloadSizesOfAnEmptyVolumeAndOfAThreeByteProgram) {
  testing::FormatImage(image);
  load();
  ASSERT_TRUE(write(BackupSlots(dir), true));
  EXPECT_EQ(payload(), (std::vector<std::uint8_t>{0x44, 0x4D, 0x4C, 0x45, 0, 0, 0}));

  CardBuilder().add(1, "", "tiny").writeTo(image);
  testing::PutEntryData(image, 1, DataOf(3, 0, 0, 4, 5), 5);
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  device->reads.clear();
  ASSERT_TRUE(write(BackupSlots(dir), true));
  const std::vector<std::uint8_t> p = payload();
  ASSERT_EQ(p.size(), 524u);
  EXPECT_EQ(std::vector<std::uint8_t>(p.begin() + 4, p.begin() + 7),
            (std::vector<std::uint8_t>{1, 0, 0}));
  std::vector<std::uint8_t> block = Pattern(3, 5);  // the program, then gfxcount 0
  block.insert(block.end(), {0, 0});
  EXPECT_EQ(std::vector<std::uint8_t>(p.begin() + 519, p.end()), block);
  // The program's one sector, and nothing of the index although it holds names.
  EXPECT_EQ(device->reads.size(), 1u);
  EXPECT_TRUE(read(S(1) + 1));

  // No entry but a used Common Storage Area: the area follows the preamble directly.
  testing::FormatImage(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsalen(1000);
  testing::WriteHeader(image, 1, h1);
  const std::vector<std::uint8_t> csa = Pattern(1000, 6);
  testing::WriteBytes(image, testing::kCsaByte, csa.data(), csa.size());
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  ASSERT_TRUE(write(BackupSlots(dir), true));
  std::vector<std::uint8_t> expected = {0x44, 0x4D, 0x4C, 0x45, 0, 0, 1};
  expected.insert(expected.end(), csa.begin(), csa.end());
  EXPECT_EQ(payload(), expected);
}

struct GraphicsCase {
  const char* what;
  std::uint32_t gcilen;
  std::vector<std::size_t> empty;  // records (from 1) that are empty; the others are named
  bool zeroed;                     // the empty records are zero bytes rather than blanks
  std::size_t stored;
  friend void PrintTo(const GraphicsCase& c, std::ostream* os) { *os << c.what; }
};

class ArchiveGraphicsTest : public ArchiveTest,
                            public ::testing::WithParamInterface<GraphicsCase> {};

TEST_P(ArchiveGraphicsTest, StoresTheLeadingNamedRecordsAsTheyAreOnTheCard) {
  const GraphicsCase& c = GetParam();
  CardBuilder().add(2, "", "pics").writeTo(image);
  EntryData d = DataOf(0, 0, c.gcilen, kGraphicsRecords, 7);
  for (std::size_t k : c.empty) {
    d.index[k - 1] = GraphicsRecord::Empty();
    if (c.zeroed) d.index[k - 1].bytes.fill(0);
  }
  testing::PutEntryData(image, 2, d, 7);
  load();
  ASSERT_TRUE(write({2}, false));

  const std::vector<std::uint8_t> p = payload();
  ASSERT_EQ(p.size(), 7 + 512 + 2 + 32 * c.stored + c.gcilen);
  EXPECT_EQ(p[519] | p[520] << 8, static_cast<int>(c.stored));
  const std::vector<std::uint8_t> index = testing::IndexBytes(d.index);
  EXPECT_TRUE(std::equal(p.begin() + 521,
                         p.begin() + 521 + static_cast<std::ptrdiff_t>(32 * c.stored),
                         index.begin()));
  EXPECT_EQ(read(S(2) + 56) && read(S(2) + 71), c.gcilen != 0);
}

const GraphicsCase kGraphicsCases[] = {
    {"NoGraphicsData", 0, {}, false, 0},
    {"ThirdEmptyLaterNamed", 100, {3}, false, 2},
    {"ThirdZeroedLaterNamed", 100, {3, 9}, true, 2},
    {"AllNamed", 100, {}, false, 256},
    {"FirstEmpty", 100, {1}, false, 0},
    {"LastEmpty", 100, {256}, false, 255},
};
INSTANTIATE_TEST_SUITE_P(Archive, ArchiveGraphicsTest, ::testing::ValuesIn(kGraphicsCases),
                         testing::CaseName());

TEST_F(ArchiveTest, ProgramOf600BytesReadsTwoSectorsAndStores600Bytes) {
  CardBuilder().add(1, "", "a").add(2, "", "b").writeTo(image);
  const EntryData d = DataOf(600, 0, 0, 0, 3);
  testing::PutEntryData(image, 2, d, 3);
  testing::PutEntryData(image, 1, DataOf(0, 0, 0, 0, 4), 4);
  load();
  ASSERT_TRUE(write({1, 2}, false));
  ASSERT_EQ(device->reads.size(), 1u);
  EXPECT_EQ(device->reads[0].sector, S(2) + 1);
  EXPECT_EQ(device->reads[0].count, 2u);
  const std::vector<std::uint8_t> p = payload();
  ASSERT_EQ(p.size(), 7 + 2 * 512 + 2 + 600 + 2);
  EXPECT_TRUE(std::equal(d.program.begin(), d.program.end(), p.begin() + 7 + 1024 + 2));
}

// ---- Export --------------------------------------------------------------------------------

class ExportTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    CardBuilder()
        .add(2, "Games", "C")
        .add(3, "Tools", "A")
        .add(5, "Games", "A")
        .add(7, "Games", "B")
        .writeTo(image);
    for (int slot : {2, 3, 5, 7})
      testing::PutEntryData(image, slot, DataOf(10, 20, 30, 1, static_cast<std::uint8_t>(slot)),
                            static_cast<std::uint8_t>(slot));
    SlotHeader h1 = testing::ReadHeader(image, 1);
    h1.setCsalen(5000);
    testing::WriteHeader(image, 1, h1);
    load();
  }
};

TEST_F(ExportTest, SelectedEntriesAreStoredInSlotOrderWithTheirLinksAndWithoutTheCsa) {
  const std::optional<std::vector<int>> slots = ExportSlots(dir, "Games", {"B", "C", "A", "B"});
  ASSERT_TRUE(slots);
  EXPECT_EQ(*slots, (std::vector<int>{2, 5, 7}));  // each slot once
  ASSERT_TRUE(write(*slots, false));

  const std::vector<std::uint8_t> p = payload();
  ASSERT_EQ(p.size(), 7 + 3 * 512 + 3 * (10 + 2 + 32 + 20 + 30));
  EXPECT_EQ(p[4], 3);
  EXPECT_EQ(p[6], 0);
  for (std::size_t i = 0; i < 3; ++i) {
    SlotHeader stored;
    std::copy_n(p.begin() + static_cast<std::ptrdiff_t>(7 + 512 * i), 512, stored.bytes.begin());
    SCOPED_TRACE(stored.filename());
    SlotHeader expected = dir.header((*slots)[i]);
    if (i == 0) expected.setCsalen(5000);
    EXPECT_EQ(stored, expected);  // the links still name the source's slots
    EXPECT_NE(stored.next() | stored.previous(), 0);
  }
}

TEST_F(ExportTest, CaptionWithoutItsSlotIsACodeError) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"Games", {"A", "Nope"}},  // one of several unknown
      {"Games", {"a"}},          // letter case counts
      {"Tools", {"C"}},          // in another category
      {"", {"A"}},               // the blank category is a category of its own
  };
  for (const auto& [category, captions] : cases) {
    SCOPED_TRACE(category + (" " + captions.back()));
    ui.messages.clear();
    EXPECT_FALSE(ExportSlots(dir, category, captions));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Code error"});
  }
  EXPECT_TRUE(device->reads.empty());
}

TEST_F(ArchiveTest, SingleEntryFileNameIsSafeForThePc) {
  const std::pair<std::string, std::string> cases[] = {
      {"Pong", "Pong.VexoImage"},
      {"a/b/c", "a_b_c.VexoImage"},
      {std::string("a\0b", 3), "a_b.VexoImage"},
      {"", "_.VexoImage"},
      {".", "_..VexoImage"},
      {"..", "_...VexoImage"},
      {"...", "....VexoImage"},
      {"a b\\c", "a b\\c.VexoImage"},
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(SingleEntryArchiveName(name), file) << name;
}

// ---- Failures: no archive is left, an existing one is untouched -----------------------------

struct ReadFailureCase {
  const char* what;
  std::uint64_t badSector;
  const char* message;
  bool existing;  // an archive of that name is there before
  friend void PrintTo(const ReadFailureCase& c, std::ostream* os) { *os << c.what; }
};

class ArchiveReadFailureTest : public ArchiveTest,
                               public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ArchiveReadFailureTest, StopsWithItsMessageAndLeavesTheFolderAsItWas) {
  const ReadFailureCase& c = GetParam();
  testing::MakeSampleCard(image, 9, 4, 1);
  auto bad =
      std::make_shared<testing::BadSectorDevice>(image, std::set<std::uint64_t>{c.badSector});
  device = bad.get();
  disk = table.AttachDevice(bad);
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  if (c.existing) testing::PutFile(archive, kOldArchive);
  const std::set<std::string> before = testing::FolderNames(temp.path());

  EXPECT_FALSE(write(BackupSlots(dir), true));

  EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(ui.busyNow);
  EXPECT_EQ(testing::FolderNames(temp.path()), before);
  if (c.existing) {
    EXPECT_EQ(testing::FileBytes(archive), kOldArchive);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveReadFailureTest,
    ::testing::Values(
        ReadFailureCase{"Program", S(4) + 40, "Failed to Read E: Sector 12328", false},
        ReadFailureCase{"GraphicsIndex", S(9) + 63, "Error reading Vexo Graphics", true},
        ReadFailureCase{"Sm", S(1) + 72 + 63, "Failed to Read E: Sector 135", true},
        // In the middle of a run of 256 sectors: the message names the one that failed.
        ReadFailureCase{"Gci", S(1) + 136 + 300, "Failed to Read E: Sector 436", false},
        ReadFailureCase{"Csa", kCsaFirstSector + 136, "Failed to Read E: Sector 2097288", true}),
    testing::CaseName());

TEST_F(ArchiveTest, ArchiveThatCannotBeCreatedNamesItsFile) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  archive = temp.file("missing/out.VexoImage");
  EXPECT_FALSE(write({1}, false));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find(archive), std::string::npos) << ui.messages[0];
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(std::filesystem::exists(archive));
}

TEST_F(ArchiveTest, BackupReplacesAnExistingArchive) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  testing::PutFile(archive, kOldArchive);
  ASSERT_TRUE(write({1}, false));
  EXPECT_EQ(payload().size(), 7 + 512 + 2u);
  EXPECT_EQ(testing::FolderNames(temp.path()),
            (std::set<std::string>{"card.img", "out.VexoImage"}));
}

// ---- The archive writer and reader ---------------------------------------------------------

TEST_F(ArchiveTest, WriterKeepsToItsAnnouncedSizeAndLeavesNothingUncommitted) {
  testing::PutFile(archive, kOldArchive);
  const std::vector<std::uint8_t> data = Pattern(1000);
  std::string error;
  {  // fewer bytes than announced
    auto writer = ImageArchiveWriter::Create(archive, 1001, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(data.data(), data.size(), error)) << error;
    EXPECT_FALSE(writer->commit(error));
    EXPECT_FALSE(error.empty());
  }
  error.clear();
  {  // more
    auto writer = ImageArchiveWriter::Create(archive, 999, error);
    ASSERT_TRUE(writer) << error;
    EXPECT_FALSE(writer->write(data.data(), data.size(), error));
    EXPECT_FALSE(error.empty());
  }
  error.clear();
  {  // never committed
    auto writer = ImageArchiveWriter::Create(archive, 1000, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(data.data(), data.size(), error)) << error;
  }
  EXPECT_EQ(testing::FolderNames(temp.path()),
            (std::set<std::string>{"card.img", "out.VexoImage"}));
  EXPECT_EQ(testing::FileBytes(archive), kOldArchive);

  // Until the commit the old file stays whole under its name; then the new one takes it.
  auto writer = ImageArchiveWriter::Create(archive, 1000, error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(writer->write(data.data(), data.size(), error)) << error;
  EXPECT_EQ(testing::FileBytes(archive), kOldArchive);
  ASSERT_TRUE(writer->commit(error)) << error;
  writer.reset();
  EXPECT_EQ(testing::ReadPayload(archive), data);
  EXPECT_EQ(testing::FolderNames(temp.path()),
            (std::set<std::string>{"card.img", "out.VexoImage"}));
}

TEST_F(ArchiveTest, CommittedArchiveGetsTheModeOfAnOrdinaryNewFile) {
  const mode_t saved = ::umask(022);
  testing::WriteArchive(archive, Pattern(10));
  ::umask(saved);
  struct stat st {};
  ASSERT_EQ(::stat(archive.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(ArchiveTest, ReaderGivesExactlyWhatIsAskedOrFalseWithoutErrorAtTheEnd) {
  const std::vector<std::uint8_t> data = Pattern(3 << 20, 4);  // several blocks of the reader
  testing::WriteArchive(archive, data);
  std::string error;
  auto reader = ImageArchiveReader::Open(archive, error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->size(), data.size());

  std::vector<std::uint8_t> head(600);
  ASSERT_TRUE(reader->read(head.data(), head.size(), error)) << error;
  EXPECT_TRUE(std::equal(head.begin(), head.end(), data.begin()));
  ASSERT_TRUE(reader->skip(data.size() - 1200, error)) << error;
  std::vector<std::uint8_t> tail(600);
  ASSERT_TRUE(reader->read(tail.data(), tail.size(), error)) << error;
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), data.end() - 600));
  EXPECT_EQ(reader->position(), data.size());
  std::uint8_t more = 0;
  EXPECT_FALSE(reader->read(&more, 1, error));
  EXPECT_EQ(error, "");
  EXPECT_FALSE(reader->skip(1, error));
  EXPECT_EQ(error, "");
}

TEST_F(ArchiveTest, ReaderShowsTheLibrarysTextForWhatIsNoArchive) {
  testing::PutFile(temp.file("text.VexoImage"), std::vector<std::uint8_t>(600, 'x'));
  for (const std::string& path : {temp.file("absent.VexoImage"), temp.file("text.VexoImage")}) {
    SCOPED_TRACE(path);
    std::string error;
    EXPECT_FALSE(ImageArchiveReader::Open(path, error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error, kInvalidArchive);
  }
}

// ---- 7-Zip interop -------------------------------------------------------------------------

TEST_F(ArchiveTest, SevenZipTestsOurArchiveAndExtractsTheExactPayload) {
  SKIP_WITHOUT_7ZZ();
  const testing::SampleCard card = testing::MakeSampleCard(image, 9, 4, 1);
  load();
  ASSERT_TRUE(write(BackupSlots(dir), true));

  EXPECT_EQ(testing::Shell("7zz t -bd -bso0 -bse0 " + testing::Quoted(archive)), 0);
  EXPECT_EQ(testing::ExtractWith7zz(archive),
            testing::ExpectedPayload(image, card, {1, 4, 9}, true));
  const std::string listing = testing::ListWith7zz(archive);
  EXPECT_EQ(listing.find("Path = "), listing.rfind("Path = ")) << listing;  // one item
  EXPECT_NE(listing.find("Path = Vexo\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Attributes = A -"), std::string::npos) << listing;  // a plain file
  EXPECT_EQ(listing.find("Encrypted = +"), std::string::npos) << listing;
}

TEST_F(ArchiveTest, SevenZipExtractsTheSevenBytesOfAnEmptyVolume) {
  SKIP_WITHOUT_7ZZ();
  testing::FormatImage(image);
  load();
  ASSERT_TRUE(write(BackupSlots(dir), true));
  EXPECT_EQ(testing::Shell("7zz t -bd -bso0 -bse0 " + testing::Quoted(archive)), 0);
  EXPECT_EQ(testing::ExtractWith7zz(archive),
            (std::vector<std::uint8_t>{0x44, 0x4D, 0x4C, 0x45, 0, 0, 0}));
}

struct ItemsCase {
  const char* what;
  std::vector<std::string> names;  // 7-Zip stores them sorted by name
  std::size_t payloadItem;         // the one holding the payload
  friend void PrintTo(const ItemsCase& c, std::ostream* os) { *os << c.what; }
};

class SevenZipItemsTest : public ArchiveTest, public ::testing::WithParamInterface<ItemsCase> {};

TEST_P(SevenZipItemsTest, ReaderTakesTheItemNamedVexoElseTheFirst) {
  SKIP_WITHOUT_7ZZ();
  const ItemsCase& c = GetParam();
  const std::vector<std::uint8_t> good =
      testing::PayloadOf({testing::Stored("Games", "Pong", 700, 50, 2000, 2, 3)});
  std::vector<testing::ArchiveItem> items;
  for (std::size_t i = 0; i < c.names.size(); ++i)
    items.push_back({c.names[i], i == c.payloadItem ? good : Pattern(900, 77)});
  testing::PackWith7zz(archive, items);

  EXPECT_EQ(testing::ReadPayload(archive), good);
  const std::optional<RestoreList> list = ReadRestoreList(ui, archive);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->items().size(), 1u);
  EXPECT_EQ(list->items()[0].text, "Games\\Pong");
  EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Archive, SevenZipItemsTest,
                         ::testing::Values(ItemsCase{"OnlyVexo", {"Vexo"}, 0},
                                           ItemsCase{"OneOtherName", {"Backup.bin"}, 0},
                                           ItemsCase{"VexoSecond", {"Aaa", "Vexo"}, 1},
                                           ItemsCase{"NoneNamedVexo", {"Aaa", "Zzz"}, 0}),
                         testing::CaseName());

TEST_F(ArchiveTest, ArchiveMadeBySevenZipRestoresByteForByte) {
  SKIP_WITHOUT_7ZZ();
  const testing::StoredEntry pong = testing::Stored("Games", "Pong", 1500, 700, 300'000, 4, 21);
  const testing::StoredEntry note = testing::Stored("", "Note", 12, 0, 0, 0, 31);
  const std::vector<std::uint8_t> csa = Pattern(9000, 41);
  testing::StoredEntry first = pong;
  first.header.setCsafile("Map");
  first.header.setCsalen(9000);
  testing::PackWith7zz(archive, {{"Vexo", testing::PayloadOf({first, note}, 1, csa)}});
  testing::FormatImage(image);
  load();

  ASSERT_TRUE(RestoreImage(dir, target(), archive, [](RestoreList&) { return true; }));

  EXPECT_TRUE(ui.messages.empty());
  const auto at = [&](int slot, std::uint64_t sector, std::size_t bytes) {
    return testing::ReadBytes(image, (S(slot) + sector) * kSectorSize, bytes);
  };
  EXPECT_EQ(at(1, 1, 1500), pong.data.program);
  EXPECT_EQ(at(1, 56, 8192), testing::IndexBytes(testing::GraphicsIndexOf(4, 21)));
  EXPECT_EQ(at(1, 72, 700), pong.data.sm);
  EXPECT_EQ(at(1, 136, 300'000), pong.data.gci);
  EXPECT_EQ(at(2, 1, 12), note.data.program);
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 9000), csa);
  EXPECT_EQ(testing::ReadHeader(image, 1).csafile(), "Map");
  EXPECT_EQ(testing::ReadHeader(image, 1).csalen(), 9000u);
  EXPECT_EQ(testing::ReadHeader(image, 2).filename(), "Note");
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  EXPECT_EQ(dir.CheckChain(), 0);
}

TEST_F(ArchiveTest, LargeArchiveOfSevenZipsDefaultsReadsWhole) {
  SKIP_WITHOUT_7ZZ();
  std::vector<testing::StoredEntry> entries;
  for (int i = 0; i < 5; ++i) {
    testing::StoredEntry e = testing::Stored("", "n" + std::to_string(i), 28'160, 32'768, 0, 256,
                                             static_cast<std::uint8_t>(i));
    e.data.gci = testing::Noise(kGciCapacity - 1, static_cast<std::uint32_t>(i));
    e.header.setGcilen(kGciCapacity - 1);
    entries.push_back(e);
  }
  const std::vector<std::uint8_t> payload = testing::PayloadOf(entries);
  testing::PackWith7zz(archive, {{"Vexo", payload}});
  EXPECT_EQ(testing::ReadPayload(archive), payload);
}

TEST_F(ArchiveTest, PasswordProtectedArchiveIsRefusedWithTheLibrarysText) {
  SKIP_WITHOUT_7ZZ();
  testing::PackWith7zz(archive,
                       {{"Vexo", testing::PayloadOf({testing::Stored("", "a", 10, 0, 0, 0, 1)})}},
                       "-psecret");
  testing::FormatImage(image);
  load();
  int calls = 0;
  EXPECT_FALSE(RestoreImage(dir, target(), archive, [&](RestoreList&) { return ++calls, true; }));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(ui.messages[0].empty());
  EXPECT_NE(ui.messages[0], kInvalidArchive);
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(device->writes.empty());
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

// A header whose lengths run beyond its slot makes an archive nothing could restore.
TEST(BackupOfACorruptHeader, IsRefusedBeforeAnArchiveIsMade) {
  testing::TempDir temp;
  const std::string image = testing::MakeImage(temp.file("card.img"));
  CardBuilder().add(1, "", "abc").add(2, "", "zzz").writeTo(image);
  SlotHeader bad = testing::ReadHeader(image, 1);
  bad.setProglen(30000);
  testing::WriteHeader(image, 1, bad);
  DiskTable table;
  testing::ScriptedPrompter ui;
  testing::FakeReleaser releaser;
  DiskAccess access(table, ui, releaser);
  Directory dir(access);
  const int disk = table.Attach(image);
  ASSERT_TRUE(dir.LoadDirectory(disk, "E:", DirectoryLoad::Keep));
  const std::string archive = temp.file("full.VexoImage");
  EXPECT_FALSE(WriteImageArchive(dir, disk, "E:", BackupSlots(dir), false, archive));
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "The header of slot 1 (abc) gives lengths beyond its slot; no image was written"});
  EXPECT_FALSE(std::filesystem::exists(archive));
}

}  // namespace
}  // namespace vexo
