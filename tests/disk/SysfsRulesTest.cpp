// The rules that read sysfs, run on a recorded tree: plain folders and files, with symlinks
// where sysfs has them (dev/block/MAJ:MIN, block/NAME, slaves/). Nothing of this machine is read.

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "disk/MountRelease.h"
#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;

// A sysfs tree in a temporary folder, laid out as the kernel lays it out.
class RecordedSysfs {
 public:
  explicit RecordedSysfs(std::string root) : root_(std::move(root)) {}
  const std::string& root() const { return root_; }

  // A whole disk under devices/BUS/block/NAME.
  void disk(const std::string& name, const std::string& bus, unsigned maj, unsigned min,
            const char* removable = "0") {
    const fs::path folder = root_ + "/devices/" + bus + "/block/" + name;
    add(name, folder, maj, min);
    write(folder / "removable", removable);
    write(folder / "size", "62333952");
    link(folder, root_ + "/block/" + name);
  }
  // A partition: a folder inside its disk's, with a "partition" attribute.
  void partition(const std::string& disk, const std::string& name, unsigned maj, unsigned min) {
    const fs::path folder = folders_.at(disk) / name;
    add(name, folder, maj, min);
    disks_[name] = disk;
    write(folder / "partition", std::to_string(min - minor(numbers_.at(disk))));
  }
  // A device-mapper or RAID device on the devices in `slaves` (LVM, LUKS, md).
  void layered(const std::string& name, unsigned maj, unsigned min,
               const std::vector<std::string>& slaves) {
    const fs::path folder = root_ + "/devices/virtual/block/" + name;
    add(name, folder, maj, min);
    fs::create_directories(folder / "slaves");
    for (const std::string& slave : slaves) link(folders_.at(slave), folder / "slaves" / slave);
    link(folder, root_ + "/block/" + name);
  }

  dev_t number(const std::string& name) const { return numbers_.at(name); }
  // A partition's disk; any other device is its own.
  std::string diskOf(const std::string& name) const {
    const auto disk = disks_.find(name);
    return disk == disks_.end() ? name : disk->second;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& [name, number] : numbers_) all.push_back(name);
    return all;
  }

 private:
  void add(const std::string& name, const fs::path& folder, unsigned maj, unsigned min) {
    fs::create_directories(folder);
    write(folder / "dev", std::to_string(maj) + ":" + std::to_string(min));
    write(folder / "uevent", "MAJOR=" + std::to_string(maj) + "\nMINOR=" + std::to_string(min) +
                                 "\nDEVNAME=" + name);
    link(folder, root_ + "/dev/block/" + std::to_string(maj) + ":" + std::to_string(min));
    folders_[name] = folder;
    numbers_[name] = makedev(maj, min);
  }
  static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << "\n"; }
  // Relative, as sysfs links are: ../../devices/...
  static void link(const fs::path& target, const fs::path& at) {
    fs::create_directories(at.parent_path());
    fs::create_directory_symlink(fs::relative(target, at.parent_path()), at);
  }

  std::string root_;
  std::map<std::string, fs::path> folders_;
  std::map<std::string, dev_t> numbers_;
  std::map<std::string, std::string> disks_;
};

// One machine's disks, with a layered device for each way a root may sit on a disk.
class SysfsRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.disk("sda", "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", 8, 0);
    sys.partition("sda", "sda1", 8, 1);
    sys.partition("sda", "sda2", 8, 2);
    sys.partition("sda", "sda3", 8, 3);
    sys.disk("sdc", "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", 8, 32);
    sys.partition("sdc", "sdc1", 8, 33);
    sys.disk("sdd", "pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0", 8, 48);
    sys.partition("sdd", "sdd1", 8, 49);
    sys.disk("nvme0n1", "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0", 259, 0);
    sys.partition("nvme0n1", "nvme0n1p1", 259, 1);
    sys.partition("nvme0n1", "nvme0n1p2", 259, 2);
    sys.partition("nvme0n1", "nvme0n1p3", 259, 3);
    sys.disk("sdb", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0", 8, 16, "1");
    sys.partition("sdb", "sdb1", 8, 17);
    sys.disk("mmcblk0", "platform/fe320000.mmc/mmc_host/mmc0/mmc0:aaaa", 179, 0);
    sys.disk("loop0", "virtual", 7, 0);
    sys.layered("dm-0", 254, 0, {"sda2"});       // an LVM volume on sda2
    sys.layered("dm-1", 254, 1, {"nvme0n1p3"});  // LUKS on nvme0n1p3
    sys.layered("dm-2", 254, 2, {"sda3"});       // LUKS on sda3 ...
    sys.layered("dm-3", 254, 3, {"dm-2"});       // ... and an LVM volume in it
    sys.layered("md0", 9, 0, {"sdc1", "sdd1"});  // RAID 1 over two disks
  }

  std::vector<dev_t> numbers(const std::vector<std::string>& names) const {
    std::vector<dev_t> all;
    for (const std::string& name : names) all.push_back(sys.number(name));
    return all;
  }

  testing::TempDir temp;
  RecordedSysfs sys{temp.path()};
};

