// Cancel (the progress dialog's button, Ctrl-C in vexo) stops an operation only where the card
// stays consistent: a backup leaves no file, a restore only whole entries, an insertion into the
// Common Storage Area leaves header 1 as it was, a copy into a free slot lists nothing. The
// operations that overwrite an entry in place are stopped only before they begin writing.

#include <gtest/gtest.h>

#include "tests/transfer/ArchiveFixture.h"
#include "transfer/Attach.h"
#include "transfer/Backup.h"
#include "transfer/CsaInsert.h"
#include "transfer/EntryCopy.h"
#include "transfer/ProgramImport.h"
#include "transfer/Restore.h"
#include "volume/Diagnostics.h"
#include "volume/Format.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Noise;
using testing::S;
using testing::Stored;

class CancelTest : public testing::TransferFixture {
 protected:
  // The card as read from its image: consistent, and what it lists.
  std::vector<std::string> listed() {
    EXPECT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
    EXPECT_EQ(Diagnose(dir).summary, "All ok");
    std::vector<std::string> names;
    for (const EntryRow& row : dir.ChainEntries("")) names.push_back(row.filename);
    return names;
  }
};

TEST_F(CancelTest, ABackupStoppedBetweenRunsLeavesNoFile) {
  testing::MakeSampleCard(image, 2, 3, 1);
  load();
  const std::string folder = temp.path() + "/out";
  std::filesystem::create_directory(folder);
  ui.cancelAtPump = 3;  // a few runs in: the compressing threads may not have caught up yet
  EXPECT_FALSE(WriteImageArchive(dir, disk, drive, BackupSlots(dir), true, folder + "/card.VexoImage"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(testing::FolderNames(folder).empty());  // neither the archive nor its temporary
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(CancelTest, ARestoreStopsBetweenEntriesAndLeavesOnlyWholeOnes) {
  testing::FormatImage(image);
  load();
  std::vector<testing::StoredEntry> stored;
  for (int i = 0; i < 4; ++i) {
    testing::StoredEntry e = Stored("", "e" + std::to_string(i), 100, 0, 0, 0, static_cast<std::uint8_t>(i));
    e.data.gci = Noise(300'000, static_cast<std::uint32_t>(i));
    e.header.setGcilen(300'000);
    stored.push_back(e);
  }
  const std::vector<std::uint8_t> csa = Noise(50'000, 9);
  stored[0].header.setCsalen(50'000);
  const std::string archive = temp.file("in.VexoImage");
  testing::WriteArchive(archive, testing::PayloadOf(stored, 1, csa));

  ui.cancelAtPosition = 350'000;  // bytes: pressed while the second entry is written
  EXPECT_FALSE(RestoreImage(dir, target(), archive, [](RestoreList&) { return true; }));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(ui.progressVisible);
  // The entry being written when Cancel came is finished; none after it is begun, and the
  // Common Storage Area, which comes last, is not touched.
  EXPECT_EQ(listed(), (std::vector<std::string>{"e0", "e1"}));
  for (int slot : {1, 2})
    EXPECT_EQ(testing::ReadBytes(image, (S(slot) + kGciSector) * 512, 300'000),
              stored[static_cast<std::size_t>(slot - 1)].data.gci);
  EXPECT_EQ(dir.header(1).csalen(), 0u);
  EXPECT_TRUE(testing::ReadBytes(image, testing::kCsaByte, 512) == std::vector<std::uint8_t>(512, 0));
}

TEST_F(CancelTest, AnInsertionIntoTheCsaLeavesHeader1AsItWas) {
  testing::FormatImage(image);
  load();
  const std::string file = pcFile("world.gci", Noise(600'000, 3));
  ui.cancelAtPosition = 300;  // sectors: after the second run
  EXPECT_FALSE(InsertIntoCsa(dir, target(), file, 0));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(testing::ReadHeader(image, 1), BlankHeader(SlotState::Free));
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(CancelTest, ACopyIntoAFreeSlotListsNothingAReplacementFinishes) {
  CardBuilder().add(1, "", "Pong").writeTo(image);
  testing::PutEntryData(image, 1, testing::DataOf(600, 100, 900'000, 2, 5), 5);
  const std::string other = testing::MakeImage(temp.file("other.img"));
  testing::FormatImage(other);
  attach();
  const int otherDisk = table.Attach(other);

  ui.cancelAtPosition = 600;  // sectors: in the middle of the copy's data
  EXPECT_FALSE(CopyEntry(dir, {disk, "", "Pong", 1}, {otherDisk, "F:", ""}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(IsUsed(testing::ReadHeader(other, 1)));
  EXPECT_EQ(testing::ReadHeader(other, 1).first(), 0);

  // Once a copy has begun to overwrite the entry it replaces, it goes on to the end.
  CardBuilder().add(1, "", "Pong").writeTo(other);
  ui.answers = {Answer::Yes};
  EXPECT_TRUE(CopyEntry(dir, {disk, "", "Pong", 1}, {otherDisk, "F:", ""}));
  EXPECT_EQ(testing::ReadBytes(other, (S(1) + kGciSector) * 512, 900'000),
            testing::ReadBytes(image, (S(1) + kGciSector) * 512, 900'000));
}

TEST_F(CancelTest, WhatOverwritesInPlaceIsStoppedOnlyBeforeItBegins) {
  CardBuilder().add(1, "", "Pong").writeTo(image);
  load();
  const std::string program = pcFile("Pong.vxe", testing::Pattern(500, 1));
  const std::string sm = pcFile("save.pdata", testing::Pattern(700, 2));
  const std::pair<const char*, std::function<bool()>> operations[] = {
      {"import", [&] { return ImportProgram(dir, buffers, target(), program, separators); }},
      {"attach", [&] {
         return AttachFile(dir, buffers, target(), std::string("Pong"), sm, Attachment::SmFile,
                           separators);
       }},
      {"format", [&] { return FormatDrive(dir, disk, drive, FormatCompletion::Silent); }},
  };
  ui.cancelled = true;
  ui.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
  for (const auto& [what, run] : operations) {
    SCOPED_TRACE(what);
    device->writes.clear();
    EXPECT_FALSE(run());
    EXPECT_TRUE(device->writes.empty());
  }
  EXPECT_EQ(listed(), std::vector<std::string>{"Pong"});
}

}  // namespace
}  // namespace vexo
