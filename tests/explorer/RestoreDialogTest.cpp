// "Modify entries to be restored": its buttons, renaming by double click, the mass change of
// category, and what "Restore Checked" and Cancel leave on the card.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "explorer/RestoreChooser.h"
#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::Bytes;
using testing::Pattern;
using testing::ReadHeader;
using testing::Stored;
using testing::StoredEntry;

class RestoreDialogTest : public testing::DragDropFixture {
 protected:
  static QPushButton* Button(QDialog& dialog, const char* name) { return Named<QPushButton>(&dialog, name); }
  static QLineEdit* Edit(QDialog& dialog, const char* name) { return Named<QLineEdit>(&dialog, name); }
};

// ---- "Modify entries to be restored" --------------------------------------------------------

TEST_F(RestoreDialogTest, TheRestoreDialogsActions) {
  std::vector<StoredEntry> stored = {Stored("Games", "Zeta", 100, 0x81), Stored("Games", "Beta", 200, 0x82),
                                     Stored("", "Solo", 300, 0x83), Stored("Demos", "Tour", 400, 0x84)};
  testing::WriteArchive(localPc("four.VexoImage").toStdString(), testing::Payload(stored));
  showPc();
  clickVolume({"Vexo 2 (F:)"});

  std::function<int(QDialog&)> rename;
  seam.onDialog = [&](QDialog& dialog) {
    if (dialog.windowTitle() == "Rename Entry") return rename(dialog);
    auto& chooser = static_cast<RestoreChooser&>(dialog);
    QListWidget& list = *Named<QListWidget>(&chooser, "CheckListBox1");
    const auto texts = [&] {
      QStringList t;
      for (int i = 0; i < list.count(); ++i) t << list.item(i)->text();
      return t;
    };
    const auto checks = [&] {
      std::vector<bool> c;
      for (int i = 0; i < list.count(); ++i) c.push_back(list.item(i)->checkState() == Qt::Checked);
      return c;
    };
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Games\\Beta", "Games\\Zeta", "Solo"}));
    EXPECT_EQ(checks(), std::vector<bool>(4, true));
    Button(chooser, "BitBtn4")->click();  // Uncheck All
    EXPECT_EQ(checks(), std::vector<bool>(4, false));
    Button(chooser, "BitBtn3")->click();  // Check All
    EXPECT_EQ(checks(), std::vector<bool>(4, true));

    // The proposal comes from the first checked item with a category; Cancel changes nothing.
    list.item(0)->setCheckState(Qt::Unchecked);
    seam.inputAnswers = {QString()};
    Button(chooser, "BitBtn5")->click();  // Change Checked Category
    EXPECT_EQ(seam.inputs.back(), "Mass Change of Category|Enter new Category|Games");
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Games\\Beta", "Games\\Zeta", "Solo"}));
    seam.inputAnswers = {"Arcade"};
    Button(chooser, "BitBtn5")->click();
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Arcade\\Beta", "Arcade\\Zeta", "Arcade\\Solo"}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true}));

    // Renaming keeps an item's place and its check mark, checked or not.
    rename = [](QDialog& edit) {
      EXPECT_EQ(Edit(edit, "Edit2")->text(), "Arcade");  // category
      EXPECT_EQ(Edit(edit, "Edit1")->text(), "Zeta");    // file name
      Edit(edit, "Edit2")->setText("");
      Edit(edit, "Edit1")->setText("Zed");
      return int(QDialog::Accepted);
    };
    list.item(3)->setCheckState(Qt::Unchecked);  // a mark set just before survives the rename
    list.setCurrentRow(2);
    chooser.renameCurrentItem();
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, false}));
    list.item(3)->setCheckState(Qt::Checked);
    rename = [](QDialog& edit) {
      EXPECT_EQ(Edit(edit, "Edit2")->text(), "Demos");
      Edit(edit, "Edit1")->setText("Trip");
      return int(QDialog::Accepted);
    };
    list.setCurrentRow(0);
    chooser.renameCurrentItem();
    EXPECT_EQ(list.currentRow(), 0);
    rename = [](QDialog& edit) {
      Edit(edit, "Edit1")->setText("Never");
      return int(QDialog::Rejected);
    };
    list.setCurrentRow(1);
    chooser.renameCurrentItem();
    EXPECT_EQ(texts(), (QStringList{"Demos\\Trip", "Arcade\\Beta", "Zed", "Arcade\\Solo"}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true}));

    Button(chooser, "BitBtn1")->click();  // "Restore Checked"
    return chooser.result();
  };
  dropOnEntries("four.VexoImage", kNowhere);

  EXPECT_EQ(seam.dialogs, (std::vector<QString>{"Modify entries to be restored", "Rename Entry",
                                                "Rename Entry", "Rename Entry"}));
  EXPECT_TRUE(seam.messages.empty());
  // In the order stored: Zeta (now Zed), Beta, Solo; Tour was left out.
  const std::vector<std::pair<std::string, std::string>> restored = {{"", "Zed"}, {"Arcade", "Beta"}, {"Arcade", "Solo"}};
  for (int i = 0; i < 3; ++i) {
    const SlotHeader h = ReadHeader(b, 3 + i);
    EXPECT_EQ(std::make_pair(h.category(), h.filename()), restored[static_cast<std::size_t>(i)]);
    const Bytes& program = stored[static_cast<std::size_t>(i)].program;
    EXPECT_EQ(Sectors(b, SlotFirstSector(3 + i) + 1, program.size()), program);
  }
  EXPECT_EQ(UsedSlots(b), 5);
  EXPECT_TRUE(Texts(node({"Vexo 2 (F:)"})).contains("Arcade"));
  EXPECT_EQ(Column(entryList()), QStringList{"Zed"});  // listed again for the selection
  expectIdle();
}

