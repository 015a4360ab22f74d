#include <gtest/gtest.h>

#include "volume/NodePath.h"

namespace vexo {
namespace {

TEST(NodePath, IsEveryTextFollowedByABackslash) {
  EXPECT_EQ(NodePath({"Removable Drives", "Vexo 1 (E:)", "Games"}),
            "Removable Drives\\Vexo 1 (E:)\\Games\\");
}

TEST(ParseVolumeNodePath, NamesDiskDriveAndCategory) {
  struct Case {
    std::string path;
    int disk;
    std::string drive;
    std::string category;
  };
  const Case cases[] = {
      {"Removable Drives\\Vexo 1 (E:)\\Games\\", 1, "E:", "Games"},
      {"Removable Drives\\Vexo 1 (E:)\\", 1, "E:", ""},
      {"Removable Drives\\Vexo 12 (F:)\\Tools\\", 12, "F:", "Tools"},
      {"Removable Drives\\Vexo 0 (C:)\\", 0, "C:", ""},
      {"Removable Drives\\Vexo 3 (G:)\\a\\b\\", 3, "G:", "a\\b"},       // a "\" in a name
      {"Removable Drives\\Vexo 3 (G:)\\x (y)\\", 3, "G:", "x (y)"},      // first "(" decides
      {"Removable Drives\\Vexo 3 (G:)\\New Category1\\", 3, "G:", "New Category1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::optional<VolumeNode> node = ParseVolumeNodePath(c.path);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->disk, c.disk);
    EXPECT_EQ(node->drive, c.drive);
    EXPECT_EQ(node->category, c.category);
  }
}

TEST(ParseVolumeNodePath, RefusesWhatIsNotOnAVexoVolume) {
  for (const std::string path : {
           "Removable Drives\\",
           "Removable Drives\\Removable Disk 2 (F:)\\",
           "My computer\\",
           "My computer\\Local Disk (C:)\\",
           "Removable Drives\\Vexo (E:)\\",  // no disk number
           "",
       }) {
    EXPECT_FALSE(ParseVolumeNodePath(path)) << path;
  }
}

}  // namespace
}  // namespace vexo

namespace vexo {
namespace {

TEST(DriveNodeText, IsBuiltAndReadInOnePlace) {
  EXPECT_EQ(VexoNodeText(2, "E:"), "Vexo 2 (E:)");
  EXPECT_EQ(RemovableNodeText(13, "F:"), "Removable Disk 13 (F:)");
  EXPECT_EQ(WithoutVolume("Vexo 2 (E:)"), "Removable Disk 2 (E:)");
  EXPECT_EQ(WithoutVolume("Removable Disk 2 (E:)"), "Removable Disk 2 (E:)");
  EXPECT_EQ(DriveOfNodeText("Local Disk (C:)"), "C:");
  EXPECT_EQ(DriveOfNodeText("x (y) (E:)"), "y)");  // the first "(" decides
  EXPECT_EQ(DriveOfNodeText("Games"), "");

  struct Case {
    std::string text;
    std::optional<int> disk;  // nothing: not a volume-tree drive node
    std::string drive;
    bool vexo;
  };
  const Case cases[] = {
      {"Vexo 2 (E:)", 2, "E:", true},
      {"Vexo 12 (F:)", 12, "F:", true},
      {"Removable Disk 3 (G:)", 3, "G:", false},
      {"Removable Disk -1 (H:)", -1, "H:", false},  // a reader whose disk could not be found
      {"Vexo (E:)", std::nullopt, "", true},
      {"Vexograph", std::nullopt, "", true},        // a category that begins like a volume
      {"Local Disk (C:)", std::nullopt, "", false},
      {"Removable Disk (E:)", std::nullopt, "", false},  // the PC tree's node has no number
      {"Vexo 2 (E", std::nullopt, "", true},
      {"", std::nullopt, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<DriveNode> node = ParseDriveNodeText(c.text);
    ASSERT_EQ(node.has_value(), c.disk.has_value());
    if (!node) continue;
    EXPECT_EQ(node->disk, *c.disk);
    EXPECT_EQ(node->drive, c.drive);
    EXPECT_EQ(node->vexo, c.vexo);
  }
}

}  // namespace
}  // namespace vexo
