#include "explorer/ProgressDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexo {

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
  setWindowTitle("Progress");
  setObjectName("TProgressfrm");
  setModal(false);
  setFixedSize(460, 112);  // room for the figures of a long operation
  auto* layout = new QVBoxLayout(this);
  bar = new QProgressBar(this);
  bar->setObjectName("ProgressBar1");
  bar->setTextVisible(false);
  label = new QLabel(this);
  label->setObjectName("Label1");
  label->setAlignment(Qt::AlignCenter);
  figures = new QLabel(this);
  figures->setObjectName("progressFigures");
  figures->setAlignment(Qt::AlignCenter);
  cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("progressCancel");
  cancelButton->setAutoDefault(false);
  layout->addWidget(bar);
  layout->addWidget(label);
  layout->addWidget(figures);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cancelButton);
  layout->addLayout(row);
  connect(cancelButton, &QPushButton::clicked, this, [this] { requestCancel(); });
}

void ProgressDialog::start() {
  cancelButton->setEnabled(true);
  cancelButton->setText("Cancel");
  figures->clear();
  show();
  raise();
}

void ProgressDialog::setLabel(const QString& text) { label->setText(text); }

void ProgressDialog::setRange(int maximum) { bar->setRange(0, maximum); }

void ProgressDialog::setPosition(int position) { bar->setValue(position); }

void ProgressDialog::setFigures(const QString& text) { figures->setText(text); }

void ProgressDialog::requestCancel() {
  if (!cancelButton->isEnabled()) return;
  cancelButton->setEnabled(false);
  cancelButton->setText("Stopping\u2026");
  if (onCancel) onCancel();
}

void ProgressDialog::reject() { requestCancel(); }

void ProgressDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  requestCancel();
}

}  // namespace vexo
