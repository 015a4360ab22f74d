#pragma once
// "Rename Entry": the category and file name of one entry to be restored.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vexo {

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
  QLineEdit* Edit2;  // category
  QLineEdit* Edit1;  // file name
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

}  // namespace vexo
