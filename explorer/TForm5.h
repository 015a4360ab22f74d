#pragma once
// "Vexo File system Diagnostics": the summary line and the grid of all 512 slot headers.

#include <QDialog>

class QLabel;
class QTableWidget;

namespace vexo {

struct Diagnostics;

class TForm5 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);
  void fill(const Diagnostics& diagnostics);
  QLabel* Label1;
  QTableWidget* StringGrid1;
};

}  // namespace vexo
