// The list of "Modify entries to be restored" and what the person's choices in it do: the
// order, the check marks, other categories and names, and Cancel.

#include <gtest/gtest.h>

#include "tests/transfer/RestoreFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::PayloadOf;
using testing::RestoreTest;
using testing::Stored;
using testing::StoredEntry;
using testing::Texts;

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

// ---- The choices, restored ----------------------------------------------------------------------

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

}  // namespace
}  // namespace vexo
