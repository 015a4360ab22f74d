#include "explorer/PropertiesDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "volume/Directory.h"
#include "volume/EntryMaintenance.h"

namespace vexo {

PropertiesDialog::PropertiesDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm4");
  setWindowTitle("Properties");
  setFixedSize(244, 312);
  auto* grid = new QGridLayout(this);
  const auto blank = EntryProperties(BlankHeader());
  for (int row = 0; row < static_cast<int>(blank.size()); ++row) {
    captions << new QLabel(QString::fromStdString(blank[static_cast<std::size_t>(row)].first), this);
    values << new QLabel(this);
    captions.back()->setObjectName("propertyCaption");
    values.back()->setObjectName("propertyValue");
    grid->addWidget(captions.back(), row, 0);
    grid->addWidget(values.back(), row, 1);
  }
  okButton = new QPushButton("OK", this);
  okButton->setObjectName("BitBtn1");
  grid->addWidget(okButton, static_cast<int>(blank.size()), 0, 1, 2, Qt::AlignCenter);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void PropertiesDialog::setEntry(const Directory* directory, int slot) {
  directory_ = directory;
  slot_ = slot;
}

void PropertiesDialog::showEvent(QShowEvent* event) {
  if (directory_ != nullptr && slot_ >= 1 && slot_ <= kSlotCount) {
    const auto lines = EntryProperties(directory_->header(slot_));
    for (int i = 0; i < values.size(); ++i)
      values[i]->setText(QString::fromStdString(lines[static_cast<std::size_t>(i)].second));
  }
  QDialog::showEvent(event);
}

}  // namespace vexo
