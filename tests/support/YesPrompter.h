#pragma once
// A Prompter that shows nothing and answers every question with yes (OK, Yes): the core alone,
// for the benchmarks and the fuzz targets.

#include "disk/Prompter.h"

namespace vexo::testing {

class YesPrompter : public Prompter {
 public:
  void message(const std::string&) override {}
  Answer ask(const std::string&, Buttons buttons, Answer, Tone) override {
    return buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string& initial) override {
    return initial;
  }
  void progressBegin(const std::string&, std::uint64_t, ProgressUnit) override {}
  void progressLabel(const std::string&) override {}
  void progressStep() override {}
  void progressSet(std::uint64_t) override {}
  void progressEnd() override {}
  void busy(bool) override {}
  void pump() override {}
};

}  // namespace vexo::testing
