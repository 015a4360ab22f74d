#include <gtest/gtest.h>

#include "tests/support/CardFixture.h"
#include "volume/Diagnostics.h"
#include "volume/Repair.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class RepairTest : public testing::CardFixture {};

TEST_F(RepairTest, RebuildsTheChainAndWritesOnlyWhatChanges) {
  CardBuilder().add(4, "", "c").add(2, "", "a").add(9, "", "b").add(11, "", "d").writeTo(image);
  SlotHeader h9 = testing::ReadHeader(image, 9);
  h9.setNext(0);
  testing::WriteHeader(image, 9, h9);
  SlotHeader h6 = testing::ReadHeader(image, 6);
  h6.setFirst(3);
  h6.setNext(8);
  testing::WriteHeader(image, 6, h6);
  load();
  ASSERT_NE(Diagnose(dir).summary, "All ok");

  ui.answers = {Answer::Yes};
  ASSERT_TRUE(RepairChain(dir, disk, drive));
  EXPECT_EQ(device->writtenSectors(),
            (std::vector<std::uint64_t>{SlotFirstSector(6), SlotFirstSector(9)}));
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
  EXPECT_EQ(Diagnose(dir).summary, "All ok");

  ui.messages.clear();
  EXPECT_TRUE(RepairChain(dir, disk, drive));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"The Vexo File system needs no repair"});
  EXPECT_EQ(device->writes.size(), 2u);
}

TEST_F(RepairTest, DeclinedWritesNothing) {
  CardBuilder().add(2, "", "a").writeTo(image);
  load();
  dir.header(1).setFirst(0);
  EXPECT_FALSE(RepairChain(dir, disk, drive));  // the default answer is No
  EXPECT_TRUE(device->writes.empty());
}

}  // namespace
}  // namespace vexo
