#include "cli/Arguments.h"

namespace vexo {

std::optional<std::string> Arguments::value(const std::string& option) const {
  auto it = options.find(option);
  if (it == options.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Arguments::values(const std::string& option) const {
  auto it = options.find(option);
  return it == options.end() ? std::vector<std::string>{} : it->second;
}

std::optional<Arguments> ParseArguments(const std::vector<std::string>& words,
                                        const CommandSyntax& syntax, std::string& error) {
  Arguments args;
  bool onlyPositional = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (onlyPositional || word.size() < 2 || word[0] != '-') {
      args.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      onlyPositional = true;
      continue;
    }
    std::string name = word;
    std::optional<std::string> inlineValue;
    if (const std::size_t eq = word.find('='); word.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = word.substr(0, eq);
      inlineValue = word.substr(eq + 1);
    }
    if (syntax.flags.count(name) && !inlineValue) {
      args.flags.insert(name);
    } else if (syntax.options.count(name)) {
      if (!inlineValue) {
        if (i + 1 >= words.size()) {
          error = name + " needs a value";
          return std::nullopt;
        }
        inlineValue = words[++i];
      }
      args.options[name].push_back(*inlineValue);
    } else {
      error = "unknown option " + word;
      return std::nullopt;
    }
  }
  if (args.positional.size() < syntax.minPositional) {
    error = "missing arguments";
    return std::nullopt;
  }
  if (args.positional.size() > syntax.maxPositional) {
    error = "too many arguments";
    return std::nullopt;
  }
  return args;
}

}  // namespace vexo
