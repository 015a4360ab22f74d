#pragma once
// The window with three cards and a PC folder, for drags between its views: the handlers are
// called with the view a drag starts from, or reached through real Qt drag events carrying a
// file's URL (a drag from the desktop). Image archives are made here byte by byte, so that a
// restore is checked against what the test put in, not against what a backup wrote.

#include <sys/time.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <cstring>
#include <numeric>
#include <ctime>

#include "explorer/DragView.h"
#include "explorer/PcPaths.h"
#include "explorer/MainWindow.h"
#include "transfer/ImageArchive.h"
#include "transfer/ImagePayload.h"
#include "volume/GraphicsIndex.h"
#include "volume/ProgramChecks.h"
#include "tests/explorer/WindowFixture.h"

namespace vexo::testing {

// The window's dialog seam with the save dialog scripted; everything else goes to the
// fixture's ScriptedSeam, where the tests read it.
class SavingSeam : public DialogSeam {
 public:
  explicit SavingSeam(ScriptedSeam& script) : script_(script) {}

  std::vector<QString> saveFolders;              // the folder each save dialog started in
  std::deque<std::optional<QString>> saveAnswers;  // empty or nullopt: Cancel

  void message(QWidget* parent, const QString& text) override { script_.message(parent, text); }
  Answer ask(QWidget* parent, const QString& text, Buttons buttons, Answer preferred,
             Tone tone) override {
    return script_.ask(parent, text, buttons, preferred, tone);
  }
  std::optional<QString> input(QWidget* parent, const QString& caption, const QString& prompt,
                               const QString& initial) override {
    return script_.input(parent, caption, prompt, initial);
  }
  int exec(QDialog& dialog) override { return script_.exec(dialog); }
  std::optional<QString> saveImageFile(QWidget*, const QString& folder) override {
    saveFolders.push_back(folder);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<QString> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }

 private:
  ScriptedSeam& script_;
};

// Bytes that differ from sector to sector and from file to file.
inline std::vector<std::uint8_t> Pattern(std::size_t length, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 512);
  return bytes;
}

// One stored entry of an image payload.
struct StoredEntry {
  std::string category;
  std::string filename;
  std::vector<std::uint8_t> program;
  std::vector<std::uint8_t> sm;
  std::vector<std::uint8_t> gci;
  std::vector<GraphicsRecord> graphics;

  SlotHeader header() const {
    SlotHeader h = BlankHeader(SlotState::InUse);
    h.setCategory(category);
    h.setFilename(filename);
    h.setDesc1("stored " + filename);
    h.setProglen(static_cast<std::uint16_t>(program.size()));
    h.setProgsum(ProgramSum(program.data(), program.size()));
    h.setSmlen(static_cast<std::uint16_t>(sm.size()));
    h.setGcilen(static_cast<std::uint32_t>(gci.size()));
    return h;
  }
};

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t ByteSum(const Bytes& bytes) {
  return static_cast<std::uint16_t>(std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFFFF);
}

inline Bytes HeaderBytes(const SlotHeader& h) { return Bytes(h.bytes.begin(), h.bytes.end()); }

inline GraphicsRecord Record(const std::string& name, std::uint32_t sector, std::uint16_t v1,
                             std::uint16_t v2) {
  GraphicsRecord r = GraphicsRecord::Empty();
  r.setName(name);
  r.setSector(sector);
  r.setValue1(v1);
  r.setValue2(v2);
  return r;
}

inline StoredEntry Stored(std::string category, std::string name, std::size_t program,
                          std::uint8_t seed) {
  StoredEntry e;
  e.category = std::move(category);
  e.filename = std::move(name);
  e.program = Pattern(program, seed);
  return e;
}

// "DMLE", the count, the CSA flag, the headers, the entry blocks, then the CSA bytes; the
// first header carries csalen when there is a CSA.
inline std::vector<std::uint8_t> Payload(const std::vector<StoredEntry>& entries,
                                         const std::vector<std::uint8_t>& csa = {}) {
  std::vector<std::uint8_t> out(kPayloadSignature, kPayloadSignature + 4);
  const auto u16 = [&](std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const auto append = [&](const auto& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); };
  u16(entries.size());
  out.push_back(csa.empty() ? 0 : 1);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SlotHeader h = entries[i].header();
    if (i == 0) h.setCsalen(static_cast<std::uint32_t>(csa.size()));
    append(h.bytes);
  }
  for (const StoredEntry& e : entries) {
    append(e.program);
    u16(e.graphics.size());
    for (const GraphicsRecord& r : e.graphics) append(r.bytes);
    append(e.sm);
    append(e.gci);
  }
  append(csa);
  return out;
}

