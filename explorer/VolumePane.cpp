// The volume pane: what the tree and list selection names, the entry list, clicks and menus.
// The entry list always shows the volume tree's current node, so that every command acts on
// the card and category whose entries the person sees.

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include "explorer/ImageList.h"
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
#include "volume/CardName.h"
#include "volume/NodePath.h"
#include "volume/Repair.h"

namespace vexo {

MainWindow::Resolved MainWindow::ResolveSelection() {
  Resolved result;
  QTreeWidgetItem* node = volumeTree->currentItem();
  if (node == nullptr || node->text(0) == "My computer") return result;
  std::vector<std::string> texts;
  for (QTreeWidgetItem* n = node; n != nullptr; n = n->parent())
    texts.insert(texts.begin(), n->text(0).toStdString());
  const std::optional<VolumeNode> volume = ParseVolumeNodePath(NodePath(texts));
  if (!volume) return result;
  result.selection.disk = volume->disk;
  result.selection.drive = volume->drive;
  result.selection.category = volume->category;
  if (volume->disk != dir.vexodrv && !dir.LoadDirectory(volume->disk, volume->drive, DirectoryLoad::Keep))
    return result;
  const QList<QTreeWidgetItem*> selected = entryList->selectedItems();
  if (!selected.isEmpty()) {
    // The first selected in list order.
    QTreeWidgetItem* first = selected.front();
    for (QTreeWidgetItem* item : selected)
      if (entryList->indexOfTopLevelItem(item) < entryList->indexOfTopLevelItem(first)) first = item;
    result.selection.filename = first->text(0).toStdString();
    result.selection.entry = dir.FindListedEntry(volume->category, result.selection.filename);
  }
  result.success = true;
  return result;
}

void MainWindow::ListEntries() {
  OperationScope operation(access);
  entryList->clear();
  const Resolved resolved = ResolveSelection();
  // The chain of the volume listed is checked, not that of whichever directory was read last;
  // a chain out of step is offered for repair.
  if (resolved.success) {
    const Selection& s = resolved.selection;
    const int errors = dir.CountChainErrors();
    if (errors != 0 && static_cast<Prompter&>(prompter).ask(
                           ChainErrorsText(errors) + "\nRepair the chain of " +
                               CardName(access, s.disk, s.drive, true) + "?",
                           Buttons::YesNo, Answer::No) == Answer::Yes &&
        RepairChain(dir, s.disk, s.drive, RepairQuestion::AlreadyAsked))
      return;  // the repair has listed the entries again
  }
  QList<QTreeWidgetItem*> items;
  if (resolved.success) {
    for (const EntryRow& row : dir.ChainEntries(resolved.selection.category)) {
      auto* item = new QTreeWidgetItem(
          {QString::fromStdString(row.filename), QString::fromStdString(row.modified),
           QString::fromStdString(row.desc1), QString::fromStdString(row.desc2),
           QString::fromStdString(row.desc3), QString::fromStdString(row.desc4)});
      item->setIcon(0, imageList.value(kImageEntry));
      items << item;
    }
  }
  entryList->addTopLevelItems(items);
  showListedVolume(resolved, static_cast<int>(items.size()));
}

void MainWindow::showListedVolume(const Resolved& resolved, int entries) {
  const QTreeWidgetItem* node = volumeTree->currentItem();
  if (!resolved.success) {
    const bool drive = node != nullptr && node->parent() != nullptr;
    statusText->setText(drive ? node->text(0) + " \u2014 no Vexo File system" : QString());
    setWindowTitle("Vexo Explorer");
    return;
  }
  const Selection& s = resolved.selection;
  const QString volume = QString::fromStdString(VexoNodeText(s.disk, s.drive));
  int free = 0;
  for (int slot = 1; slot <= kSlotCount; ++slot) free += IsUsed(dir.header(slot)) ? 0 : 1;
  const QString where =
      s.category.empty() ? volume : volume + " \u203a " + QString::fromStdString(s.category);
  statusText->setText(where + " \u2014 " + QString::number(entries) +
                      (entries == 1 ? " entry, " : " entries, ") + QString::number(free) + " of " +
                      QString::number(kSlotCount) + " slots free");
  setWindowTitle("Vexo Explorer \u2014 " +
                 QString::fromStdString(CardName(access, s.disk, s.drive, true)));
}

void MainWindow::volumeTreePressed() {
  clickListed_ = changedByPress_;
  changedByPress_ = false;
}

void MainWindow::volumeTreeClicked() {
  // A click whose press made its node current has listed it already.
  if (clickListed_) {
    clickListed_ = false;
    return;
  }
  ListEntries();
}

void MainWindow::volumeTreeCurrentChanged() {
  changedByPress_ = QApplication::mouseButtons() != Qt::NoButton;
  ListEntries();
}

void MainWindow::showVolumeNode(QTreeWidgetItem* node) {
  if (volumeTree->currentItem() == node) {
    ListEntries();
  } else {
    volumeTree->setCurrentItem(node);  // lists it
  }
}

bool MainWindow::selectForVolumeMenu(const QPoint& pos) {
  QTreeWidgetItem* node = volumeTree->itemAt(pos);
  if (node == nullptr) return false;
  volumeTree->setCurrentItem(node);
  const QString text = node->text(0);
  return IsRemovableNodeText(text) || IsVexoNodeText(text);
}

void MainWindow::startEntryDrag() {
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const Selection& s = resolved.selection;
  dragSource = {s.disk, s.category, s.filename, s.entry};
}

void MainWindow::entriesChanged() { ListEntries(); }

void MainWindow::copyTargetLoaded() {
  if (copyDropNode_) showVolumeNode(copyDropNode_);
  else ListEntries();
}

}  // namespace vexo
