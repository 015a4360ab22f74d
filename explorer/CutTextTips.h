#pragma once
// Shows an item's whole text as a tooltip where the view has had to cut it short.

#include <QStyledItemDelegate>

namespace vexo {

class CutTextTips : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

}  // namespace vexo
