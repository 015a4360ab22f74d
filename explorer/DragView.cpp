#include "explorer/DragView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

namespace vexo {

DragView::DragView(QWidget* parent) : QTreeWidget(parent) {
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  setDropIndicatorShown(false);
}

void DragView::startDrag(Qt::DropActions) {
  if (onStartDrag) onStartDrag();
  auto* mime = new QMimeData;
  mime->setData(kViewDragFormat, objectName().toUtf8());
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool DragView::decide(QDropEvent* event) {
  QWidget* source = qobject_cast<QWidget*>(event->source());
  const bool ours = event->mimeData()->hasFormat(kViewDragFormat) && source != nullptr;
  const bool files = !ours && event->mimeData()->hasUrls();
  if (!(ours || files) || !onDragOver ||
      !onDragOver(ours ? source : nullptr, *event->mimeData(), event->position().toPoint())) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

void DragView::dragEnterEvent(QDragEnterEvent* event) {
  // Entering is always let through, so that the moves that decide arrive.
  if (event->mimeData()->hasFormat(kViewDragFormat) || event->mimeData()->hasUrls()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    decide(event);
    event->accept();
  } else {
    event->ignore();
  }
}

void DragView::dragMoveEvent(QDragMoveEvent* event) { decide(event); }

void DragView::markDropTarget(QTreeWidgetItem* item) {
  marked_ = true;
  if (item == nullptr) {
    selectionModel()->clearSelection();
    return;
  }
  selectionModel()->select(indexFromItem(item), QItemSelectionModel::ClearAndSelect);
}

void DragView::restoreSelection() {
  if (!marked_) return;
  marked_ = false;
  if (QTreeWidgetItem* current = currentItem())
    selectionModel()->select(indexFromItem(current), QItemSelectionModel::ClearAndSelect);
  else
    selectionModel()->clearSelection();
}

void DragView::dragLeaveEvent(QDragLeaveEvent* event) {
  restoreSelection();
  event->accept();
}

void DragView::dropEvent(QDropEvent* event) {
  const bool accepted = decide(event);
  restoreSelection();
  if (!accepted || !onDrop) return;
  QWidget* source = qobject_cast<QWidget*>(event->source());
  const bool ours = event->mimeData()->hasFormat(kViewDragFormat) && source != nullptr;
  onDrop(ours ? source : nullptr, *event->mimeData(), event->position().toPoint());
}

}  // namespace vexo
