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
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
#include "explorer/PcPaths.h"
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

QString MainWindow::GetNodePath() const {
  const QTreeWidgetItem* node = pcFolderTree->currentItem();
  if (node == nullptr || node->text(0) == "My computer") return {};
  QString path;
  for (const QTreeWidgetItem* n = node; n != nullptr; n = n->parent()) path.prepend(n->text(0) + "\\");
  const qsizetype mark = path.indexOf(":)");
  if (mark < 1) return {};
  return path.mid(mark - 1, 2) + path.mid(mark + 2);
}

void MainWindow::ShowFolder(const QString& path) {
  const QString drive = path.left(2);
  QTreeWidgetItem* computer = pcFolderTree->topLevelItem(0);
  QTreeWidgetItem* current = nullptr;
  for (int i = 0; i < computer->childCount() && !current; ++i)
    if (SameIgnoringAToZ(DriveOfNodeText(computer->child(i)->text(0)), drive)) current = computer->child(i);
  if (current == nullptr) {
    prompter.message("Not found");
    return;
  }
  PaintingHeld held{volumeTree, entryList, pcFolderTree, pcFileList};
  QStringList names = path.mid(3).split('\\', Qt::SkipEmptyParts);
  QString reached = drive;
  for (const QString& name : names) {
    if (current->childCount() == 0) {
      const QString local = ToLocalPath(table, reached + "\\");
      const QFileInfoList folders =
          QDir(local).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
      for (const QFileInfo& folder : folders) AddFolderNode(current, folder.fileName(), imageList);
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
  pcFolderTree->setCurrentItem(current);
  pcFolderTree->scrollToItem(current);
  ListFolder(reached + "\\", current);
}

void MainWindow::showPcFile(const QString& localPath) {
  const QFileInfo file(localPath);
  if (!file.isFile()) {
    prompter.message(file.absoluteFilePath().toStdString() + ": there is no such file");
    return;
  }
  ShowFolder(ToPcPath(table, file.absolutePath()));
  const QList<QTreeWidgetItem*> named = pcFileList->findItems(file.fileName(), Qt::MatchExactly);
  if (named.isEmpty()) return;
  pcFileList->setCurrentItem(named.first());
  pcFileList->scrollToItem(named.first());
}

void MainWindow::ListFolder(const QString& folder, QTreeWidgetItem* node) {
  pcFileList->clear();
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
      if (!present) AddFolderNode(node, name, imageList);
    }
    const QDateTime modified = entry.lastModified().toLocalTime();
    auto* item = new QTreeWidgetItem({name, entry.isDir() ? QString() : QString::number(entry.size()),
                                      FileTypeText(entry), DateText(modified)});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(1, kSortNumberRole, SizeSortNumber(entry));
    item->setData(3, kSortNumberRole, DateSortNumber(modified));
    const int image = FileImage(entry);
    if (image >= 0 && image < imageList.size()) item->setIcon(0, imageList[image]);
    items << item;
  }
  // Name order, case counting, as the list keeps itself sorted while items come in.
  std::stable_sort(items.begin(), items.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
  });
  pcFileList->addTopLevelItems(items);
}

void MainWindow::watchFolder(const QString& localFolder) {
  const QStringList watched = folderWatcher_->directories();
  if (watched == QStringList{localFolder}) return;
  if (!watched.isEmpty()) folderWatcher_->removePaths(watched);
  if (!localFolder.isEmpty()) folderWatcher_->addPath(localFolder);
}

// The folder shown changed on disk: list it again, keeping the item selected and the order
// the person chose.
void MainWindow::relistFolder() {
  // Not under a drag of one of its files: the drop must still find what was picked up.
  if (pcFileList->dragging()) {
    folderChanged_->start();
    return;
  }
  QTreeWidgetItem* node = pcFolderTree->currentItem();
  const QString folder = GetNodePath();
  if (node == nullptr || folder.isEmpty()) return;
  const QString selected = pcFileList->currentItem() ? pcFileList->currentItem()->text(0) : QString();
  ListFolder(folder, node);
  if (sortcolumn >= 0) sortFileList(sortcolumn, sortforward);
  for (int i = 0; i < pcFileList->topLevelItemCount(); ++i) {
    if (pcFileList->topLevelItem(i)->text(0) == selected) pcFileList->setCurrentItem(pcFileList->topLevelItem(i));
  }
}

void MainWindow::showParentFolder() {
  const QString path = GetNodePath();  // "C:\Data\Cards\"
  const qsizetype end = path.lastIndexOf('\\', -2);
  if (path.size() <= 3 || end < 2) return;  // a drive has no folder above it
  ShowFolder(path.left(end + 1));
}

void MainWindow::pcFolderTreeClicked() {
  const QString path = GetNodePath();
  if (path.isEmpty()) {
    pcFileList->clear();
    return;
  }
  ShowFolder(path.left(path.size() - 1));
}

void MainWindow::openPcFileListItem() {
  const QTreeWidgetItem* item = pcFileList->currentItem();
  const QString path = GetNodePath();
  if (item == nullptr || path.isEmpty()) return;
  if (QFileInfo(ToLocalPath(table, path + item->text(0))).isDir()) ShowFolder(path + item->text(0) + "\\");
}

void MainWindow::sortFileList(const std::function<bool(QTreeWidgetItem*, QTreeWidgetItem*)>& less) {
  QTreeWidgetItem* current = pcFileList->currentItem();
  QList<QTreeWidgetItem*> items;
  while (pcFileList->topLevelItemCount() > 0) items << pcFileList->takeTopLevelItem(0);
  std::stable_sort(items.begin(), items.end(), less);
  pcFileList->addTopLevelItems(items);
  if (current) pcFileList->setCurrentItem(current);
}

void MainWindow::sortPcFileListBy(int column) {
  if (column == sortcolumn) {
    sortforward = !sortforward;
  } else {
    sortcolumn = column;
  }
  sortFileList(column, sortforward);
}

void MainWindow::sortFileList(int column, bool forward) {
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
