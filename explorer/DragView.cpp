#include "explorer/DragView.h"

#include <QDrag>
#include <QPointer>
#include <QTimer>
#include <memory>
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
  dragging_ = true;
  drag->exec(Qt::CopyAction, Qt::CopyAction);
  dragging_ = false;
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
  // What a drop does runs once the drag has ended: a long operation inside it would keep the
  // program the drag came from (a file manager, or this one) waiting, with the drag's data.
  auto carried = std::make_shared<QMimeData>();
  for (const QString& format : event->mimeData()->formats())
    carried->setData(format, event->mimeData()->data(format));
  const QPointer<QWidget> from(ours ? source : nullptr);
  const QPoint pos = event->position().toPoint();
  QTimer::singleShot(0, this, [this, carried, from, ours, pos] {
    if (ours && from.isNull()) return;
    onDrop(ours ? from.data() : nullptr, *carried, pos);
  });
}

}  // namespace vexo
