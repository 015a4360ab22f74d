#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/CardFixture.h"
#include "volume/EntryMaintenance.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class LostSpy : public VolumeObserver {
 public:
  std::vector<std::string> lost;
  int refills = 0;
  void volumeLost(const std::string& drive) override { lost.push_back(drive); }
  void entriesChanged() override { ++refills; }
};

class EntryMaintenanceTest : public testing::CardFixture {
 protected:
  void SetUp() override {
    CardFixture::SetUp();
    dir.observer = &trees;
  }
  Selection select(const std::string& category, const std::string& name) {
    return {disk, drive, category, name, dir.FindListedEntry(category, name)};
  }
  LostSpy trees;
};

TEST_F(EntryMaintenanceTest, DeleteAsksThenUnlinksAndFreesTheSlot) {
  CardBuilder().add(2, "", "a").add(5, "", "b").add(3, "", "c").writeTo(image);
  load();
  SlotHeader before = dir.header(5);
  before.setDesc1("kept");
  dir.header(5) = before;
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(DeleteEntry(dir, select("", "b")));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Confirm Delete of 'b'\nfrom Vexo 1 (E:) \u2014 card.img");
  EXPECT_EQ(ui.questions[0].preferred, Answer::No);
  EXPECT_EQ(device->writtenSectors(),
            (std::vector<std::uint64_t>{SlotFirstSector(3), SlotFirstSector(2), SlotFirstSector(5)}));
  const SlotHeader h = testing::ReadHeader(image, 5);
  EXPECT_FALSE(IsUsed(h));
  EXPECT_EQ(h.next(), 0);
  EXPECT_EQ(h.previous(), 0);
  EXPECT_EQ(h.desc1(), "kept");  // everything else stays
  EXPECT_EQ(h.bytes[33], 0x20);
  EXPECT_EQ(trees.refills, 1);
  EXPECT_EQ(dir.CheckChain(), 0);
}

TEST_F(EntryMaintenanceTest, DeleteOfSlotOneWritesHeaderOneOnce) {
  CardBuilder().add(1, "", "only").writeTo(image);
  load();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(DeleteEntry(dir, select("", "only")));
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{0});
  const SlotHeader h1 = testing::ReadHeader(image, 1);
  EXPECT_EQ(h1.first(), 0);
  EXPECT_EQ(h1.last(), 0);
  EXPECT_FALSE(IsUsed(h1));
}

TEST_F(EntryMaintenanceTest, NothingHappensWithoutAnEntryOrAYes) {
  CardBuilder().add(2, "", "a").writeTo(image);
  load();
  Selection none = select("", "a");
  for (int entry : {kNoEntrySelected, kNoSlot}) {
    none.entry = entry;
    EXPECT_FALSE(DeleteEntry(dir, none));
    EXPECT_FALSE(RenameEntry(dir, none, {"x", "", "", "", ""}));
  }
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_FALSE(DeleteEntry(dir, select("", "a")));  // the default answer is No
  EXPECT_TRUE(device->writes.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EntryMaintenanceTest, AFailedUnlinkTakesTheVolumeOutOfTheTrees) {
  CardBuilder().add(2, "", "a").add(3, "", "b").writeTo(image);
  load();
  device->failWriteNumber = 1;
  ui.answers = {Answer::Yes};
  EXPECT_FALSE(DeleteEntry(dir, select("", "a")));
  EXPECT_EQ(trees.lost, std::vector<std::string>{"E:"});
  EXPECT_TRUE(IsUsed(testing::ReadHeader(image, 2)));
  EXPECT_EQ(ui.messages.back(), "Error writing Vexo Directory");
}

TEST_F(EntryMaintenanceTest, RenameRelinksByTheNewName) {
  CardBuilder().add(2, "G", "alpha").add(3, "G", "beta").add(4, "G", "gamma").writeTo(image);
  load();
  RenameRequest request = RenameDefaults(dir.header(2));
  request.filename = "zulu";
  request.desc2 = "second";
  ASSERT_TRUE(RenameEntry(dir, select("G", "alpha"), request));
  EXPECT_EQ(dir.CheckChain(), 0);
  EXPECT_EQ(testing::ReadHeader(image, 4).next(), 2);
  EXPECT_EQ(testing::ReadHeader(image, 1).first(), 3);
  const SlotHeader h = testing::ReadHeader(image, 2);
  EXPECT_EQ(h.filename(), "zulu");
  EXPECT_EQ(h.desc2(), "second");
  // Its own header once, as it is linked again, before the neighbours that point at it.
  const std::vector<std::uint64_t> written = device->writtenSectors();
  EXPECT_EQ(std::count(written.begin(), written.end(), SlotFirstSector(2)), 1);
}

TEST_F(EntryMaintenanceTest, RenameNameRules) {
  CardBuilder().add(2, "G", "abc").add(3, "G", "other").add(4, "H", "same").writeTo(image);
  load();
  struct Case {
    std::string newName;
    bool ok;
    std::string stored;
  };
  const Case cases[] = {
      {"ABC", true, "ABC"},               // letter case only: passes, same place
      {"OTHER", false, ""},               // another entry of the category, any case
      {"same", true, "same"},             // the same name in another category is fine
      {"abcdefghijklmnopqrstuvwxy", true, "abcdefghijklmnopqrs"},  // cut to 19
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.newName);
    ui.messages.clear();
    const int slot = 2;
    Selection s{disk, drive, "G", dir.header(slot).filename(), slot};
    RenameRequest request = RenameDefaults(dir.header(slot));
    request.filename = c.newName;
    EXPECT_EQ(RenameEntry(dir, s, request), c.ok);
    if (c.ok) {
      EXPECT_EQ(testing::ReadHeader(image, slot).filename(), c.stored);
      EXPECT_EQ(dir.CheckChain(), 0);
    } else {
      EXPECT_EQ(ui.messages, std::vector<std::string>{"New filename already in use"});
    }
  }
}

