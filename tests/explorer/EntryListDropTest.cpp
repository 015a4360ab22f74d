// Drops on the entry list: a program becomes an entry, an SM file or graphics go to the entry
// under the drop point, an archive is restored into the volume shown.

#include <QListWidget>

#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::Bytes;
using testing::ByteSum;
using testing::Pattern;
using testing::ReadHeader;
using testing::Record;
using testing::Stored;
using testing::StoredEntry;

class EntryListDropTest : public testing::DragDropFixture {};

// ---- drops on the entry list ----------------------------------------------------------------

TEST_F(EntryListDropTest, AProgramBecomesAnEntryOfTheSelectedCategory) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  const Bytes program = Pattern(1000, 0x11);
  pcFile("Zap.vxe", program);
  dropOnEntries("Zap.vxe", kNowhere);  // the drop point does not matter for a program
  EXPECT_TRUE(seam.messages.empty());

  const SlotHeader h = ReadHeader(a, 4);  // the lowest free slot
  EXPECT_EQ(h.magic(), kMagic);
  EXPECT_EQ(h.category(), "Games");
  EXPECT_EQ(h.filename(), "Zap");
  EXPECT_EQ(h.proglen(), 1000);
  EXPECT_EQ(h.progsum(), ByteSum(program));
  EXPECT_EQ(std::make_pair(h.date(), h.time()), Stamp());
  EXPECT_EQ(h.gcilen(), 0u);
  EXPECT_EQ(h.smlen(), 0);
  EXPECT_EQ(Sectors(a, SlotFirstSector(4) + 1, 1000), program);
  // Linked after Pong, the last of the chain (Tool, Alpha, Pong by sort key).
  EXPECT_EQ(h.previous(), 1);
  EXPECT_EQ(h.next(), 0);
  EXPECT_EQ(ReadHeader(a, 1).next(), 4);
  EXPECT_EQ(ReadHeader(a, 1).last(), 4);
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Pong", "Zap"}));
  EXPECT_EQ(Column(entryList(), 1).back().toStdString(), Stamp().first + " " + Stamp().second);
  expectIdle();
}

TEST_F(EntryListDropTest, AProgramOfAnExistingNameReplacesItAfterTheQuestion) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  const SlotHeader before = ReadHeader(a, 1);
  const Bytes program = Pattern(600, 0x12);
  pcFile("pong.vxe", program);
  dropOnEntries("pong.vxe", kNowhere);  // the default answer is No
  EXPECT_EQ(ReadHeader(a, 1), before);

  seam.answers = {Answer::Yes};
  dropOnEntries("pong.vxe", kNowhere);
  EXPECT_EQ(seam.questions, (std::vector<QString>{"Replace 'pong'?", "Replace 'pong'?"}));
  const SlotHeader h = ReadHeader(a, 1);
  EXPECT_EQ(h.filename(), "pong");
  EXPECT_EQ(h.proglen(), 600);
  EXPECT_EQ(std::make_tuple(h.next(), h.previous(), h.first(), h.last()),
            std::make_tuple(before.next(), before.previous(), before.first(), before.last()));
  EXPECT_EQ(Sectors(a, SlotFirstSector(1) + 1, 600), program);
  EXPECT_EQ(UsedSlots(a), 3);
}

