#include <gtest/gtest.h>

#include "tests/transfer/TransferFixture.h"
#include "transfer/FileKind.h"
#include "transfer/ProgramImport.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::SectorRun;
using testing::operator+;

constexpr std::uint64_t S(int slot) { return SlotFirstSector(slot); }
constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";

std::uint16_t ByteSum(const std::vector<std::uint8_t>& bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint16_t>(sum);
}

// The header an import writes for `bytes`, before its links.
SlotHeader ProgramHeader(const std::string& category, const std::string& name,
                         const std::vector<std::uint8_t>& bytes) {
  SlotHeader h = BlankHeader();
  h.setCategory(category);
  h.setFilename(name);
  h.setDate(testing::kFileDate);
  h.setTime(testing::kFileClock);
  h.setProglen(static_cast<std::uint16_t>(bytes.size()));
  h.setProgsum(ByteSum(bytes));
  return h;
}

struct CountingObserver : VolumeObserver {
  int changes = 0;
  void entriesChanged() override { ++changes; }
};

class ImportTest : public testing::TransferFixture {
 protected:
  bool import(const std::string& path, const std::string& category = {}) {
    return ImportProgram(dir, buffers, target(category), path, separators);
  }
  void reload() { ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep)); }
};

// ---- Sizes: one header and ceil(bytes / 512) program sectors ---------------------------------

struct SizeCase {
  std::size_t bytes;
  std::uint64_t sectors;
};

class ImportSizeTest : public ImportTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ImportSizeTest, WritesTheProgramSectorsOfTheSlotThenTheHeader) {
  const SizeCase c = GetParam();
  testing::FormatImage(image);
  load();
  CountingObserver observer;
  dir.observer = &observer;
  const std::vector<std::uint8_t> program = Pattern(c.bytes, 3);

  ASSERT_TRUE(import(pcFile("Pong.vxe", program), "Games"));

