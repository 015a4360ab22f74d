#pragma once
// "Progress": a bar with a one-line label under it, the figures (percentage, amount done,
// rate, time left) and a Cancel button; shown on top. Cancel, Esc and the window's close ask
// the operation to stop at its next safe point; the dialog stays until it has.

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vexo {

class TProgressfrm : public QDialog {
  Q_OBJECT
 public:
  explicit TProgressfrm(QWidget* parent = nullptr);
  QProgressBar* ProgressBar1;
  QLabel* Label1;
  QLabel* figures;
  QPushButton* cancelButton;

  std::function<void()> onCancel;
  // Shows the dialog ready for a new operation.
  void start();

 public slots:
  void reject() override;  // Esc

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void requestCancel();
};

}  // namespace vexo
