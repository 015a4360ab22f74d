#pragma once
// "Modify entries to be restored": the entries of an image archive, checked to be restored,
// renamed or moved to another category before anything is written.

#include <QDialog>

#include "transfer/Restore.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vexo {

class DialogSeam;
class TForm6;

class TForm7 : public QDialog {
  Q_OBJECT
 public:
  TForm7(DialogSeam& dialogs, TForm6& renameEntry, QWidget* parent = nullptr);

  // Shows the list; true when closed with "Restore Checked", the choices written into it.
  bool choose(RestoreList& list);

  void BitBtn3Click();  // Check All
  void BitBtn4Click();  // Uncheck All
  void BitBtn5Click();  // Change Checked Category
  void CheckListBox1DblClick();

  QListWidget* CheckListBox1;
  QLabel* Label1;
  QPushButton* BitBtn3;
  QPushButton* BitBtn5;
  QPushButton* BitBtn4;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 private:
  void show(const RestoreList& list);
  void takeChecks();

  DialogSeam& dialogs_;
  TForm6& renameEntry_;
  RestoreList* list_ = nullptr;
};

}  // namespace vexo
