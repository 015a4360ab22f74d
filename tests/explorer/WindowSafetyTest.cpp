// The window in a person's hands: the entry list always shows the node the tree has current, so
// that no command acts on another card; a long job throws away input meant for the main window
// and stops at a safe point on Cancel; a slow card does not freeze the window.

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <iostream>

#include "tests/explorer/DragDropFixture.h"
#include "tests/support/SlowDevice.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::ReadHeader;
using testing::Stored;

// Counts the events of the kinds a person makes that reach a widget.
class InputCounter : public QObject {
 public:
  int seen = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::ContextMenu:
      case QEvent::Close:
        ++seen;
        break;
      default:
        break;
    }
    return false;
  }
};

// Stored entries whose graphics do not compress, so that a restore has sector runs to write.
std::vector<testing::StoredEntry> Entries(int count, std::size_t gciBytes) {
  std::vector<testing::StoredEntry> entries;
  for (int i = 0; i < count; ++i) {
    testing::StoredEntry e = Stored("", "e" + std::to_string(i), 100, static_cast<std::uint8_t>(i));
    e.gci.resize(gciBytes);
    std::uint32_t seed = static_cast<std::uint32_t>(i + 1);
    for (std::uint8_t& byte : e.gci) byte = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    entries.push_back(e);
  }
  return entries;
}

class WindowSafetyTest : public testing::DragDropFixture {
 protected:
  // Presses the progress dialog's Cancel once the bar has moved past `value`.
  void cancelPast(int value) {
    QPushButton* cancel = Named<QPushButton>(progressDialog(), "progressCancel");
    QObject::connect(Named<QProgressBar>(progressDialog(), "ProgressBar1"), &QProgressBar::valueChanged,
                     cancel, [cancel, value](int now) {
                       if (now > value && cancel->isEnabled()) cancel->click();
                     });
  }
  QString diagnosticsOf(const QStringList& drive) {
    window->selectForVolumeMenu(onNode(drive));
    window->showDiagnostics();
    return Named<QLabel>(diagnosticsDialog(), "Label1")->text();
  }
  QTableWidget* grid() const { return Named<QTableWidget>(diagnosticsDialog(), "StringGrid1"); }
};

TEST_F(WindowSafetyTest, TheListFollowsTheKeyboardAndTheRightClick) {
  clickVolume({"Vexo 1 (E:)", "Games"});
  EXPECT_EQ(Column(entryList()), (QStringList{"Alpha", "Pong"}));
  volumeTree()->setFocus();
  const std::pair<QString, QStringList> steps[] = {
      {"Vexo 2 (F:)", {}},
      {"Vexo 2 (F:)/Games", {"Pong"}},
      {"Vexo 2 (F:)/Demos", {"Intro"}},
      {"Removable Disk 3 (G:)", {}},
  };
  for (const auto& [node, entries] : steps) {
    QTest::keyClick(volumeTree(), Qt::Key_Down);
    EXPECT_EQ(treeSelection(), node);
    EXPECT_EQ(Column(entryList()), entries) << node.toStdString();
  }
  EXPECT_EQ(statusText()->text(), "Removable Disk 3 (G:) \u2014 no Vexo File system");

  // A right click makes its node current, and the list follows it too.
  window->selectForVolumeMenu(onNode({"Vexo 1 (E:)"}));
  EXPECT_EQ(Column(entryList()), QStringList{"Tool"});
  EXPECT_EQ(statusText()->text(), "Vexo 1 (E:) \u2014 1 entry, 509 of 512 slots free");
}

TEST_F(WindowSafetyTest, DeleteOnTheListNeverTouchesAnotherCard) {
  // Both cards hold Games\Pong in slot 1.
  clickVolume({"Vexo 1 (E:)", "Games"});
  volumeTree()->setFocus();
  QTest::keyClick(volumeTree(), Qt::Key_Down);
  QTest::keyClick(volumeTree(), Qt::Key_Down);  // Vexo 2 (F:)/Games
  selectEntry("Pong");
  seam.answers = {Answer::Yes};
  window->deleteEntry();
  EXPECT_EQ(seam.questions,
            std::vector<QString>{"Confirm Delete of 'Pong'\nfrom Games on Vexo 2 (F:) \u2014 b.img"});
  EXPECT_FALSE(IsUsed(ReadHeader(b, 1)));
  EXPECT_TRUE(IsUsed(ReadHeader(a, 1)));
  EXPECT_EQ(ReadHeader(a, 1).filename(), "Pong");
}

