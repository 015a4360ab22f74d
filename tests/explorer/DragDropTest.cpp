// Drag and drop between the window's views: which drags each view takes, and what every kind
// of drop leaves on the cards and in the PC folder.

#include <QApplication>
#include <QListWidget>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <numeric>

#include "explorer/TForm6.h"
#include "explorer/TForm7.h"
#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::DragDropFixture;
using testing::Pattern;
using testing::ReadHeader;
using testing::StoredEntry;

using Bytes = std::vector<std::uint8_t>;

std::uint16_t ByteSum(const Bytes& bytes) {
  return static_cast<std::uint16_t>(std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFFFF);
}

Bytes HeaderBytes(const SlotHeader& h) { return Bytes(h.bytes.begin(), h.bytes.end()); }

GraphicsRecord Record(const std::string& name, std::uint32_t sector, std::uint16_t v1, std::uint16_t v2) {
  GraphicsRecord r = GraphicsRecord::Empty();
  r.setName(name);
  r.setSector(sector);
  r.setValue1(v1);
  r.setValue2(v2);
  return r;
}

using testing::Stored;

class DragDropTest : public DragDropFixture {
 protected:
  // Record of the graphics index of a slot.
  GraphicsRecord IndexRecord(const std::string& card, int slot, std::size_t record) const {
    GraphicsRecord r;
    const Bytes bytes = Sectors(card, SlotFirstSector(slot) + kGraphicsIndexSector, kGraphicsIndexBytes);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(record * kGraphicsRecordSize),
                kGraphicsRecordSize, r.bytes.begin());
    return r;
  }
};

// ---- acceptance -----------------------------------------------------------------------------

TEST_F(DragDropTest, WhichDragsEachViewTakes) {
  for (const char* name : {"pics.gci", "LOGO.GCI", "game.VexoImage", "song.pdata", "prog.vxe",
                           "notes.txt", "old.vexoimage.bak"})
    pcFile(name, Bytes(10, 1));
  QDir(pc).mkdir("maps");
  const QString kStart = "Vexo 1 (E:)";
  struct Case {
    const char* what;
    From from;
    QString file;  // PC list: the selected file, "" for none; desktop: the file dragged
    From target;
    QString over;  // the node under the pointer over the tree; "" for empty space
    bool accepted;
    QString highlight;  // the node highlighted as the drop target meanwhile
  };
  const Case cases[] = {
      {"gci over a volume", From::PcList, "pics.gci", From::Tree, "Vexo 2 (F:)", true, "Vexo 2 (F:)"},
      {"capitals over a category", From::PcList, "LOGO.GCI", From::Tree, "Vexo 2 (F:)/Demos", true,
       "Vexo 2 (F:)/Demos"},
      {"archive over a removable disk", From::PcList, "game.VexoImage", From::Tree,
       "Removable Disk 3 (G:)", true, "Removable Disk 3 (G:)"},
      {"archive over empty space", From::PcList, "game.VexoImage", From::Tree, "", true, ""},
      {"sm file over the tree", From::PcList, "song.pdata", From::Tree, "Vexo 2 (F:)", false, kStart},
      {"program over the tree", From::PcList, "prog.vxe", From::Tree, "Vexo 2 (F:)", false, kStart},
      {"no file over the tree", From::PcList, "", From::Tree, "Vexo 2 (F:)", false, kStart},
      {"entry over a category", From::EntryList, "", From::Tree, "Vexo 2 (F:)/Demos", true, kStart},
      {"entry over empty space", From::EntryList, "", From::Tree, "", true, kStart},
      {"volume over the tree", From::Tree, "", From::Tree, "Vexo 2 (F:)", false, kStart},
      {"desktop gci over the tree", From::Desktop, "LOGO.GCI", From::Tree, "Vexo 2 (F:)", true,
       "Vexo 2 (F:)"},
      {"desktop program over the tree", From::Desktop, "prog.vxe", From::Tree, "Vexo 2 (F:)", false, kStart},
      {"desktop double extension", From::Desktop, "old.vexoimage.bak", From::Tree, "Vexo 2 (F:)",
       false, kStart},
      {"sm file over the entries", From::PcList, "song.pdata", From::EntryList, "", true, kStart},
      {"program over the entries", From::PcList, "prog.vxe", From::EntryList, "", true, kStart},
      {"archive over the entries", From::PcList, "game.VexoImage", From::EntryList, "", true, kStart},
      {"gci over the entries", From::PcList, "pics.gci", From::EntryList, "", true, kStart},
      {"no file over the entries", From::PcList, "", From::EntryList, "", true, kStart},
      {"entries over themselves", From::EntryList, "", From::EntryList, "", false, kStart},
      {"volume over the entries", From::Tree, "", From::EntryList, "", false, kStart},
      {"desktop file over the entries", From::Desktop, "notes.txt", From::EntryList, "", true, kStart},
      {"desktop folder over the entries", From::Desktop, "maps", From::EntryList, "", false, kStart},
      {"file over the PC list", From::PcList, "prog.vxe", From::PcList, "", true, kStart},
      {"no file over the PC list", From::PcList, "", From::PcList, "", true, kStart},
      {"entries over the PC list", From::EntryList, "", From::PcList, "", true, kStart},
      {"volume over the PC list", From::Tree, "", From::PcList, "", true, kStart},
      {"desktop file over the PC list", From::Desktop, "notes.txt", From::PcList, "", true, kStart},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clickVolume({"Vexo 1 (E:)"});
    const QPoint pos = c.over.isEmpty() ? kNowhere : onNode(c.over.split('/'));
    bool accepted = false;
    if (c.from == From::Desktop) {
      DragView* target = c.target == From::Tree        ? window->TreeView1
                         : c.target == From::EntryList ? window->ListView1
                                                       : window->ListView2;
      accepted = DragOverEvents(target, *FileDrag(localPc(c.file).toStdString()), pos);
    } else {
      if (c.from == From::PcList && c.file.isEmpty()) window->ListView2->setCurrentItem(nullptr);
      if (c.from == From::PcList && !c.file.isEmpty()) pickPc(c.file);
      QWidget* source = view(c.from);
      const auto mime = ViewDrag(source);
      accepted = c.target == From::Tree        ? window->TreeView1DragOver(source, *mime, pos)
                 : c.target == From::EntryList ? window->ListView1DragOver(source, *mime, pos)
                                               : window->ListView2DragOver(source, *mime, pos);
    }
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(treeHighlight(), c.highlight);
    // A hover moves neither the current node nor the entry list, and leaves no mark behind.
    EXPECT_EQ(pathOf(window->TreeView1->currentItem()), kStart);
    EXPECT_EQ(Column(window->ListView1), QStringList{"Tool"});
    DragLeaves(window->TreeView1);
    EXPECT_EQ(treeHighlight(), kStart);
  }
  EXPECT_TRUE(seam.messages.empty());
}

