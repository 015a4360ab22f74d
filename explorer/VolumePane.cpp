// The volume pane: what the tree and list selection names, the entry list, clicks and menus.

#include <QTreeWidget>

#include "explorer/ImageList.h"
#include "explorer/TForm2.h"
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
  if (volume->disk != dir.vexodrv && !dir.LoadDirectory(volume->disk, volume->drive, true))
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
  dir.CheckChain();
  ListView1->clear();
  const Resolved resolved = ResolveSelection();
  if (!resolved.success) return;
  QList<QTreeWidgetItem*> items;
  for (const EntryRow& row : dir.ChainEntries(resolved.selection.category)) {
    auto* item = new QTreeWidgetItem(
        {QString::fromStdString(row.filename), QString::fromStdString(row.modified),
         QString::fromStdString(row.desc1), QString::fromStdString(row.desc2),
         QString::fromStdString(row.desc3), QString::fromStdString(row.desc4)});
    item->setIcon(0, ImageList1.value(kImageEntry));
    items << item;
  }
  ListView1->addTopLevelItems(items);
}

void TForm2::TreeView1Click() { ListEntries(); }

bool TForm2::TreeView1ContextPopup(const QPoint& pos) {
  QTreeWidgetItem* node = TreeView1->itemAt(pos);
  if (node == nullptr) return false;
  TreeView1->setCurrentItem(node);
  const QString text = node->text(0);
  return text.startsWith("Removable Disk") || text.startsWith("Vexo");
}

void TForm2::ListView1StartDrag() {
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  srcdrive = resolved.selection.disk;
  srcfolder = QString::fromStdString(resolved.selection.category);
  srcname = QString::fromStdString(resolved.selection.filename);
  srcentry = resolved.selection.entry;
}

void TForm2::entriesChanged() { ListEntries(); }

void TForm2::copyTargetLoaded() {
  if (copyDropNode_) TreeView1->setCurrentItem(copyDropNode_);
  ListEntries();
}

}  // namespace vexo
