// Drops on the volume tree: graphics into the Common Storage Area at the offset typed, an archive
// onto a drive (chosen from before the format), an entry copied slot for slot.

#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::Bytes;
using testing::Pattern;
using testing::ReadHeader;
using testing::Stored;
using testing::StoredEntry;

class TreeDropTest : public testing::DragDropFixture {};

// ---- drops on the volume tree ---------------------------------------------------------------

TEST_F(TreeDropTest, AGciFileOnTheTreeGoesIntoTheCommonStorageAreaAtTheOffsetTyped) {
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

TEST_F(TreeDropTest, AnArchiveOnARemovableDiskFormatsItAndRestoresOntoIt) {
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

TEST_F(TreeDropTest, AnArchiveOnAVexoVolumeIsChosenFromBeforeTheFormatIsAsked) {
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

TEST_F(TreeDropTest, AnEntryOnAnotherCardsCategoryIsCopiedSlotForSlot) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 2 (F:)", "Demos"}));
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_EQ(window->dragSource.slot, 2);

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
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Intro"}));
  expectIdle();
}

TEST_F(TreeDropTest, AnEntryOnItsOwnCategoryGetsACopyName) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 1 (E:)", "Games"}));
  selectEntry("Alpha");
  dragEntryToTree(onNode({"Vexo 1 (E:)", "Games"}));
  EXPECT_EQ(ReadHeader(a, 4).filename(), "Copy of Alpha");
  EXPECT_EQ(ReadHeader(a, 5).filename(), "Copy (2) of Alpha");
  EXPECT_EQ(Sectors(a, SlotFirstSector(5) + 1, 4095 * 512), Sectors(a, SlotFirstSector(2) + 1, 4095 * 512));
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Copy (2) of Alpha", "Copy of Alpha", "Pong"}));
  EXPECT_TRUE(seam.questions.empty());
}

TEST_F(TreeDropTest, EntryDropsThatCopyNothing) {
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

TEST_F(TreeDropTest, AnEntryOnAnotherCardsEntryOfThatNameReplacesItOnYes) {
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

}  // namespace
}  // namespace vexo
