#pragma once
// The words after a `vexo` command: positional arguments, flags and options with values.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexo {

struct CommandSyntax {
  std::set<std::string> flags;    // "--force"
  std::set<std::string> options;  // "-c", "--name": take a value, may repeat
  std::size_t minPositional = 0;
  std::size_t maxPositional = 0;
};

struct Arguments {
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::map<std::string, std::vector<std::string>> options;

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& option) const;
  std::vector<std::string> values(const std::string& option) const;
};

// Nothing, with the reason in `error`, when the words do not fit the syntax.
std::optional<Arguments> ParseArguments(const std::vector<std::string>& words,
                                        const CommandSyntax& syntax, std::string& error);

}  // namespace vexo
