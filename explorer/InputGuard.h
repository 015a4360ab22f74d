#pragma once
// While an operation runs, the window keeps repainting but the person's clicks, keys, drops and
// the close button meant for the main window are thrown away: held back and replayed after the
// operation they would act on lists that have changed since. The progress dialog and the
// questions an operation asks take input as usual.

#include <QObject>

namespace vexo {

class InputGuard : public QObject {
  Q_OBJECT
 public:
  explicit InputGuard(QWidget* guarded);
  ~InputGuard() override;

  void setActive(bool active) { active_ = active; }
  bool active() const { return active_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* guarded_;
  bool active_ = false;
};

}  // namespace vexo