// ---- drops on the entry list ----------------------------------------------------------------

TEST_F(DragDropTest, AProgramBecomesAnEntryOfTheSelectedCategory) {
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
  EXPECT_EQ(Column(window->ListView1), (QStringList{"Alpha", "Pong", "Zap"}));
  EXPECT_EQ(Column(window->ListView1, 1).back().toStdString(), Stamp().first + " " + Stamp().second);
  expectIdle();
}

TEST_F(DragDropTest, AProgramOfAnExistingNameReplacesItAfterTheQuestion) {
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

TEST_F(DragDropTest, SmFilesAndGraphicsGoToTheEntryUnderTheDropPoint) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  const Bytes sm = Pattern(700, 0x22);
  const Bytes gci = Pattern(1500, 0x33);
  pcFile("tune.PDATA", sm);
  pcFile("pics.gci", gci);
  pcFile("pics.dat", "\"Logo\" 1200 0001 10 20\r\n");
  const Bytes alphaProgram = Sectors(a, SlotFirstSector(2) + 1, 1000);

  selectEntry("Pong");  // the drop point decides, not the list's selection
  dropOnEntries("tune.PDATA", onEntry("Alpha"));
  ASSERT_EQ(window->ListView1->selectedItems().size(), 1);
  EXPECT_EQ(window->ListView1->selectedItems().front()->text(0), "Alpha");
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

TEST_F(DragDropTest, AnArchiveOnTheEntryListRestoresTheEntriesLeftChecked) {
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
    auto& form = static_cast<TForm7&>(dialog);
    for (int i = 0; i < form.CheckListBox1->count(); ++i) {
      offered << form.CheckListBox1->item(i)->text();
      checked.push_back(form.CheckListBox1->item(i)->checkState() == Qt::Checked);
    }
    form.CheckListBox1->item(1)->setCheckState(Qt::Unchecked);  // Solo stays behind
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

TEST_F(DragDropTest, EntryListDropsNeedAVexoVolumeSelected) {
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
  window->ListView2->setCurrentItem(nullptr);
  const auto mime = ViewDrag(window->ListView2);
  ASSERT_TRUE(window->ListView1DragOver(window->ListView2, *mime, kNowhere));
  window->ListView1DragDrop(window->ListView2, *mime, kNowhere);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(seam.dialogs.empty());
  EXPECT_EQ(UsedSlots(a), 3);
  EXPECT_EQ(ReadHeader(blank, 1).magic(), 0);
}

// ---- drops on the volume tree ---------------------------------------------------------------

TEST_F(DragDropTest, AGciFileOnTheTreeGoesIntoTheCommonStorageAreaAtTheOffsetTyped) {
  const Bytes pics = Pattern(1000, 0x61);
  const Bytes logo = Pattern(600, 0x62);
  pcFile("pics.gci", pics);
  pcFile("logo.GCI", logo);
  const QString prompt = "Please enter sector offset as \nnnn(decimal), 0xnnn(hex), $nnn(hex)";
  const QString caption = "Copy to Common Storage Area(CSA)";

  // On a category: the volume it belongs to. A first answer that is no number is asked again.
  seam.inputAnswers = {"abc", " 0x64 "};
  dropOnTree("pics.gci", onNode({"Vexo 2 (F:)", "Demos"}));
  EXPECT_EQ(seam.inputs, (std::vector<QString>{caption + "|" + prompt + "|0",
                                               caption + "|Invalid\n" + prompt + "|abc"}));
  EXPECT_EQ(Sectors(b, kCsaFirstSector + 100, 1000), pics);
  SlotHeader h1 = ReadHeader(b, 1);
  EXPECT_EQ(h1.csafile(), "Map");  // only an insertion at 0 names the file
  EXPECT_EQ(h1.csaflag(), 1);
  EXPECT_EQ(h1.csalen(), 100u * 512 + 1000);
  EXPECT_EQ(h1.filename(), "Pong");
  EXPECT_EQ(Sectors(b, kCsaFirstSector, 700), Pattern(700, 0x44));

  seam.inputAnswers = {"0"};
  dropOnTree("logo.GCI", onNode({"Vexo 2 (F:)"}));
  EXPECT_EQ(Sectors(b, kCsaFirstSector, 600), logo);
  h1 = ReadHeader(b, 1);
  EXPECT_EQ(h1.csafile(), "logo");
  EXPECT_EQ(h1.csalen(), 100u * 512 + 1000);  // the high-water mark stays

  seam.inputAnswers = {QString()};  // Cancel
  dropOnTree("pics.gci", onNode({"Vexo 2 (F:)"}));
  EXPECT_EQ(Sectors(b, kCsaFirstSector, 600), logo);
  EXPECT_EQ(ReadHeader(b, 1), h1);
  EXPECT_TRUE(seam.messages.empty());

  // Over empty space or a disk without a Vexo volume: the offset first, then the refusal.
  for (const QPoint& pos : {kNowhere, onNode({"Removable Disk 3 (G:)"})}) {
    seam.messages.clear();
    seam.inputs.clear();
    dropOnTree("pics.gci", pos);
    EXPECT_EQ(seam.inputs.size(), 1u);
    EXPECT_EQ(seam.messages, std::vector<QString>{"please select a Vexo disk to write to"});
  }
  EXPECT_EQ(Sectors(blank, kCsaFirstSector, 1000), Bytes(1000, 0));
  expectIdle();
}

TEST_F(DragDropTest, AnArchiveOnARemovableDiskFormatsItAndRestoresOntoIt) {
  const StoredEntry zeta = Stored("Games", "Zeta", 900, 0x71);
  testing::WriteArchive(localPc("set.VexoImage").toStdString(), testing::Payload({zeta}));
  showPc();
  dropOnTree("set.VexoImage", onNode({"Removable Disk 3 (G:)"}));

  EXPECT_TRUE(seam.messages.empty());  // no "Format complete" on the way
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Modify entries to be restored"});
  EXPECT_EQ(ReadHeader(blank, 512).magic(), kMagic);
  const SlotHeader h = ReadHeader(blank, 1);
  EXPECT_EQ(h.category(), "Games");
  EXPECT_EQ(h.filename(), "Zeta");
  EXPECT_EQ(std::make_pair(h.first(), h.last()), std::make_pair(std::uint16_t{1}, std::uint16_t{1}));
  EXPECT_EQ(Sectors(blank, 1, 900), zeta.program);
  EXPECT_EQ(Texts(volumeRoot()), (QStringList{"Vexo 1 (E:)", "Vexo 2 (F:)", "Vexo 3 (G:)"}));
  EXPECT_EQ(Texts(node({"Vexo 3 (G:)"})), QStringList{"Games"});
  EXPECT_EQ(treeSelection(), "Vexo 3 (G:)");
  expectIdle();
}

TEST_F(DragDropTest, AnArchiveOnAVexoVolumeIsChosenFromBeforeTheFormatIsAsked) {
  testing::WriteArchive(localPc("set.VexoImage").toStdString(),
                        testing::Payload({Stored("Games", "Zeta", 10, 0x72)}));
  showPc();
  const std::uint64_t before = testing::CardDigest(a);

  // The dialog comes first; Cancel there leaves every sector of the card as it was.
  seam.onDialog = [](QDialog&) { return int(QDialog::Rejected); };
  dropOnTree("set.VexoImage", onNode({"Vexo 1 (E:)", "Games"}));
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Modify entries to be restored"});
  EXPECT_TRUE(seam.questions.empty());
  EXPECT_EQ(testing::CardDigest(a), before);

  // "Restore Checked", then the question that names the card: its default, Cancel, also
  // changes nothing.
  seam.onDialog = [](QDialog&) { return int(QDialog::Accepted); };
  seam.dialogs.clear();
  dropOnTree("set.VexoImage", onNode({"Vexo 1 (E:)", "Games"}));
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Modify entries to be restored"});
  EXPECT_EQ(seam.questions,
            std::vector<QString>{"Drive is already Formatted as Vexo File system, do you realy want "
                                 "to reformat?\nVexo 1 (E:) \u2014 a.img\nAll 3 entries on it "
                                 "will be erased."});
  EXPECT_EQ(testing::CardDigest(a), before);

  // Yes: the volume is emptied and holds what the archive holds.
  seam.answers = {Answer::Yes};
  seam.dialogs.clear();
  dropOnTree("set.VexoImage", onNode({"Vexo 1 (E:)"}));
  EXPECT_EQ(seam.dialogs, std::vector<QString>{"Modify entries to be restored"});
  EXPECT_EQ(UsedSlots(a), 1);
  EXPECT_EQ(ReadHeader(a, 1).filename(), "Zeta");
  EXPECT_EQ(Texts(node({"Vexo 1 (E:)"})), QStringList{"Games"});

  seam.dialogs.clear();
  seam.questions.clear();
  dropOnTree("set.VexoImage", kNowhere);  // no drive under the pointer: nothing happens
  EXPECT_TRUE(seam.questions.empty());
  EXPECT_TRUE(seam.dialogs.empty());
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(DragDropTest, AnEntryOnAnotherCardsCategoryIsCopiedSlotForSlot) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 2 (F:)", "Demos"}));
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_EQ(window->srcentry, 2);

  const SlotHeader source = ReadHeader(a, 2), copy = ReadHeader(b, 3);
  EXPECT_EQ(copy.category(), "Demos");
  EXPECT_EQ(copy.filename(), "Alpha");
  // Everything after the name, up to the Common Storage Area fields, comes from the source.
  EXPECT_TRUE(std::equal(copy.bytes.begin() + 52, copy.bytes.begin() + 296, source.bytes.begin() + 52));
  EXPECT_EQ(Sectors(b, SlotFirstSector(3) + 1, 4095 * 512), Sectors(a, SlotFirstSector(2) + 1, 4095 * 512));
  // Demos\Alpha comes first on card b.
  EXPECT_EQ(std::make_pair(copy.previous(), copy.next()), std::make_pair(std::uint16_t{0}, std::uint16_t{2}));
  EXPECT_EQ(ReadHeader(b, 1).first(), 3);
  EXPECT_EQ(ReadHeader(b, 2).previous(), 3);
  // The drop node is selected and listed.
  EXPECT_EQ(treeSelection(), "Vexo 2 (F:)/Demos");
  EXPECT_EQ(Column(window->ListView1), (QStringList{"Alpha", "Intro"}));
  expectIdle();
}

TEST_F(DragDropTest, AnEntryOnItsOwnCategoryGetsACopyName) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 1 (E:)", "Games"}));
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 1 (E:)", "Games"}));
  EXPECT_EQ(ReadHeader(a, 4).filename(), "Copy of Alpha");
  EXPECT_EQ(ReadHeader(a, 5).filename(), "Copy (2) of Alpha");
  EXPECT_EQ(Sectors(a, SlotFirstSector(5) + 1, 4095 * 512), Sectors(a, SlotFirstSector(2) + 1, 4095 * 512));
  EXPECT_EQ(Column(window->ListView1), (QStringList{"Alpha", "Copy (2) of Alpha", "Copy of Alpha", "Pong"}));
  EXPECT_TRUE(seam.questions.empty());
}

TEST_F(DragDropTest, EntryDropsThatCopyNothing) {
  struct Case {
    const char* what;
    QString entry;  // selected when the drag starts; "" for none
    QStringList on;  // the node dropped on; {"-"} for empty space
    std::vector<QString> messages;
    std::vector<QString> questions;
    QString selection;  // the tree's afterwards: the drop node once its volume is loaded
  };
  const QString kSource = "Vexo 1 (E:)/Games";
  const Case cases[] = {
      {"a removable disk", "Pong", {"Removable Disk 3 (G:)"}, {"Logic Error 2"}, {}, kSource},
      {"the root", "Pong", {}, {}, {}, kSource},
      {"empty space", "Pong", {"-"}, {}, {}, kSource},
      {"an entry of that name on another card, answered No", "Pong", {"Vexo 2 (F:)", "Games"}, {},
       {"Replace 'F:\\Games\\Pong'?"}, "Vexo 2 (F:)/Games"},
      {"a drag that started with no entry selected", "", {"Vexo 2 (F:)", "Demos"}, {}, {}, kSource},
  };
  const SlotHeader pongOnB = ReadHeader(b, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    seam.messages.clear();
    seam.questions.clear();
    clickVolume({"Vexo 1 (E:)", "Games"});
    selectEntry(c.entry);
    dragEntryToTree(c.on == QStringList{"-"} ? kNowhere : onNode(c.on));
    EXPECT_EQ(seam.messages, c.messages);
    EXPECT_EQ(seam.questions, c.questions);
    EXPECT_EQ(treeSelection(), c.selection);
    EXPECT_EQ(UsedSlots(b), 2);
    EXPECT_EQ(ReadHeader(b, 1), pongOnB);
    EXPECT_EQ(ReadHeader(blank, 1).magic(), 0);
  }
}

TEST_F(DragDropTest, AnEntryOnAnotherCardsEntryOfThatNameReplacesItOnYes) {
  const SlotHeader before = ReadHeader(b, 1);
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Pong");
  seam.answers = {Answer::Yes};
  dragEntryToTree(onNode({"Vexo 2 (F:)", "Games"}));
  const SlotHeader h = ReadHeader(b, 1);
  EXPECT_EQ(h.filename(), "Pong");
  EXPECT_EQ(std::make_tuple(h.next(), h.previous(), h.first(), h.last()),
            std::make_tuple(before.next(), before.previous(), before.first(), before.last()));
  EXPECT_EQ(UsedSlots(b), 2);

  // On a volume node the category is empty, in the copy and in the question.
  for (int i = 0; i < 2; ++i) {
    clickVolume({"Vexo 1 (E:)"});
    selectEntry("Tool");
    dragEntryToTree(onNode({"Vexo 2 (F:)"}));
  }
  EXPECT_EQ(ReadHeader(b, 3).category(), "");
  EXPECT_EQ(ReadHeader(b, 3).filename(), "Tool");
  EXPECT_EQ(seam.questions, (std::vector<QString>{"Replace 'F:\\Games\\Pong'?", "Replace 'F:\\Tool'?"}));
  EXPECT_EQ(UsedSlots(b), 3);
}

// ---- drops on the PC file list --------------------------------------------------------------

TEST_F(DragDropTest, OneEntryIsExportedUnderItsOwnNameInTheFolderShown) {
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
  EXPECT_TRUE(Column(window->ListView2).contains("Alpha.VexoImage"));  // listed at once

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

TEST_F(DragDropTest, SeveralEntriesGoThroughTheSaveDialogInSlotOrder) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  window->ListView1->clearSelection();
  for (int i = window->ListView1->topLevelItemCount() - 1; i >= 0; --i)
    window->ListView1->topLevelItem(i)->setSelected(true);  // Pong first, then Alpha
  saving.saveAnswers = {localPc("two.VexoImage")};
  dropOnPcList(From::EntryList);

  ASSERT_EQ(saving.saveFolders.size(), 1u);
  EXPECT_EQ(QDir(saving.saveFolders[0]).canonicalPath(), QDir(pc).canonicalPath());
  const Bytes payload = testing::ReadPayload(localPc("two.VexoImage").toStdString());
  ASSERT_GE(payload.size(), 7u + 2 * 512);
  EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 7), (Bytes{'D', 'M', 'L', 'E', 2, 0, 0}));
  EXPECT_EQ(Bytes(payload.begin() + 7, payload.begin() + 519), HeaderBytes(ReadHeader(a, 1)));
  EXPECT_EQ(Bytes(payload.begin() + 519, payload.begin() + 1031), HeaderBytes(ReadHeader(a, 2)));
  EXPECT_TRUE(Column(window->ListView2).contains("two.VexoImage"));

  saving.saveAnswers = {std::nullopt};  // Cancel
  dropOnPcList(From::EntryList);
  EXPECT_EQ(saving.saveFolders.size(), 2u);
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"two.VexoImage"});
  expectIdle();
}

