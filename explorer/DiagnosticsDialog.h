#pragma once
// "Vexo File system Diagnostics": the summary line, the grid of all 512 slot headers, the
// programs that do not match their checksums, and a Repair button for a chain out of step.

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace vexo {

struct Diagnostics;
struct ProgramFinding;

class DiagnosticsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DiagnosticsDialog(QWidget* parent = nullptr);
  // `repairable`: a repair would change the chain (the button is enabled only then).
  void fill(const Diagnostics& diagnostics, const std::vector<ProgramFinding>& programs,
            bool repairable);
  // What the Repair button does; the window fills the dialog again after it.
  std::function<void()> onRepair;

 private:
  QLabel* summaryLabel;
  QTableWidget* headerGrid;
  QListWidget* programFindings;
  QPushButton* repairButton;
};

}  // namespace vexo
