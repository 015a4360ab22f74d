#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/CardFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::CardFixture;

class LoadDirectoryTest : public CardFixture {};

TEST_F(LoadDirectoryTest, FormattedCardIsAVexoVolumeAndIsKept) {
  CardBuilder().add(3, "Games", "Pong").writeTo(image);
  attach();
  EXPECT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  EXPECT_EQ(dir.vexodrv, disk);
  EXPECT_EQ(dir.header(3).filename(), "Pong");
  EXPECT_EQ(device->reads.size(), 512u);
  EXPECT_EQ(device->reads[299].sector, 299u * 4096);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(ui.busyNow);
  EXPECT_EQ(ui.pumps, 512);
}

TEST_F(LoadDirectoryTest, StopsAtTheFirstHeaderWithoutTheMagic) {
  testing::FormatImage(image);
  SlotHeader noMagic;  // zeros
  testing::WriteHeader(image, 300, noMagic);
  SlotHeader later = BlankHeader();
  later.setFilename("later");
  testing::WriteHeader(image, 301, later);
  attach();
  dir.header(301).setFilename("old");

  EXPECT_FALSE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  EXPECT_EQ(device->reads.size(), 300u);
  EXPECT_EQ(dir.vexodrv, disk);              // kept even so
  EXPECT_EQ(dir.header(301).filename(), "old");  // not read: earlier contents stay
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoadDirectoryTest, CheckOnlyLeavesTheCopyAlone) {
  testing::FormatImage(image);
  attach();
  dir.vexodrv = 7;
  dir.header(1).setFilename("mine");
  EXPECT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::CheckOnly));
  EXPECT_EQ(dir.vexodrv, 7);
  EXPECT_EQ(dir.header(1).filename(), "mine");
}

TEST_F(LoadDirectoryTest, ReadErrorsThatMeanNoCardAreSilent) {
  testing::FormatImage(image);
  for (int error : {ENOENT, ENODEV, ENXIO, ENOMEDIUM, EIO}) {
    SCOPED_TRACE(error);
    attach();  // a fresh device, and disk number, for each case
    device->failReadNumber = 5;
    device->failReadError = error;
    dir.vexodrv = 3;
    EXPECT_FALSE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dir.vexodrv, -1);
  }
}

TEST_F(LoadDirectoryTest, OtherReadErrorsAreShownWithTheSector) {
  testing::MakeImage(image, 300ull * 4096 * 512);  // slot 301 lies past the end
  for (int slot = 1; slot <= 300; ++slot)
    testing::WriteHeader(image, slot, BlankHeader(SlotState::Free));
  attach();
  EXPECT_FALSE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "Failed to Read E: Sector 1228800 Message The disk ends before this sector.");
  EXPECT_EQ(dir.vexodrv, -1);
}

TEST_F(LoadDirectoryTest, MissingImageIsLikeAReaderWithoutACard) {
  image = temp.file("not-there.img");
  attach();
  EXPECT_FALSE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  EXPECT_TRUE(ui.messages.empty());
}

class LookupTest : public CardFixture {};

TEST_F(LookupTest, FindEntryIgnoresCaseOfAToZAndTakesTheLowestSlot) {
  CardBuilder()
      .add(4, "Games", "Pong")
      .add(2, "games", "PONG")
      .add(9, "", "Pong")
      .add(11, "", "Caf\xC3\xA9")  // Café
      .writeTo(image);
  load();
  const struct {
    const char* category;
    const char* name;
    int slot;
  } cases[] = {
      {"GAMES", "pong", 2},
      {"", "pong", 9},
      {"Tools", "Pong", kNoSlot},
      {"Games", "Pong and more names", kNoSlot},
      {"", "pong ", kNoSlot},  // the blank fill is no part of the name, but a blank asked for is
      {"", "", kNoSlot},       // a free slot is no entry, whatever it reads as
      {"", "CAF\xC3\xA9", 11},        // only A to Z are lowered...
      {"", "caf\xC3\x89", kNoSlot},   // ...so É is not é
      {"", "cafe", kNoSlot},
  };
  for (const auto& c : cases) EXPECT_EQ(dir.FindEntry(c.category, c.name), c.slot) << c.name;
}

TEST_F(LookupTest, FindFreeSlotTakesTheLowestFreeOne) {
  CardBuilder b;
  for (int slot = 1; slot <= 512; ++slot) b.add(slot, "", "e" + std::to_string(slot));
  b.entries.erase(77);
  b.entries.erase(78);
  b.writeTo(image);
  load();
  EXPECT_EQ(dir.FindFreeSlot(), 77);
  dir.header(77).setFilename("x");
  dir.header(78).setFilename("y");
  EXPECT_EQ(dir.FindFreeSlot(), kNoSlot);
}

