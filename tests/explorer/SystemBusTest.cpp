// udisks2 and logind where no system bus runs (as in CI): each says so at once, nothing hangs.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QElapsedTimer>

#include "explorer/SleepInhibitor.h"
#include "explorer/UdisksAccess.h"

namespace vexo {
namespace {

TEST(SystemBus, WithoutOneTheHelpersAnswerAtOnce) {
  if (QDBusConnection::systemBus().isConnected()) GTEST_SKIP() << "a system bus runs here";
  UdisksOpener udisks;
  std::string why;
  EXPECT_EQ(udisks.open("/dev/sdz", true, why), -1);
  EXPECT_EQ(why, "no system bus is running");
  EXPECT_FALSE(SleepInhibitor().held());
}

}  // namespace
}  // namespace vexo