TEST_F(DragDropTest, TheTreeOnThePcListBacksUpTheWholeVolume) {
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
  EXPECT_TRUE(Column(window->ListView2).contains("all.VexoImage"));

  // Nothing on a Vexo volume selected.
  clickVolume({"Removable Disk 3 (G:)"});
  dropOnPcList(From::Tree);
  EXPECT_EQ(seam.messages, std::vector<QString>{"Logic Error 1"});
  EXPECT_EQ(saving.saveFolders.size(), 1u);
}

TEST_F(DragDropTest, AFileFromThePcListDroppedOnItDoesNothing) {
  pcFile("prog.vxe", Bytes(10, 1));
  clickVolume({"Vexo 1 (E:)"});
  pickPc("prog.vxe");
  const QStringList listed = Column(window->ListView2);
  dropOnPcList(From::PcList);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(seam.questions.empty());
  EXPECT_TRUE(saving.saveFolders.empty());
  EXPECT_EQ(Column(window->ListView2), listed);
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"prog.vxe"});
}

// ---- "Modify entries to be restored" --------------------------------------------------------

TEST_F(DragDropTest, TheRestoreDialogsActions) {
  std::vector<StoredEntry> stored = {Stored("Games", "Zeta", 100, 0x81), Stored("Games", "Beta", 200, 0x82),
                                     Stored("", "Solo", 300, 0x83), Stored("Demos", "Tour", 400, 0x84)};
  testing::WriteArchive(localPc("four.VexoImage").toStdString(), testing::Payload(stored));
  showPc();
  clickVolume({"Vexo 2 (F:)"});

  std::function<int(TForm6&)> rename;
  seam.onDialog = [&](QDialog& dialog) {
    if (dialog.windowTitle() == "Rename Entry") return rename(static_cast<TForm6&>(dialog));
    auto& form = static_cast<TForm7&>(dialog);
    QListWidget& list = *form.CheckListBox1;
    const auto texts = [&] {
      QStringList t;
      for (int i = 0; i < list.count(); ++i) t << list.item(i)->text();
      return t;
    };
    const auto checks = [&] {
      std::vector<bool> c;
      for (int i = 0; i < list.count(); ++i) c.push_back(list.item(i)->checkState() == Qt::Checked);
      return c;
    };
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Games\\Beta", "Games\\Zeta", "Solo"}));
    EXPECT_EQ(checks(), std::vector<bool>(4, true));
    form.BitBtn4->click();
    EXPECT_EQ(checks(), std::vector<bool>(4, false));
    form.BitBtn3->click();
    EXPECT_EQ(checks(), std::vector<bool>(4, true));

    // The proposal comes from the first checked item with a category; Cancel changes nothing.
    list.item(0)->setCheckState(Qt::Unchecked);
    seam.inputAnswers = {QString()};
    form.BitBtn5->click();
    EXPECT_EQ(seam.inputs.back(), "Mass Change of Category|Enter new Category|Games");
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Games\\Beta", "Games\\Zeta", "Solo"}));
    seam.inputAnswers = {"Arcade"};
    form.BitBtn5->click();
    EXPECT_EQ(texts(), (QStringList{"Demos\\Tour", "Arcade\\Beta", "Arcade\\Zeta", "Arcade\\Solo"}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true}));

    // Renaming keeps an item's place and its check mark, checked or not.
    rename = [](TForm6& edit) {
      EXPECT_EQ(edit.Edit2->text(), "Arcade");
      EXPECT_EQ(edit.Edit1->text(), "Zeta");
      edit.Edit2->setText("");
      edit.Edit1->setText("Zed");
      return int(QDialog::Accepted);
    };
    list.item(3)->setCheckState(Qt::Unchecked);  // a mark set just before survives the rename
    list.setCurrentRow(2);
    form.CheckListBox1DblClick();
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, false}));
    list.item(3)->setCheckState(Qt::Checked);
    rename = [](TForm6& edit) {
      EXPECT_EQ(edit.Edit2->text(), "Demos");
      edit.Edit1->setText("Trip");
      return int(QDialog::Accepted);
    };
    list.setCurrentRow(0);
    form.CheckListBox1DblClick();
    EXPECT_EQ(list.currentRow(), 0);
    rename = [](TForm6& edit) {
      edit.Edit1->setText("Never");
      return int(QDialog::Rejected);
    };
    list.setCurrentRow(1);
    form.CheckListBox1DblClick();
    EXPECT_EQ(texts(), (QStringList{"Demos\\Trip", "Arcade\\Beta", "Zed", "Arcade\\Solo"}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true}));

    form.BitBtn1->click();  // "Restore Checked"
    return form.result();
  };
  dropOnEntries("four.VexoImage", kNowhere);

  EXPECT_EQ(seam.dialogs, (std::vector<QString>{"Modify entries to be restored", "Rename Entry",
                                                "Rename Entry", "Rename Entry"}));
  EXPECT_TRUE(seam.messages.empty());
  // In the order stored: Zeta (now Zed), Beta, Solo; Tour was left out.
  const std::vector<std::pair<std::string, std::string>> restored = {{"", "Zed"}, {"Arcade", "Beta"}, {"Arcade", "Solo"}};
  for (int i = 0; i < 3; ++i) {
    const SlotHeader h = ReadHeader(b, 3 + i);
    EXPECT_EQ(std::make_pair(h.category(), h.filename()), restored[static_cast<std::size_t>(i)]);
    const Bytes& program = stored[static_cast<std::size_t>(i)].program;
    EXPECT_EQ(Sectors(b, SlotFirstSector(3 + i) + 1, program.size()), program);
  }
  EXPECT_EQ(UsedSlots(b), 5);
  EXPECT_TRUE(Texts(node({"Vexo 2 (F:)"})).contains("Arcade"));
  EXPECT_EQ(Column(window->ListView1), QStringList{"Zed"});  // listed again for the selection
  expectIdle();
}

