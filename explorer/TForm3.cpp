#include "explorer/TForm3.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/OkCancelRow.h"
#include "volume/SlotHeader.h"

namespace vexo {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Rename");
  setFixedSize(235, 225);
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel("Filename:", this);
  Edit2 = new QLineEdit(this);
  Label2 = new QLabel("Description:", this);
  Edit1 = new QLineEdit(this);
  Edit3 = new QLineEdit(this);
  Edit4 = new QLineEdit(this);
  Edit5 = new QLineEdit(this);
  for (QWidget* w : std::initializer_list<QWidget*>{Label1, Edit2, Label2, Edit1, Edit3, Edit4, Edit5})
    layout->addWidget(w);
  // What is typed is what is stored: 19 characters of name, 31 of each description.
  Edit2->setMaxLength(static_cast<int>(kFilename.width) - 1);
  for (QLineEdit* description : {Edit1, Edit3, Edit4, Edit5})
    description->setMaxLength(static_cast<int>(kDesc1.width) - 1);
  AddOkCancelRow(this, layout, BitBtn1, BitBtn2);
  setTabOrder(Edit2, Edit1);
  setTabOrder(Edit1, Edit3);
  setTabOrder(Edit3, Edit4);
  setTabOrder(Edit4, Edit5);
}

}  // namespace vexo
