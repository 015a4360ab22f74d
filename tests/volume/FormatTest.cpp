#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/CardFixture.h"
#include "volume/Format.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class TreeSpy : public VolumeObserver {
 public:
  std::vector<std::string> calls;
  bool found = true;
  void driveChanged(const std::string& drive) override { calls.push_back("changed " + drive); }
  bool selectDrive(const std::string& drive) override {
    calls.push_back("select " + drive);
    return found;
  }
  void entriesChanged() override { calls.push_back("entries"); }
};

class FormatTest : public testing::CardFixture {
 protected:
  void SetUp() override {
    CardFixture::SetUp();
    dir.observer = &trees;
  }
  TreeSpy trees;
};

TEST_F(FormatTest, WritesTheFreeBlankHeaderIntoAll512Slots) {
  attach();
  const std::vector<std::uint8_t> data(512, 0x77);
  testing::WriteBytes(image, 5 * 512, data.data(), data.size());  // slot 1 program data
  ui.answers = {Answer::Ok};  // data without a volume: asked first
  ASSERT_TRUE(FormatDrive(dir, disk, drive));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(ui.questions[0].preferred, Answer::Cancel);

  std::vector<std::uint64_t> headers;
  for (int slot = 1; slot <= 512; ++slot) headers.push_back(SlotFirstSector(slot));
  EXPECT_EQ(device->writtenSectors(), headers);
  const std::vector<std::uint8_t> sector0 = testing::ReadBytes(image, 0, 512);
  EXPECT_EQ(sector0[0], 0xAA);
  EXPECT_EQ(sector0[1], 0x55);
  for (int i = 2; i < 12; ++i) EXPECT_EQ(sector0[static_cast<std::size_t>(i)], 0);
  for (int i = 12; i < 31; ++i) EXPECT_EQ(sector0[static_cast<std::size_t>(i)], ' ');
  EXPECT_EQ(sector0[31], 0);
  EXPECT_EQ(sector0[32], 0);
  EXPECT_EQ(sector0[510], 0);
  EXPECT_EQ(sector0[511], 0);
  EXPECT_EQ(testing::ReadHeader(image, 512), BlankHeader(SlotState::Free));
  EXPECT_EQ(testing::ReadBytes(image, 5 * 512, 512), data);  // data sectors untouched

  EXPECT_EQ(ui.progressLabels, std::vector<std::string>{"Formatting"});
  EXPECT_EQ(ui.progressMaximum, 512u);
  EXPECT_EQ(ui.progressPosition, 512u);
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Format complete"});
  EXPECT_EQ(trees.calls, (std::vector<std::string>{"changed E:", "entries", "select E:"}));
  EXPECT_EQ(dir.vexodrv, -1);
}

TEST_F(FormatTest, AVexoVolumeWithEntriesLosesOnlyItsHeaders) {
  CardBuilder().add(1, "Games", "Pong").add(2, "", "Tool").writeTo(image);
  const std::vector<std::uint8_t> data(512, 0x42);
  testing::WriteBytes(image, (SlotFirstSector(2) + 1) * 512, data.data(), data.size());
  attach();
  ui.answers = {Answer::Yes};
  ASSERT_TRUE(FormatDrive(dir, disk, drive, FormatCompletion::Silent));
  ASSERT_EQ(ui.questions.size(), 1u);
  // The question names the card and says what it erases.
  EXPECT_EQ(ui.questions[0].text,
            "Drive is already Formatted as Vexo File system, do you realy want to reformat?\n"
            "Vexo 1 (E:) \u2014 card.img\nAll 2 entries on it will be erased.");
  EXPECT_EQ(ui.questions[0].buttons, Buttons::YesCancel);
  EXPECT_EQ(ui.questions[0].preferred, Answer::Cancel);
  EXPECT_TRUE(ui.messages.empty());  // no "Format complete" without show completion
  EXPECT_EQ(testing::ReadBytes(image, (SlotFirstSector(2) + 1) * 512, 512), data);
  EXPECT_EQ(testing::ReadHeader(image, 1).first(), 0);
  EXPECT_FALSE(IsUsed(testing::ReadHeader(image, 2)));
}

