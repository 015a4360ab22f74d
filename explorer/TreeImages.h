#pragma once
// Tree nodes carry a normal and a selected image from the image list, as the original trees did.

#include <QIcon>
#include <QList>
#include <QTreeWidget>

namespace vexo {

inline constexpr int kNormalImageRole = Qt::UserRole + 1;
inline constexpr int kSelectedImageRole = Qt::UserRole + 2;

void SetNodeImages(QTreeWidgetItem* node, const QList<QIcon>& images, int normal, int selected);
// Shows each node's selected image while it is the current one.
void FollowSelectionImages(QTreeWidget* tree, const QList<QIcon>& images);
// The index a node or item shows when not selected, -1 for none.
int NodeImage(const QTreeWidgetItem* node);

}  // namespace vexo
