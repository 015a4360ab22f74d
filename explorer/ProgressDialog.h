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

class ProgressDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressDialog(QWidget* parent = nullptr);

  std::function<void()> onCancel;
  // Shows the dialog ready for a new operation.
  void start();
  void setLabel(const QString& text);
  // The bar runs from 0 to `maximum`.
  void setRange(int maximum);
  void setPosition(int position);
  void setFigures(const QString& text);

 public slots:
  void reject() override;  // Esc

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void requestCancel();

  QProgressBar* bar;
  QLabel* label;
  QLabel* figures;
  QPushButton* cancelButton;
};

}  // namespace vexo
