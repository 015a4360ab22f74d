#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "tests/explorer/WindowFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class CommandsTest : public testing::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    image = card("a.img", CardBuilder().add(1, "Games", "Pong").add(2, "Games", "Alpha").add(3, "", "Tool"));
    blank = testing::MakeImage(temp.file("blank.img"));
    table.Attach(blank);
    start();
  }
  std::string image, blank;
};

TEST_F(CommandsTest, TheTreeMenuOpensOnDriveNodesOnly) {
  const auto at = [&](QTreeWidgetItem* node) {
    return volumeTree()->visualItemRect(node).center();
  };
  volumeRoot()->setExpanded(true);
  volumeRoot()->child(0)->setExpanded(true);
  EXPECT_FALSE(window->selectForVolumeMenu(at(volumeRoot())));
  EXPECT_EQ(volumeTree()->currentItem(), volumeRoot());  // selected all the same
  EXPECT_TRUE(window->selectForVolumeMenu(at(volumeRoot()->child(0))));   // Vexo 1 (E:)
  EXPECT_TRUE(window->selectForVolumeMenu(at(volumeRoot()->child(1))));   // Removable Disk 2 (F:)
  EXPECT_FALSE(window->selectForVolumeMenu(at(volumeRoot()->child(0)->child(0))));  // Games
  EXPECT_FALSE(window->selectForVolumeMenu(QPoint(5, 2000)));
}

TEST_F(CommandsTest, FormatMakesTheRemovableDiskAVexoVolume) {
  clickVolume({"Removable Disk 2 (F:)"});
  window->formatDrive();
  EXPECT_EQ(seam.messages, std::vector<QString>{"Format complete"});
  EXPECT_EQ(Texts(volumeRoot()), (QStringList{"Vexo 1 (E:)", "Vexo 2 (F:)"}));
  EXPECT_EQ(volumeTree()->currentItem()->text(0), "Vexo 2 (F:)");
  EXPECT_TRUE(IsUsed(testing::ReadHeader(blank, 1)) == false);
  EXPECT_EQ(testing::ReadHeader(blank, 512).magic(), kMagic);

  seam.messages.clear();
  window->formatDrive();  // already Vexo: the default answer Cancel stops it
  EXPECT_EQ(seam.questions.back(),
            "Drive is already Formatted as Vexo File system, do you realy want to reformat?\n"
            "Vexo 2 (F:) \u2014 blank.img\nIt holds no entries.");
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(CommandsTest, DiagnosticsShowsTheGridAndTheSummary) {
  clickVolume({"Vexo 1 (E:)"});
  window->showDiagnostics();
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Vexo File system Diagnostics \u2014 Vexo 1 (E:) \u2014 a.img"});
  QLabel* summary = Named<QLabel>(diagnosticsDialog(), "Label1");
  EXPECT_EQ(summary->text(), "All ok");
  EXPECT_EQ(Named<QTableWidget>(diagnosticsDialog(), "StringGrid1")->rowCount(), 512);
  EXPECT_EQ(summary->palette().color(QPalette::WindowText), QColor(Qt::black));

  // The grid shows the card as it is now.
  SlotHeader broken = testing::ReadHeader(image, 3);
  broken.setNext(9);
  testing::WriteHeader(image, 3, broken);
  window->showDiagnostics();
  EXPECT_EQ(summary->text(), "1 Errors");
  EXPECT_EQ(summary->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST_F(CommandsTest, DeleteAsksAndRefillsTheList) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Pong"}));
  selectEntry("Pong");
  seam.answers = {Answer::Yes};
  window->deleteEntry();
  EXPECT_EQ(seam.questions,
            std::vector<QString>{"Confirm Delete of 'Pong'\nfrom Games on Vexo 1 (E:) \u2014 a.img"});
  EXPECT_EQ(Column(entryList()), QStringList{"Alpha"});
  EXPECT_FALSE(IsUsed(testing::ReadHeader(image, 1)));
}

TEST_F(CommandsTest, RenameThroughItsDialog) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Pong");
  seam.onDialog = [](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "TForm3");
    EXPECT_EQ(Named<QLineEdit>(&dialog, "Edit2")->text(), "Pong");
    Named<QLineEdit>(&dialog, "Edit2")->setText("Zap");
    Named<QLineEdit>(&dialog, "Edit4")->setText("third");
    return int(QDialog::Accepted);
  };
  window->renameEntry();
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Rename"});
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Zap"}));
  EXPECT_EQ(testing::ReadHeader(image, 1).desc3(), "third");

  seam.onDialog = [](QDialog&) { return int(QDialog::Rejected); };
  selectEntry("Zap");
  window->renameEntry();
  EXPECT_EQ(testing::ReadHeader(image, 1).filename(), "Zap");
}

TEST_F(CommandsTest, PropertiesShowsTheEntrysFields) {
  clickVolume({"Vexo 1 (E:)"});
  selectEntry("Tool");
  QStringList shown;
  seam.onDialog = [&](QDialog& dialog) {
    dialog.show();  // the values are filled as it shows
    for (QLabel* value : dialog.findChildren<QLabel*>("propertyValue")) shown << value->text();
    dialog.hide();
    return int(QDialog::Accepted);
  };
  window->showProperties();
  ASSERT_EQ(shown.size(), 11);
  EXPECT_EQ(shown[0], "");
  EXPECT_EQ(shown[1], "Tool");

  seam.dialogs.clear();
  entryList()->clearSelection();
  window->showProperties();  // nothing selected: no dialog
  EXPECT_TRUE(seam.dialogs.empty());
}

TEST_F(CommandsTest, NewCategoryOffersTheNextNameAndChecksTheNode) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  window->newCategory();
  EXPECT_EQ(seam.inputs, std::vector<QString>{"New Vexo Category|Please enter new Category name|New Category1"});
  EXPECT_EQ(volumeTree()->currentItem()->text(0), "New Category1");
  EXPECT_TRUE(Column(entryList()).isEmpty());
  window->newCategory();
  EXPECT_EQ(seam.inputs.back(), "New Vexo Category|Please enter new Category name|New Category2");

  seam.inputAnswers = {QString()};  // Cancel
  window->newCategory();
  EXPECT_EQ(Texts(volumeRoot()->child(0)), (QStringList{"Games", "New Category1", "New Category2"}));

  for (const QStringList& path : {QStringList{}, QStringList{"Removable Disk 2 (F:)"}}) {
    seam.messages.clear();
    if (path.isEmpty()) volumeTree()->setCurrentItem(volumeRoot()); else clickVolume(path);
    window->newCategory();
    EXPECT_EQ(seam.messages, std::vector<QString>{"Please select a Vexo drive to place a Category on"});
  }
}

TEST_F(CommandsTest, ResolveSelectionAndTheDragSourceFields) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Pong");
  entryList()->topLevelItem(0)->setSelected(true);  // Alpha too: the first in list order
  window->startEntryDrag();
  EXPECT_EQ(window->dragSource.disk, 1);
  EXPECT_EQ(window->dragSource.category, "Games");
  EXPECT_EQ(window->dragSource.filename, "Alpha");
  EXPECT_EQ(window->dragSource.slot, 2);

  entryList()->clearSelection();
  window->startEntryDrag();
  EXPECT_EQ(window->dragSource.slot, -1);
  volumeTree()->setCurrentItem(volumeRoot());
  window->startEntryDrag();
  EXPECT_EQ(window->dragSource.disk, -1);
}

}  // namespace
}  // namespace vexo
