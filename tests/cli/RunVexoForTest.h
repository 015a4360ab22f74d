#pragma once
// Runs `vexo` in the test process and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace vexo::testing {

struct VexoResult {
  int status;
  std::string out;
  std::string err;
};

inline VexoResult Vexo(std::vector<std::string> words) {
  std::ostringstream out, err;
  const int status = RunVexo(words, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace vexo::testing
