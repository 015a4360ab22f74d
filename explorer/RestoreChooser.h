#pragma once
// "Modify entries to be restored": the entries of an image archive, checked to be restored,
// renamed or moved to another category before anything is written, and below them the
// archive's Common Storage Area, checked to be restored or not.

#include <QDialog>

#include "transfer/Restore.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vexo {

class DialogSeam;
class RestoreItemDialog;

class RestoreChooser : public QDialog {
  Q_OBJECT
 public:
  RestoreChooser(DialogSeam& dialogs, RestoreItemDialog& itemDialog, QWidget* parent = nullptr);

  // Shows the list; true when closed with "Restore Checked", the choices written into it.
  bool choose(RestoreList& list);

  void checkAll();
  void uncheckAll();
  // Asks for a category and moves every checked item into it.
  void changeCheckedCategory();
  // The current item's category and file name, through the "Rename Entry" dialog.
  void renameCurrentItem();

 private:
  void showItems(const RestoreList& list);
  void takeChecks();

  QListWidget* itemList;
  QCheckBox* csaCheck;  // the archive's Common Storage Area, when it has one
  QLabel* hintLabel;
  QPushButton* checkAllButton;
  QPushButton* changeCategoryButton;
  QPushButton* uncheckAllButton;
  QPushButton* restoreButton;
  QPushButton* cancelButton;

  DialogSeam& dialogs_;
  RestoreItemDialog& itemDialog_;
  RestoreList* list_ = nullptr;
};

}  // namespace vexo
