#include "explorer/InputGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace vexo {
namespace {

bool IsPersonsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

InputGuard::InputGuard(QWidget* guarded) : QObject(guarded), guarded_(guarded) {
  QCoreApplication::instance()->installEventFilter(this);
}

InputGuard::~InputGuard() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event) {
  if (!active_ || !IsPersonsInput(event->type())) return false;
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != guarded_) return false;
  // A close that is not refused closes the window all the same.
  event->ignore();
  return true;
}

}  // namespace vexo
