#include "explorer/TProgressfrm.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace vexo {

TProgressfrm::TProgressfrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
  setWindowTitle("Progress");
  setModal(false);
  setFixedSize(315, 66);
  auto* layout = new QVBoxLayout(this);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setTextVisible(false);
  Label1 = new QLabel(this);
  Label1->setAlignment(Qt::AlignCenter);
  layout->addWidget(ProgressBar1);
  layout->addWidget(Label1);
}

}  // namespace vexo