  EXPECT_EQ(device->writtenSectors(), SectorRun(1, c.sectors) + std::vector<std::uint64_t>{0});
  SlotHeader expected = ProgramHeader("Games", "Pong", program);
  expected.setFirst(1);  // the only entry: both ends of the chain
  expected.setLast(1);
  const SlotHeader written = testing::ReadHeader(image, 1);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(written.bytes[0], 0xAA);
  EXPECT_EQ(written.bytes[1], 0x55);
  EXPECT_EQ(written.rawText(kDate), std::string("2021-03-05") + '\0');
  EXPECT_EQ(written.rawText(kTime), std::string("01.30.09") + '\0');
  EXPECT_EQ(dir.header(1), written);
  EXPECT_EQ(sectors(1, c.sectors), Padded(program));

  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(ui.progressLabels, std::vector<std::string>{"Copying Pong.vxe"});
  EXPECT_EQ(ui.progressMaximum, c.sectors);
  EXPECT_EQ(ui.progressPosition, c.sectors);
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(observer.changes, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImportSizeTest,
                         ::testing::Values(SizeCase{0, 0}, SizeCase{1, 1}, SizeCase{512, 1},
                                           SizeCase{513, 2}, SizeCase{28'160, 55}));

TEST_F(ImportTest, ProgramsLargerThanTheRegionAreRefusedBeforeAnyWrite) {
  testing::FormatImage(image);
  load();
  for (std::size_t bytes : {std::size_t{28'161}, std::size_t{3'000'000}}) {
    SCOPED_TRACE(bytes);
    ui.messages.clear();
    EXPECT_FALSE(import(pcFile("BIG.vxe", Pattern(bytes))));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Error BIG.vxe is too large to be a Vexo Program"});
    EXPECT_TRUE(device->writes.empty());
    EXPECT_TRUE(ui.progressLabels.empty());
    EXPECT_FALSE(IsUsed(dir.header(1)));
  }
}

TEST_F(ImportTest, ChecksumIsModuloAndNoBytesOfAnEarlierProgramFollow) {
  testing::FormatImage(image);
  load();
  ASSERT_TRUE(import(pcFile("full.vxe", std::vector<std::uint8_t>(28'160, 0xFF))));
  EXPECT_EQ(dir.header(1).progsum(), 37'376);  // 28,160 × 255 mod 65,536

  // The buffer still holds the first program: only the bytes of the file count.
  ASSERT_TRUE(import(pcFile("sector.vxe", std::vector<std::uint8_t>(512, 0xFF))));
  EXPECT_EQ(dir.header(2).progsum(), 65'024);  // 512 × 255 mod 65,536

  ASSERT_TRUE(import(pcFile("short.vxe", std::vector<std::uint8_t>(513, 0xFF))));
  const SlotHeader h = testing::ReadHeader(image, 3);
  EXPECT_EQ(h.proglen(), 513);
  EXPECT_EQ(h.progsum(), 65'279);  // 513 × 255 mod 65,536
  std::vector<std::uint8_t> expected(1024, 0);
  std::fill_n(expected.begin(), 513, 0xFF);
  EXPECT_EQ(sectors(S(3) + 1, 2), expected);
}

TEST_F(ImportTest, ExtensionIsComparedInLowerCaseAndTheNameKeepsItsCase) {
  EXPECT_EQ(KindOf("PROG.VXE"), FileKind::Program);
  EXPECT_EQ(KindOf("DATA.PDATA"), FileKind::SmFile);
  EXPECT_EQ(KindOf("Card.VexoImage"), FileKind::ImageArchive);
  EXPECT_EQ(KindOf("pics.gci"), FileKind::Graphics);
  EXPECT_EQ(KindOf("vxe"), FileKind::Graphics);
  EXPECT_EQ(KindOf("game.vxe.bak"), FileKind::Graphics);
  EXPECT_EQ(WithoutExtension("my.game.vxe"), "my.game");

  testing::FormatImage(image);
  load();
  ASSERT_TRUE(import(pcFile("PROG.VXE", Pattern(10))));
  EXPECT_EQ(testing::ReadHeader(image, 1).filename(), "PROG");
  EXPECT_EQ(testing::ReadHeader(image, 1).category(), "");
}

TEST_F(ImportTest, TimestampTextIsLocalTimeWithTheGivenSeparators) {
  EXPECT_EQ(TimestampText(testing::kFileTime, {"/", ":"}), "2021/03/0501:30:09");
  EXPECT_EQ(TimestampText(testing::kFileTime, {".", "-"}), "2021.03.0501-30-09");
}

// ---- New entries: the lowest free slot, linked into the chain once the program is there -----

TEST_F(ImportTest, NewEntryWritesItsDataThenChainNeighboursThenItsHeader) {
  CardBuilder().add(1, "", "a").add(2, "", "c").add(4, "", "d").writeTo(image);
  load();
  const std::vector<std::uint8_t> program = Pattern(600);
  ASSERT_TRUE(import(pcFile("b.vxe", program)));

  EXPECT_EQ(device->writtenSectors(),
            (std::vector<std::uint64_t>{S(3) + 1, S(3) + 2, S(3), S(1), S(2)}));
  reload();
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(dir.header(3).previous(), 1);
  EXPECT_EQ(dir.header(3).next(), 2);
  EXPECT_EQ(dir.header(1).first(), 1);
  EXPECT_EQ(dir.header(1).last(), 4);
  EXPECT_EQ(sectors(S(3) + 1, 2), Padded(program));
}

TEST_F(ImportTest, FullVolumeRefusesANewEntryButStillReplaces) {
  CardBuilder full;
  for (int slot = 1; slot <= kSlotCount; ++slot) full.add(slot, "", "e" + std::to_string(slot));
  full.writeTo(image);
  load();

  EXPECT_FALSE(import(pcFile("new.vxe", Pattern(10))));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kNoSpace});
  EXPECT_TRUE(device->writes.empty());

  ui.answers = {Answer::Yes};
  EXPECT_TRUE(import(pcFile("E300.vxe", Pattern(10))));
  // Taken out, the program, the header again.
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(300), S(300) + 1, S(300)}));
}

TEST_F(ImportTest, NamesLongerThanTheFieldAreNeverFoundAgain) {
  testing::FormatImage(image);
  load();
  const std::string path = pcFile("ABCDEFGHIJKLMNOPQRSTU.vxe", Pattern(10));
  ASSERT_TRUE(import(path));
  ASSERT_TRUE(import(path));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(testing::ReadHeader(image, 1).filename(), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(testing::ReadHeader(image, 2).filename(), "ABCDEFGHIJKLMNOPQRS");
}

// ---- Replacement ---------------------------------------------------------------------------

class ImportReplaceTest : public ImportTest {
 protected:
  void SetUp() override {
    ImportTest::SetUp();
    CardBuilder().add(2, "Games", "Alpha").add(3, "Games", "GAME").add(4, "Games", "Zed")
        .add(5, "Tools", "game").writeTo(image);
    SlotHeader h = testing::ReadHeader(image, 3);
    h.setDesc1("first");
    h.setDesc4("fourth");
    h.setGcifile("pics");
    h.setSmfile("save");
    h.setGcilen(5000);
    h.setSmlen(300);
    h.setProglen(999);
    h.setDate("1999-01-01");
    testing::WriteHeader(image, 3, h);
    before = h;
    load();
  }
  SlotHeader before;
};

TEST_F(ImportReplaceTest, YesKeepsSlotAndChainPlaceAndStartsTheHeaderAfresh) {
  ui.answers = {Answer::Yes};
  const std::vector<std::uint8_t> program = Pattern(100);
  ASSERT_TRUE(import(pcFile("game.vxe", program), "Games"));

  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Replace 'game'?");
  EXPECT_EQ(ui.questions[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.questions[0].preferred, Answer::No);
  // Taken out of the directory, the program, the header with its old links: a flush between each.
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(3), S(3) + 1, S(3)}));
  EXPECT_EQ(device->flushes, 3);  // outside an operation, each write is flushed as it is made
  SlotHeader expected = ProgramHeader("Games", "game", program);
  expected.setPrevious(2);
  expected.setNext(4);
  EXPECT_EQ(testing::ReadHeader(image, 3), expected);
  reload();
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(dir.FindFreeSlot(), 1);
}

TEST_F(ImportReplaceTest, NoWritesNothing) {
  // No is the default button; an empty script answers with it.
  EXPECT_FALSE(import(pcFile("game.vxe", Pattern(100)), "games"));
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_TRUE(device->writes.empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dir.header(3), before);
}

// Header 1 carries the volume's Common Storage Area bookkeeping, which outlives its entry.
class ImportSlotOneTest : public ImportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ImportSlotOneTest, KeepsTheVolumesCommonStorageAreaFields) {
  const bool replace = GetParam();
  if (replace) CardBuilder().add(1, "", "Pong").add(2, "", "Zed").writeTo(image);
  else CardBuilder().add(2, "", "Zed").writeTo(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsafile("Intro");
  h1.setCsaflag(1);
  h1.setCsalen(123'456);
  testing::WriteHeader(image, 1, h1);
  load();
  ui.answers = {Answer::Yes};

  ASSERT_TRUE(import(pcFile("Pong.vxe", Pattern(10))));
  EXPECT_EQ(ui.questions.size(), replace ? 1u : 0u);
  const SlotHeader written = testing::ReadHeader(image, 1);
  EXPECT_EQ(written.filename(), "Pong");
  EXPECT_EQ(written.csafile(), "Intro");
  EXPECT_EQ(written.csaflag(), 1);
  EXPECT_EQ(written.csalen(), 123'456u);
  EXPECT_EQ(written.first(), 1);
  EXPECT_EQ(written.last(), 2);
  EXPECT_EQ(written.next(), 2);
  EXPECT_EQ(written.previous(), 0);
}

INSTANTIATE_TEST_SUITE_P(NewOrReplace, ImportSlotOneTest, ::testing::Bool());

// ---- Failures ------------------------------------------------------------------------------

TEST_F(ImportTest, FailedHeaderWriteLeavesTheSlotAsItWas) {
  CardBuilder().add(1, "", "b").writeTo(image);
  load();
  const SlotHeader before = dir.header(2);
  // The program's two sectors in one write, then slot 2's header, then header 1.
  device->failWriteNumber = 2;

  EXPECT_FALSE(import(pcFile("a.vxe", Pattern(700))));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Directory"}));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(2) + 1, S(2) + 2}));
  EXPECT_EQ(dir.header(2), before);
  EXPECT_EQ(testing::ReadHeader(image, 2), before);
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(ImportTest, FailedProgramWriteListsNothing) {
  testing::FormatImage(image);
  load();
  const SlotHeader before = dir.header(1);
  device->failWriteNumber = 1;
  const std::vector<std::uint8_t> program = Pattern(1000);

  EXPECT_FALSE(import(pcFile("Pong.vxe", program)));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Program"}));
  EXPECT_TRUE(device->writtenSectors().empty());
  EXPECT_EQ(testing::ReadHeader(image, 1), before);
  EXPECT_EQ(dir.header(1), before);
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(ImportTest, FileThatCannotBeOpenedShowsTheSystemText) {
  testing::FormatImage(image);
  load();
  EXPECT_FALSE(import(temp.file("missing.vxe")));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"No such file or directory"});
  EXPECT_TRUE(device->writes.empty());
}

}  // namespace
}  // namespace vexo
