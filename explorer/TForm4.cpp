#include "explorer/TForm4.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "volume/Directory.h"
#include "volume/EntryMaintenance.h"

namespace vexo {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Properties");
  setFixedSize(244, 312);
  auto* grid = new QGridLayout(this);
  const auto blank = EntryProperties(BlankHeader());
  for (int row = 0; row < static_cast<int>(blank.size()); ++row) {
    captions << new QLabel(QString::fromStdString(blank[static_cast<std::size_t>(row)].first), this);
    values << new QLabel(this);
    grid->addWidget(captions.back(), row, 0);
    grid->addWidget(values.back(), row, 1);
  }
  BitBtn1 = new QPushButton("OK", this);
  grid->addWidget(BitBtn1, static_cast<int>(blank.size()), 0, 1, 2, Qt::AlignCenter);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm4::setEntry(const Directory* directory, int slot) {
  directory_ = directory;
  slot_ = slot;
}

void TForm4::showEvent(QShowEvent* event) {
  if (directory_ != nullptr && slot_ >= 1 && slot_ <= kSlotCount) {
    const auto lines = EntryProperties(directory_->header(slot_));
    for (int i = 0; i < values.size(); ++i)
      values[i]->setText(QString::fromStdString(lines[static_cast<std::size_t>(i)].second));
  }
  QDialog::showEvent(event);
}

}  // namespace vexo
