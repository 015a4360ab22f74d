// The udev backend on the real thing: a loop device that a file is attached to and detached
// from sends real uevents for the block subsystem, which must reach the component as a card put
// in and taken out, the way a reader's do. Needs root and a running udevd (the stage that tries
// card readers through udisks2 starts one); skipped elsewhere.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>

#include "shellnotify/DeviceEvents.h"
#include "tests/support/Shell.h"

namespace vexo {
namespace {

TEST(RealUdev, ALoopDeviceAttachedAndDetachedIsACardPutInAndTakenOut) {
  if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  if (::access("/run/udev/control", F_OK) != 0) GTEST_SKIP() << "no udevd runs here";
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  QTemporaryDir folder;
  const std::string image = folder.filePath("card.img").toStdString();
  std::ofstream(image).close();
  ::truncate(image.c_str(), 4 << 20);
  const std::string loop = testing::Shell("losetup -f");
  if (loop.empty()) GTEST_SKIP() << "no free loop device";

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
    while (heard.size() < count && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  };
  testing::Shell("losetup " + loop + " " + image);
  waitFor(1);
  testing::Shell("losetup -d " + loop);
  waitFor(2);
  EXPECT_EQ(heard, (std::vector<std::string>{"32 L:\\", "64 L:\\"}));
}

}  // namespace
}  // namespace vexo
