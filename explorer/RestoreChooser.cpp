#include "explorer/RestoreChooser.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/DialogSeam.h"
#include "explorer/RestoreItemDialog.h"

namespace vexo {
namespace {

QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

RestoreChooser::RestoreChooser(DialogSeam& dialogs, RestoreItemDialog& itemDialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      dialogs_(dialogs),
      itemDialog_(itemDialog) {
  setObjectName("TForm7");
  setWindowTitle("Modify entries to be restored");
  setFixedSize(420, 360);
  auto* layout = new QVBoxLayout(this);
  itemList = new QListWidget(this);
  itemList->setObjectName("CheckListBox1");
  csaCheck = new QCheckBox(this);
  csaCheck->setObjectName("csaCheck");
  hintLabel = new QLabel("Double click Entry to rename", this);
  hintLabel->setObjectName("Label1");
  layout->addWidget(itemList, 1);
  layout->addWidget(csaCheck);
  layout->addWidget(hintLabel);
  auto* checkRow = new QHBoxLayout;
  checkAllButton = MakeButton(this, "Check &All", "BitBtn3");
  changeCategoryButton = MakeButton(this, "Change Checked Category", "BitBtn5");
  uncheckAllButton = MakeButton(this, "U&ncheck All", "BitBtn4");
  checkRow->addWidget(checkAllButton);
  checkRow->addWidget(changeCategoryButton);
  checkRow->addWidget(uncheckAllButton);
  auto* closeRow = new QHBoxLayout;
  restoreButton = MakeButton(this, "Restore Checked", "BitBtn1");
  cancelButton = MakeButton(this, "Cancel", "BitBtn2");
  closeRow->addWidget(restoreButton);
  closeRow->addWidget(cancelButton);
  layout->addLayout(checkRow);
  layout->addLayout(closeRow);
  connect(checkAllButton, &QPushButton::clicked, this, &RestoreChooser::checkAll);
  connect(uncheckAllButton, &QPushButton::clicked, this, &RestoreChooser::uncheckAll);
  connect(changeCategoryButton, &QPushButton::clicked, this, &RestoreChooser::changeCheckedCategory);
  connect(itemList, &QListWidget::itemDoubleClicked, this, &RestoreChooser::renameCurrentItem);
  connect(restoreButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool RestoreChooser::choose(RestoreList& list) {
  list_ = &list;
  showItems(list);
  const bool restore = dialogs_.exec(*this) == QDialog::Accepted;
  takeChecks();
  list_ = nullptr;
  return restore;
}

void RestoreChooser::showItems(const RestoreList& list) {
  itemList->clear();
  for (const RestoreItem& item : list.items()) {
    auto* row = new QListWidgetItem(QString::fromStdString(item.text), itemList);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
  }
  csaCheck->setVisible(list.csa.has_value());
  if (list.csa) {
    csaCheck->setText(QString::fromStdString(list.csa->text));
    csaCheck->setChecked(list.csa->checked);
  }
}

// The check marks the person set go back into the list.
void RestoreChooser::takeChecks() {
  if (!list_) return;
  for (int i = 0; i < itemList->count(); ++i)
    list_->items()[static_cast<std::size_t>(i)].checked = itemList->item(i)->checkState() == Qt::Checked;
  if (list_->csa) list_->csa->checked = csaCheck->isChecked();
}

void RestoreChooser::checkAll() {
  takeChecks();
  if (list_) list_->CheckAll(), showItems(*list_);
}

void RestoreChooser::uncheckAll() {
  takeChecks();
  if (list_) list_->UncheckAll(), showItems(*list_);
}

void RestoreChooser::changeCheckedCategory() {
  if (!list_) return;
  takeChecks();
  const std::optional<QString> category =
      dialogs_.input(this, "Mass Change of Category", "Enter new Category",
                     QString::fromStdString(list_->ProposedCategory()));
  if (!category) return;
  list_->ChangeCheckedCategory(category->toStdString());
  showItems(*list_);
}

void RestoreChooser::renameCurrentItem() {
  if (!list_ || itemList->currentRow() < 0) return;
  takeChecks();
  const std::size_t row = static_cast<std::size_t>(itemList->currentRow());
  const auto [category, filename] = RestoreList::Split(list_->items()[row].text);
  itemDialog_.setItem(QString::fromStdString(category), QString::fromStdString(filename));
  if (dialogs_.exec(itemDialog_) != QDialog::Accepted) return;
  list_->Rename(row, itemDialog_.category().toStdString(), itemDialog_.filename().toStdString());
  showItems(*list_);
  itemList->setCurrentRow(static_cast<int>(row));
}

}  // namespace vexo