TEST_F(EntryMaintenanceTest, DescriptionsAloneWriteOneSector) {
  CardBuilder().add(2, "", "a").add(3, "", "b").writeTo(image);
  load();
  RenameRequest request = RenameDefaults(dir.header(3));
  request.desc1 = "1234567890123456789012345678901234";  // 31 kept
  request.desc4 = "four";
  ASSERT_TRUE(RenameEntry(dir, select("", "b"), request));
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{SlotFirstSector(3)});
  const SlotHeader h = testing::ReadHeader(image, 3);
  EXPECT_EQ(h.desc1(), "1234567890123456789012345678901");
  EXPECT_EQ(h.desc4(), "four");
}

TEST_F(EntryMaintenanceTest, RenameOfTheOnlyEntryInSlotSeven) {
  CardBuilder().add(7, "", "only").writeTo(image);
  load();
  RenameRequest request = RenameDefaults(dir.header(7));
  request.filename = "renamed";
  ASSERT_TRUE(RenameEntry(dir, select("", "only"), request));
  const SlotHeader h1 = testing::ReadHeader(image, 1);
  EXPECT_EQ(h1.first(), 7);
  EXPECT_EQ(h1.last(), 7);
  EXPECT_EQ(testing::ReadHeader(image, 7).first(), 0);
}

TEST(EntryProperties, ElevenLinesInDialogOrder) {
  SlotHeader h = BlankHeader();
  h.setCategory("Games");
  h.setFilename("Pong");
  h.setDate("2026/12/10");
  h.setTime("10:00:00");
  h.setSmfile("data");
  const auto lines = EntryProperties(h);
  ASSERT_EQ(lines.size(), 11u);
  const char* captions[] = {"Category:", "Filename:", "Date:",  "GCI File:", "Date:", "Desc1:",
                            "Desc2:",    "Desc3:",    "Desc4:", "SM File:",  "SM Date:"};
  for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(lines[i].first, captions[i]);
  EXPECT_EQ(lines[0].second, "Games");
  EXPECT_EQ(lines[2].second, "2026/12/10 10:00:00");
  EXPECT_EQ(lines[3].second, "");   // no graphics
  EXPECT_EQ(lines[4].second, " ");  // blank date and time with their separating blank
  EXPECT_EQ(lines[9].second, "data");
}

TEST(NextNewCategoryName, OneMoreThanTheHighest) {
  EXPECT_EQ(NextNewCategoryName({}), "New Category1");
  EXPECT_EQ(NextNewCategoryName({"New Category1", "New Category4", "Games"}), "New Category5");
  EXPECT_EQ(NextNewCategoryName({"New Category", "New Category x", "New Category 7",
                                 "new category9", "New Category2b"}),
            "New Category1");
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

// A long new name is compared as it will be stored, cut to 19 characters.
TEST_F(EntryMaintenanceTest, ALongNameMayNotBecomeAnotherEntrysName) {
  CardBuilder().add(2, "", "abc").add(3, "", "ABCDEFGHIJKLMNOPQRS").writeTo(image);
  load();
  RenameRequest request = RenameDefaults(dir.header(2));
  request.filename = "abcdefghijklmnopqrstuvwxyz";
  EXPECT_FALSE(RenameEntry(dir, select("", "abc"), request));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"New filename already in use"});
  EXPECT_TRUE(device->writes.empty());
}

}  // namespace
}  // namespace vexo
