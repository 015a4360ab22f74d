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