inline void WriteArchive(const std::string& path, const std::vector<std::uint8_t>& payload) {
  std::string error;
  std::unique_ptr<ImageArchiveWriter> writer = ImageArchiveWriter::Create(path, payload.size(), error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(writer->write(payload.data(), payload.size(), error)) << error;
  ASSERT_TRUE(writer->commit(error)) << error;
}

inline std::vector<std::uint8_t> ReadPayload(const std::string& path) {
  std::string error;
  std::unique_ptr<ImageArchiveReader> reader = ImageArchiveReader::Open(path, error);
  if (!reader) {
    ADD_FAILURE() << error;
    return {};
  }
  std::vector<std::uint8_t> all, chunk(65536);
  for (;;) {
    const std::uint64_t before = reader->position();
    const bool full = reader->read(chunk.data(), chunk.size(), error);
    all.insert(all.end(), chunk.begin(),
               chunk.begin() + static_cast<std::ptrdiff_t>(reader->position() - before));
    if (!full) break;
  }
  EXPECT_EQ(error, "");
  return all;
}

// Card a (Vexo 1, E:): Games\Pong in slot 1, Games\Alpha in slot 2 (1000 program and 100 SM
// bytes), Tool in slot 3; card b (Vexo 2, F:): Games\Pong in slot 1, Demos\Intro in slot 2, and
// 700 bytes in its Common Storage Area ("Map"); a blank card (Removable Disk 3, G:). The PC
// pane shows the folder pc/ of the temporary folder.
class DragDropFixture : public WindowFixture {
 protected:
  enum class From { PcList, EntryList, Tree, Desktop };

  void SetUp() override {
    WindowFixture::SetUp();
    a = card("a.img", CardBuilder().add(1, "Games", "Pong").add(2, "Games", "Alpha").add(3, "", "Tool"));
    b = card("b.img", CardBuilder().add(1, "Games", "Pong").add(2, "Demos", "Intro"));
    blank = MakeImage(temp.file("blank.img"));
    table.Attach(blank);
    pc = QString::fromStdString(temp.path()) + "/pc";
    QDir().mkpath(pc);
    // Alpha's slot is told apart from its neighbours in every region, its last sector included;
    // its header names a program and an SM file in it.
    for (const std::uint64_t sector : {kProgramSector, kProgramSector + 1, kGraphicsIndexSector,
                                       kSmSector, kGciSector, kSectorsPerSlot - 1})
      WriteBytes(a, (SlotFirstSector(2) + sector) * 512, Pattern(512, static_cast<std::uint8_t>(sector)).data(), 512);
    SlotHeader alpha = ReadHeader(a, 2);
    alpha.setProglen(1000);
    alpha.setProgsum(ProgramSum(ReadBytes(a, (SlotFirstSector(2) + kProgramSector) * 512, 1000).data(), 1000));
    alpha.setSmlen(100);
    alpha.setDesc1("the first letter");
    WriteHeader(a, 2, alpha);
    SlotHeader b1 = ReadHeader(b, 1);
    b1.setCsafile("Map");
    b1.setCsalen(700);
    WriteHeader(b, 1, b1);
    WriteBytes(b, kCsaFirstSector * 512, Pattern(700, 0x44).data(), 700);
    start();
    showPc();
  }
  // The window talks through `saving`, which also answers the save dialog.
  void start() { window = StartExplorer(table, saving); }

  // A PC file of `bytes` bytes in pc/ with a fixed last-write time; the PC pane is listed again.
  std::string pcFile(const QString& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (pc + "/" + name).toStdString();
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    f.close();
    const timeval times[2] = {{kModified, 0}, {kModified, 0}};
    ::utimes(path.c_str(), times);
    showPc();
    return path;
  }
  std::string pcFile(const QString& name, const std::string& text) {
    return pcFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  void showPc() { window->ShowFolder(ToPcPath(table, pc)); }
  // Selects a file of the PC list, as pressing on it before a drag does.
  void pickPc(const QString& name) {
    const QList<QTreeWidgetItem*> found = pcFileList()->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    pcFileList()->setCurrentItem(found.front());
  }

  QTreeWidgetItem* node(const QStringList& path) const {
    QTreeWidgetItem* n = volumeRoot();
    for (const QString& text : path) {
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < n->childCount() && !next; ++i)
        if (n->child(i)->text(0) == text) next = n->child(i);
      if (!next) return nullptr;
      n = next;
    }
    return n;
  }
  // Viewport points: over a tree node, over an entry, over nothing.
  QPoint onNode(const QStringList& path) const {
    QTreeWidgetItem* n = node(path);
    EXPECT_NE(n, nullptr) << path.join("/").toStdString();
    return n ? volumeTree()->visualItemRect(n).center() : kNowhere;
  }
  QPoint onEntry(const QString& name) const {
    const QList<QTreeWidgetItem*> found = entryList()->findItems(name, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << name.toStdString();
    return found.isEmpty() ? kNowhere : entryList()->visualItemRect(found.front()).center();
  }
  // The tree's selection as a path of texts, "" when nothing is selected.
  QString pathOf(QTreeWidgetItem* n) const {
    QStringList path;
    for (; n != volumeRoot() && n != nullptr; n = n->parent()) path.prepend(n->text(0));
    return path.join("/");
  }
  // The current node of the volume tree, which the entry list shows.
  QString treeSelection() const {
    QTreeWidgetItem* n = volumeTree()->currentItem();
    if (n == nullptr || !n->isSelected()) return {};
    return pathOf(n);
  }
  // The node highlighted in the volume tree: the drop target while a drag hovers over it.
  QString treeHighlight() const {
    const QList<QTreeWidgetItem*> marked = volumeTree()->selectedItems();
    return marked.isEmpty() ? QString() : pathOf(marked.front());
  }
  // The pointer of a drag leaves the view (a drag cancelled over it ends the same way).
  static void DragLeaves(DragView* target) {
    // Qt gives a leave only to a view that took the drag's entry.
    QMimeData entered;
    entered.setData(kViewDragFormat, {});
    QDragEnterEvent enter(kNowhere, Qt::CopyAction, &entered, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &enter);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(target->viewport(), &leave);
  }

  QWidget* view(From from) const {
    switch (from) {
      case From::PcList: return pcFileList();
      case From::EntryList: return entryList();
      case From::Tree: return volumeTree();
      case From::Desktop: return nullptr;
    }
    return nullptr;
  }
  // What a drag from a view of the window carries.
  static std::unique_ptr<QMimeData> ViewDrag(QWidget* source) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kViewDragFormat, source ? source->objectName().toUtf8() : QByteArray());
    return mime;
  }
  // What a file manager's drag carries.
  static std::unique_ptr<QMimeData> FileDrag(const std::string& path) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    return mime;
  }

  // Real events into a view: entering and one move, whose answer counts; then the drop, sent
  // even after a refusal, since the view must refuse it again on its own.
  static bool DragOverEvents(DragView* target, const QMimeData& mime, const QPoint& pos) {
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &move);
    return move.isAccepted();
  }
  static bool DropEvents(DragView* target, const QMimeData& mime, const QPoint& pos) {
    DragOverEvents(target, mime, pos);
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &drop);
    QCoreApplication::processEvents();  // the drop's work runs after the drag
    return drop.isAccepted();
  }

  // Record of the graphics index of a slot.
  GraphicsRecord IndexRecord(const std::string& card, int slot, std::size_t record) const {
    GraphicsRecord r;
    const Bytes bytes = Sectors(card, SlotFirstSector(slot) + kGraphicsIndexSector, kGraphicsIndexBytes);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(record * kGraphicsRecordSize),
                kGraphicsRecordSize, r.bytes.begin());
    return r;
  }
  int UsedSlots(const std::string& card) const {
    int used = 0;
    for (int slot = 1; slot <= kSlotCount; ++slot) used += IsUsed(ReadHeader(card, slot)) ? 1 : 0;
    return used;
  }
  // A PC-list drag of `file` dropped on the entry list at `pos`.
  void dropOnEntries(const QString& file, const QPoint& pos) {
    pickPc(file);
    const auto mime = ViewDrag(pcFileList());
    ASSERT_TRUE(window->dragOverEntryList(pcFileList(), *mime, pos));
    window->dropOnEntryList(pcFileList(), *mime, pos);
  }
  // A PC-list drag of `file` moved over the tree to `pos` and dropped there.
  void dropOnTree(const QString& file, const QPoint& pos) {
    pickPc(file);
    const auto mime = ViewDrag(pcFileList());
    ASSERT_TRUE(window->dragOverVolumeTree(pcFileList(), *mime, pos));
    window->dropOnVolumeTree(pcFileList(), *mime, pos);
  }
  // The entry list's selection, as a drag out of it starts, dropped on the tree at `pos`.
  void dragEntryToTree(const QPoint& pos) {
    window->startEntryDrag();
    const auto mime = ViewDrag(entryList());
    ASSERT_TRUE(window->dragOverVolumeTree(entryList(), *mime, pos));
    window->dropOnVolumeTree(entryList(), *mime, pos);
  }
  void dropOnPcList(From from) {
    const auto mime = ViewDrag(view(from));
    ASSERT_TRUE(window->dragOverPcFileList(view(from), *mime, kNowhere));
    window->dropOnPcFileList(view(from), *mime, kNowhere);
  }
  QString localPc(const QString& name) const { return pc + "/" + name; }
  // Every operation, finished or stopped, leaves no progress window and no busy cursor.
  void expectIdle() const {
    EXPECT_FALSE(progressDialog()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  // The date and time fields a PC file with the fixture's last-write time gives.
  std::pair<std::string, std::string> Stamp() const {
    const std::time_t when = kModified;
    std::tm local{};
    localtime_r(&when, &local);
    const auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    const std::string& d = window->regionalSeparators().date;
    const std::string& t = window->regionalSeparators().time;
    return {std::to_string(local.tm_year + 1900) + d + two(local.tm_mon + 1) + d + two(local.tm_mday),
            two(local.tm_hour) + t + two(local.tm_min) + t + two(local.tm_sec)};
  }

  static std::vector<std::uint8_t> Sectors(const std::string& card, std::uint64_t sector,
                                           std::size_t bytes) {
    return ReadBytes(card, sector * 512, bytes);
  }
  static std::vector<std::uint8_t> FileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    return {all.begin(), all.end()};
  }

  static constexpr std::time_t kModified = 1'615'000'000;  // March 2021
  static constexpr QPoint kNowhere{5, 2000};

  SavingSeam saving{seam};
  std::string a, b, blank;
  QString pc;
};

}  // namespace vexo::testing
