#pragma once
// The OK and Cancel buttons of a small dialog, in a row at the end of its layout.

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace vexo {

// OK is the default button and accepts; Cancel rejects.
inline void AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel) {
  auto* row = new QHBoxLayout;
  ok = new QPushButton("OK", dialog);
  cancel = new QPushButton("Cancel", dialog);
  ok->setObjectName("BitBtn1");
  cancel->setObjectName("BitBtn2");
  ok->setDefault(true);
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

}  // namespace vexo
