#pragma once
// A card image attached as disk 1 (drive E:) through a recording device, with the sector
// access, the directory copy and a scripted prompter around it.

#include <gtest/gtest.h>

#include <memory>

#include "disk/DiskAccess.h"
#include "tests/support/CardImage.h"
#include "tests/support/RecordingDevice.h"
#include "tests/support/ScriptedPrompter.h"
#include "volume/Directory.h"

namespace vexo::testing {

class FakeReleaser : public MountReleaser {
 public:
  bool mounted = false;
  ReleaseResult result;
  int releases = 0;
  bool hasMounts(const std::string&) override { return mounted; }
  ReleaseResult release(const std::string&) override {
    ++releases;
    return result;
  }
};

class CardFixture : public ::testing::Test {
 protected:
  void SetUp() override { image = MakeImage(temp.file("card.img")); }

  // Attaches the image; call after preparing its bytes.
  void attach() {
    auto made = std::make_shared<RecordingDevice>(image);
    device = made.get();
    disk = table.AttachDevice(made);
  }
  // Attaches and loads the directory with keep.
  void load() {
    attach();
    ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
    device->reads.clear();
  }

  TempDir temp;
  std::string image;
  DiskTable table;
  ScriptedPrompter ui;
  FakeReleaser releaser;
  DiskAccess access{table, ui, releaser};
  Directory dir{access};
  RecordingDevice* device = nullptr;
  int disk = -1;
  const std::string drive = "E:";
};

}  // namespace vexo::testing