TEST_F(DragDropTest, DoubleClickingAnItemOfTheRestoreDialogRenamesIt) {
  testing::WriteArchive(localPc("two.VexoImage").toStdString(),
                        testing::Payload({Stored("Games", "Zeta", 100, 0x85), Stored("", "Solo", 10, 0x86)}));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  QStringList offered;
  QStringList after;
  seam.onDialog = [&](QDialog& dialog) {
    if (dialog.windowTitle() == "Rename Entry") {
      auto& edit = static_cast<TForm6&>(dialog);
      offered << edit.Edit2->text() + "|" + edit.Edit1->text();
      edit.Edit1->setText("Zed");
      return int(QDialog::Accepted);
    }
    auto& form = static_cast<TForm7&>(dialog);
    dialog.show();  // the mouse needs the list laid out
    QWidget* viewport = form.CheckListBox1->viewport();
    const QPoint at = form.CheckListBox1->visualItemRect(form.CheckListBox1->item(0)).center();
    for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::MouseButtons(Qt::LeftButton)},
                                        std::pair{QEvent::MouseButtonRelease, Qt::MouseButtons(Qt::NoButton)},
                                        std::pair{QEvent::MouseButtonDblClick, Qt::MouseButtons(Qt::LeftButton)},
                                        std::pair{QEvent::MouseButtonRelease, Qt::MouseButtons(Qt::NoButton)}}) {
      QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QCoreApplication::sendEvent(viewport, &event);
    }
    for (int i = 0; i < form.CheckListBox1->count(); ++i) after << form.CheckListBox1->item(i)->text();
    form.hide();
    form.BitBtn1->click();
    return form.result();
  };
  dropOnEntries("two.VexoImage", kNowhere);
  EXPECT_EQ(offered, QStringList{"Games|Zeta"});
  EXPECT_EQ(after, (QStringList{"Games\\Zed", "Solo"}));
  EXPECT_EQ(ReadHeader(b, 3).filename(), "Zed");
  EXPECT_EQ(ReadHeader(b, 4).filename(), "Solo");
}

