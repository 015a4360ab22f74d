#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QSettings>

#include "explorer/ImageList.h"
#include "explorer/PcPaths.h"
#include <QLabel>
#include "explorer/TreeImages.h"
#include "tests/explorer/WindowFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class StartupTest : public testing::WindowFixture {};

TEST_F(StartupTest, TwoCardsTheLastFoundSelectedAndListed) {
  card("a.img", CardBuilder().add(1, "Games", "Pong").add(2, "", "Tool").add(3, "Apps", "Calc"));
  card("b.img", CardBuilder().add(1, "", "Second").add(4, "Music", "Tune"));
  testing::MakeImage(temp.file("blank.img"), 8 << 20);
  table.Attach(temp.file("blank.img"));
  table.Attach(temp.file("absent.img"));
  start();

  // The title names the card selected, after the window's own name.
  EXPECT_EQ(window->windowTitle(), "Vexo Explorer \u2014 Vexo 2 (F:) \u2014 b.img");
  EXPECT_EQ(statusText()->text(), "Vexo 2 (F:) \u2014 1 entry, 510 of 512 slots free");
  EXPECT_EQ(volumeRoot()->text(0), "Removable Drives");
  EXPECT_EQ(Texts(volumeRoot()), (QStringList{"Vexo 1 (E:)", "Vexo 2 (F:)", "Removable Disk 3 (G:)",
                                              "Removable Disk -1 (H:)"}));
  EXPECT_EQ(Texts(volumeRoot()->child(0)), (QStringList{"Games", "Apps"}));  // lowest slot first
  EXPECT_EQ(Texts(volumeRoot()->child(1)), QStringList{"Music"});
  EXPECT_EQ(volumeTree()->currentItem(), volumeRoot()->child(1));
  EXPECT_EQ(Column(entryList()), QStringList{"Second"});

  EXPECT_EQ(pcRoot()->text(0), "My computer");
  EXPECT_EQ(Texts(pcRoot()), (QStringList{"Local Disk (C:)", "Removable Disk (E:)", "Removable Disk (F:)",
                                          "Removable Disk (G:)", "Removable Disk (H:)"}));
  EXPECT_EQ(NodeImage(volumeRoot()->child(0)), kImageVolume);
  EXPECT_EQ(NodeImage(volumeRoot()->child(2)), kImageRemovable);
  EXPECT_EQ(NodeImage(pcRoot()->child(0)), kImageFixed);
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(StartupTest, LayoutColumnsImagesAndMenus) {
  start();
  EXPECT_EQ(window->images().size(), 20);
  for (int i : {0, 1, 2, 3, 4, 6, 7, 10, 11, 16}) EXPECT_FALSE(window->images()[i].isNull()) << i;
  QStringList entryColumns, fileColumns;
  for (int c = 0; c < entryList()->columnCount(); ++c) entryColumns << entryList()->headerItem()->text(c);
  for (int c = 0; c < pcFileList()->columnCount(); ++c) fileColumns << pcFileList()->headerItem()->text(c);
  EXPECT_EQ(entryColumns, (QStringList{"Filename", "Date Modified", "Description 1", "Description 2",
                                       "Description 3", "Description 4"}));
  EXPECT_EQ(fileColumns, (QStringList{"Filename", "Size", "Type", "Date Modified"}));
  EXPECT_EQ(pcFileList()->columnWidth(2), 200);

  QStringList shown, hidden;
  for (QMenu* menu : {volumeMenu(), entryMenu()})
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) (action->isVisible() ? shown : hidden) << action->text();
  EXPECT_EQ(shown, (QStringList{"New Vexo Category", "Format", "Diagnostics", "Verify after writing",
                                "Delete", "Rename", "Properties"}));
  EXPECT_EQ(hidden, (QStringList{"Copy Menu", "Copy Menu Graphics", "Copy", "Paste"}));
  EXPECT_EQ(progressDialog()->windowTitle(), "Progress");
  EXPECT_EQ(restoreChooser()->windowTitle(), "Modify entries to be restored");
}

TEST_F(StartupTest, TheFolderOfTheLastCloseComesBack) {
  const QString folder = QString::fromStdString(temp.path()) + "/cards";
  QDir().mkpath(folder);
  start();
  window->ShowFolder(ToPcPath(table, folder));
  QCloseEvent close;
  window->FormClose(&close);
  EXPECT_TRUE(close.isAccepted());
  const QString stored = QSettings().value("CurrentFolder").toString();
  EXPECT_EQ(stored, ToPcPath(table, folder) + "\\");

  start();
  EXPECT_EQ(window->GetNodePath(), stored);
}

TEST_F(StartupTest, AStaleOrEmptyFolderFallsBackToTheCurrentDirectory) {
  const QString current = ToPcPath(table, QDir::currentPath()) + "\\";
  for (const QString& value : {QString("C:\\no\\such\\folder\\"), QString()}) {
    QSettings().setValue("CurrentFolder", value);
    start();
    EXPECT_EQ(window->GetNodePath(), current) << value.toStdString();
    EXPECT_TRUE(seam.messages.empty());
  }
}

TEST_F(StartupTest, ASettingThatCannotBeWrittenKeepsTheWindowOpen) {
  start();
  const QString file = QSettings().fileName();
  QSettings().clear();
  QFile::remove(file);
  QDir().mkpath(file);  // a folder where the settings file should be
  QCloseEvent close;
  window->FormClose(&close);
  QDir(file).removeRecursively();
  EXPECT_FALSE(close.isAccepted());
  EXPECT_EQ(seam.messages, std::vector<QString>{"Failed to set data for 'CurrentFolder'"});
}

TEST_F(StartupTest, PcPathsMapToLinuxFolders) {
  EXPECT_EQ(ToLocalPath(table, "C:\\home\\ann\\cards\\"), "/home/ann/cards/");
  EXPECT_EQ(ToLocalPath(table, "C:"), "/");
  EXPECT_EQ(ToPcPath(table, "/home/ann"), "C:\\home\\ann");
  EXPECT_EQ(ToPcPath(table, "/"), "C:\\");
  table.Attach(temp.file("card.img"));
  EXPECT_EQ(ToLocalPath(table, "E:\\"), "");  // a card image has no folders of its own
}

}  // namespace
}  // namespace vexo
