#include "explorer/RenameDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "explorer/OkCancelRow.h"
#include "volume/SlotHeader.h"

namespace vexo {
namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, std::size_t fieldWidth) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  // What is typed is what is stored: the field less its terminating zero.
  edit->setMaxLength(static_cast<int>(fieldWidth) - 1);
  return edit;
}

}  // namespace

RenameDialog::RenameDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm3");
  setWindowTitle("Rename");
  setFixedSize(235, 225);
  auto* layout = new QVBoxLayout(this);
  filenameLabel = new QLabel("Filename:", this);
  filenameLabel->setObjectName("Label1");
  filenameEdit = MakeEdit(this, "Edit2", kFilename.width);
  descriptionLabel = new QLabel("Description:", this);
  descriptionLabel->setObjectName("Label2");
  desc1Edit = MakeEdit(this, "Edit1", kDesc1.width);
  desc2Edit = MakeEdit(this, "Edit3", kDesc2.width);
  desc3Edit = MakeEdit(this, "Edit4", kDesc3.width);
  desc4Edit = MakeEdit(this, "Edit5", kDesc4.width);
  for (QWidget* w : std::initializer_list<QWidget*>{filenameLabel, filenameEdit, descriptionLabel,
                                                    desc1Edit, desc2Edit, desc3Edit, desc4Edit})
    layout->addWidget(w);
  AddOkCancelRow(this, layout, okButton, cancelButton);
  setTabOrder(filenameEdit, desc1Edit);
  setTabOrder(desc1Edit, desc2Edit);
  setTabOrder(desc2Edit, desc3Edit);
  setTabOrder(desc3Edit, desc4Edit);
}

void RenameDialog::setRequest(const RenameRequest& now) {
  filenameEdit->setText(QString::fromStdString(now.filename));
  desc1Edit->setText(QString::fromStdString(now.desc1));
  desc2Edit->setText(QString::fromStdString(now.desc2));
  desc3Edit->setText(QString::fromStdString(now.desc3));
  desc4Edit->setText(QString::fromStdString(now.desc4));
}

RenameRequest RenameDialog::request() const {
  return {filenameEdit->text().toStdString(), desc1Edit->text().toStdString(),
          desc2Edit->text().toStdString(), desc3Edit->text().toStdString(),
          desc4Edit->text().toStdString()};
}

}  // namespace vexo
