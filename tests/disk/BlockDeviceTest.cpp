// The block-device path on a real loop device. Needs root and losetup; skipped elsewhere.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "disk/BlockDevice.h"
#include "disk/DiskAccess.h"
#include "disk/RemovableDevices.h"
#include "tests/support/CardImage.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/Shell.h"

namespace vexo {
namespace {

using testing::Shell;

class LoopDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
    image = testing::MakeImage(temp.file("card.img"));  // sparse; a card holds a whole volume
    loop = Shell("losetup -f --show " + image);
    if (loop.empty()) GTEST_SKIP() << "losetup cannot make a loop device here";
    number = table.Attach(loop);
  }
  void TearDown() override {
    if (!mountPoint.empty()) ::umount2(mountPoint.c_str(), MNT_DETACH);
    if (!loop.empty()) Shell("losetup -d " + loop);
  }

  testing::TempDir temp;
  std::string image, loop, mountPoint;
  DiskTable table;
  testing::ScriptedPrompter ui;
  UnmountReleaser releaser;
  DiskAccess access{table, ui, releaser};
  int number = -1;
  std::array<std::uint8_t, 512> data = [] {
    std::array<std::uint8_t, 512> d{};
    d.fill(0x5A);
    return d;
  }();
};

TEST_F(LoopDeviceTest, ReadsAndWritesTheDevice) {
  ASSERT_EQ(number, 1);
  EXPECT_TRUE(MayHoldACard(loop));   // a loop device stands for a card
  EXPECT_FALSE(MayHoldACard(image));  // a file is not a block device
  EXPECT_FALSE(table.ByNumber(number)->device->isImageFile());
  EXPECT_EQ(access.DiskLength(number), testing::kCardBytes);
  {
    OperationScope operation(access);
    ASSERT_TRUE(access.WriteSector(number, "E:", 77, data.data()));
    std::array<std::uint8_t, 512> read{};
    ASSERT_TRUE(access.ReadSector(number, 77, read.data()));
    EXPECT_EQ(read, data);
    ASSERT_TRUE(operation.finish());
  }
  EXPECT_EQ(testing::ReadBytes(image, 77 * 512, 512),
            std::vector<std::uint8_t>(data.begin(), data.end()));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoopDeviceTest, AnotherExclusiveHolderRefusesTheWrite) {
  const int holder = ::open(loop.c_str(), O_RDWR | O_EXCL);
  ASSERT_GE(holder, 0);
  EXPECT_FALSE(access.WriteSector(number, "E:", 1, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "Pysical drive lock failed, do you have this drive open in a disk editor?"});
  ::close(holder);
  EXPECT_TRUE(access.WriteSector(number, "E:", 1, data.data()));
}

// udev reads a device under a shared lock for a moment after every change: that is waited
// out, while a lock that stays is another program's.
TEST_F(LoopDeviceTest, AMomentarySharedLockIsWaitedOutALastingOneRefuses) {
  const int reader = ::open(loop.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(reader, LOCK_SH), 0);
  std::thread udev([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::flock(reader, LOCK_UN);
  });
  EXPECT_TRUE(access.WriteSector(number, "E:", 1, data.data()));
  udev.join();
  EXPECT_TRUE(ui.messages.empty());

  ASSERT_EQ(::flock(reader, LOCK_SH), 0);
  EXPECT_FALSE(access.WriteSector(number, "E:", 1, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "Pysical drive lock failed, do you have this drive open in a disk editor?"});
  ::close(reader);
}

TEST_F(LoopDeviceTest, AMountedFileSystemIsUnmountedAndTheWriteGoesThrough) {
  if (Shell("mke2fs -q -F " + loop + " && echo ok") != "ok") GTEST_SKIP() << "no mke2fs";
  mountPoint = temp.file("mnt");
  std::filesystem::create_directory(mountPoint);
  if (::mount(loop.c_str(), mountPoint.c_str(), "ext2", 0, nullptr) != 0)
    GTEST_SKIP() << "cannot mount here";
  EXPECT_TRUE(releaser.hasMounts(loop));

  EXPECT_TRUE(access.WriteSector(number, "E:", 3, data.data()));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(releaser.hasMounts(loop));
  mountPoint.clear();
}

}  // namespace
}  // namespace vexo
