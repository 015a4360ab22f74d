#pragma once
// "Vexo File system Diagnostics": the summary line and the grid of all 512 slot headers.

#include <QDialog>

class QLabel;
class QTableWidget;

namespace vexo {

struct Diagnostics;

class DiagnosticsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DiagnosticsDialog(QWidget* parent = nullptr);
  void fill(const Diagnostics& diagnostics);

 private:
  QLabel* summaryLabel;
  QTableWidget* headerGrid;
};

}  // namespace vexo
