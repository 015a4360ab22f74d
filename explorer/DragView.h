#pragma once
// A tree or list view that takes part in the window's drag and drop: it starts drags of its
// own, and asks the window on every move whether a drag over it is accepted and what a drop
// does. Drags from the desktop's file manager (text/uri-list) arrive the same way, without a
// source view.

#include <QTreeWidget>
#include <functional>

namespace vexo {

inline constexpr const char* kViewDragFormat = "application/x-vexoexplorer-view";

class DragView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit DragView(QWidget* parent = nullptr);

  std::function<void()> onStartDrag;
  // source: the view the drag started from, or null for a drag from outside the program.
  std::function<bool(QWidget* source, const QMimeData& data, const QPoint& pos)> onDragOver;
  std::function<void(QWidget* source, const QMimeData& data, const QPoint& pos)> onDrop;

  // Marks the node a drag hovers over as the drop target, by highlighting it without making it
  // the current node: the entry list keeps showing what it showed, and a drag that is cancelled
  // leaves the selection as it was. Null clears the mark.
  void markDropTarget(QTreeWidgetItem* item);
  // A drag that started here is under way.
  bool dragging() const { return dragging_; }

 protected:
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool decide(QDropEvent* event);
  void restoreSelection();
  bool marked_ = false;
  bool dragging_ = false;
};

}  // namespace vexo
