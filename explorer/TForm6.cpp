#include "explorer/TForm6.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
  auto* buttons = new QHBoxLayout;
  BitBtn1 = new QPushButton("OK", this);
  BitBtn2 = new QPushButton("Cancel", this);
  BitBtn1->setDefault(true);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  layout->addLayout(buttons);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace vexo
