#pragma once
// "Rename": a new file name and the four descriptions of an entry.

#include <QDialog>

#include "volume/EntryMaintenance.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vexo {

class RenameDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RenameDialog(QWidget* parent = nullptr);
  // The values the boxes start with, and what they hold once closed.
  void setRequest(const RenameRequest& now);
  RenameRequest request() const;

 private:
  QLabel* filenameLabel;
  QLineEdit* filenameEdit;
  QLabel* descriptionLabel;
  QLineEdit* desc1Edit;
  QLineEdit* desc2Edit;
  QLineEdit* desc3Edit;
  QLineEdit* desc4Edit;
  QPushButton* okButton;
  QPushButton* cancelButton;
};

}  // namespace vexo