TEST_F(RestoreDialogTest, DoubleClickingAnItemOfTheRestoreDialogRenamesIt) {
  testing::WriteArchive(localPc("two.VexoImage").toStdString(),
                        testing::Payload({Stored("Games", "Zeta", 100, 0x85), Stored("", "Solo", 10, 0x86)}));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  QStringList offered;
  QStringList after;
  seam.onDialog = [&](QDialog& dialog) {
    if (dialog.windowTitle() == "Rename Entry") {
      offered << Edit(dialog, "Edit2")->text() + "|" + Edit(dialog, "Edit1")->text();
      Edit(dialog, "Edit1")->setText("Zed");
      return int(QDialog::Accepted);
    }
    QListWidget* list = Named<QListWidget>(&dialog, "CheckListBox1");
    dialog.show();  // the mouse needs the list laid out
    QWidget* viewport = list->viewport();
    const QPoint at = list->visualItemRect(list->item(0)).center();
    for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::MouseButtons(Qt::LeftButton)},
                                        std::pair{QEvent::MouseButtonRelease, Qt::MouseButtons(Qt::NoButton)},
                                        std::pair{QEvent::MouseButtonDblClick, Qt::MouseButtons(Qt::LeftButton)},
                                        std::pair{QEvent::MouseButtonRelease, Qt::MouseButtons(Qt::NoButton)}}) {
      QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QCoreApplication::sendEvent(viewport, &event);
    }
    for (int i = 0; i < list->count(); ++i) after << list->item(i)->text();
    dialog.hide();
    Button(dialog, "BitBtn1")->click();
    return dialog.result();
  };
  dropOnEntries("two.VexoImage", kNowhere);
  EXPECT_EQ(offered, QStringList{"Games|Zeta"});
  EXPECT_EQ(after, (QStringList{"Games\\Zed", "Solo"}));
  EXPECT_EQ(ReadHeader(b, 3).filename(), "Zed");
  EXPECT_EQ(ReadHeader(b, 4).filename(), "Solo");
}

