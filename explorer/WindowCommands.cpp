// The context-menu commands: the window turns the selection into arguments, the core works.

#include <QTreeWidget>
#include <QLineEdit>

#include "explorer/ImageList.h"
#include "explorer/NodeTexts.h"
#include "explorer/TForm2.h"
#include "explorer/TForm3.h"
#include "explorer/TForm4.h"
#include "explorer/TForm5.h"
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
  if (!dialogs.form5 || node == nullptr || !ParseDriveNodeText(node->text(0), disk, drive)) return;
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  if (!IsVexoNodeText(node->text(0)) || !dir.LoadDirectory(disk, drive.toStdString(), DirectoryLoad::Keep)) {
    prompter.message((node->text(0) + " does not contain a Vexo File system").toStdString());
    return;
  }
  dialogs.form5->fill(Diagnose(dir));
  dialogs.form5->setWindowTitle("Vexo File system Diagnostics \u2014 " +
                                QString::fromStdString(CardName(access, disk, drive.toStdString(), true)));
  seam_.exec(*dialogs.form5);
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
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.form3) return;
  TForm3& form = *dialogs.form3;
  const RenameRequest now = RenameDefaults(dir.header(entry));
  form.Edit2->setText(QString::fromStdString(now.filename));
  form.Edit1->setText(QString::fromStdString(now.desc1));
  form.Edit3->setText(QString::fromStdString(now.desc2));
  form.Edit4->setText(QString::fromStdString(now.desc3));
  form.Edit5->setText(QString::fromStdString(now.desc4));
  if (seam_.exec(form) != QDialog::Accepted) return;
  if (!RenameEntry(dir, resolved.selection,
                   {form.Edit2->text().toStdString(), form.Edit1->text().toStdString(),
                    form.Edit3->text().toStdString(), form.Edit4->text().toStdString(),
                    form.Edit5->text().toStdString()}))
    return;
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
  if (!resolved.success || entry < 1 || entry > kSlotCount || !dialogs.form4) return;
  dialogs.form4->setEntry(&dir, entry);
  seam_.exec(*dialogs.form4);
}

}  // namespace vexo
