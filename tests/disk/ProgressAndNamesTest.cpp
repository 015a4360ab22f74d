// What a person reads beside a progress bar, and how the questions that erase name a card.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "disk/DriveDescription.h"
#include "disk/DiskTable.h"
#include "disk/ImageFileDevice.h"
#include "disk/BlockDevice.h"
#include "disk/ProgressMeter.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

using namespace std::chrono_literals;

TEST(ProgressMeterTest, FiguresGrowFromAmountsToRateAndTimeLeft) {
  ProgressMeter meter;
  const ProgressMeter::Clock::time_point start{};
  meter.begin(100ull << 20, ProgressUnit::Bytes, start);
  EXPECT_EQ(meter.figures(start), "0 %  0 B of 100.0 MiB");
  meter.set(25ull << 20);
  // Before a second has passed there is no rate to tell.
  EXPECT_EQ(meter.figures(start + 500ms), "25 %  25.0 MiB of 100.0 MiB");
  EXPECT_EQ(meter.figures(start + 5s), "25 %  25.0 MiB of 100.0 MiB  5.0 MiB/s  about 15 s left");
  meter.set(100ull << 20);
  EXPECT_EQ(meter.figures(start + 20s), "100 %  100.0 MiB of 100.0 MiB  5.0 MiB/s");

  // Sectors count 512 bytes each.
  meter.begin(4096, ProgressUnit::Sectors, start);
  meter.set(2048);
  EXPECT_EQ(meter.figures(start + 2s), "50 %  1.0 MiB of 2.0 MiB  512.0 KiB/s  about 2 s left");
}

TEST(ProgressMeterTest, SizesAndDurationsReadAsPeopleWriteThem) {
  const std::pair<std::uint64_t, const char*> sizes[] = {
      {0, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KiB"}, {1536, "1.5 KiB"},
      {5ull << 20, "5.0 MiB"}, {3ull << 30, "3.0 GiB"}};
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(ByteSize(bytes), text);
  const std::pair<double, const char*> durations[] = {
      {0.4, "0 s"}, {59, "59 s"}, {125, "2 min 5 s"}, {3780, "1 h 3 min"}};
  for (const auto& [seconds, text] : durations) EXPECT_EQ(Duration(seconds), text);
}

TEST(DescribeDriveTest, AnImageByItsNameAReaderByItsMakeAndSize) {
  testing::TempDir temp;
  const std::string image = testing::MakeImage(temp.file("card.img"), 1 << 20);
  Drive drive;
  drive.path = image;
  drive.device = std::make_shared<ImageFileDevice>(image);
  EXPECT_EQ(DescribeDrive(drive, 1 << 20, temp.path()), "card.img");

  // A recorded sysfs: a USB reader names vendor and model, an SD slot the card's own name.
  const std::string sys = temp.path() + "/sys";
  const auto write = [&](const std::string& file, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file) << text;
  };
  write(sys + "/class/block/sdb/device/vendor", "Generic \n");
  write(sys + "/class/block/sdb/device/model", "STORAGE DEVICE  \n");
  write(sys + "/class/block/mmcblk0/device/name", "SD32G\n");
  struct Case {
    const char* device;
    std::uint64_t bytes;
    const char* text;
  };
  const Case cases[] = {
      {"/dev/sdb", 31'914'983'424ull, "Generic STORAGE DEVICE (sdb), 31.9 GB"},
      {"/dev/mmcblk0", 512'000'000ull, "SD32G (mmcblk0), 512 MB"},
      {"/dev/sdc", 0, "sdc"},  // nothing known of it
  };
  for (const Case& c : cases) {
    Drive reader;
    reader.path = c.device;
    reader.device = std::make_shared<BlockDevice>(c.device);
    EXPECT_EQ(DescribeDrive(reader, c.bytes, sys), c.text);
  }
}

}  // namespace
}  // namespace vexo
