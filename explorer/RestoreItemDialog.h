#pragma once
// "Rename Entry": the category and file name of one entry to be restored.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vexo {

class RestoreItemDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RestoreItemDialog(QWidget* parent = nullptr);
  // The values the boxes start with, and what they hold once closed.
  void setItem(const QString& category, const QString& filename);
  QString category() const;
  QString filename() const;

 private:
  QLineEdit* categoryEdit;
  QLineEdit* filenameEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;
};

}  // namespace vexo
