// Every writing operation, failed at each of its first device writes in turn, stops with its
// message and leaves the other entries of the card as they were: their data, and every header
// field but the chain links.

#include <gtest/gtest.h>

#include <functional>

#include "tests/transfer/TransferFixture.h"
#include "transfer/Attach.h"
#include "transfer/CsaInsert.h"
#include "transfer/EntryCopy.h"
#include "transfer/ProgramImport.h"
#include "volume/EntryMaintenance.h"

namespace vexo {
namespace {

using testing::CardBuilder;

// The bystanders: slots 3, 5 and 9 carry entries with data of their own.
constexpr int kBystanders[] = {3, 5, 9};
constexpr int kTargetSlot = 2;  // "Pong" in Games, the entry the operations work on

SlotHeader WithoutLinks(SlotHeader h) {
  h.setNext(0);
  h.setPrevious(0);
  h.setFirst(0);
  h.setLast(0);
  return h;
}

// What an operation under test works with.
struct Card {
  Directory& dir;
  TransferBuffers& buffers;
  testing::ScriptedPrompter& ui;
  int disk;
  std::string drive;
  RegionalSeparators separators;
  std::string program, sm, gci, copySource;
  VolumeTarget target(const std::string& category = {}) const { return {disk, drive, category}; }
};

class FailureIsolationTest : public testing::TransferFixture {
 public:
  Card card() { return {dir, buffers, ui, disk, drive, separators, program, sm, gci, copySource}; }

 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    CardBuilder().add(kTargetSlot, "Games", "Pong").add(3, "Games", "Alpha").add(5, "", "Tool")
        .add(9, "Games", "Zeta").writeTo(image);
    for (int slot : kBystanders) {
      const std::vector<std::uint8_t> data = testing::Pattern(64 * 1024, static_cast<std::uint8_t>(slot));
      testing::WriteBytes(image, (SlotFirstSector(slot) + 1) * kSectorSize, data.data(), data.size());
    }
    program = pcFile("Pong.vxe", testing::Pattern(3000));
    sm = pcFile("save.pdata", testing::Pattern(5000));
    gci = pcFile("art.gci", testing::Pattern(200'000));
    copySource = pcFile("New.vxe", testing::Pattern(100));
  }

  struct Snapshot {
    std::vector<SlotHeader> headers;
    std::vector<std::vector<std::uint8_t>> data;
  };
  Snapshot bystanders() const {
    Snapshot s;
    for (int slot : kBystanders) {
      s.headers.push_back(WithoutLinks(testing::ReadHeader(image, slot)));
      s.data.push_back(sectors(SlotFirstSector(slot) + 1, 4095));
    }
    return s;
  }

  std::string program, sm, gci, copySource;
};

struct Operation {
  const char* name;
  std::function<bool(Card&)> run;
  std::string message;  // the operation's own last word; "" where it depends on the write
};

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> operations = {
      {"ImportNew",
       [](Card& t) {
         return ImportProgram(t.dir, t.buffers, t.target("Games"), t.copySource, t.separators);
       },
       ""},
      {"ImportReplace",
       [](Card& t) {
         t.ui.answers = {Answer::Yes};
         return ImportProgram(t.dir, t.buffers, t.target("Games"), t.program, t.separators);
       },
       ""},
      {"AttachSm",
       [](Card& t) {
         return AttachFile(t.dir, t.buffers, t.target("Games"), std::string("Pong"), t.sm,
                           Attachment::SmFile, t.separators);
       },
       ""},
      {"AttachGraphics",
       [](Card& t) {
         return AttachFile(t.dir, t.buffers, t.target("Games"), std::string("Pong"), t.gci,
                           Attachment::Graphics, t.separators);
       },
       ""},
      {"CommonStorageArea",
       [](Card& t) { return InsertIntoCsa(t.dir, t.target(), t.gci, 0); }, ""},
      {"CopyOnTheSameCard",
       [](Card& t) {
         return CopyEntry(t.dir, {t.disk, "Games", "Pong", kTargetSlot}, t.target("Games"));
       },
       "Error copying Vexo File"},
      {"Delete",
       [](Card& t) {
         t.ui.answers = {Answer::Yes};
         return DeleteEntry(t.dir, {t.disk, t.drive, "Games", "Pong", kTargetSlot});
       },
       "Error writing Vexo Directory"},
      {"Rename",
       [](Card& t) {
         return RenameEntry(t.dir, {t.disk, t.drive, "Games", "Pong", kTargetSlot},
                            {"Omega", "d1", "", "", ""});
       },
       ""},
  };
  return operations;
}

class FailAtWrite : public FailureIsolationTest,
                    public ::testing::WithParamInterface<std::tuple<std::size_t, int>> {};

TEST_P(FailAtWrite, StopsWithItsMessageAndHarmsNoOtherEntry) {
  const Operation& op = Operations()[std::get<0>(GetParam())];
  const Snapshot before = bystanders();
  load();
  device->failWriteNumber = std::get<1>(GetParam());
  device->failWriteTimes = 1'000'000;  // this device write and every one after it fail
  Card c = card();
  const bool done = op.run(c);
  if (!done) {
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.front(), "Input/output error");  // the device's own message first
    if (!op.message.empty()) {
      EXPECT_EQ(ui.messages.back(), op.message);
    }
  }
  EXPECT_FALSE(ui.progressVisible);
  const Snapshot after = bystanders();
  EXPECT_EQ(after.headers, before.headers);
  EXPECT_TRUE(after.data == before.data);
}

INSTANTIATE_TEST_SUITE_P(
    EveryWritingOperation, FailAtWrite,
    ::testing::Combine(::testing::Range<std::size_t>(0, 8), ::testing::Range(1, 5)),
    [](const ::testing::TestParamInfo<std::tuple<std::size_t, int>>& param) {
      return std::string(Operations()[std::get<0>(param.param)].name) + "Write" +
             std::to_string(std::get<1>(param.param));
    });

}  // namespace
}  // namespace vexo