TEST_F(RestoreDialogTest, AnEmptyMassCategoryRestoresIntoTheBlankCategory) {
  testing::WriteArchive(localPc("one.VexoImage").toStdString(),
                        testing::Payload({Stored("Games", "Zeta", 10, 0x87)}));
  showPc();
  clickVolume({"Vexo 2 (F:)", "Games"});
  QStringList texts;
  seam.inputAnswers = {""};
  seam.onDialog = [&](QDialog& dialog) {
    Button(dialog, "BitBtn5")->click();
    texts << Named<QListWidget>(&dialog, "CheckListBox1")->item(0)->text();
    return int(QDialog::Accepted);
  };
  dropOnEntries("one.VexoImage", kNowhere);
  EXPECT_EQ(texts, QStringList{"\\Zeta"});
  EXPECT_EQ(ReadHeader(b, 3).category(), "");
  EXPECT_EQ(ReadHeader(b, 3).filename(), "Zeta");
  EXPECT_EQ(Texts(node({"Vexo 2 (F:)"})), (QStringList{"Games", "Demos"}));  // no node for ""
}

TEST_F(RestoreDialogTest, RestoreCheckedWritesAndCancelWritesNothing) {
  testing::WriteArchive(localPc("one.VexoImage").toStdString(),
                        testing::Payload({Stored("Demos", "Tour", 400, 0x91)}));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  struct Case {
    const char* button;  // BitBtn2: Cancel, BitBtn1: "Restore Checked"
    int used;
  };
  for (const Case c : {Case{"BitBtn2", 2}, Case{"BitBtn1", 3}}) {
    seam.onDialog = [&](QDialog& dialog) {
      Button(dialog, c.button)->click();
      return dialog.result();
    };
    dropOnEntries("one.VexoImage", kNowhere);
    EXPECT_EQ(UsedSlots(b), c.used);
    EXPECT_EQ(Sectors(b, SlotFirstSector(3) + 1, 400) == Pattern(400, 0x91), c.used == 3);
    expectIdle();
  }
  EXPECT_TRUE(seam.messages.empty());
}

// The archive's Common Storage Area is a choice of its own: offered unchecked over F:, whose
// area holds "Map", and restored only when checked and the question that names the card is
// answered Yes.
TEST_F(RestoreDialogTest, TheArchivesAreaIsOfferedAndAskedFor) {
  const Bytes area = Pattern(3000, 0x61);
  testing::WriteArchive(localPc("area.VexoImage").toStdString(),
                        testing::Payload({Stored("Demos", "Tour", 400, 0x92)}, area));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  const Bytes own = Sectors(b, kCsaFirstSector, 700);
  struct Case {
    const char* what;
    bool check;
    std::vector<Answer> answers;  // to the area's question, then to "Replace 'Tour'?"
    bool replaced;
  };
  for (const Case& c : {Case{"left unchecked", false, {Answer::Yes}, false},
                        Case{"checked, No", true, {Answer::No, Answer::Yes}, false},
                        Case{"checked, Yes", true, {Answer::Yes, Answer::Yes}, true}}) {
    SCOPED_TRACE(c.what);
    QString offered;
    bool offeredChecked = true;
    seam.questions.clear();
    seam.answers.assign(c.answers.begin(), c.answers.end());
    seam.onDialog = [&](QDialog& dialog) {
      QCheckBox* csa = Named<QCheckBox>(&dialog, "csaCheck");
      offered = csa->isHidden() ? QString() : csa->text();
      offeredChecked = csa->isChecked();
      csa->setChecked(c.check);
      Button(dialog, "BitBtn1")->click();
      return dialog.result();
    };
    dropOnEntries("area.VexoImage", kNowhere);
    EXPECT_EQ(offered, "Common Storage Area: 3000 bytes");
    EXPECT_FALSE(offeredChecked);
    if (c.check) {
      ASSERT_FALSE(seam.questions.empty());
      EXPECT_EQ(seam.questions.front(), "Replace the Common Storage Area of Vexo 2 (F:) \u2014 b.img?");
    }
    EXPECT_EQ(ReadHeader(b, 1).csafile(), c.replaced ? "" : "Map");
    EXPECT_EQ(ReadHeader(b, 1).csalen(), c.replaced ? 3000u : 700u);
    EXPECT_EQ(Sectors(b, kCsaFirstSector, 700), c.replaced ? Bytes(area.begin(), area.begin() + 700) : own);
    EXPECT_EQ(ReadHeader(b, 3).filename(), "Tour");
    expectIdle();
  }
}

}  // namespace
}  // namespace vexo
