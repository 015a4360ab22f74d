// The volume pane: what the tree and list selection names, the entry list, clicks and menus.
// The entry list always shows the volume tree's current node, so that every command acts on
// the card and category whose entries the person sees.

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include "explorer/ImageList.h"
#include "explorer/NodeTexts.h"
#include "explorer/TForm2.h"
#include "volume/CardName.h"
#include "volume/NodePath.h"

namespace vexo {

TForm2::Resolved TForm2::ResolveSelection() {
  Resolved result;
  QTreeWidgetItem* node = TreeView1->currentItem();
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
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (!selected.isEmpty()) {
    // The first selected in list order.
    QTreeWidgetItem* first = selected.front();
    for (QTreeWidgetItem* item : selected)
      if (ListView1->indexOfTopLevelItem(item) < ListView1->indexOfTopLevelItem(first)) first = item;
    result.selection.filename = first->text(0).toStdString();
    result.selection.entry = dir.FindListedEntry(volume->category, result.selection.filename);
  }
  result.success = true;
  return result;
}

void TForm2::ListEntries() {
  OperationScope operation(access);
  ListView1->clear();
  const Resolved resolved = ResolveSelection();
  // The chain of the volume listed is checked, not that of whichever directory was read last.
  if (resolved.success) dir.CheckChain();
  QList<QTreeWidgetItem*> items;
  if (resolved.success) {
    for (const EntryRow& row : dir.ChainEntries(resolved.selection.category)) {
      auto* item = new QTreeWidgetItem(
          {QString::fromStdString(row.filename), QString::fromStdString(row.modified),
           QString::fromStdString(row.desc1), QString::fromStdString(row.desc2),
           QString::fromStdString(row.desc3), QString::fromStdString(row.desc4)});
      item->setIcon(0, ImageList1.value(kImageEntry));
      items << item;
    }
  }
  ListView1->addTopLevelItems(items);
  showListedVolume(resolved, static_cast<int>(items.size()));
}

void TForm2::showListedVolume(const Resolved& resolved, int entries) {
  const QTreeWidgetItem* node = TreeView1->currentItem();
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

void TForm2::TreeView1Pressed() {
  clickListed_ = changedByPress_;
  changedByPress_ = false;
}

void TForm2::TreeView1Click() {
  // A click whose press made its node current has listed it already.
  if (clickListed_) {
    clickListed_ = false;
    return;
  }
  ListEntries();
}

void TForm2::TreeView1Changed() {
  changedByPress_ = QApplication::mouseButtons() != Qt::NoButton;
  ListEntries();
}

void TForm2::showVolumeNode(QTreeWidgetItem* node) {
  if (TreeView1->currentItem() == node) {
    ListEntries();
  } else {
    TreeView1->setCurrentItem(node);  // lists it
  }
}

bool TForm2::TreeView1ContextPopup(const QPoint& pos) {
  QTreeWidgetItem* node = TreeView1->itemAt(pos);
  if (node == nullptr) return false;
  TreeView1->setCurrentItem(node);
  const QString text = node->text(0);
  return IsRemovableNodeText(text) || IsVexoNodeText(text);
}

void TForm2::ListView1StartDrag() {
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const Selection& s = resolved.selection;
  dragSource = {s.disk, s.category, s.filename, s.entry};
}

void TForm2::entriesChanged() { ListEntries(); }

void TForm2::copyTargetLoaded() {
  if (copyDropNode_) showVolumeNode(copyDropNode_);
  else ListEntries();
}

}  // namespace vexo
