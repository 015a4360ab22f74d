// The udev backend on the real thing: kernel uevents, passed through a running udevd, read from
// its netlink group and turned into the component's notifications. A loop device stands for the
// reader: the stage that runs this gives udevd a rule that makes that one device look like a
// USB card reader (ID_BUS=usb, DISK_MEDIA_CHANGE=1 on its change events, no inotify watch), so
// that attaching a file to it is a card put in and detaching it a card taken out. The device is
// named by VEXO_READER_LOOP; skipped without it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

#include "shellnotify/DeviceEvents.h"
#include "tests/support/Shell.h"

namespace vexo {
namespace {

TEST(RealUdev, AReaderThatACardIsPutInAndTakenOutIsHeardAsSuch) {
  const char* named = std::getenv("VEXO_READER_LOOP");
  if (named == nullptr || ::geteuid() != 0) GTEST_SKIP() << "needs root and VEXO_READER_LOOP (see scripts/udisks-check.sh)";
  const std::string loop = named;
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  QTemporaryDir folder;
  const std::string image = folder.filePath("card.img").toStdString();
  std::ofstream(image).close();
  ASSERT_EQ(::truncate(image.c_str(), 4 << 20), 0);

  std::vector<std::string> heard;
  TSHChangeNotify component(std::make_unique<UdevBackend>([&](const QString& node) {
    return node.toStdString() == loop ? QString("L:\\") : QString();
  }));
  component.OnMediaInserted = [&](TSHChangeNotify*, quint32 code, const QString& root) {
    heard.push_back(std::to_string(code) + " " + root.toStdString());
  };
  component.OnMediaRemoved = component.OnMediaInserted;
  component.Execute();
  const auto waitFor = [&](std::size_t count) {
    QElapsedTimer waited;
    waited.start();
    while (heard.size() < count && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  };
  testing::Shell("losetup " + loop + " " + image);
  waitFor(1);
  testing::Shell("losetup -d " + loop);
  waitFor(2);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 300);  // nothing more comes
  EXPECT_EQ(heard, (std::vector<std::string>{"32 L:\\", "64 L:\\"}));
}

}  // namespace
}  // namespace vexo
