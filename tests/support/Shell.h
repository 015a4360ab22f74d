#pragma once
// What a shell command prints on standard output, without its last line break; its errors
// are dropped. For tests that set up loop devices and the like.

#include <cstdio>
#include <string>

namespace vexo::testing {

inline std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace vexo::testing
