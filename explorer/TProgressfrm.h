#pragma once
// "Progress": a bar with a one-line label under it, shown without being modal, on top.

#include <QDialog>

class QLabel;
class QProgressBar;

namespace vexo {

class TProgressfrm : public QDialog {
  Q_OBJECT
 public:
  explicit TProgressfrm(QWidget* parent = nullptr);
  QProgressBar* ProgressBar1;
  QLabel* Label1;
};

}  // namespace vexo
