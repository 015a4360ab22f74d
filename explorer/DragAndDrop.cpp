// Drag and drop between the four views: what each drag is allowed over, and what each drop
// hands to the core.

#include <QFileInfo>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include "explorer/DragView.h"
#include "explorer/FileTypes.h"
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
#include "explorer/PcPaths.h"
#include "explorer/RestoreChooser.h"
#include "transfer/ArchiveDestination.h"
#include "transfer/Attach.h"
#include "transfer/Backup.h"
#include "transfer/CsaInsert.h"
#include "transfer/EntryCopy.h"
#include "transfer/FileKind.h"
#include "transfer/PcFile.h"
#include "transfer/ProgramImport.h"
#include "transfer/Restore.h"
#include "volume/Format.h"
#include "volume/Messages.h"

namespace vexo {

std::optional<MainWindow::DraggedFile> MainWindow::draggedFile(QWidget* source, const QMimeData& mime) const {
  if (source == pcFileList) {
    const QTreeWidgetItem* item = pcFileList->currentItem();
    const QString folder = GetNodePath();
    if (item == nullptr || folder.isEmpty()) return std::nullopt;
    return DraggedFile{item->text(0), ToLocalPath(table, folder + item->text(0))};
  }
  if (source == nullptr) {
    for (const QUrl& url : mime.urls()) {
      if (!url.isLocalFile()) continue;
      const QFileInfo file(url.toLocalFile());
      if (file.isFile()) return DraggedFile{file.fileName(), file.absoluteFilePath()};
    }
  }
  return std::nullopt;
}

// ---- acceptance -----------------------------------------------------------------------------

bool MainWindow::dragOverEntryList(QWidget* source, const QMimeData& mime, const QPoint&) {
  // From the PC file list always; from outside only a file.
  return source == pcFileList || (source == nullptr && draggedFile(source, mime).has_value());
}

bool MainWindow::dragOverVolumeTree(QWidget* source, const QMimeData& mime, const QPoint& pos) {
  if (source == entryList) return true;
  if (source != pcFileList && source != nullptr) return false;
  const std::optional<DraggedFile> file = draggedFile(source, mime);
  if (!file) return false;
  const QString ext = LowerExtensionOf(file->name);
  if (ext != ".gci" && ext != ".vexoimage") return false;
  // The node under the pointer is marked; it becomes the current node only when the file is
  // dropped on it.
  volumeTree->markDropTarget(volumeTree->itemAt(pos));
  return true;
}

bool MainWindow::dragOverPcFileList(QWidget*, const QMimeData&, const QPoint&) { return true; }

// ---- drops on the entry list ----------------------------------------------------------------

// A file dropped from the PC list must still be there; the list catches up when it is not.
std::optional<MainWindow::DraggedFile> MainWindow::droppedFile(QWidget* source, const QMimeData& mime) {
  std::optional<DraggedFile> file = draggedFile(source, mime);
  if (!file) return file;
  const QFileInfo info(file->path);
  if (!info.exists()) {
    prompter.message(file->path.toStdString() + " no longer exists");
    relistFolder();
    return std::nullopt;
  }
  // A FIFO or a device would keep the window waiting on it for ever.
  if (!IsRegularFile(file->path.toStdString())) {
    prompter.message(file->path.toStdString() + " is not a regular file");
    return std::nullopt;
  }
  return file;
}

void MainWindow::dropOnEntryList(QWidget* source, const QMimeData& mime, const QPoint& pos) {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  entryList->clearSelection();
  QTreeWidgetItem* under = entryList->itemAt(pos);
  if (under) {
    under->setSelected(true);
    entryList->setCurrentItem(under);
  }
  const Resolved resolved = ResolveSelection();
  if (!resolved.success) {
    prompter.message(kSelectAVexoDisk);
    return;
  }
  const std::optional<DraggedFile> file = droppedFile(source, mime);
  if (!file) return;
  const Selection& s = resolved.selection;
  const VolumeTarget target{s.disk, s.drive, s.category};
  const std::string path = file->path.toStdString();
  const std::optional<std::string> caption =
      under ? std::optional<std::string>(under->text(0).toStdString()) : std::nullopt;
  switch (KindOf(file->name.toStdString())) {
    case FileKind::ImageArchive: restoreArchive(file->path); break;
    case FileKind::Program: ImportProgram(dir, buffers, target, path, separators); break;
    case FileKind::SmFile:
      AttachFile(dir, buffers, target, caption, path, Attachment::SmFile, separators);
      break;
    case FileKind::Graphics:
      AttachFile(dir, buffers, target, caption, path, Attachment::Graphics, separators);
      break;
  }
}

void MainWindow::restoreArchive(const QString& path) {
  const Resolved resolved = ResolveSelection();
  if (!resolved.success) {
    prompter.message("please select a disk to restore to");
    return;
  }
  const Selection& s = resolved.selection;
  // A restore that stopped (Cancel, a failure) has left what it wrote: the list shows it.
  if (!RestoreImage(dir, {s.disk, s.drive, ""}, path.toStdString(), restoreChoice()))
    ListEntries();
}

ChooseRestoreItems MainWindow::restoreChoice() {
  return [this](RestoreList& list) {
    return dialogs.restoreChooser && dialogs.restoreChooser->choose(list);
  };
}

// ---- drops on the volume tree ---------------------------------------------------------------

void MainWindow::dropOnVolumeTree(QWidget* source, const QMimeData& mime, const QPoint& pos) {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  if (source == entryList) {
    copyEntryTo(pos);
    return;
  }
  const std::optional<DraggedFile> file = droppedFile(source, mime);
  if (!file) return;
  QTreeWidgetItem* dropped = volumeTree->itemAt(pos);
  if (LowerExtensionOf(file->name) == ".vexoimage") {
    // Onto a drive, or the volume of a category dropped on; the root or empty space does nothing.
    QTreeWidgetItem* node = dropped;
    if (node != nullptr && node->parent() != nullptr && node->parent()->parent() != nullptr)
      node = node->parent();
    if (node == nullptr || node->parent() == nullptr) return;
    showVolumeNode(node);
    restoreOntoFormatted(node->text(0), file->path);
    return;
  }
  if (dropped != nullptr) showVolumeNode(dropped);
  const std::optional<std::int32_t> offset = AskSectorOffset(prompter);
  if (!offset) return;
  const Resolved resolved = dropped != nullptr ? ResolveSelection() : Resolved();
  if (!resolved.success) {
    prompter.message(kSelectAVexoDisk);
    return;
  }
  InsertIntoCsa(dir, {resolved.selection.disk, resolved.selection.drive, ""},
                file->path.toStdString(), *offset);
}

// The archive is read and its entries chosen before anything else; only then is the card
// formatted, after its questions, and the archive restored onto it. Cancel anywhere on the way
// leaves the card as it was.
void MainWindow::restoreOntoFormatted(const QString& driveNodeText, const QString& archivePath) {
  int disk = -1;
  QString drive;
  if (!ParseDriveNodeText(driveNodeText, disk, drive)) return;
  const std::string driveString = drive.toStdString();
  if (!RestoreImage(dir, {disk, driveString, ""}, archivePath.toStdString(), restoreChoice(),
                    [this, disk, driveString] {
                      return FormatDrive(dir, disk, driveString, FormatCompletion::Silent);
                    }))
    ListEntries();
}

void MainWindow::copyEntryTo(const QPoint& pos) {
  QTreeWidgetItem* dropped = volumeTree->itemAt(pos);
  if (dropped == nullptr || dropped->text(0) == "Removable Drives") return;
  QTreeWidgetItem* node = dropped;
  std::string category;
  if (!IsVexoNodeText(node->text(0))) {
    category = node->text(0).toStdString();
    node = node->parent();
  }
  int disk = -1;
  QString drive;
  if (node == nullptr || !IsVexoNodeText(node->text(0)) || !ParseDriveNodeText(node->text(0), disk, drive)) {
    prompter.message("Logic Error 2");
    return;
  }
  copyDropNode_ = dropped;
  CopyEntry(dir, dragSource, {disk, drive.toStdString(), category});
  copyDropNode_ = nullptr;
}

// ---- drops on the PC file list --------------------------------------------------------------

void MainWindow::dropOnPcFileList(QWidget* source, const QMimeData&, const QPoint&) {
  if (source == pcFileList || source == nullptr) return;
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  if (!resolved.success) {
    prompter.message("Logic Error 1");
    return;
  }
  const QString pcFolder = GetNodePath();
  const QString folder = ToLocalPath(table, pcFolder);
  if (pcFolder.isEmpty() || folder.isEmpty()) {
    prompter.message("Please select a folder in the PC pane to save the image in");
    return;
  }
  std::vector<int> included;
  bool withCsa = false;
  QString archive;
  if (source == entryList) {
    std::vector<std::string> captions;
    QList<QTreeWidgetItem*> selected = entryList->selectedItems();
    for (QTreeWidgetItem* item : selected) captions.push_back(item->text(0).toStdString());
    const std::optional<std::vector<int>> chosen = ExportSlots(dir, resolved.selection.category, captions);
    if (!chosen) return;
    included = *chosen;
    if (selected.size() == 1) {
      archive = QString::fromStdString(SingleEntryArchivePath(folder.toStdString(), captions.front()));
      if (!MayWriteArchive(prompter, archive.toStdString())) return;
    }
  } else {
    included = BackupSlots(dir);
    withCsa = BacksUpCsa(dir);
  }
  if (archive.isEmpty()) {
    // The save dialog asks before it replaces a file; what is not a file is never replaced.
    const std::optional<QString> chosen = seam_.saveImageFile(this, folder);
    if (!chosen || !MayHoldAnArchive(prompter, chosen->toStdString())) return;
    archive = *chosen;
  }
  if (WriteImageArchive(dir, resolved.selection.disk, resolved.selection.drive, included, withCsa,
                        archive.toStdString())) {
    // The new archive shows in the PC file list at once.
    if (QTreeWidgetItem* node = pcFolderTree->currentItem()) ListFolder(pcFolder, node);
  }
}

}  // namespace vexo
