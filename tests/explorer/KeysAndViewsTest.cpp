// What a desktop user expects of the window beyond the mouse: the keys of the commands (shown in
// the menus), a PC list that follows its folder on disk, columns that show whole dates, names
// that fit what the card stores, and a status bar and title that say what is shown.

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "explorer/PcPaths.h"
#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class KeysAndViewsTest : public testing::DragDropFixture {
 protected:
  void SetUp() override {
    DragDropFixture::SetUp();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  // Waits, turning the event loop, until the PC list holds (or lacks) `name`.
  bool pcListFollows(const QString& name, bool present) {
    for (int i = 0; i < 100; ++i) {
      if (Column(pcFileList()).contains(name) == present) return true;
      QTest::qWait(20);
    }
    return false;
  }
};

TEST_F(KeysAndViewsTest, TheEntryListsKeysRunItsCommandsAndTheMenuShowsThem) {
  const std::pair<QString, QKeySequence> shown[] = {
      {"Delete", QKeySequence(QKeySequence::Delete)},
      {"Rename", QKeySequence(Qt::Key_F2)},
      {"Properties", QKeySequence(Qt::Key_Return)},
  };
  QStringList texts;
  for (QAction* action : entryMenu()->actions())
    if (action->isVisible() && !action->isSeparator()) texts << action->text();
  EXPECT_EQ(texts, (QStringList{"Delete", "Rename", "Properties"}));
  for (const auto& [text, key] : shown) {
    for (QAction* action : entryMenu()->actions())
      if (action->text() == text) {
        EXPECT_EQ(action->shortcut(), key) << text.toStdString();
      }
  }

  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Pong");
  entryList()->setFocus();
  seam.onDialog = [](QDialog&) { return int(QDialog::Rejected); };
  QTest::keyClick(entryList(), Qt::Key_Return);
  QTest::keyClick(entryList(), Qt::Key_F2);
  EXPECT_EQ(seam.dialogs, (std::vector<QString>{"Properties", "Rename"}));
  QTest::keyClick(entryList(), Qt::Key_Delete);  // the default answer, No
  EXPECT_EQ(seam.questions.size(), 1u);
  EXPECT_TRUE(seam.questions.front().startsWith("Confirm Delete of 'Pong'"));
  EXPECT_TRUE(IsUsed(testing::ReadHeader(a, 1)));
}

TEST_F(KeysAndViewsTest, BackspaceGoesUpAndF5ReadsTheCardsAndTheFolderAgain) {
  QDir(pc).mkpath("inner");
  window->ShowFolder(ToPcPath(table, pc + "/inner"));
  pcFileList()->setFocus();
  QTest::keyClick(pcFileList(), Qt::Key_Backspace);
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, pc) + "\\");

  // Another program changes card b behind the window's back.
  clickVolume({"Vexo 2 (F:)", "Demos"});
  CardBuilder().add(1, "Games", "Pong").add(2, "Demos", "Intro").add(3, "Demos", "Outro").writeTo(b);
  EXPECT_EQ(Column(entryList()), QStringList{"Intro"});
  QTest::keyClick(pcFileList(), Qt::Key_F5);
  EXPECT_EQ(treeSelection(), "Vexo 2 (F:)/Demos");
  EXPECT_EQ(Column(entryList()), (QStringList{"Intro", "Outro"}));
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, pc) + "\\");
}

TEST_F(KeysAndViewsTest, ThePcListFollowsItsFolderOnDisk) {
  pcFile("later.gci", std::string("abc"));
  window->ShowFolder(ToPcPath(table, pc));
  QFile made(pc + "/made.vxe");
  ASSERT_TRUE(made.open(QIODevice::WriteOnly));
  made.close();
  EXPECT_TRUE(pcListFollows("made.vxe", true));
  QFile::remove(pc + "/later.gci");
  EXPECT_TRUE(pcListFollows("later.gci", false));

  // A file that goes after it was listed is named when it is dropped.
  pickPc("made.vxe");
  QFile::remove(pc + "/made.vxe");
  clickVolume({"Vexo 1 (E:)"});
  const auto mime = ViewDrag(pcFileList());
  window->dropOnEntryList(pcFileList(), *mime, kNowhere);
  EXPECT_EQ(seam.messages, std::vector<QString>{localPc("made.vxe") + " no longer exists"});
}

TEST_F(KeysAndViewsTest, ColumnsNamesStatusAndTitle) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  // The whole date and time fit their column; the descriptions share the rest of the width.
  const QString modified = entryList()->topLevelItem(0)->text(1);
  EXPECT_GE(entryList()->columnWidth(1), entryList()->fontMetrics().horizontalAdvance(modified));
  for (int c = 2; c < 6; ++c)
    EXPECT_EQ(entryList()->header()->sectionResizeMode(c), QHeaderView::Stretch);

  // What is typed in the Rename dialog is what the card stores.
  EXPECT_EQ(Named<QLineEdit>(renameDialog(), "Edit2")->maxLength(), 19);
  for (const char* description : {"Edit1", "Edit3", "Edit4", "Edit5"})
    EXPECT_EQ(Named<QLineEdit>(renameDialog(), description)->maxLength(), 31) << description;

  EXPECT_EQ(statusText()->text(), "Vexo 1 (E:) \u203a Games \u2014 2 entries, 509 of 512 slots free");
  EXPECT_EQ(window->windowTitle(), "Vexo Explorer \u2014 Vexo 1 (E:) \u2014 a.img");
  clickVolume({});
  EXPECT_EQ(window->windowTitle(), "Vexo Explorer");
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

TEST_F(KeysAndViewsTest, VerifyAfterWritingIsOnUntilTurnedOffAndRemembered) {
  EXPECT_TRUE(verifyAction()->isChecked());
  EXPECT_TRUE(window->diskAccess().verifying());
  verifyAction()->setChecked(false);
  EXPECT_FALSE(window->diskAccess().verifying());
  window.reset();
  start();
  EXPECT_FALSE(verifyAction()->isChecked());
  EXPECT_FALSE(window->diskAccess().verifying());
}

}  // namespace
}  // namespace vexo