TEST_F(DragDropTest, AnEmptyMassCategoryRestoresIntoTheBlankCategory) {
  testing::WriteArchive(localPc("one.VexoImage").toStdString(),
                        testing::Payload({Stored("Games", "Zeta", 10, 0x87)}));
  showPc();
  clickVolume({"Vexo 2 (F:)", "Games"});
  QStringList texts;
  seam.inputAnswers = {""};
  seam.onDialog = [&](QDialog& dialog) {
    auto& form = static_cast<TForm7&>(dialog);
    form.BitBtn5->click();
    texts << form.CheckListBox1->item(0)->text();
    return int(QDialog::Accepted);
  };
  dropOnEntries("one.VexoImage", kNowhere);
  EXPECT_EQ(texts, QStringList{"\\Zeta"});
  EXPECT_EQ(ReadHeader(b, 3).category(), "");
  EXPECT_EQ(ReadHeader(b, 3).filename(), "Zeta");
  EXPECT_EQ(Texts(node({"Vexo 2 (F:)"})), (QStringList{"Games", "Demos"}));  // no node for ""
}

TEST_F(DragDropTest, RestoreCheckedWritesAndCancelWritesNothing) {
  testing::WriteArchive(localPc("one.VexoImage").toStdString(),
                        testing::Payload({Stored("Demos", "Tour", 400, 0x91)}));
  showPc();
  clickVolume({"Vexo 2 (F:)"});
  struct Case {
    QPushButton* TForm7::*button;
    int used;
  };
  for (const Case c : {Case{&TForm7::BitBtn2, 2}, Case{&TForm7::BitBtn1, 3}}) {
    seam.onDialog = [&](QDialog& dialog) {
      auto& form = static_cast<TForm7&>(dialog);
      (form.*c.button)->click();
      return form.result();
    };
    dropOnEntries("one.VexoImage", kNowhere);
    EXPECT_EQ(UsedSlots(b), c.used);
    EXPECT_EQ(Sectors(b, SlotFirstSector(3) + 1, 400) == Pattern(400, 0x91), c.used == 3);
    expectIdle();
  }
  EXPECT_TRUE(seam.messages.empty());
}

