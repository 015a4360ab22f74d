// Which drags each view of the window takes, decided on every move, and the same through real
// Qt drag events: drags from the desktop's file manager, drags of the window's own views.

#include <QApplication>
#include <QMouseEvent>

#include "tests/explorer/DragDropFixture.h"

namespace vexo {
namespace {

using testing::Bytes;
using testing::ByteSum;
using testing::Pattern;
using testing::ReadHeader;

class DragAcceptanceTest : public testing::DragDropFixture {};

// ---- acceptance -----------------------------------------------------------------------------

TEST_F(DragAcceptanceTest, WhichDragsEachViewTakes) {
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
      DragView* target = c.target == From::Tree        ? volumeTree()
                         : c.target == From::EntryList ? entryList()
                                                       : pcFileList();
      accepted = DragOverEvents(target, *FileDrag(localPc(c.file).toStdString()), pos);
    } else {
      if (c.from == From::PcList && c.file.isEmpty()) pcFileList()->setCurrentItem(nullptr);
      if (c.from == From::PcList && !c.file.isEmpty()) pickPc(c.file);
      QWidget* source = view(c.from);
      const auto mime = ViewDrag(source);
      accepted = c.target == From::Tree        ? window->dragOverVolumeTree(source, *mime, pos)
                 : c.target == From::EntryList ? window->dragOverEntryList(source, *mime, pos)
                                               : window->dragOverPcFileList(source, *mime, pos);
    }
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(treeHighlight(), c.highlight);
    // A hover moves neither the current node nor the entry list, and leaves no mark behind.
    EXPECT_EQ(pathOf(volumeTree()->currentItem()), kStart);
    EXPECT_EQ(Column(entryList()), QStringList{"Tool"});
    DragLeaves(volumeTree());
    EXPECT_EQ(treeHighlight(), kStart);
  }
  EXPECT_TRUE(seam.messages.empty());
}

// ---- real Qt drag events --------------------------------------------------------------------

TEST_F(DragAcceptanceTest, AFileDroppedOnTheEntryListFromTheDesktopIsImported) {
  clickVolume({"Vexo 1 (E:)"});
  const Bytes program = Pattern(513, 0xA1);
  const std::string path = pcFile("Beam.vxe", program);
  EXPECT_TRUE(DropEvents(entryList(), *FileDrag(path), kNowhere));
  const SlotHeader h = ReadHeader(a, 4);
  EXPECT_EQ(h.category(), "");
  EXPECT_EQ(h.filename(), "Beam");
  EXPECT_EQ(h.proglen(), 513);
  EXPECT_EQ(h.progsum(), ByteSum(program));
  EXPECT_EQ(Sectors(a, SlotFirstSector(4) + 1, 513), program);
  EXPECT_EQ(Column(entryList()), (QStringList{"Beam", "Tool"}));
}

TEST_F(DragAcceptanceTest, AGciFileFromTheDesktopFollowsThePointerOverTheTreeAndDrops) {
  clickVolume({"Vexo 1 (E:)"});
  const Bytes gci = Pattern(700, 0xA2);
  const std::string path = pcFile("LOGO.GCI", gci);
  seam.inputAnswers = {"$5"};
  // A drag that only passes leaves the selection and the entry list as they were.
  DragOverEvents(volumeTree(), *FileDrag(path), onNode({"Vexo 2 (F:)", "Demos"}));
  EXPECT_EQ(treeHighlight(), "Vexo 2 (F:)/Demos");
  DragLeaves(volumeTree());
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
  EXPECT_EQ(treeHighlight(), "Vexo 1 (E:)");
  EXPECT_EQ(Column(entryList()), QStringList{"Tool"});
  EXPECT_TRUE(seam.inputs.empty());

  EXPECT_TRUE(DropEvents(volumeTree(), *FileDrag(path), onNode({"Vexo 2 (F:)"})));
  EXPECT_EQ(treeSelection(), "Vexo 2 (F:)");
  EXPECT_EQ(Sectors(b, kCsaFirstSector + 5, 700), gci);
  EXPECT_EQ(ReadHeader(b, 1).csaflag(), 1);

  // A program is refused over the tree: no question, no move of the selection.
  clickVolume({"Vexo 1 (E:)"});
  seam.inputs.clear();
  EXPECT_FALSE(DropEvents(volumeTree(), *FileDrag(pcFile("prog.vxe", Bytes(10, 1))),
                          onNode({"Vexo 2 (F:)"})));
  EXPECT_TRUE(seam.inputs.empty());
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
}

TEST_F(DragAcceptanceTest, AFileFromTheDesktopOnThePcListIsTakenAndChangesNothing) {
  clickVolume({"Vexo 1 (E:)"});
  const std::string path = pcFile("prog.vxe", Bytes(10, 1));
  int drops = 0;
  const auto handler = pcFileList()->onDrop;
  pcFileList()->onDrop = [&](QWidget* source, const QMimeData& mime, const QPoint& pos) {
    ++drops;
    EXPECT_EQ(source, nullptr);
    handler(source, mime, pos);
  };
  EXPECT_TRUE(DropEvents(pcFileList(), *FileDrag(path), kNowhere));
  EXPECT_EQ(drops, 1);
  EXPECT_TRUE(seam.messages.empty());
  EXPECT_TRUE(saving.saveFolders.empty());
  EXPECT_EQ(QDir(pc).entryList(QDir::Files), QStringList{"prog.vxe"});
}

TEST_F(DragAcceptanceTest, AViewDragWithoutItsViewIsRefused) {
  // What another copy of the program would send: the format, but no source view here.
  clickVolume({"Vexo 1 (E:)"});
  const auto mime = ViewDrag(entryList());
  EXPECT_FALSE(DropEvents(entryList(), *mime, kNowhere));
  EXPECT_FALSE(DropEvents(volumeTree(), *mime, onNode({"Vexo 2 (F:)"})));
  EXPECT_EQ(treeSelection(), "Vexo 1 (E:)");
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(DragAcceptanceTest, TheFolderTreeTakesNoDragsAndStartsNone) {
  const std::string path = pcFile("prog.vxe", Bytes(10, 1));
  const auto mime = FileDrag(path);
  QWidget* viewport = pcFolderTree()->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_FALSE(pcFolderTree()->dragEnabled());
  EXPECT_TRUE(seam.messages.empty());
}

TEST_F(DragAcceptanceTest, PressingAndMovingOnAnEntryStartsTheDragAndRecordsIt) {
  window->show();  // the mouse works on laid-out views
  clickVolume({"Vexo 1 (E:)", "Games"});
  entryList()->clearSelection();
  window->dragSource.slot = -7;
  QWidget* viewport = entryList()->viewport();
  const QPoint start = onEntry("Pong");
  const auto send = [&](QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
  };
  send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, start + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseMove, start + QPoint(QApplication::startDragDistance() + 5, 0), Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(window->dragSource.disk, 1);
  EXPECT_EQ(window->dragSource.category, "Games");
  EXPECT_EQ(window->dragSource.filename, "Pong");
  EXPECT_EQ(window->dragSource.slot, 1);
}

}  // namespace
}  // namespace vexo
