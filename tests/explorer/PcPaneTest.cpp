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
  EXPECT_EQ(Column(window->ListView2), (QStringList{"a.GCI", "big.vxe", "game.VexoImage", "small.pdata", "sub"}));
  EXPECT_EQ(Column(window->ListView2, 1), (QStringList{"300", "5000", "1000", "20", ""}));
  EXPECT_EQ(Column(window->ListView2, 2),
            (QStringList{"Vexo Graphics", "Vexo Program", "Vexo Image", "Vexo SM File",
                         Column(window->ListView2, 2).back()}));
  EXPECT_FALSE(Column(window->ListView2, 3).front().isEmpty());
  // The folder got its node; .git is neither listed nor a node.
  EXPECT_EQ(Texts(window->TreeView2->currentItem()), QStringList{"sub"});
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");
}

TEST_F(PcPaneTest, ColumnClicksSortAndRememberTheDirection) {
  window->ListView2ColumnClick(1);  // Size: largest first, folders (0) last
  EXPECT_EQ(Column(window->ListView2), (QStringList{"big.vxe", "game.VexoImage", "a.GCI", "small.pdata", "sub"}));
  window->ListView2ColumnClick(1);  // again: reversed
  EXPECT_EQ(Column(window->ListView2), (QStringList{"sub", "small.pdata", "a.GCI", "game.VexoImage", "big.vxe"}));
  window->ListView2ColumnClick(0);  // Filename, still backwards: files z→a, then folders
  EXPECT_EQ(Column(window->ListView2), (QStringList{"small.pdata", "game.VexoImage", "big.vxe", "a.GCI", "sub"}));
  window->ListView2ColumnClick(0);  // forward: folders first
  EXPECT_EQ(Column(window->ListView2), (QStringList{"sub", "a.GCI", "big.vxe", "game.VexoImage", "small.pdata"}));
  window->ListView2ColumnClick(1);  // Size with sortforward still true from the last flip
  EXPECT_EQ(window->sortcolumn, 1);
  EXPECT_TRUE(window->sortforward);
}

TEST_F(PcPaneTest, DoubleClickWalksIntoAFolderAndClicksListAgain) {
  window->ListView2->setCurrentItem(window->ListView2->findItems("sub", Qt::MatchExactly).front());
  window->ListView2DblClick();
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards/sub") + "\\");
  EXPECT_TRUE(Column(window->ListView2).isEmpty());

  window->ListView2->setCurrentItem(nullptr);
  window->TreeView2->setCurrentItem(pcRoot());
  window->TreeView2Click();  // My computer empties the list
  EXPECT_TRUE(window->GetNodePath().isEmpty());
  window->TreeView2->setCurrentItem(pcRoot()->child(0));
  window->TreeView2Click();  // the drive node lists the root folder
  EXPECT_EQ(window->GetNodePath(), "C:\\");
  EXPECT_TRUE(Column(window->ListView2).contains("tmp"));
}

TEST_F(PcPaneTest, PathsThatLeadNowhere) {
  window->ShowFolder("Q:\\x");
  window->ShowFolder(ToPcPath(table, root + "/cards/Nowhere"));
  EXPECT_EQ(seam.messages, (std::vector<QString>{"Not found", "Folder Not found"}));
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards") + "\\");  // unchanged
  window->ShowFolder(ToPcPath(table, root + "/CARDS/SUB") + "\\");  // A to Z ignore case
  EXPECT_EQ(window->GetNodePath(), ToPcPath(table, root + "/cards/sub") + "\\");
}

}  // namespace
}  // namespace vexo
