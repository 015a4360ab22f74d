#include <gtest/gtest.h>

#include "tests/support/CardFixture.h"
#include "volume/Chain.h"

namespace vexo {
namespace {

using testing::CardBuilder;

constexpr std::uint64_t S(int slot) { return SlotFirstSector(slot); }

class ChainTest : public testing::CardFixture {
 protected:
  SlotHeader entry(const std::string& name) {
    SlotHeader h = BlankHeader();
    h.setFilename(name);
    return h;
  }
  void expectOnCard(int slot, int next, int previous) {
    const SlotHeader h = testing::ReadHeader(image, slot);
    EXPECT_EQ(h.next(), next) << "slot " << slot;
    EXPECT_EQ(h.previous(), previous) << "slot " << slot;
  }
};

// The entry's own header is written first, its neighbours after: until they point at it, a
// walk along the chain passes it by and still finds every other entry.
TEST_F(ChainTest, InsertIntoAnEmptyVolumeWritesOnlyTheEntry) {
  testing::FormatImage(image);
  load();
  SlotHeader h = entry("first");
  InsertInChain(dir, h, 1, disk, drive);
  EXPECT_EQ(h.next(), 0);
  EXPECT_EQ(h.previous(), 0);
  EXPECT_EQ(h.first(), 1);
  EXPECT_EQ(h.last(), 1);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(1)}));
  EXPECT_EQ(testing::ReadHeader(image, 1), h);
}

TEST_F(ChainTest, InsertNewFirstEntryWritesItThenHeaderOneThenTheOldFirst) {
  CardBuilder().add(2, "", "b").add(3, "", "c").writeTo(image);
  load();
  SlotHeader h = entry("a");
  InsertInChain(dir, h, 5, disk, drive);
  EXPECT_EQ(h.previous(), 0);
  EXPECT_EQ(h.next(), 2);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(5), S(1), S(2)}));
  EXPECT_EQ(testing::ReadHeader(image, 5), h);
  EXPECT_EQ(testing::ReadHeader(image, 1).first(), 5);
  expectOnCard(2, 3, 5);
}

TEST_F(ChainTest, InsertIntoSlotOneAtTheEndWritesItThenItsNeighbour) {
  CardBuilder().add(2, "", "b").add(3, "", "c").writeTo(image);
  load();
  SlotHeader h = dir.header(1);  // the caller copies first and last of the slot's old header
  h.setFilename("z");
  InsertInChain(dir, h, 1, disk, drive);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(1), S(3)}));
  expectOnCard(3, 1, 2);
  EXPECT_EQ(dir.header(1).last(), 1);
  EXPECT_EQ(h.last(), 1);
  EXPECT_EQ(h.first(), 2);
  EXPECT_EQ(h.previous(), 3);
  EXPECT_EQ(h.next(), 0);
  EXPECT_EQ(testing::ReadHeader(image, 1), h);
}

TEST_F(ChainTest, InsertInTheMiddleWritesItThenBothNeighbours) {
  CardBuilder().add(2, "", "a").add(3, "", "c").writeTo(image);
  load();
  SlotHeader h = entry("b");
  InsertInChain(dir, h, 9, disk, drive);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(9), S(2), S(3)}));
  expectOnCard(2, 9, 0);
  expectOnCard(3, 0, 9);
  EXPECT_EQ(h.previous(), 2);
  EXPECT_EQ(h.next(), 3);
}

TEST_F(ChainTest, EqualKeysPutTheNewcomerFirst) {
  CardBuilder().add(2, "", "same").writeTo(image);
  load();
  SlotHeader h = entry("SAME");
  InsertInChain(dir, h, 4, disk, drive);
  EXPECT_EQ(h.next(), 2);
  EXPECT_EQ(dir.header(1).first(), 4);
}

TEST_F(ChainTest, RenameTheOnlyEntryInSlotSeven) {
  CardBuilder().add(7, "", "only").writeTo(image);
  load();
  ASSERT_TRUE(RemoveFromChain(dir, 7, disk, drive));
  EXPECT_EQ(dir.header(1).first(), 0);
  EXPECT_EQ(dir.header(1).last(), 0);
  dir.header(7).setFilename("renamed");
  InsertInChain(dir, dir.header(7), 7, disk, drive);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(1), S(1), S(7), S(1)}));
  const SlotHeader h1 = testing::ReadHeader(image, 1);
  EXPECT_EQ(h1.first(), 7);
  EXPECT_EQ(h1.last(), 7);
  EXPECT_EQ(dir.header(7).first(), 0);
  EXPECT_EQ(dir.header(7).last(), 0);
}

TEST_F(ChainTest, RemoveTheMiddleEntryWritesTheNextThenThePrevious) {
  CardBuilder().add(2, "", "a").add(5, "", "b").add(3, "", "c").writeTo(image);
  load();
  ASSERT_TRUE(RemoveFromChain(dir, 5, disk, drive));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(3), S(2)}));
  expectOnCard(3, 0, 2);
  expectOnCard(2, 3, 0);
  EXPECT_EQ(dir.header(5).next(), 3);  // its own links stay until the caller changes them
  EXPECT_EQ(dir.header(5).previous(), 2);
}

TEST_F(ChainTest, RemoveTheOnlyEntryEmptiesTheChain) {
  CardBuilder().add(4, "", "x").writeTo(image);
  load();
  ASSERT_TRUE(RemoveFromChain(dir, 4, disk, drive));
  const SlotHeader h1 = testing::ReadHeader(image, 1);
  EXPECT_EQ(h1.first(), 0);
  EXPECT_EQ(h1.last(), 0);
}

TEST_F(ChainTest, RemovingSlotOneChangesHeaderOneOnlyInMemory) {
  CardBuilder().add(1, "", "a").add(2, "", "b").writeTo(image);
  load();
  ASSERT_TRUE(RemoveFromChain(dir, 1, disk, drive));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(2)}));
  EXPECT_EQ(dir.header(1).first(), 2);
  EXPECT_EQ(testing::ReadHeader(image, 1).first(), 1);
}

TEST_F(ChainTest, FailedWritesAreReportedAndStopTheChange) {
  CardBuilder().add(2, "", "a").add(5, "", "b").add(3, "", "c").writeTo(image);
  load();
  device->failWriteNumber = 1;
  EXPECT_FALSE(RemoveFromChain(dir, 5, disk, drive));
  EXPECT_TRUE(device->writes.empty());  // the front side was not tried after the back side
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Directory"}));

  // Device writes 1 and 2 were the write and its retry; now the back side fails.
  ui.messages.clear();
  device->failWriteNumber = 4;
  SlotHeader h = entry("aa");
  InsertInChain(dir, h, 9, disk, drive);
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(9)}));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Directory"}));
}

TEST_F(ChainTest, WriteHeaderPutsTheCopyAtTheSlotsFirstSector) {
  testing::FormatImage(image);
  load();
  dir.header(512).setFilename("last");
  ASSERT_TRUE(WriteHeader(dir, 512, disk, drive));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{S(512)}));
  EXPECT_EQ(testing::ReadHeader(image, 512), dir.header(512));
}

}  // namespace
}  // namespace vexo
