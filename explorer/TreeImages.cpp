#include "explorer/TreeImages.h"

namespace vexo {
namespace {

QIcon At(const QList<QIcon>& images, int index) {
  return index >= 0 && index < images.size() ? images[index] : QIcon();
}

}  // namespace

void SetNodeImages(QTreeWidgetItem* node, const QList<QIcon>& images, int normal, int selected) {
  node->setData(0, kNormalImageRole, normal);
  node->setData(0, kSelectedImageRole, selected);
  const bool current = node->treeWidget() && node->treeWidget()->currentItem() == node;
  node->setIcon(0, At(images, current ? selected : normal));
}

void FollowSelectionImages(QTreeWidget* tree, const QList<QIcon>& images) {
  QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                   [images](QTreeWidgetItem* now, QTreeWidgetItem* before) {
                     if (before) before->setIcon(0, At(images, before->data(0, kNormalImageRole).toInt()));
                     if (now) now->setIcon(0, At(images, now->data(0, kSelectedImageRole).toInt()));
                   });
}

int NodeImage(const QTreeWidgetItem* node) {
  const QVariant v = node->data(0, kNormalImageRole);
  return v.isValid() ? v.toInt() : -1;
}

}  // namespace vexo