// ---- real Qt drag events --------------------------------------------------------------------

TEST_F(DragDropTest, AFileDroppedOnTheEntryListFromTheDesktopIsImported) {
  clickVolume({"Vexo 1 (E:)"});
  const Bytes program = Pattern(513, 0xA1);
  const std::string path = pcFile("Beam.vxe", program);
  EXPECT_TRUE(DropEvents(window->ListView1, *FileDrag(path), kNowhere));
  const SlotHeader h = ReadHeader(a, 4);
  EXPECT_EQ(h.category(), "");
  EXPECT_EQ(h.filename(), "Beam");
  EXPECT_EQ(h.proglen(), 513);
  EXPECT_EQ(h.progsum(), ByteSum(program));
  EXPECT_EQ(Sectors(a, SlotFirstSector(4) + 1, 513), program);
  EXPECT_EQ(Column(window->ListView1), (QStringList{"Beam", "Tool"}));
}

TEST_F(DragDropTest, AGciFileFromTheDesktopFollowsThePointerOverTheTreeAndDrops) {
  clickVolume({"Vexo 1 (E:)"});
  const Bytes gci = Pattern(700, 0xA2);
  const std::string path = pcFile("LOGO.GCI", gci);
  seam.inputAnswers = {"$5"};
  // A drag that only passes leaves the selection and the entry list as they were.
  DragOverEvents(window->TreeView1, *FileDrag(path), onNode({"Vexo 2 (F:)", "Demos"}));
  EXPECT_EQ(treeHighlight(), "Vexo 2 (F:)/Demos");
  DragLeaves(window->TreeView1);
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
  EXPECT_EQ(treeHighlight(), "Vexo 1 (E:)");
  EXPECT_EQ(Column(window->ListView1), QStringList{"Tool"});
  EXPECT_TRUE(seam.inputs.empty());

  EXPECT_TRUE(DropEvents(window->TreeView1, *FileDrag(path), onNode({"Vexo 2 (F:)"})));
  EXPECT_EQ(treeSelection(), "Vexo 2 (F:)");
  EXPECT_EQ(Sectors(b, kCsaFirstSector + 5, 700), gci);
  EXPECT_EQ(ReadHeader(b, 1).csaflag(), 1);

  // A program is refused over the tree: no question, no move of the selection.
  clickVolume({"Vexo 1 (E:)"});
  seam.inputs.clear();
  EXPECT_FALSE(DropEvents(window->TreeView1, *FileDrag(pcFile("prog.vxe", Bytes(10, 1))),
                          onNode({"Vexo 2 (F:)"})));
  EXPECT_TRUE(seam.inputs.empty());
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
}

