#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "explorer/ImageList.h"
#include "explorer/PcPaths.h"
#include "explorer/TreeImages.h"
#include "tests/explorer/WindowFixture.h"
#include "tests/shellnotify/FakeBackend.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class DeviceArrivalTest : public testing::WindowFixture {
 protected:
  void startWithFakeNotifications() {
    window = StartExplorer(table, seam, std::make_unique<testing::FakeBackend>(notifications));
  }
  testing::FakeBackendState notifications;
};

TEST_F(DeviceArrivalTest, TheWindowWatchesTheFourDriveEvents) {
  startWithFakeNotifications();
  EXPECT_EQ(notifications.active, 1);
  EXPECT_EQ(notifications.mask, 0x1E0u);
}

TEST_F(DeviceArrivalTest, ACardPutIntoAnEmptyReaderBecomesAVolume) {
  const std::string image = temp.file("later.img");
  table.Attach(image);  // a reader with no card in it yet
  card("other.img", CardBuilder().add(1, "", "Stay"));
  startWithFakeNotifications();
  EXPECT_EQ(Texts(volumeRoot()), (QStringList{"Removable Disk -1 (E:)", "Vexo 2 (F:)"}));
  QTreeWidgetItem* selected = volumeTree()->currentItem();

  testing::MakeImage(image);
  CardBuilder().add(1, "Games", "Pong").add(2, "Tools", "Hammer").writeTo(image);
  notifications.deliver(SHCNE_MEDIAINSERTED, "E:\\", "");
  EXPECT_EQ(Texts(volumeRoot()), (QStringList{"Vexo 1 (E:)", "Vexo 2 (F:)"}));
  EXPECT_EQ(Texts(volumeRoot()->child(0)), (QStringList{"Games", "Tools"}));
  EXPECT_EQ(volumeTree()->currentItem(), selected);  // the selection stays
  EXPECT_EQ(Column(entryList()), QStringList{"Stay"});
}

TEST_F(DeviceArrivalTest, TakingOutTheSelectedCardClearsTheVolumePane) {
  card("a.img", CardBuilder().add(1, "Games", "Pong"));
  card("b.img", CardBuilder().add(1, "Music", "Tune"));
  startWithFakeNotifications();
  clickVolume({"Vexo 2 (F:)", "Music"});
  EXPECT_EQ(Column(entryList()), QStringList{"Tune"});

  notifications.deliver(SHCNE_MEDIAREMOVED, "F:\\", "");
  EXPECT_EQ(volumeTree()->currentItem(), volumeRoot());
  EXPECT_TRUE(Column(entryList()).isEmpty());
  EXPECT_EQ(volumeRoot()->child(1)->text(0), "Removable Disk 2 (F:)");
  EXPECT_EQ(volumeRoot()->child(1)->childCount(), 0);
  EXPECT_EQ(NodeImage(volumeRoot()->child(1)), kImageRemovable);
  EXPECT_EQ(Texts(pcRoot()).size(), 3);  // the PC tree keeps the reader
}

TEST_F(DeviceArrivalTest, TakingOutAnotherCardLeavesTheSelection) {
  card("a.img", CardBuilder().add(1, "Games", "Pong"));
  card("b.img", CardBuilder().add(1, "", "Tune"));
  startWithFakeNotifications();
  clickVolume({"Vexo 2 (F:)"});
  notifications.deliver(SHCNE_MEDIAREMOVED, "E:\\", "");
  EXPECT_EQ(volumeRoot()->child(0)->text(0), "Removable Disk 1 (E:)");
  EXPECT_EQ(volumeRoot()->child(0)->childCount(), 0);
  EXPECT_EQ(volumeTree()->currentItem()->text(0), "Vexo 2 (F:)");
  EXPECT_EQ(Column(entryList()), QStringList{"Tune"});
  notifications.deliver(SHCNE_MEDIAREMOVED, "Q:\\", "");  // no node: nothing happens
  EXPECT_EQ(Texts(volumeRoot()).size(), 2);
}

TEST_F(DeviceArrivalTest, AReaderUnpluggedWhileThePcPaneShowsIt) {
  card("a.img", CardBuilder().add(1, "", "Pong"));
  startWithFakeNotifications();
  pcFolderTree()->setCurrentItem(pcRoot()->child(1));  // Removable Disk (E:)
  window->pcFolderTreeClicked();
  ASSERT_EQ(window->GetNodePath(), "E:\\");
  notifications.deliver(SHCNE_DRIVEREMOVED, "E:\\", "");
  EXPECT_TRUE(Texts(volumeRoot()).isEmpty());
  EXPECT_EQ(Texts(pcRoot()), QStringList{"Local Disk (C:)"});
  EXPECT_EQ(pcFolderTree()->currentItem(), pcRoot());
  EXPECT_TRUE(Column(pcFileList()).isEmpty());
  EXPECT_TRUE(Column(entryList()).isEmpty());  // it was the selected volume
}

// A real card image deleted and made again: the watch on the file tells the window.
TEST_F(DeviceArrivalTest, TheVolumeTreeFollowsARealImageFile) {
  const std::string image = card("real.img", CardBuilder().add(1, "Games", "Pong"));
  start();  // the machine's own notifications
  const auto waitFor = [&](const QString& text) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      if (volumeRoot()->childCount() == 1 && volumeRoot()->child(0)->text(0) == text) return true;
      QThread::msleep(10);
    }
    return false;
  };
  ASSERT_EQ(volumeRoot()->child(0)->text(0), "Vexo 1 (E:)");
  QFile::remove(QString::fromStdString(image));
  EXPECT_TRUE(waitFor("Removable Disk 1 (E:)"));
  testing::MakeImage(image);
  CardBuilder().add(3, "Tools", "Hammer").writeTo(image);
  EXPECT_TRUE(waitFor("Vexo 1 (E:)"));
  EXPECT_EQ(Texts(volumeRoot()->child(0)), QStringList{"Tools"});
}

}  // namespace
}  // namespace vexo
