#include <QDir>
#include <QFile>
#include <sys/time.h>

#include "explorer/ImageList.h"
#include "explorer/PcPaths.h"
#include "tests/explorer/WindowFixture.h"

namespace vexo {
namespace {

class PcPaneTest : public testing::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    root = QString::fromStdString(temp.path());
    QDir(root).mkpath("cards/sub");
    QDir(root).mkpath("cards/.git");
    file("cards/a.GCI", 300);
    file("cards/b.txt", 10);
    file("cards/.hidden.pdata", 10);
    file("cards/big.vxe", 5000);
    file("cards/small.pdata", 20);
    file("cards/game.VexoImage", 1000);
    start();
    window->ShowFolder(ToPcPath(table, root + "/cards"));
  }
  // Names whose order is the same in every locale (all begin in lower case).
  void file(const QString& name, int bytes) {
    QFile f(root + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
  }
  QString root;
};

TEST_F(PcPaneTest, ListsFoldersAndTheFourKindsInNameOrder) {
  EXPECT_EQ(Column(pcFileList()), (QStringList{"a.GCI", "big.vxe", "game.VexoImage", "small.pdata", "sub"}));
  EXPECT_EQ(Column(pcFileList(), 1), (QStringList{"300", "5000", "1000", "20", ""}));
  EXPECT_EQ(Column(pcFileList(), 2),
            (QStringList{"Vexo Graphics", "Vexo Program", "Vexo Image", "Vexo SM File",
                         Column(pcFileList(), 2).back()}));
  EXPECT_FALSE(Column(pcFileList(), 3).front().isEmpty());
  // The folder got its node; .git is neither listed nor a node.
  EXPECT_EQ(Texts(pcFolderTree()->currentItem()), QStringList{"sub"});
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");
}

TEST_F(PcPaneTest, ColumnClicksSortAndRememberTheDirection) {
  window->sortPcFileListBy(1);  // Size: largest first, folders (0) last
  EXPECT_EQ(Column(pcFileList()), (QStringList{"big.vxe", "game.VexoImage", "a.GCI", "small.pdata", "sub"}));
  window->sortPcFileListBy(1);  // again: reversed
  EXPECT_EQ(Column(pcFileList()), (QStringList{"sub", "small.pdata", "a.GCI", "game.VexoImage", "big.vxe"}));
  window->sortPcFileListBy(0);  // Filename, still backwards: files z→a, then folders
  EXPECT_EQ(Column(pcFileList()), (QStringList{"small.pdata", "game.VexoImage", "big.vxe", "a.GCI", "sub"}));
  window->sortPcFileListBy(0);  // forward: folders first
  EXPECT_EQ(Column(pcFileList()), (QStringList{"sub", "a.GCI", "big.vxe", "game.VexoImage", "small.pdata"}));
  window->sortPcFileListBy(1);  // Size with sortforward still true from the last flip
  EXPECT_EQ(window->sortcolumn, 1);
  EXPECT_TRUE(window->sortforward);
}

TEST_F(PcPaneTest, DoubleClickWalksIntoAFolderAndClicksListAgain) {
  pcFileList()->setCurrentItem(pcFileList()->findItems("sub", Qt::MatchExactly).front());
  window->openPcFileListItem();
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards/sub") + "\\");
  EXPECT_TRUE(Column(pcFileList()).isEmpty());

  pcFileList()->setCurrentItem(nullptr);
  pcFolderTree()->setCurrentItem(pcRoot());
  window->pcFolderTreeClicked();  // My computer empties the list
  EXPECT_TRUE(window->GetNodePath().isEmpty());
  pcFolderTree()->setCurrentItem(pcRoot()->child(0));
  window->pcFolderTreeClicked();  // the drive node lists the root folder
  EXPECT_EQ(window->GetNodePath(), "C:\\");
  EXPECT_TRUE(Column(pcFileList()).contains("tmp"));
}

TEST_F(PcPaneTest, PathsThatLeadNowhere) {
  window->ShowFolder("Q:\\x");
  window->ShowFolder(ToPcPath(table, root + "/cards/Nowhere"));
  EXPECT_EQ(seam.messages, (std::vector<QString>{"Not found", "Folder Not found"}));
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");  // unchanged
  window->ShowFolder(ToPcPath(table, root + "/CARDS/SUB") + "\\");  // A to Z ignore case
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards/sub") + "\\");
}

// What the file manager runs to open an archive: its folder shown, the archive selected.
TEST_F(PcPaneTest, AnArchiveOpenedFromOutsideIsShownSelectedInItsFolder) {
  window->ShowFolder("C:\\");
  window->showPcFile(root + "/cards/sub/../game.VexoImage");
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");
  ASSERT_NE(pcFileList()->currentItem(), nullptr);
  EXPECT_EQ(pcFileList()->currentItem()->text(0), "game.VexoImage");
  EXPECT_TRUE(pcFileList()->currentItem()->isSelected());

  window->showPcFile(root + "/cards/gone.VexoImage");
  EXPECT_EQ(seam.messages, std::vector<QString>{root + "/cards/gone.VexoImage: there is no such file"});
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");  // unchanged
}

}  // namespace
}  // namespace vexo
