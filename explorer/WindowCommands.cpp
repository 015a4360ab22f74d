// The context-menu commands: the window turns the selection into arguments, the core works.

#include <QTreeWidget>

#include "explorer/ImageList.h"
#include "explorer/NodeTexts.h"
#include "explorer/TForm2.h"
#include "explorer/DiagnosticsDialog.h"
#include "explorer/PropertiesDialog.h"
#include "explorer/RenameDialog.h"
#include "explorer/TreeImages.h"
#include "volume/CardName.h"
#include "volume/Diagnostics.h"
#include "volume/EntryMaintenance.h"
#include "volume/Format.h"

namespace vexo {
void TForm2::NewVexoFolder1Click() {
  QTreeWidgetItem* node = TreeView1->currentItem();
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
  SetNodeImages(category, ImageList1, kImageFolder, kImageOpenFolder);
  showVolumeNode(category);
}

void TForm2::Format1Click() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  int disk = -1;
  QString drive;
  if (node == nullptr || !ParseDriveNodeText(node->text(0), disk, drive)) return;
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  FormatDrive(dir, disk, drive.toStdString());
}

// The directory of the drive node right-clicked, read from the card as it is now.
void TForm2::Dumpit1Click() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  int disk = -1;
  QString drive;
  if (!dialogs.diagnostics || node == nullptr || !ParseDriveNodeText(node->text(0), disk, drive)) return;
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  if (!IsVexoNodeText(node->text(0)) || !dir.LoadDirectory(disk, drive.toStdString(), DirectoryLoad::Keep)) {
    prompter.message((node->text(0) + " does not contain a Vexo File system").toStdString());
    return;
  }
  dialogs.diagnostics->fill(Diagnose(dir));
  dialogs.diagnostics->setWindowTitle(
      "Vexo File system Diagnostics \u2014 " +
      QString::fromStdString(CardName(access, disk, drive.toStdString(), true)));
  seam_.exec(*dialogs.diagnostics);
}

void TForm2::Delete1Click() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  if (resolved.success) DeleteEntry(dir, resolved.selection);
}

void TForm2::Rename1Click() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const int entry = resolved.selection.entry;
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.rename) return;
  RenameDialog& form = *dialogs.rename;
  form.setRequest(RenameDefaults(dir.header(entry)));
  if (seam_.exec(form) != QDialog::Accepted) return;
  if (!RenameEntry(dir, resolved.selection, form.request())) return;
  // The renamed entry stays the one selected, under its new name.
  const QString stored = QString::fromStdString(dir.header(entry).filename());
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = ListView1->topLevelItem(i);
    if (item->text(0) == stored) {
      ListView1->setCurrentItem(item);
      item->setSelected(true);
    }
  }
}

void TForm2::Properties1Click() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const int entry = resolved.selection.entry;
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.properties) return;
  dialogs.properties->setEntry(&dir, entry);
  seam_.exec(*dialogs.properties);
}

}  // namespace vexo