TEST_F(SysfsRulesTest, TheSystemDisksAreTheWholeDisksUnderRootBootAndHome) {
  struct Case {
    const char* what;
    std::vector<std::string> mounts;       // what /, /boot and /home are on
    std::vector<std::string> systemDisks;  // in the order the mounts reach them
    std::string rootNode;
  };
  const Case cases[] = {
      {"a root on a partition", {"sda2", "sda1"}, {"sda"}, "/dev/sda"},
      {"an NVMe root", {"nvme0n1p2", "nvme0n1p1"}, {"nvme0n1"}, "/dev/nvme0n1"},
      {"an LVM root", {"dm-0", "sda1"}, {"sda"}, "/dev/dm-0"},
      {"a LUKS root", {"dm-1", "nvme0n1p2"}, {"nvme0n1"}, "/dev/dm-1"},
      {"LVM on LUKS", {"dm-3"}, {"sda"}, "/dev/dm-3"},
      {"a RAID root", {"md0"}, {"sdc", "sdd"}, "/dev/md0"},
      {"home on another disk", {"nvme0n1p2", "nvme0n1p1", "dm-0"}, {"nvme0n1", "sda"}, "/dev/nvme0n1"},
      {"a loop device root", {"loop0"}, {"loop0"}, "/dev/loop0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<dev_t> mounts = numbers(c.mounts);
    EXPECT_EQ(SystemWholeDisks(mounts, sys.root()), numbers(c.systemDisks));
    EXPECT_EQ(RootDiskNode(mounts.front(), sys.root()), c.rootNode);
    // A system disk and its partitions count, and nothing else does: not the card reader, not
    // the layered devices themselves.
    for (const std::string& name : sys.names()) {
      const bool expected = std::find(c.systemDisks.begin(), c.systemDisks.end(), sys.diskOf(name)) !=
                            c.systemDisks.end();
      EXPECT_EQ(IsSystemDevice(sys.number(name), mounts, sys.root()), expected) << name;
    }
  }
  // A container's overlay: the root's device number is not in sysfs.
  const std::vector<dev_t> overlay{makedev(0, 45)};
  EXPECT_TRUE(SystemWholeDisks(overlay, sys.root()).empty());
  EXPECT_EQ(RootDiskNode(overlay.front(), sys.root()), "");
  EXPECT_FALSE(IsSystemDevice(sys.number("sdb"), overlay, sys.root()));
}

TEST_F(SysfsRulesTest, EachDeviceItsWholeDiskPartitionsAndWhetherItMayHoldACard) {
  struct Case {
    std::string device;
    std::string wholeDisk;
    bool mayHoldACard;
    std::vector<std::string> withPartitions;  // "major:minor", the device first
  };
  const Case cases[] = {
      {"sdb", "sdb", true, {"8:16", "8:17"}},  // a USB card reader
      {"sdb1", "sdb", false, {"8:17"}},        // a card has no partitions
      {"mmcblk0", "mmcblk0", true, {"179:0"}},  // the machine's own SD slot
      {"loop0", "loop0", true, {"7:0"}},        // a card image attached by hand
      {"sda", "sda", false, {"8:0", "8:1", "8:2", "8:3"}},
      {"sda2", "sda", false, {"8:2"}},
      {"nvme0n1p3", "nvme0n1", false, {"259:3"}},
      {"dm-3", "dm-3", false, {"254:3"}},
      {"md0", "md0", false, {"9:0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    const dev_t device = sys.number(c.device);
    EXPECT_EQ(WholeDiskOf(device, sys.root()), sys.number(c.wholeDisk));
    EXPECT_EQ(MayHoldACard(device, sys.root()), c.mayHoldACard);
    std::vector<std::string> numbers = DeviceNumbersWithPartitions(device, sys.root());
    ASSERT_FALSE(numbers.empty());
    std::sort(numbers.begin() + 1, numbers.end());
    EXPECT_EQ(numbers, c.withPartitions);
  }
  EXPECT_EQ(WholeDiskOf(makedev(0, 45), sys.root()), 0u);
  EXPECT_FALSE(MayHoldACard(makedev(0, 45), sys.root()));
  EXPECT_EQ(RemovableBlockDevices(sys.root(), "/dev"),
            (std::vector<std::string>{"/dev/mmcblk0", "/dev/sdb"}));
}

}  // namespace
}  // namespace vexo
