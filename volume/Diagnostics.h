#pragma once
// The diagnostics grid: every slot header with its chain links checked against the order the
// sort keys demand, and a one-line summary. Computed from the directory copy alone.

#include <array>
#include <string>
#include <vector>

#include "volume/Directory.h"

namespace vexo {

inline constexpr int kDiagnosticsRows = kSlotCount + 1;  // row 0 holds the titles
inline constexpr int kDiagnosticsColumns = 11;

struct Diagnostics {
  // cells[row][column]; a cell no rule writes is empty.
  std::vector<std::array<std::string, kDiagnosticsColumns>> cells;
  int errors = 0;
  int warnings = 0;
  std::string summary;  // "All ok", or the counts
  bool alarming = false;  // shown in red
};

Diagnostics Diagnose(const Directory& dir);

}  // namespace vexo
