// The PC pane: the folder tree, walked and filled lazily, and the file list of one folder.

#include <QApplication>
#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QTreeWidget>

#include "explorer/FileTypes.h"
#include "explorer/ImageList.h"
#include "explorer/NodeTexts.h"
#include "explorer/PcPaths.h"
#include "explorer/TForm2.h"
#include "explorer/TreeImages.h"

namespace vexo {
namespace {

constexpr int kSortNumberRole = Qt::UserRole + 10;  // column 1: size, column 3: date

bool SameIgnoringAToZ(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (int i = 0; i < a.size(); ++i) {
    QChar x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = QChar(x.unicode() + 32);
    if (y >= 'A' && y <= 'Z') y = QChar(y.unicode() + 32);
    if (x != y) return false;
  }
  return true;
}

QTreeWidgetItem* AddFolderNode(QTreeWidgetItem* parent, const QString& name, const QList<QIcon>& images) {
  auto* node = new QTreeWidgetItem(parent, {name});
  SetNodeImages(node, images, kImageFolder, kImageOpenFolder);
  return node;
}

// Suspends the painting of the four views while a walk or a listing runs.
class PaintingHeld {
 public:
  explicit PaintingHeld(std::initializer_list<QWidget*> views) : views_(views) {
    for (QWidget* v : views_) v->setUpdatesEnabled(false);
  }
  ~PaintingHeld() {
    for (QWidget* v : views_) v->setUpdatesEnabled(true);
  }

 private:
  std::vector<QWidget*> views_;
};

}  // namespace

QString TForm2::GetNodePath() const {
  const QTreeWidgetItem* node = TreeView2->currentItem();
  if (node == nullptr || node->text(0) == "My computer") return {};
  QString path;
  for (const QTreeWidgetItem* n = node; n != nullptr; n = n->parent()) path.prepend(n->text(0) + "\\");
  const qsizetype mark = path.indexOf(":)");
  if (mark < 1) return {};
  return path.mid(mark - 1, 2) + path.mid(mark + 2);
}

void TForm2::ShowFolder(const QString& path) {
  const QString drive = path.left(2);
  QTreeWidgetItem* computer = TreeView2->topLevelItem(0);
  QTreeWidgetItem* current = nullptr;
  for (int i = 0; i < computer->childCount() && !current; ++i)
    if (SameIgnoringAToZ(DriveOfNodeText(computer->child(i)->text(0)), drive)) current = computer->child(i);
  if (current == nullptr) {
    prompter.message("Not found");
    return;
  }
  PaintingHeld held{TreeView1, ListView1, TreeView2, ListView2};
  QStringList names = path.mid(3).split('\\', Qt::SkipEmptyParts);
  QString reached = drive;
  for (const QString& name : names) {
    if (current->childCount() == 0) {
      const QString local = ToLocalPath(table, reached + "\\");
      const QFileInfoList folders =
          QDir(local).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
      for (const QFileInfo& folder : folders) AddFolderNode(current, folder.fileName(), ImageList1);
    }
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < current->childCount() && !next; ++i)
      if (SameIgnoringAToZ(current->child(i)->text(0), name)) next = current->child(i);
    if (next == nullptr) {
      prompter.message("Folder Not found");
      return;
    }
    current = next;
    reached += "\\" + name;
  }
  TreeView2->setCurrentItem(current);
  TreeView2->scrollToItem(current);
  ListFolder(reached + "\\", current);
}

void TForm2::ListFolder(const QString& folder, QTreeWidgetItem* node) {
  ListView2->clear();
  const QString local = ToLocalPath(table, folder);
  watchFolder(local);
  if (local.isEmpty()) return;
  const QFileInfoList entries = QDir(local).entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  QList<QTreeWidgetItem*> items;
  for (const QFileInfo& entry : entries) {
    prompter.pump();
    const QString name = entry.fileName();
    if (name.startsWith('.')) continue;
    if (!entry.isDir() && !IsListedFileName(name)) continue;
    if (entry.isDir()) {
      bool present = false;
      for (int i = 0; i < node->childCount() && !present; ++i) present = node->child(i)->text(0) == name;
      if (!present) AddFolderNode(node, name, ImageList1);
    }
    const QDateTime modified = entry.lastModified().toLocalTime();
    auto* item = new QTreeWidgetItem({name, entry.isDir() ? QString() : QString::number(entry.size()),
                                      FileTypeText(entry), DateText(modified)});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(1, kSortNumberRole, SizeSortNumber(entry));
    item->setData(3, kSortNumberRole, DateSortNumber(modified));
    const int image = FileImage(entry);
    if (image >= 0 && image < ImageList1.size()) item->setIcon(0, ImageList1[image]);
    items << item;
  }
  // Name order, case counting, as the list keeps itself sorted while items come in.
  std::stable_sort(items.begin(), items.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
  });
  ListView2->addTopLevelItems(items);
}

