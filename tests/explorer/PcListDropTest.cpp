// Drops on the PC file list: entries exported and volumes backed up into the folder shown.

#include <QDir>

#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::Bytes;
using testing::HeaderBytes;
using testing::Pattern;
using testing::ReadHeader;

class PcListDropTest : public testing::DragDropFixture {};

// ---- drops on the PC file list --------------------------------------------------------------

TEST_F(PcListDropTest, OneEntryIsExportedUnderItsOwnNameInTheFolderShown) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Alpha");
  dropOnPcList(From::EntryList);
  const std::string archive = localPc("Alpha.VexoImage").toStdString();
  EXPECT_TRUE(saving.saveFolders.empty());
  EXPECT_TRUE(seam.questions.empty());
  EXPECT_TRUE(seam.messages.empty());

  Bytes expected = {'D', 'M', 'L', 'E', 1, 0, 0};
  const Bytes header = HeaderBytes(ReadHeader(a, 2)), program = Sectors(a, SlotFirstSector(2) + 1, 1000),
              sm = Sectors(a, SlotFirstSector(2) + kSmSector, 100);
  for (const Bytes* part : {&header, &program}) expected.insert(expected.end(), part->begin(), part->end());
  expected.insert(expected.end(), {0, 0});  // no graphics
  expected.insert(expected.end(), sm.begin(), sm.end());
  EXPECT_EQ(testing::ReadPayload(archive), expected);
  EXPECT_TRUE(Column(pcFileList()).contains("Alpha.VexoImage"));  // listed at once

  // It exists now: the default answer No keeps the file as it is; Yes writes it anew.
  testing::WriteBytes(archive, 0, "junk", 4);
  const Bytes junk = FileBytes(archive);
  selectEntry("Alpha");
  dropOnPcList(From::EntryList);
  // The question shows the Linux path of the archive.
  EXPECT_EQ(seam.questions, std::vector<QString>{"Replace '" + localPc("Alpha.VexoImage") + "'?"});
  EXPECT_EQ(FileBytes(archive), junk);
  expectIdle();
  seam.answers = {Answer::Yes};
  selectEntry("Alpha");
  dropOnPcList(From::EntryList);
  EXPECT_EQ(testing::ReadPayload(archive), expected);
  expectIdle();
}

TEST_F(PcListDropTest, SeveralEntriesGoThroughTheSaveDialogInSlotOrder) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  entryList()->clearSelection();
  for (int i = entryList()->topLevelItemCount() - 1; i >= 0; --i)
    entryList()->topLevelItem(i)->setSelected(true);  // Pong first, then Alpha
  saving.saveAnswers = {localPc("two.VexoImage")};
  dropOnPcList(From::EntryList);

  ASSERT_EQ(saving.saveFolders.size(), 1u);
  EXPECT_EQ(QDir(saving.saveFolders[0]).canonicalPath(), QDir(pc).canonicalPath());
  const Bytes payload = testing::ReadPayload(localPc("two.VexoImage").toStdString());
  ASSERT_GE(payload.size(), 7u + 2 * 512);
  EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 7), (Bytes{'D', 'M', 'L', 'E', 2, 0, 0}));
  EXPECT_EQ(Bytes(payload.begin() + 7, payload.begin() + 519), HeaderBytes(ReadHeader(a, 1)));
  EXPECT_EQ(Bytes(payload.begin() + 519, payload.begin() + 1031), HeaderBytes(ReadHeader(a, 2)));
  EXPECT_TRUE(Column(pcFileList()).contains("two.VexoImage"));

  saving.saveAnswers = {std::nullopt};  // Cancel
  dropOnPcList(From::EntryList);
  EXPECT_EQ(saving.saveFolders.size(), 2u);
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"two.VexoImage"});
  expectIdle();
}

TEST_F(PcListDropTest, TheTreeOnThePcListBacksUpTheWholeVolume) {
  clickVolume({"Vexo 2 (F:)", "Demos"});  // any node of the volume
  saving.saveAnswers = {localPc("all.VexoImage")};
  dropOnPcList(From::Tree);
  EXPECT_EQ(saving.saveFolders.size(), 1u);

  Bytes expected = {'D', 'M', 'L', 'E', 2, 0, 1};
  const Bytes h1 = HeaderBytes(ReadHeader(b, 1)), h2 = HeaderBytes(ReadHeader(b, 2)),
              csa = Pattern(700, 0x44);
  for (const Bytes* part : {&h1, &h2}) expected.insert(expected.end(), part->begin(), part->end());
  expected.insert(expected.end(), {0, 0, 0, 0});  // two entries without data or graphics
  expected.insert(expected.end(), csa.begin(), csa.end());
  EXPECT_EQ(testing::ReadPayload(localPc("all.VexoImage").toStdString()), expected);
  EXPECT_TRUE(Column(pcFileList()).contains("all.VexoImage"));

  // Nothing on a Vexo volume selected.
  clickVolume({"Removable Disk 3 (G:)"});
  dropOnPcList(From::Tree);
  EXPECT_EQ(seam.messages, std::vector<QString>{"Logic Error 1"});
  EXPECT_EQ(saving.saveFolders.size(), 1u);
}

TEST_F(PcListDropTest, AFileFromThePcListDroppedOnItDoesNothing) {
  pcFile("prog.vxe", Bytes(10, 1));
  clickVolume({"Vexo 1 (E:)"});
  pickPc("prog.vxe");
  const QStringList listed = Column(pcFileList());
  dropOnPcList(From::PcList);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(seam.questions.empty());
  EXPECT_TRUE(saving.saveFolders.empty());
  EXPECT_EQ(Column(pcFileList()), listed);
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"prog.vxe"});
}

}  // namespace
}  // namespace vexo