TEST_F(DragDropTest, AFileFromTheDesktopOnThePcListIsTakenAndChangesNothing) {
  clickVolume({"Vexo 1 (E:)"});
  const std::string path = pcFile("prog.vxe", Bytes(10, 1));
  int drops = 0;
  const auto handler = window->ListView2->onDrop;
  window->ListView2->onDrop = [&](QWidget* source, const QMimeData& mime, const QPoint& pos) {
    ++drops;
    EXPECT_EQ(source, nullptr);
    handler(source, mime, pos);
  };
  EXPECT_TRUE(DropEvents(window->ListView2, *FileDrag(path), kNowhere));
  EXPECT_EQ(drops, 1);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(saving.saveFolders.empty());
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"prog.vxe"});
}

TEST_F(DragDropTest, AViewDragWithoutItsViewIsRefused) {
  // What another copy of the program would send: the format, but no source view here.
  clickVolume({"Vexo 1 (E:)"});
  const auto mime = ViewDrag(window->ListView1);
  EXPECT_FALSE(DropEvents(window->ListView1, *mime, kNowhere));
  EXPECT_FALSE(DropEvents(window->TreeView1, *mime, onNode({"Vexo 2 (F:)"})));
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(DragDropTest, TheFolderTreeTakesNoDragsAndStartsNone) {
  const std::string path = pcFile("prog.vxe", Bytes(10, 1));
  const auto mime = FileDrag(path);
  QWidget* viewport = window->TreeView2->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_FALSE(window->TreeView2->dragEnabled());
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(DragDropTest, PressingAndMovingOnAnEntryStartsTheDragAndRecordsIt) {
  window->show();  // the mouse works on laid-out views
  clickVolume({"Vexo 1 (E:)", "Games"});
  window->ListView1->clearSelection();
  window->srcentry = -7;
  QWidget* viewport = window->ListView1->viewport();
  const QPoint start = onEntry("Pong");
  const auto send = [&](QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
  };
  send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, start + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseMove, start + QPoint(QApplication::startDragDistance() + 5, 0), Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(window->srcdrive, 1);
  EXPECT_EQ(window->srcfolder, "Games");
  EXPECT_EQ(window->srcname, "Pong");
  EXPECT_EQ(window->srcentry, 1);
}

}  // namespace
}  // namespace vexo
