#include "explorer/DiagnosticsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "volume/Diagnostics.h"
#include "volume/ProgramChecks.h"

namespace vexo {

DiagnosticsDialog::DiagnosticsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm5");
  setWindowTitle("Vexo File system Diagnostics");
  resize(817, 378);
  auto* layout = new QVBoxLayout(this);
  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName("Label1");
  QFont bold("Tahoma");
  bold.setPixelSize(16);
  bold.setBold(true);
  summaryLabel->setFont(bold);
  headerGrid = new QTableWidget(kDiagnosticsRows - 1, kDiagnosticsColumns, this);
  headerGrid->setObjectName("StringGrid1");
  headerGrid->verticalHeader()->hide();
  headerGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const int widths[kDiagnosticsColumns] = {48, 105, 97, 64, 64, 64, 64, 64, 64, 64, 64};
  for (int c = 0; c < kDiagnosticsColumns; ++c) headerGrid->setColumnWidth(c, widths[c]);
  programFindings = new QListWidget(this);
  programFindings->setObjectName("programFindings");
  programFindings->setMaximumHeight(90);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  repairButton = buttons->addButton("Repair", QDialogButtonBox::ActionRole);
  repairButton->setObjectName("repairButton");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(repairButton, &QPushButton::clicked, this, [this] {
    if (onRepair) onRepair();
  });
  layout->addWidget(summaryLabel);
  layout->addWidget(headerGrid, 1);
  layout->addWidget(programFindings);
  layout->addWidget(buttons);
}

void DiagnosticsDialog::fill(const Diagnostics& d, const std::vector<ProgramFinding>& programs,
                             bool repairable) {
  QStringList titles;
  for (const std::string& title : d.cells[0]) titles << QString::fromStdString(title);
  headerGrid->setHorizontalHeaderLabels(titles);
  for (int row = 1; row < kDiagnosticsRows; ++row) {
    for (int column = 0; column < kDiagnosticsColumns; ++column) {
      const std::string& text = d.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
      headerGrid->setItem(row - 1, column, new QTableWidgetItem(QString::fromStdString(text)));
    }
  }
  summaryLabel->setText(QString::fromStdString(d.summary));
  QPalette palette = summaryLabel->palette();  // red too when a program does not match
  palette.setColor(QPalette::WindowText, d.alarming || !programs.empty() ? Qt::red : Qt::black);
  summaryLabel->setPalette(palette);
  programFindings->clear();
  for (const ProgramFinding& finding : programs) programFindings->addItem(QString::fromStdString(finding.text));
  programFindings->setVisible(!programs.empty());
  repairButton->setEnabled(repairable);
}

}  // namespace vexo