class CheckChainTest : public CardFixture {};

TEST_F(CheckChainTest, ConsistentAndEmptyVolumesHaveNoErrors) {
  CardBuilder().add(4, "", "c").add(2, "", "a").add(9, "", "b").writeTo(image);
  load();
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_TRUE(ui.messages.empty());

  for (int slot = 1; slot <= 512; ++slot) dir.header(slot) = BlankHeader(SlotState::Free);
  dir.header(1).setFirst(5);  // an empty volume is not examined at all
  EXPECT_EQ(dir.CheckChain(), 0);
}

TEST_F(CheckChainTest, CountsEveryWrongLink) {
  struct Case {
    const char* what;
    void (*spoil)(Directory&);
    int errors;
  };
  const Case cases[] = {
      {"next of the middle entry", [](Directory& d) { d.header(9).setNext(0); }, 1},
      {"first in header 1", [](Directory& d) { d.header(1).setFirst(9); }, 1},
      {"last in header 1", [](Directory& d) { d.header(1).setLast(0); }, 1},
      {"previous of the first", [](Directory& d) { d.header(2).setPrevious(4); }, 1},
      {"last points back to the first",
       [](Directory& d) { d.header(4).setNext(2); }, 1},
      {"two links", [](Directory& d) { d.header(2).setNext(4); d.header(4).setPrevious(2); }, 2},
  };
  CardBuilder().add(4, "", "c").add(2, "", "a").add(9, "", "b").writeTo(image);
  load();
  const std::vector<SlotHeader> good = dir.vexodirs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.vexodirs = good;
    ui.messages.clear();
    c.spoil(dir);
    EXPECT_EQ(dir.CheckChain(), c.errors);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], std::to_string(c.errors) + " Errors in Vexo File system");
  }
}

TEST_F(CheckChainTest, SingleEntryChecksAllFourLinks) {
  CardBuilder().add(7, "", "only").writeTo(image);
  load();
  EXPECT_EQ(dir.CheckChain(), 0);
  dir.header(7).setNext(7);
  dir.header(7).setPrevious(7);
  dir.header(1).setFirst(0);
  dir.header(1).setLast(0);
  EXPECT_EQ(dir.CheckChain(), 4);
}

class ChainEntriesTest : public CardFixture {};

TEST_F(ChainEntriesTest, ListsOneCategoryInChainOrderWithItsColumns) {
  CardBuilder().add(4, "Games", "Zeta").add(2, "Games", "alpha").add(9, "", "root")
      .add(5, "Tools", "hammer").writeTo(image);
  SlotHeader h = testing::ReadHeader(image, 2);
  h.setDate("2026/12/10");
  h.setTime("09:30:00");
  h.setDesc1("one");
  h.setDesc4("four");
  testing::WriteHeader(image, 2, h);
  load();

  const std::vector<EntryRow> games = dir.ChainEntries("Games");
  ASSERT_EQ(games.size(), 2u);
  EXPECT_EQ(games[0].filename, "alpha");
  EXPECT_EQ(games[0].modified, "2026/12/10 09:30:00");
  EXPECT_EQ(games[0].desc1, "one");
  EXPECT_EQ(games[0].desc4, "four");
  EXPECT_EQ(games[1].filename, "Zeta");
  ASSERT_EQ(dir.ChainEntries("").size(), 1u);  // the volume node: the blank category
  EXPECT_EQ(dir.ChainEntries("")[0].filename, "root");
  EXPECT_TRUE(dir.ChainEntries("games").empty());  // exact category, letter case included
  EXPECT_TRUE(dir.ChainEntries("My computer").empty());
}

TEST_F(ChainEntriesTest, ACyclicChainStopsAfter513Slots) {
  CardBuilder().add(1, "", "a").add(2, "", "b").add(3, "", "c").writeTo(image);
  load();
  dir.header(3).setNext(1);  // last points back to the first
  const std::vector<EntryRow> rows = dir.ChainEntries("");
  EXPECT_EQ(rows.size(), 513u);
  EXPECT_EQ(rows[512].filename, "c");  // 513 = 3 × 171 visits: a, b, c, a, …, c
  dir.header(2).setNext(600);          // a link off the directory ends the walk
  EXPECT_EQ(dir.ChainEntries("").size(), 2u);
}

}  // namespace
}  // namespace vexo
