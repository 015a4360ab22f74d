#include "explorer/TProgressfrm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexo {

TProgressfrm::TProgressfrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
  setWindowTitle("Progress");
  setObjectName("TProgressfrm");
  setModal(false);
  setFixedSize(460, 112);  // room for the figures of a long operation
  auto* layout = new QVBoxLayout(this);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  figures = new QLabel(this);
  figures->setObjectName("progressFigures");
  figures->setAlignment(Qt::AlignCenter);
  cancelButton = new QPushButton("Cancel", this);
  cancelButton->setObjectName("progressCancel");
  cancelButton->setAutoDefault(false);
  layout->addWidget(ProgressBar1);
  layout->addWidget(Label1);
  layout->addWidget(figures);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cancelButton);
  layout->addLayout(row);
  connect(cancelButton, &QPushButton::clicked, this, [this] { requestCancel(); });
}

void TProgressfrm::start() {
  cancelButton->setEnabled(true);
  cancelButton->setText("Cancel");
  figures->clear();
  show();
  raise();
}

void TProgressfrm::requestCancel() {
  if (!cancelButton->isEnabled()) return;
  cancelButton->setEnabled(false);
  cancelButton->setText("Stopping\u2026");
  if (onCancel) onCancel();
}

void TProgressfrm::reject() { requestCancel(); }

void TProgressfrm::closeEvent(QCloseEvent* event) {
  event->ignore();
  requestCancel();
}

}  // namespace vexo
