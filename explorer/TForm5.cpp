#include "explorer/TForm5.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "volume/Diagnostics.h"

namespace vexo {

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Vexo File system Diagnostics");
  resize(817, 378);
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  QFont bold("Tahoma");
  bold.setPixelSize(16);
  bold.setBold(true);
  Label1->setFont(bold);
  StringGrid1 = new QTableWidget(kDiagnosticsRows - 1, kDiagnosticsColumns, this);
  StringGrid1->verticalHeader()->hide();
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const int widths[kDiagnosticsColumns] = {48, 105, 97, 64, 64, 64, 64, 64, 64, 64, 64};
  for (int c = 0; c < kDiagnosticsColumns; ++c) StringGrid1->setColumnWidth(c, widths[c]);
  layout->addWidget(Label1);
  layout->addWidget(StringGrid1, 1);
}

void TForm5::fill(const Diagnostics& d) {
  QStringList titles;
  for (const std::string& title : d.cells[0]) titles << QString::fromStdString(title);
  StringGrid1->setHorizontalHeaderLabels(titles);
  for (int row = 1; row < kDiagnosticsRows; ++row) {
    for (int column = 0; column < kDiagnosticsColumns; ++column) {
      const std::string& text = d.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
      StringGrid1->setItem(row - 1, column, new QTableWidgetItem(QString::fromStdString(text)));
    }
  }
  Label1->setText(QString::fromStdString(d.summary));
  QPalette palette = Label1->palette();
  palette.setColor(QPalette::WindowText, d.alarming ? Qt::red : Qt::black);
  Label1->setPalette(palette);
}

}  // namespace vexo