TEST_F(FormatTest, ChecksComeFirstAndWriteNothingWhenTheyStop) {
  struct Case {
    const char* what;
    std::uint64_t bytes;
    bool partitioned;
    bool vexo;
    bool data;  // a file system's superblock, without a partition table
    std::vector<Answer> answers;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
  };
  // Each case attaches the card anew, as the next disk number.
  const std::string partitioned = "Drive is Formatted or Partitioned, do you realy want to format as "
                                  "Vexo disk?\nRemovable Disk # (E:) \u2014 card.img\nThe file "
                                  "systems on it will be lost.";
  const std::string reformat = "Drive is already Formatted as Vexo File system, do you realy want "
                               "to reformat?\nVexo # (E:) \u2014 card.img\nIt holds no entries.";
  const std::string data = "Drive holds data but no Vexo File system, format it as Vexo disk all "
                           "the same?\nRemovable Disk # (E:) \u2014 card.img\nWhat it holds "
                           "will be overwritten.";
  const Case cases[] = {
      {"partition table, cancelled", testing::kCardBytes, true, false, false, {}, {partitioned}, {}},
      {"a file system on the whole card, cancelled", testing::kCardBytes, false, false, true, {},
       {data}, {}},
      {"one sector too small", 2'097'151ull * 512, false, false, false, {}, {},
       {"Disk is too small for Vexo File system\nSectors available=2097151\nSectors required=2097152"}},
      {"partitioned and too small", 1 << 20, true, false, false, {Answer::Ok}, {partitioned},
       {"Disk is too small for Vexo File system\nSectors available=2048\nSectors required=2097152"}},
      {"already Vexo, cancelled", testing::kCardBytes, false, true, false, {}, {reformat}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::MakeImage(image, c.bytes);
    if (c.vexo) testing::FormatImage(image);
    if (c.data) {
      const std::uint8_t ext[] = {0x53, 0xEF};  // the ext superblock's magic
      testing::WriteBytes(image, 1024 + 56, ext, 2);
    }
    if (c.partitioned) {
      const std::uint8_t signature[] = {0x55, 0xAA};
      testing::WriteBytes(image, 510, signature, 2);
    }
    attach();
    ui.questions.clear();
    ui.messages.clear();
    ui.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_FALSE(FormatDrive(dir, disk, drive));
    std::vector<std::string> asked, expected = c.questions;
    for (const auto& q : ui.questions) asked.push_back(q.text);
    for (std::string& text : expected) text.replace(text.find('#'), 1, std::to_string(disk));
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(ui.messages, c.messages);
    EXPECT_TRUE(device->writes.empty());
  }
  EXPECT_EQ(ui.questions.size(), 1u);
}

TEST_F(FormatTest, ExactlyOneGibibyteIsEnough) {
  testing::MakeImage(image, 2'097'152ull * 512);
  attach();
  EXPECT_TRUE(FormatDrive(dir, disk, drive));
}

TEST_F(FormatTest, FailuresPartWayAndOnRead) {
  attach();
  device->failWriteNumber = 3;  // slot 3's header, after its one retry
  EXPECT_FALSE(FormatDrive(dir, disk, drive));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Input/output error", "Failed to Format E:"}));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{0, 4096}));
  EXPECT_FALSE(ui.progressVisible);
  EXPECT_FALSE(ui.busyNow);

  ui.messages.clear();
  device->failReadNumber = static_cast<int>(device->reads.size()) + 1;
  EXPECT_FALSE(FormatDrive(dir, disk, drive));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Failed to read E:"});

  // A card the user may not open: the reason and the advice follow the message.
  ui.messages.clear();
  device->refusal = {OpenStatus::Failed, EACCES, "Cannot open /dev/sdz: this user may not open it (Not authorized)."};
  device->refuseOpens = 1;
  EXPECT_FALSE(FormatDrive(dir, disk, drive));
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "Failed to read E:\nCannot open /dev/sdz: this user may not open it (Not authorized)."});

  ui.messages.clear();
  trees.found = false;
  ui.answers = {Answer::Ok};  // the half-formatted card holds data but no volume
  EXPECT_FALSE(FormatDrive(dir, disk, drive));
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"Logic Error, drive not found after successful format"});
}

TEST_F(FormatTest, DiskZeroIsNeverFormatted) {
  testing::MakeImage(image);
  DiskTable system(std::make_shared<ImageFileDevice>(image));
  DiskAccess io(system, ui, releaser);
  Directory systemDir(io);
  EXPECT_FALSE(FormatDrive(systemDir, 0, "C:"));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Severe logic error!", "Failed to Format C:"}));
  EXPECT_EQ(testing::ReadBytes(image, 0, 2), (std::vector<std::uint8_t>{0, 0}));
}

}  // namespace
}  // namespace vexo