TEST_F(EntryListDropTest, SmFilesAndGraphicsGoToTheEntryUnderTheDropPoint) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  const Bytes sm = Pattern(700, 0x22);
  const Bytes gci = Pattern(1500, 0x33);
  pcFile("tune.PDATA", sm);
  pcFile("pics.gci", gci);
  pcFile("pics.dat", "\"Logo\" 1200 0001 10 20\r\n");
  const Bytes alphaProgram = Sectors(a, SlotFirstSector(2) + 1, 1000);

  selectEntry("Pong");  // the drop point decides, not the list's selection
  dropOnEntries("tune.PDATA", onEntry("Alpha"));
  ASSERT_EQ(entryList()->selectedItems().size(), 1);
  EXPECT_EQ(entryList()->selectedItems().front()->text(0), "Alpha");
  SlotHeader h = ReadHeader(a, 2);
  EXPECT_EQ(h.smfile(), "tune");
  EXPECT_EQ(h.smlen(), 700);
  EXPECT_EQ(std::make_pair(h.smdate(), h.smtime()), Stamp());
  EXPECT_EQ(h.proglen(), 1000);  // the program stays
  EXPECT_EQ(Sectors(a, SlotFirstSector(2) + kSmSector, 700), sm);
  EXPECT_EQ(Sectors(a, SlotFirstSector(2) + 1, 1000), alphaProgram);

  dropOnEntries("pics.gci", onEntry("Pong"));
  h = ReadHeader(a, 1);
  EXPECT_EQ(h.gcifile(), "pics");
  EXPECT_EQ(h.gcilen(), 1500u);
  EXPECT_EQ(std::make_pair(h.gcidate(), h.gcitime()), Stamp());
  EXPECT_EQ(Sectors(a, SlotFirstSector(1) + kGciSector, 1500), gci);
  EXPECT_EQ(IndexRecord(a, 1, 0).bytes, Record("Logo", 137, 10, 20).bytes);  // 0x11200 / 512
  EXPECT_EQ(IndexRecord(a, 1, 1).bytes, GraphicsRecord::Empty().bytes);
  EXPECT_TRUE(seam.messages.empty());
  expectIdle();

  // Beside every entry: nothing is attached, and nothing is said.
  const SlotHeader tool = ReadHeader(a, 3);
  clickVolume({"Vexo 1 (E:)"});
  dropOnEntries("tune.PDATA", kNowhere);
  dropOnEntries("pics.gci", kNowhere);
  EXPECT_EQ(ReadHeader(a, 3), tool);
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(EntryListDropTest, AnArchiveOnTheEntryListRestoresTheEntriesLeftChecked) {
  StoredEntry zeta = Stored("Games", "Zeta", 900, 0x51);
  zeta.sm = Pattern(100, 0x52);
  zeta.gci = Pattern(1200, 0x53);
  zeta.graphics = {Record("Logo", 7, 1, 2)};
  testing::WriteArchive(localPc("set.VexoImage").toStdString(),
                        testing::Payload({zeta, Stored("", "Solo", 300, 0x54)}));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  QStringList offered;
  std::vector<bool> checked;
  seam.onDialog = [&](QDialog& dialog) {
    QListWidget* list = Named<QListWidget>(&dialog, "CheckListBox1");
    for (int i = 0; i < list->count(); ++i) {
      offered << list->item(i)->text();
      checked.push_back(list->item(i)->checkState() == Qt::Checked);
    }
    list->item(1)->setCheckState(Qt::Unchecked);  // Solo stays behind
    return int(QDialog::Accepted);
  };
  dropOnEntries("set.VexoImage", kNowhere);

  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Modify entries to be restored"});
  EXPECT_EQ(offered, (QStringList{"Games\\Zeta", "Solo"}));
  EXPECT_EQ(checked, (std::vector<bool>{true, true}));
  EXPECT_TRUE(seam.messages.empty());
  const SlotHeader h = ReadHeader(b, 3);
  EXPECT_EQ(h.category(), "Games");
  EXPECT_EQ(h.filename(), "Zeta");
  EXPECT_EQ(h.desc1(), "stored Zeta");
  EXPECT_EQ(Sectors(b, SlotFirstSector(3) + 1, 900), zeta.program);
  EXPECT_EQ(Sectors(b, SlotFirstSector(3) + kSmSector, 100), zeta.sm);
  EXPECT_EQ(Sectors(b, SlotFirstSector(3) + kGciSector, 1200), zeta.gci);
  EXPECT_EQ(IndexRecord(b, 3, 0).bytes, zeta.graphics[0].bytes);
  EXPECT_EQ(IndexRecord(b, 3, 1).bytes, GraphicsRecord::Empty().bytes);
  EXPECT_FALSE(IsUsed(ReadHeader(b, 4)));
  EXPECT_EQ(UsedSlots(b), 3);
  // Games\Zeta comes last, after Games\Pong.
  EXPECT_EQ(std::make_pair(h.previous(), h.next()), std::make_pair(std::uint16_t{1}, std::uint16_t{0}));
  EXPECT_EQ(ReadHeader(b, 1).last(), 3);
  expectIdle();
}

TEST_F(EntryListDropTest, EntryListDropsNeedAVexoVolumeSelected) {
  for (const char* name : {"prog.vxe", "song.pdata", "pics.gci", "set.VexoImage"}) pcFile(name, Bytes(10, 1));
  for (const QStringList& selection : {QStringList{}, QStringList{"Removable Disk 3 (G:)"}}) {
    for (const char* name : {"prog.vxe", "song.pdata", "pics.gci", "set.VexoImage"}) {
      SCOPED_TRACE(selection.join("/").toStdString() + " " + name);
      seam.messages.clear();
      clickVolume(selection);
      dropOnEntries(name, kNowhere);
      EXPECT_EQ(seam.messages, std::vector<QString>{"please select a Vexo disk to write to"});
    }
  }
  // With a volume selected but no PC file: nothing, and nothing said.
  seam.messages.clear();
  clickVolume({"Vexo 1 (E:)"});
  pcFileList()->setCurrentItem(nullptr);
  const auto mime = ViewDrag(pcFileList());
  ASSERT_TRUE(window->dragOverEntryList(pcFileList(), *mime, kNowhere));
  window->dropOnEntryList(pcFileList(), *mime, kNowhere);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(seam.dialogs.empty());
  EXPECT_EQ(UsedSlots(a), 3);
  EXPECT_EQ(ReadHeader(blank, 1).magic(), 0);
}

}  // namespace
}  // namespace vexo
