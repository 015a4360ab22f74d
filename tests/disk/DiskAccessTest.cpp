#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "disk/ImageFileDevice.h"
#include "tests/support/CardFixture.h"
#include "tests/support/SlowDevice.h"
#include "volume/Directory.h"

namespace vexo {
namespace {

using testing::CardFixture;

constexpr const char* kLockText =
    "Pysical drive lock failed, do you have this drive open in a disk editor?";

std::array<std::uint8_t, 512> Pattern(std::uint8_t seed) {
  std::array<std::uint8_t, 512> data{};
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(seed + i);
  return data;
}

bool AllZero(const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes)
    if (b != 0) return false;
  return true;
}

class DiskAccessTest : public CardFixture {};

TEST_F(DiskAccessTest, DiskZeroIsReadButNeverWritten) {
  const std::string system = testing::MakeImage(temp.file("system.img"), 1 << 20);
  const auto data = Pattern(7);
  testing::WriteBytes(system, 0, data.data(), data.size());
  DiskTable withSystem(std::make_shared<ImageFileDevice>(system));
  DiskAccess io(withSystem, ui, releaser);

  std::array<std::uint8_t, 512> read{};
  EXPECT_TRUE(io.ReadSector(0, 0, read.data()));
  EXPECT_EQ(read, data);
  const auto other = Pattern(99);
  EXPECT_FALSE(io.WriteSector(0, "C:", 1, other.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Severe logic error!"});
  EXPECT_TRUE(AllZero(testing::ReadBytes(system, 512, 512)));
}

TEST_F(DiskAccessTest, ReadsTheBytesOfTheSectorAsked) {
  const auto data = Pattern(3);
  testing::WriteBytes(image, 1'073'741'312, data.data(), data.size());
  attach();
  std::array<std::uint8_t, 512> read{};
  ASSERT_TRUE(access.ReadSector(disk, 2'097'151, read.data()));
  EXPECT_EQ(read, data);
}

TEST_F(DiskAccessTest, SectorsBeyondThirtyTwoBitsAreRefusedNotWrapped) {
  testing::MakeImage(image, 5ull << 30);  // 5 GiB, sparse
  attach();
  std::array<std::uint8_t, 512> buffer = Pattern(1);
  EXPECT_TRUE(access.ReadSector(disk, kAddressableSectors - 1, buffer.data()));
  EXPECT_FALSE(access.ReadSector(disk, kAddressableSectors, buffer.data()));
  EXPECT_EQ(access.lastError(), kErrorBeyondAddressLimit);
  EXPECT_TRUE(ui.messages.empty());

  buffer = Pattern(1);
  EXPECT_TRUE(access.WriteSector(disk, drive, kAddressableSectors - 1, buffer.data()));
  EXPECT_FALSE(access.WriteSector(disk, drive, kAddressableSectors, buffer.data()));
  EXPECT_FALSE(access.WriteSectors(disk, drive, kAddressableSectors - 1, 2, buffer.data()));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[0].find("Sector 8388608 lies beyond the first 4 GiB"), std::string::npos);
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{kAddressableSectors - 1});
  EXPECT_TRUE(AllZero(testing::ReadBytes(image, 0, 512)));  // nothing wrapped to sector 0
  EXPECT_TRUE(AllZero(testing::ReadBytes(image, kAddressableSectors * 512, 1024)));
}

TEST_F(DiskAccessTest, OpenFailureShowsTheSystemText) {
  attach();
  device->refuseOpens = 1;
  const auto data = Pattern(0);
  EXPECT_FALSE(access.WriteSector(disk, drive, 5, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Permission denied"});

  device->refuseOpens = 1;
  std::array<std::uint8_t, 512> read{};
  EXPECT_FALSE(access.ReadSector(disk, 5, read.data()));
  EXPECT_EQ(access.lastError(), EACCES);
  EXPECT_EQ(ui.messages.size(), 1u);  // reads show nothing
}

TEST_F(DiskAccessTest, AnotherHolderOfTheLockRefusesTheWrite) {
  attach();
  const int holder = ::open(image.c_str(), O_RDWR);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  const auto data = Pattern(5);
  EXPECT_FALSE(access.WriteSector(disk, drive, 0, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kLockText});
  EXPECT_TRUE(AllZero(testing::ReadBytes(image, 0, 512)));

  std::array<std::uint8_t, 512> read{};
  EXPECT_TRUE(access.ReadSector(disk, 0, read.data()));  // reading takes no lock
  ::close(holder);
  EXPECT_TRUE(access.WriteSector(disk, drive, 0, data.data()));
  EXPECT_EQ(testing::ReadBytes(image, 0, 512), std::vector<std::uint8_t>(data.begin(), data.end()));
}

TEST_F(DiskAccessTest, AnOperationOpensOnceAndFlushesAtItsEnd) {
  attach();
  const auto data = Pattern(9);
  {
    OperationScope operation(access);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(access.WriteSector(disk, drive, i, data.data()));
    std::array<std::uint8_t, 512> read{};
    ASSERT_TRUE(access.ReadSector(disk, 50, read.data()));
    EXPECT_EQ(device->opens, 1);
    EXPECT_EQ(device->flushes, 0);
    EXPECT_TRUE(device->isOpenForWriting());  // the lock is held for the whole operation
    EXPECT_TRUE(operation.finish());
  }
  EXPECT_EQ(device->flushes, 1);
  EXPECT_FALSE(device->isOpen());

  // Alone, every write stands for itself: opened, written, flushed, closed.
  EXPECT_TRUE(access.WriteSector(disk, drive, 200, data.data()));
  EXPECT_TRUE(access.WriteSector(disk, drive, 201, data.data()));
  EXPECT_EQ(device->opens, 3);
  EXPECT_EQ(device->flushes, 3);
  EXPECT_FALSE(device->isOpen());
}

TEST_F(DiskAccessTest, AFailedFlushIsShown) {
  attach();
  const auto data = Pattern(9);
  OperationScope operation(access);
  ASSERT_TRUE(access.WriteSector(disk, drive, 1, data.data()));
  device->flushError = EIO;
  EXPECT_FALSE(operation.finish());
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Failed to write E: Message Input/output error"});
}

TEST_F(DiskAccessTest, ImageFilesKeepTheirLength) {
  testing::MakeImage(image, kSmallestCardSectors * 512);
  attach();
  const auto data = Pattern(2);
  EXPECT_TRUE(access.WriteSector(disk, drive, kSmallestCardSectors - 1, data.data()));
  EXPECT_FALSE(access.WriteSector(disk, drive, kSmallestCardSectors, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"No space left on device"});
  EXPECT_EQ(access.DiskLength(disk), kSmallestCardSectors * 512);
}

// An image that ends inside the last slot opens as a volume, but nothing is written to it: an
// operation would otherwise fail half-way, with its chain and header written and its data not.
TEST_F(DiskAccessTest, ACardShorterThanAVolumeIsNeverWritten) {
  testing::MakeImage(image, (kSmallestCardSectors - 100) * 512);
  attach();
  const auto data = Pattern(3);
  {
    OperationScope operation(access);
    EXPECT_FALSE(access.WriteSector(disk, drive, 0, data.data()));
  }
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"E: is too short for a Vexo volume: the card or image holds "
                                     "2097052 sectors, a volume needs 2097152; nothing was written"});
  EXPECT_EQ(testing::CardDigest(image), testing::CardDigest(testing::MakeImage(temp.file("empty.img"), 512)));
}

TEST_F(DiskAccessTest, NumbersLengthsAndLabels) {
  attach();
  const std::string absent = temp.file("absent.img");
  const int absentDisk = table.Attach(absent);
  EXPECT_EQ(access.VolumeDeviceNumber('E'), disk);
  EXPECT_EQ(access.VolumeDeviceNumber('e'), disk);
  EXPECT_EQ(access.VolumeDeviceNumber('F'), -1);  // attached, but no medium
  EXPECT_EQ(access.VolumeDeviceNumber('Q'), -1);
  EXPECT_EQ(access.DiskLength(disk), testing::kCardBytes);
  EXPECT_EQ(access.DiskLength(absentDisk), 0u);
  EXPECT_EQ(access.DiskLength(42), 0u);
  EXPECT_EQ(access.DiskLength(-1), 0u);
  EXPECT_EQ(access.VolumeLabel("Q:\\"), "");
  std::array<std::uint8_t, 512> read{};
  EXPECT_FALSE(access.ReadSector(-1, 0, read.data()));
  EXPECT_TRUE(IsSilentReadError(access.lastError()));
}

// The Linux form of a write refused while the card's file systems are mounted.
class DismountTest : public CardFixture {
 protected:
  void SetUp() override {
    CardFixture::SetUp();
    attach();
    device->setImageFile(false);  // behaves as a block device
  }
  const std::array<std::uint8_t, 512> data = Pattern(4);
};

TEST_F(DismountTest, MountedCardIsFreedAndWrittenOnTheSecondTry) {
  struct Case {
    ReleaseResult result;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {{true, true}, {}},
      {{false, true}, {"Logical Disk Open failed."}},
      {{true, false}, {"Logical Disk Dismount failed."}},
      {{false, false}, {"Logical Disk Open failed.", "Logical Disk Dismount failed."}},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    releaser.mounted = true;
    releaser.result = c.result;
    device->refusal = {OpenStatus::Mounted, EBUSY};
    device->refuseOpens = 1;
    EXPECT_TRUE(access.WriteSector(disk, drive, 3, data.data()));
    EXPECT_EQ(ui.messages, c.messages);
  }
  EXPECT_EQ(releaser.releases, 4);
}

TEST_F(DismountTest, StillRefusedAfterTheDismountShowsTheSystemText) {
  releaser.mounted = true;
  device->refusal = {OpenStatus::Mounted, EBUSY};
  device->refuseOpens = 2;
  EXPECT_FALSE(access.WriteSector(disk, drive, 3, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Device or resource busy"});
}

TEST_F(DismountTest, BusyWithoutMountsIsAnotherHolderOfTheLock) {
  releaser.mounted = false;
  device->refusal = {OpenStatus::Mounted, EBUSY};
  device->refuseOpens = 1;
  EXPECT_FALSE(access.WriteSector(disk, drive, 3, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kLockText});
  EXPECT_EQ(releaser.releases, 0);
}

TEST_F(DismountTest, AFailedWriteIsTriedOnceMoreAfterFreeingTheCard) {
  device->failWriteNumber = 1;
  device->failWriteTimes = 1;
  EXPECT_TRUE(access.WriteSector(disk, drive, 3, data.data()));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(releaser.releases, 1);

  device->failWriteNumber = 3;
  device->failWriteTimes = 2;
  device->failWriteError = EROFS;
  EXPECT_FALSE(access.WriteSector(disk, drive, 4, data.data()));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Read-only file system"});

  device->setImageFile(true);  // an image file has nothing to dismount
  device->failWriteNumber = 5;
  device->failWriteTimes = 1;
  EXPECT_TRUE(access.WriteSector(disk, drive, 5, data.data()));
  EXPECT_EQ(releaser.releases, 2);
}

TEST(MountInfo, ParsesDevicesAndUnescapesMountPoints) {
  const std::string text =
      "36 25 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "46 28 179:1 / /media/ann/MY\\040CARD rw,nosuid - vfat /dev/mmcblk0p1 rw\n"
      "47 28 7:0 / /mnt/back\\134slash rw - ext2 /dev/loop0 rw\n";
  const std::vector<MountRecord> records = ParseMountInfo(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].device, "8:1");
  EXPECT_EQ(records[0].mountPoint, "/");
  EXPECT_EQ(records[1].device, "179:1");
  EXPECT_EQ(records[1].mountPoint, "/media/ann/MY CARD");
  EXPECT_EQ(records[2].mountPoint, "/mnt/back\\slash");
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

// A long write goes on to a slow card as it is made: no wait, the final flush included, has
// more than a few tenths of a second of the card's speed left to write.
TEST(WriteBack, ALongWriteReachesASlowCardAsItGoes) {
  testing::TempDir temp;
  const std::string image = testing::MakeImage(temp.file("card.img"));
  constexpr double kCardSpeed = 8 << 20;  // bytes a second
  auto slow = std::make_shared<testing::SlowDevice>(image, kCardSpeed);
  DiskTable table;
  const int disk = table.AttachDevice(slow);
  testing::ScriptedPrompter ui;
  testing::FakeReleaser releaser;
  DiskAccess access(table, ui, releaser);

  const std::vector<std::uint8_t> run(128 << 10, 0x5A);
  {
    OperationScope operation(access);
    for (std::uint64_t sector = 0; sector < 16384; sector += run.size() / 512)
      ASSERT_TRUE(access.WriteSectors(disk, "E:", sector, run.size() / 512, run.data()));
    ASSERT_TRUE(operation.finish());
  }
  ASSERT_GE(slow->backlogAtWaits.size(), 4u);  // 8 MiB went on in several steps
  for (std::uint64_t backlog : slow->backlogAtWaits) EXPECT_LE(backlog, 3u << 20);
  EXPECT_LE(slow->backlogAtLastFlush, 3u << 20);
  EXPECT_EQ(testing::ReadBytes(image, (8 << 20) - 512, 512), std::vector<std::uint8_t>(512, 0x5A));
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

// A card that quietly drops the writes to one sector, as worn or fake cards do.
class DroppingDevice : public testing::RecordingDevice {
 public:
  DroppingDevice(const std::string& image, std::uint64_t dropped)
      : RecordingDevice(image), dropped_(dropped) {}
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
    const std::uint64_t first = offset / kSectorSize, count = length / kSectorSize;
    if (dropped_ < first || dropped_ >= first + count)
      return RecordingDevice::writeAt(offset, data, length);
    std::vector<std::uint8_t> kept(static_cast<const std::uint8_t*>(data),
                                   static_cast<const std::uint8_t*>(data) + length);
    if (int error = readAt(dropped_ * kSectorSize, kept.data() + (dropped_ - first) * kSectorSize, kSectorSize))
      return error;
    return RecordingDevice::writeAt(offset, kept.data(), length);
  }

 private:
  std::uint64_t dropped_;
};

TEST(VerifyTest, AWriteTheCardDroppedIsFoundAndNamed) {
  struct Case {
    const char* what;
    bool verify;
    std::uint64_t dropped;
    std::string message;  // "" for none
  };
  const Case cases[] = {
      {"kept", true, 999'999, ""},
      {"dropped, not verified", false, 4096 + 3, ""},
      {"dropped in slot 2", true, 4096 + 3,
       "Verify failed: E: sector 4099 (slot 2, Pong) reads back differently from what was written. "
       "The card may be failing."},
      {"dropped in the CSA", true, 2'097'152 + 1,
       "Verify failed: E: sector 2097153 (the Common Storage Area) reads back differently from what "
       "was written. The card may be failing."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir temp;
    const std::string image = testing::MakeImage(temp.file("card.img"));
    testing::CardBuilder().add(2, "", "Pong").writeTo(image);
    DiskTable table;
    const int disk = table.AttachDevice(std::make_shared<DroppingDevice>(image, c.dropped));
    testing::ScriptedPrompter ui;
    testing::FakeReleaser releaser;
    DiskAccess access(table, ui, releaser);
    access.setVerify(c.verify);
    Directory dir(access);
    ASSERT_TRUE(dir.LoadDirectory(disk, "E:", DirectoryLoad::Keep));
    const std::vector<std::uint8_t> run(16 * 512, 0xC3);
    bool finished = false;
    {
      OperationScope operation(access);
      // The same sector twice: what counts is what was written last.
      ASSERT_TRUE(access.WriteSectors(disk, "E:", 4096, 16, std::vector<std::uint8_t>(16 * 512, 1).data()));
      ASSERT_TRUE(access.WriteSectors(disk, "E:", 4096, 16, run.data()));
      ASSERT_TRUE(access.WriteSectors(disk, "E:", 2'097'152, 16, run.data()));
      finished = operation.finish();
    }
    EXPECT_EQ(finished, c.message.empty());
    EXPECT_EQ(ui.messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_FALSE(ui.progressVisible);
  }
}

}  // namespace
}  // namespace vexo
