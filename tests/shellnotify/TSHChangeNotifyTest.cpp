#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

#include "shellnotify/DeviceEvents.h"
#include "tests/shellnotify/FakeBackend.h"

namespace vexo {
namespace {

using testing::FakeBackend;
using testing::FakeBackendState;

struct Heard {
  std::vector<std::string> calls;
  void one(const char* what, quint32 code, const QString& path) {
    calls.push_back(std::string(what) + " " + std::to_string(code) + " " + path.toStdString());
  }
};

class ComponentTest : public ::testing::Test {
 protected:
  void assignDriveEvents() {
    component.OnDriveAdd = [this](TSHChangeNotify*, quint32 f, const QString& p) { heard.one("add", f, p); };
    component.OnDriveRemoved = [this](TSHChangeNotify*, quint32 f, const QString& p) { heard.one("removed", f, p); };
    component.OnMediaInserted = [this](TSHChangeNotify*, quint32 f, const QString& p) { heard.one("inserted", f, p); };
    component.OnMediaRemoved = [this](TSHChangeNotify*, quint32 f, const QString& p) { heard.one("out", f, p); };
  }
  FakeBackendState backend;
  TSHChangeNotify component{std::make_unique<FakeBackend>(backend)};
  Heard heard;
};

TEST_F(ComponentTest, TheMaskIsWhatIsAssigned) {
  component.Execute();
  EXPECT_EQ(backend.starts, 0);  // nothing assigned: nothing registered, nothing raised
  assignDriveEvents();
  EXPECT_EQ(component.eventMask(), 0x1E0u);
  component.Execute();
  component.Execute();
  EXPECT_EQ(backend.mask, 0x1E0u);
  EXPECT_EQ(backend.active, 1);  // one registration after two calls
  component.Stop();
  EXPECT_EQ(backend.active, 0);
  component.OnRenameFolder = [](TSHChangeNotify*, quint32, const QString&, const QString&) {};
  EXPECT_EQ(component.eventMask(), 0x201E0u);
}

TEST_F(ComponentTest, ARefusedRegistrationRaisesAndLeavesItStopped) {
  assignDriveEvents();
  backend.refuse = true;
  try {
    component.Execute();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Could not register SHChangeNotify");
  }
  EXPECT_FALSE(component.watching());
}

TEST_F(ComponentTest, MessageNoHasAFloor) {
  EXPECT_EQ(component.MessageNo(), 1024);
  try {
    component.setMessageNo(1023);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "MessageNo must be greater than or equal to 1024");
  }
  EXPECT_EQ(component.MessageNo(), 1024);
  component.setMessageNo(2000);
  EXPECT_EQ(component.MessageNo(), 2000);
}

TEST_F(ComponentTest, RepeatsAreDroppedIgnoringCaseOfAToZ) {
  assignDriveEvents();
  component.notify(SHCNE_DRIVEADD, "E:\\");
  component.notify(SHCNE_DRIVEADD, "E:\\");
  component.notify(SHCNE_DRIVEADD, "e:\\");  // differs only in case: a repeat
  component.notify(SHCNE_DRIVEADD, "F:\\");
  component.notify(SHCNE_DRIVEADD, "E:\\");
  component.notify(SHCNE_MEDIAREMOVED, "E:\\");
  component.notify(SHCNE_DRIVEADD | SHCNE_INTERRUPT, "E:\\");  // the top bit is cleared
  EXPECT_EQ(heard.calls, (std::vector<std::string>{"add 256 E:\\", "add 256 F:\\", "add 256 E:\\",
                                                   "out 64 E:\\", "add 256 E:\\"}));
}

TEST_F(ComponentTest, UnassignedEventsLeaveTheFilterAlone) {
  assignDriveEvents();
  component.notify(SHCNE_DRIVEADD, "E:\\");
  component.notify(SHCNE_CREATE, "C:\\x");  // no handler: not remembered
  component.notify(SHCNE_DRIVEADD, "E:\\");  // still a repeat of the first
  component.notify(0x40000, "C:\\");        // no such event
  EXPECT_EQ(heard.calls.size(), 1u);
}

TEST_F(ComponentTest, CaseIsConvertedAfterTheFilter) {
  assignDriveEvents();
  component.TextCase = TTextCase::tcUppercase;
  component.notify(SHCNE_MEDIAINSERTED, "e:\\cards");
  component.notify(SHCNE_MEDIAINSERTED, "E:\\CARDS");  // the filter saw e:\cards: a repeat
  component.TextCase = TTextCase::tcLowercase;
  component.notify(SHCNE_MEDIAINSERTED, "F:\\Ab");
  EXPECT_EQ(heard.calls, (std::vector<std::string>{"inserted 32 E:\\CARDS", "inserted 32 f:\\ab"}));
}

TEST_F(ComponentTest, TwoPathEventsGetBothPaths) {
  std::vector<std::string> got;
  component.OnRenameItem = [&](TSHChangeNotify*, quint32 f, const QString& a, const QString& b) {
    got.push_back(std::to_string(f) + " " + a.toStdString() + " " + b.toStdString());
  };
  component.notify(SHCNE_RENAMEITEM, "C:\\a", "C:\\b");
  component.notify(SHCNE_RENAMEITEM, "C:\\a", "C:\\c");  // another second path: no repeat
  EXPECT_EQ(got, (std::vector<std::string>{"1 C:\\a C:\\b", "1 C:\\a C:\\c"}));
}

TEST_F(ComponentTest, TheEndOfTheSessionStopsUnlessAHandlerKeepsIt) {
  assignDriveEvents();
  component.Execute();
  component.OnEndSessionQuery = [](TSHChangeNotify*, bool& canEnd) { canEnd = false; };
  EXPECT_FALSE(component.endSessionQuery());
  EXPECT_TRUE(component.watching());
  component.OnEndSessionQuery = nullptr;
  EXPECT_TRUE(component.endSessionQuery());
  EXPECT_FALSE(component.watching());
}

TEST(UdevEvents, BlockDeviceEventsBecomeDriveAndMediumNotifications) {
  struct Case {
    UdevEvent event;
    quint32 code;
  };
  const Case cases[] = {
      {{"add", "disk", true, false, 0}, SHCNE_DRIVEADD},
      {{"remove", "disk", true, false, 0}, SHCNE_DRIVEREMOVED},
      {{"change", "disk", true, true, 62333952}, SHCNE_MEDIAINSERTED},
      {{"change", "disk", true, true, 0}, SHCNE_MEDIAREMOVED},
      {{"change", "disk", true, false, 100}, 0},   // no media change
      {{"add", "partition", true, false, 0}, 0},   // partitions are not drives
      {{"add", "disk", false, false, 0}, 0},       // fixed disks are not watched
  };
  for (const Case& c : cases) EXPECT_EQ(ShellEventOf(c.event), c.code) << c.event.action.toStdString();
}

TEST(ImageWatch, AnImageThatComesAndGoesIsACardPutInAndTakenOut) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);  // the file watcher lives in an event loop
  QTemporaryDir folder;
  const QString image = folder.filePath("card.img");
  std::vector<std::string> events;
  ImageWatchBackend watch({image}, [&](const QString& path) { return path == image ? "E:\\" : ""; });
  watch.start(0x60, true, [&](quint32 code, const QString& root, const QString&) {
    events.push_back(std::to_string(code) + " " + root.toStdString());
  });
  QFile(image).open(QIODevice::WriteOnly);
  watch.rescan();
  QFile::remove(image);
  watch.rescan();
  watch.rescan();  // nothing new
  EXPECT_EQ(events, (std::vector<std::string>{"32 E:\\", "64 E:\\"}));
}

}  // namespace
}  // namespace vexo
