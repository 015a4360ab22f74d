#include "explorer/TForm7.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/DialogSeam.h"
#include "explorer/TForm6.h"

namespace vexo {

TForm7::TForm7(DialogSeam& dialogs, TForm6& renameEntry, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      dialogs_(dialogs),
      renameEntry_(renameEntry) {
  setWindowTitle("Modify entries to be restored");
  setFixedSize(420, 360);
  auto* layout = new QVBoxLayout(this);
  CheckListBox1 = new QListWidget(this);
  Label1 = new QLabel("Double click Entry to rename", this);
  layout->addWidget(CheckListBox1, 1);
  layout->addWidget(Label1);
  auto* row1 = new QHBoxLayout;
  BitBtn3 = new QPushButton("Check &All", this);
  BitBtn5 = new QPushButton("Change Checked Category", this);
  BitBtn4 = new QPushButton("U&ncheck All", this);
  row1->addWidget(BitBtn3);
  row1->addWidget(BitBtn5);
  row1->addWidget(BitBtn4);
  auto* row2 = new QHBoxLayout;
  BitBtn1 = new QPushButton("Restore Checked", this);
  BitBtn2 = new QPushButton("Cancel", this);
  row2->addWidget(BitBtn1);
  row2->addWidget(BitBtn2);
  layout->addLayout(row1);
  layout->addLayout(row2);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm7::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TForm7::BitBtn4Click);
  connect(BitBtn5, &QPushButton::clicked, this, &TForm7::BitBtn5Click);
  connect(CheckListBox1, &QListWidget::itemDoubleClicked, this, &TForm7::CheckListBox1DblClick);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm7::choose(RestoreList& list) {
  list_ = &list;
  show(list);
  const bool restore = dialogs_.exec(*this) == QDialog::Accepted;
  takeChecks();
  list_ = nullptr;
  return restore;
}

void TForm7::show(const RestoreList& list) {
  CheckListBox1->clear();
  for (const RestoreItem& item : list.items()) {
    auto* row = new QListWidgetItem(QString::fromStdString(item.text), CheckListBox1);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
  }
}

// The check marks the person set go back into the list.
void TForm7::takeChecks() {
  if (!list_) return;
  for (int i = 0; i < CheckListBox1->count(); ++i)
    list_->items()[static_cast<std::size_t>(i)].checked = CheckListBox1->item(i)->checkState() == Qt::Checked;
}

void TForm7::BitBtn3Click() {
  takeChecks();
  if (list_) list_->CheckAll(), show(*list_);
}

void TForm7::BitBtn4Click() {
  takeChecks();
  if (list_) list_->UncheckAll(), show(*list_);
}

void TForm7::BitBtn5Click() {
  if (!list_) return;
  takeChecks();
  const std::optional<QString> category =
      dialogs_.input(this, "Mass Change of Category", "Enter new Category",
                     QString::fromStdString(list_->ProposedCategory()));
  if (!category) return;
  list_->ChangeCheckedCategory(category->toStdString());
  show(*list_);
}

void TForm7::CheckListBox1DblClick() {
  if (!list_ || CheckListBox1->currentRow() < 0) return;
  takeChecks();
  const std::size_t row = static_cast<std::size_t>(CheckListBox1->currentRow());
  const auto [category, filename] = RestoreList::Split(list_->items()[row].text);
  renameEntry_.Edit2->setText(QString::fromStdString(category));
  renameEntry_.Edit1->setText(QString::fromStdString(filename));
  if (dialogs_.exec(renameEntry_) != QDialog::Accepted) return;
  list_->Rename(row, renameEntry_.Edit2->text().toStdString(), renameEntry_.Edit1->text().toStdString());
  show(*list_);
  CheckListBox1->setCurrentRow(static_cast<int>(row));
}

}  // namespace vexo
