#include "explorer/TForm6.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/OkCancelRow.h"

namespace vexo {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Rename Entry");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Change filename and or category as required and press ok.", this));
  auto* form = new QFormLayout;
  Edit2 = new QLineEdit(this);
  Edit1 = new QLineEdit(this);
  form->addRow("Category:", Edit2);
  form->addRow("Filename:", Edit1);
  layout->addLayout(form);
  AddOkCancelRow(this, layout, BitBtn1, BitBtn2);
}

}  // namespace vexo