TEST_F(WindowSafetyTest, DiagnosticsShowTheDriveRightClicked) {
  clickVolume({"Vexo 1 (E:)"});
  EXPECT_EQ(diagnosticsOf({"Vexo 2 (F:)"}), "All ok");
  EXPECT_TRUE(grid()->item(1, 1)->text().startsWith("Intro"));  // F:'s slot 2

  // Another card's chain, broken on the card, shows as it is.
  SlotHeader broken = ReadHeader(a, 3);
  broken.setPrevious(7);
  testing::WriteHeader(a, 3, broken);
  EXPECT_EQ(diagnosticsOf({"Vexo 1 (E:)"}), "1 Errors");
  EXPECT_TRUE(grid()->item(1, 1)->text().startsWith("Alpha"));
  // As E: was listed, its chain check offered a repair, answered No.
  EXPECT_EQ(seam.questions, std::vector<QString>{"1 Errors in Vexo File system\nRepair the chain of "
                                                 "Vexo 1 (E:) \u2014 a.img?"});
  EXPECT_EQ(ReadHeader(a, 3).previous(), 7);
  seam.questions.clear();

  // The dialog's Repair rebuilds the chain after its own question and shows the card again.
  QPushButton* repair = Named<QPushButton>(diagnosticsDialog(), "repairButton");
  EXPECT_TRUE(repair->isEnabled());
  EXPECT_TRUE(Named<QListWidget>(diagnosticsDialog(), "programFindings")->isHidden());
  seam.answers = {Answer::Yes};
  repair->click();
  ASSERT_EQ(seam.questions.size(), 1u);
  EXPECT_TRUE(seam.questions[0].startsWith("Rebuild the chain of the Vexo File system")) << seam.questions[0].toStdString();
  EXPECT_NE(ReadHeader(a, 3).previous(), 7);
  EXPECT_EQ(Named<QLabel>(diagnosticsDialog(), "Label1")->text(), "All ok");
  EXPECT_FALSE(repair->isEnabled());

  // A program that does not match its checksum is listed below the grid: Alpha's, one byte
  // changed.
  const std::uint64_t alphaProgram = (SlotFirstSector(2) + kProgramSector) * kSectorSize;
  const std::uint8_t changed = static_cast<std::uint8_t>(~testing::ReadBytes(a, alphaProgram, 1)[0]);
  testing::WriteBytes(a, alphaProgram, &changed, 1);
  EXPECT_EQ(diagnosticsOf({"Vexo 1 (E:)"}), "All ok");
  QListWidget* findings = Named<QListWidget>(diagnosticsDialog(), "programFindings");
  EXPECT_FALSE(findings->isHidden());
  ASSERT_EQ(findings->count(), 1);
  EXPECT_EQ(findings->item(0)->text(), "Slot 2 (Games\\Alpha): the program does not match its checksum");
  seam.questions.clear();

  // Yes to the listing's offer repairs the card before it is listed.
  testing::WriteHeader(a, 3, broken);
  seam.answers = {Answer::Yes};
  clickVolume({"Vexo 2 (F:)"});
  clickVolume({"Vexo 1 (E:)"});
  ASSERT_EQ(seam.questions.size(), 1u);
  EXPECT_NE(ReadHeader(a, 3).previous(), 7);
  seam.questions.clear();

  seam.messages.clear();
  seam.dialogs.clear();
  diagnosticsOf({"Removable Disk 3 (G:)"});
  EXPECT_EQ(seam.messages, std::vector<QString>{"Removable Disk 3 (G:) does not contain a Vexo File system"});
  EXPECT_TRUE(seam.dialogs.empty());
}

