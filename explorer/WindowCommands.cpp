// The commands of the menus and keys: the window turns the selection into arguments, the core
// works.

#include <QTreeWidget>

#include "explorer/DiagnosticsDialog.h"
#include "explorer/ImageList.h"
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
#include "explorer/PcPaths.h"
#include "explorer/PropertiesDialog.h"
#include "explorer/RenameDialog.h"
#include "explorer/TreeImages.h"
#include "volume/CardName.h"
#include "volume/Diagnostics.h"
#include "volume/EntryMaintenance.h"
#include "volume/Format.h"
#include "volume/ProgramChecks.h"
#include "volume/Repair.h"

namespace vexo {

void MainWindow::newCategory() {
  QTreeWidgetItem* node = volumeTree->currentItem();
  if (node == nullptr || node->text(0) == "Removable Drives" || IsRemovableNodeText(node->text(0))) {
    prompter.message("Please select a Vexo drive to place a Category on");
    return;
  }
  if (!IsVexoNodeText(node->text(0))) node = node->parent();
  if (node == nullptr || !IsVexoNodeText(node->text(0))) {
    prompter.message("Logic Error 3");
    return;
  }
  std::vector<std::string> children;
  for (int i = 0; i < node->childCount(); ++i) children.push_back(node->child(i)->text(0).toStdString());
  const std::optional<std::string> name =
      prompter.input("New Vexo Category", "Please enter new Category name", NextNewCategoryName(children));
  if (!name) return;
  auto* category = new QTreeWidgetItem(node, {QString::fromStdString(*name)});
  SetNodeImages(category, imageList, kImageFolder, kImageOpenFolder);
  showVolumeNode(category);
}

void MainWindow::formatDrive() {
  QTreeWidgetItem* node = volumeTree->currentItem();
  int disk = -1;
  QString drive;
  if (node == nullptr || !ParseDriveNodeText(node->text(0), disk, drive)) return;
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  FormatDrive(dir, disk, drive.toStdString());
}

// The directory of the drive node right-clicked, read from the card as it is now.
void MainWindow::showDiagnostics() {
  QTreeWidgetItem* node = volumeTree->currentItem();
  int disk = -1;
  QString drive;
  if (!dialogs.diagnostics || node == nullptr || !ParseDriveNodeText(node->text(0), disk, drive)) return;
  WindowPrompter::Job job(prompter);
  const std::string driveText = drive.toStdString();
  // Read with the card open, which is closed again while the dialog shows.
  const auto read = [this, disk, driveText] {
    OperationScope operation(access);
    return dir.LoadDirectory(disk, driveText, DirectoryLoad::Keep);
  };
  const bool loaded = IsVexoNodeText(node->text(0)) && read();
  if (!loaded) {
    // Only a card that was read can be said to hold no volume; a failed read has said why,
    // except for the errors that mean no card.
    const int error = IsVexoNodeText(node->text(0)) ? access.lastError() : 0;
    if (error == 0)
      prompter.message((node->text(0) + " does not contain a Vexo File system").toStdString());
    else if (IsSilentReadError(error))
      prompter.message((node->text(0) + ": ").toStdString() + access.lastErrorText());
    return;
  }
  const auto fill = [this, disk] {
    OperationScope operation(access);
    dialogs.diagnostics->fill(Diagnose(dir), CheckPrograms(dir, disk), !SlotsNeedingRepair(dir).empty());
  };
  fill();
  dialogs.diagnostics->onRepair = [this, disk, driveText, read, fill] {
    {
      OperationScope operation(access);
      if (!RepairChain(dir, disk, driveText)) return;
    }
    // The listing that follows a repair may have read another card's directory.
    if (read()) fill();
  };
  dialogs.diagnostics->setWindowTitle(
      "Vexo File system Diagnostics \u2014 " +
      QString::fromStdString(CardName(access, disk, drive.toStdString(), true)));
  seam_.exec(*dialogs.diagnostics);
}

void MainWindow::deleteEntry() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  if (resolved.success) DeleteEntry(dir, resolved.selection);
}

void MainWindow::renameEntry() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const int entry = resolved.selection.entry;
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.rename) return;
  RenameDialog& dialog = *dialogs.rename;
  dialog.setRequest(RenameDefaults(dir.header(entry)));
  if (seam_.exec(dialog) != QDialog::Accepted) return;
  if (!RenameEntry(dir, resolved.selection, dialog.request())) return;
  // The renamed entry stays the one selected, under its new name.
  const QString stored = QString::fromStdString(dir.header(entry).filename());
  for (int i = 0; i < entryList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = entryList->topLevelItem(i);
    if (item->text(0) == stored) {
      entryList->setCurrentItem(item);
      item->setSelected(true);
    }
  }
}

void MainWindow::showProperties() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const int entry = resolved.selection.entry;
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.properties) return;
  dialogs.properties->setEntry(&dir, entry);
  seam_.exec(*dialogs.properties);
}

void MainWindow::refresh() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  // What is shown now, by its texts, to be found again among the fresh nodes.
  QStringList shown;
  for (QTreeWidgetItem* n = volumeTree->currentItem(); n != nullptr; n = n->parent())
    shown.prepend(n->text(0));
  const QString folder = GetNodePath();
  for (const QString& root : LogicalDriveRoots(table)) {
    const Drive* drive = table.ByLetter(root[0].toLatin1());
    if (drive == nullptr || !drive->removable) continue;
    RemoveDrive(root, selectedDrive());
    AddDrive(root, false);
  }
  QTreeWidgetItem* found = volumeTree->topLevelItem(0);
  if (shown.size() > 1) {
    if (QTreeWidgetItem* volume = driveNodeOf(found, DriveOfNodeText(shown[1]))) {
      found = volume;
      for (int i = 0; shown.size() > 2 && i < volume->childCount(); ++i)
        if (volume->child(i)->text(0) == shown[2]) found = volume->child(i);
    }
  }
  showVolumeNode(found);
  if (!folder.isEmpty()) ShowFolder(folder);
}

}  // namespace vexo
