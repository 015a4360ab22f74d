#include "explorer/CutTextTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace vexo {

bool CutTextTips::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                            const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QRect room = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                         .intersected(view->viewport()->rect());
  if (item.fontMetrics.horizontalAdvance(item.text) > room.width()) {
    QToolTip::showText(event->globalPos(), item.text, view);
  } else {
    QToolTip::hideText();
  }
  return true;
}

}  // namespace vexo