TEST_F(WindowSafetyTest, InputGivenDuringAJobIsThrownAwayNotReplayed) {
  window->show();
  clickVolume({"Vexo 1 (E:)"});
  selectEntry("Tool");
  testing::WriteArchive(localPc("set.VexoImage").toStdString(), testing::Payload(Entries(2, 200'000)));
  showPc();
  InputCounter counter;
  for (QObject* target : std::initializer_list<QObject*>{entryList(), volumeTree()->viewport(), window.get()})
    target->installEventFilter(&counter);
  // While the restore runs, the person presses Delete, clicks the tree, asks for its menu and
  // closes the window.
  seam.onDialog = [&](QDialog&) {
    QCoreApplication::postEvent(entryList(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    QCoreApplication::postEvent(volumeTree()->viewport(),
                                new QMouseEvent(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10),
                                                Qt::RightButton, Qt::RightButton, Qt::NoModifier));
    QCoreApplication::postEvent(volumeTree()->viewport(),
                                new QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(10, 10), QPoint(10, 10)));
    QCoreApplication::postEvent(window.get(), new QCloseEvent);
    // The close button, as the window system presses it.
    QTimer::singleShot(0, window.get(), [&] { window->close(); });
    return int(QDialog::Accepted);
  };
  dropOnEntries("set.VexoImage", kNowhere);
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.seen, 0);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(seam.questions.empty());  // no delete question came afterwards
  EXPECT_EQ(UsedSlots(a), 5);           // the restore itself went on
}

TEST_F(WindowSafetyTest, CancelOfABackupLeavesNoFile) {
  clickVolume({"Vexo 1 (E:)"});
  saving.saveAnswers = {localPc("a.VexoImage")};
  // Pressed as soon as the window turns while the backup runs.
  QTimer::singleShot(0, window.get(), [this] { Named<QPushButton>(progressDialog(), "progressCancel")->click(); });
  dropOnPcList(From::Tree);
  EXPECT_EQ(QDir(pc).entryList(QDir::Files | QDir::Hidden), QStringList{});
  EXPECT_TRUE(seam.messages.empty());
  expectIdle();
}

TEST_F(WindowSafetyTest, CancelOfARestoreLeavesOnlyWholeEntries) {
  clickVolume({"Vexo 1 (E:)"});
  const std::vector<testing::StoredEntry> entries = Entries(4, 300'000);
  testing::WriteArchive(localPc("set.VexoImage").toStdString(), testing::Payload(entries));
  showPc();
  cancelPast(350'000);  // bytes: while the second entry is written
  QString figures;
  QObject::connect(Named<QPushButton>(progressDialog(), "progressCancel"), &QPushButton::clicked,
                   [&] { figures = Named<QLabel>(progressDialog(), "progressFigures")->text(); });
  dropOnEntries("set.VexoImage", kNowhere);
  expectIdle();
  // Beside the bar: the share done and the amounts, in bytes.
  EXPECT_TRUE(figures.contains(QRegularExpression("^\\d+ %  \\d+\\.\\d KiB of 1\\.1 MiB"))) << figures.toStdString();
  EXPECT_EQ(Column(entryList()), (QStringList{"e0", "e1", "Tool"}));
  EXPECT_EQ(Sectors(a, SlotFirstSector(5) + kGciSector, 300'000), entries[1].gci);
  EXPECT_EQ(diagnosticsOf({"Vexo 1 (E:)"}), "All ok");
  EXPECT_TRUE(seam.messages.empty());
}

// A restore onto a card that writes 8 MiB a second: the window's event loop keeps turning, and
// no wait for the card has more than a few tenths of a second of data before it.
class SlowCardTest : public testing::WindowFixture {};

TEST_F(SlowCardTest, TheWindowKeepsTurningWhileASlowCardIsWritten) {
  const std::string image = testing::MakeImage(temp.file("slow.img"));
  CardBuilder().add(1, "", "Old").writeTo(image);
  auto slow = std::make_shared<testing::SlowDevice>(image, 8 << 20);
  table.AttachDevice(slow);
  start();
  clickVolume({"Vexo 1 (E:)"});
  const std::string archive = temp.file("set.VexoImage");
  testing::WriteArchive(archive, testing::Payload(Entries(6, 1'500'000)));

  QElapsedTimer sinceTurn;
  qint64 longest = 0;
  int turns = 0;
  QTimer ticker;
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (sinceTurn.isValid()) longest = std::max(longest, sinceTurn.elapsed());
    sinceTurn.start();
    ++turns;
  });
  ticker.start();
  sinceTurn.start();
  auto mime = std::make_unique<QMimeData>();
  mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(archive))});
  window->dropOnEntryList(nullptr, *mime, QPoint(5, 2000));
  ticker.stop();

  EXPECT_EQ(ReadHeader(image, 7).filename(), "e5");
  // The loop turned between any two waits for the card.
  EXPECT_GE(turns, static_cast<int>(slow->backlogAtWaits.size()) - 1);
  for (std::uint64_t backlog : slow->backlogAtWaits) EXPECT_LE(backlog, 3u << 20);
  EXPECT_LE(slow->backlogAtLastFlush, 3u << 20);
  RecordProperty("longest_event_loop_gap_ms", static_cast<int>(longest));
  std::cout << "longest gap between two event-loop turns: " << longest << " ms in " << turns
            << " turns, " << slow->backlogAtWaits.size() << " waits for the card\n";
}

}  // namespace
}  // namespace vexo
