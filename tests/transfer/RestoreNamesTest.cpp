// Names a restore finds on the target: the question before an entry is replaced, a full card,
// and the categories the volume tree is told of.

#include <gtest/gtest.h>

#include "tests/transfer/RestoreFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::PayloadOf;
using testing::RecordingObserver;
using testing::RestoreTest;
using testing::Stored;
using testing::StoredEntry;
using testing::WithoutLinks;

constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";

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

// ---- The volume tree ----------------------------------------------------------------------------

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

}  // namespace
}  // namespace vexo
