#include "explorer/RestoreItemDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/OkCancelRow.h"

namespace vexo {

RestoreItemDialog::RestoreItemDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm6");
  setWindowTitle("Rename Entry");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Change filename and or category as required and press ok.", this));
  auto* form = new QFormLayout;
  categoryEdit = new QLineEdit(this);
  categoryEdit->setObjectName("Edit2");
  filenameEdit = new QLineEdit(this);
  filenameEdit->setObjectName("Edit1");
  form->addRow("Category:", categoryEdit);
  form->addRow("Filename:", filenameEdit);
  layout->addLayout(form);
  AddOkCancelRow(this, layout, okButton, cancelButton);
}

void RestoreItemDialog::setItem(const QString& category, const QString& filename) {
  categoryEdit->setText(category);
  filenameEdit->setText(filename);
}

QString RestoreItemDialog::category() const { return categoryEdit->text(); }

QString RestoreItemDialog::filename() const { return filenameEdit->text(); }

}  // namespace vexo
