#pragma once
// "Rename": a new file name and the four descriptions of an entry.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vexo {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
  QLabel* Label1;
  QLineEdit* Edit2;  // file name
  QLabel* Label2;
  QLineEdit* Edit1;  // descriptions 1 to 4, top to bottom
  QLineEdit* Edit3;
  QLineEdit* Edit4;
  QLineEdit* Edit5;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

}  // namespace vexo