void TForm2::watchFolder(const QString& localFolder) {
  const QStringList watched = folderWatcher_->directories();
  if (watched == QStringList{localFolder}) return;
  if (!watched.isEmpty()) folderWatcher_->removePaths(watched);
  if (!localFolder.isEmpty()) folderWatcher_->addPath(localFolder);
}

// The folder shown changed on disk: list it again, keeping the item selected and the order
// the person chose.
void TForm2::relistFolder() {
  // Not under a drag of one of its files: the drop must still find what was picked up.
  if (ListView2->dragging()) {
    folderChanged_->start();
    return;
  }
  QTreeWidgetItem* node = TreeView2->currentItem();
  const QString folder = GetNodePath();
  if (node == nullptr || folder.isEmpty()) return;
  const QString selected = ListView2->currentItem() ? ListView2->currentItem()->text(0) : QString();
  ListFolder(folder, node);
  if (sortcolumn >= 0) sortFileList(sortcolumn, sortforward);
  for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
    if (ListView2->topLevelItem(i)->text(0) == selected) ListView2->setCurrentItem(ListView2->topLevelItem(i));
  }
}

void TForm2::ShowParentFolder() {
  const QString path = GetNodePath();  // "C:\Data\Cards\"
  const qsizetype end = path.lastIndexOf('\\', -2);
  if (path.size() <= 3 || end < 2) return;  // a drive has no folder above it
  ShowFolder(path.left(end + 1));
}

void TForm2::TreeView2Click() {
  const QString path = GetNodePath();
  if (path.isEmpty()) {
    ListView2->clear();
    return;
  }
  ShowFolder(path.left(path.size() - 1));
}

void TForm2::ListView2DblClick() {
  const QTreeWidgetItem* item = ListView2->currentItem();
  const QString path = GetNodePath();
  if (item == nullptr || path.isEmpty()) return;
  if (QFileInfo(ToLocalPath(table, path + item->text(0))).isDir()) ShowFolder(path + item->text(0) + "\\");
}

void TForm2::sortFileList(const std::function<bool(QTreeWidgetItem*, QTreeWidgetItem*)>& less) {
  QTreeWidgetItem* current = ListView2->currentItem();
  QList<QTreeWidgetItem*> items;
  while (ListView2->topLevelItemCount() > 0) items << ListView2->takeTopLevelItem(0);
  std::stable_sort(items.begin(), items.end(), less);
  ListView2->addTopLevelItems(items);
  if (current) ListView2->setCurrentItem(current);
}

void TForm2::ListView2ColumnClick(int column) {
  if (column == sortcolumn) {
    sortforward = !sortforward;
  } else {
    sortcolumn = column;
  }
  sortFileList(column, sortforward);
}

void TForm2::sortFileList(int column, bool forward) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  if (column == 1 || column == 3) {
    // Larger numbers first; equal ones keep their order.
    sortFileList([=](QTreeWidgetItem* a, QTreeWidgetItem* b) {
      const qint32 x = a->data(column, kSortNumberRole).toInt();
      const qint32 y = b->data(column, kSortNumberRole).toInt();
      return forward ? x > y : x < y;
    });
    return;
  }
  const auto key = [column](QTreeWidgetItem* item) {
    if (column == 2) return item->text(2);
    return (item->text(1).isEmpty() ? "a" : "z") + item->text(0);  // folders first
  };
  sortFileList([=](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    const int c = collator.compare(key(a), key(b));
    return forward ? c < 0 : c > 0;
  });
}

}  // namespace vexo
