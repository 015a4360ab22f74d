#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "disk/DiskTable.h"
#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

TEST(DiskTable, RootIsDiskZeroAndCardsGetNumbersAndLettersInOrder) {
  testing::TempDir temp;
  const std::string a = testing::MakeImage(temp.file("a.img"), 4096);
  const std::string b = testing::MakeImage(temp.file("b.img"), 4096);
  DiskTable table;
  ASSERT_NE(table.ByNumber(0), nullptr);
  EXPECT_EQ(table.ByNumber(0)->driveString(), "C:");
  EXPECT_EQ(table.ByNumber(0)->mountPoint, "/");

  EXPECT_EQ(table.Attach(a), 1);
  EXPECT_EQ(table.Attach(b), 2);
  EXPECT_EQ(table.ByNumber(1)->driveString(), "E:");
  EXPECT_EQ(table.ByNumber(2)->driveString(), "F:");
  EXPECT_EQ(table.ByLetter('f')->number, 2);
  EXPECT_TRUE(table.ByNumber(1)->removable);

  // The same card by another name keeps its number.
  ASSERT_EQ(::chdir(temp.path().c_str()), 0);
  EXPECT_EQ(table.Attach("./a.img"), 1);
  const std::string leaf = std::filesystem::path(temp.path()).filename().string();
  EXPECT_EQ(table.Attach(temp.path() + "/../" + leaf + "/b.img"), 2);
}

TEST(DiskTable, RefusesWhatIsNoCardAndStopsAtTheLastLetter) {
  testing::TempDir temp;
  DiskTable table;
  std::string why;
  EXPECT_EQ(table.Attach(temp.path(), &why), -1);
  EXPECT_NE(why.find("neither a card image file nor a block device"), std::string::npos);

  for (char letter = 'E'; letter <= 'Z'; ++letter) {
    EXPECT_EQ(table.Attach(temp.file(std::string(1, letter))), letter - 'E' + 1);
  }
  EXPECT_EQ(table.ByLetter('Z')->number, 22);
  EXPECT_EQ(table.Attach(temp.file("one-too-many"), &why), -1);
  EXPECT_EQ(why, "Too many cards are attached");
}

TEST(DiskTable, TheSystemsOwnDiskIsDiskZero) {
  const std::string root = RootDiskNode();
  if (root.empty() || ::access(root.c_str(), F_OK) != 0)
    GTEST_SKIP() << "the root file system is on no block device here";
  DiskTable table = DiskTable::ForThisMachine();
  EXPECT_EQ(table.ByNumber(0)->path, root);
  EXPECT_EQ(table.Attach(root), 0);
  EXPECT_TRUE(IsSystemDevice(root));
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

TEST(RemovableBlockDevices, CardReadersFromRecordedSysfs) {
  testing::TempDir sys;
  namespace fs = std::filesystem;
  const std::string block = sys.path() + "/block";
  fs::create_directories(block);
  // A disk's folder under the devices tree, and its link in the block folder.
  const auto disk = [&](const std::string& name, const std::string& bus, const char* removable,
                        const char* size) {
    const std::string folder = sys.path() + "/devices/" + bus + "/block/" + name;
    fs::create_directories(folder);
    std::ofstream(folder + "/removable") << removable << "\n";
    std::ofstream(folder + "/size") << size << "\n";
    fs::create_directory_symlink(folder, block + "/" + name);
  };
  disk("sda", "pci0000:00/ata1", "0", "500118192");          // the system's own disk
  disk("sdb", "pci0000:00/usb1/1-2", "1", "31116288");       // a USB reader with a card
  disk("sdc", "pci0000:00/usb1/1-3", "0", "62333952");       // a USB reader that says fixed
  disk("sdd", "pci0000:00/usb1/1-4", "1", "0");              // a reader without a card
  disk("mmcblk0", "platform/mmc0", "0", "62333952");         // the machine's own SD slot
  disk("mmcblk0boot0", "platform/mmc0", "0", "8192");        // its boot area
  disk("mmcblk0rpmb", "platform/mmc0", "0", "8192");
  disk("nvme0n1", "pci0000:00/nvme", "0", "1000215216");     // a fixed disk
  disk("loop0", "virtual", "1", "2048");                     // a loop device
  EXPECT_EQ(RemovableBlockDevices(sys.path(), "/dev"),
            (std::vector<std::string>{"/dev/mmcblk0", "/dev/sdb", "/dev/sdc"}));
}

}  // namespace
}  // namespace vexo
