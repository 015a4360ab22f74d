#pragma once
// The Prompter of `vexo`: messages and questions on standard error, answers from the terminal,
// from --yes/--no, or, without a terminal, the default button.

#include <chrono>
#include <iosfwd>

#include "disk/ProgressMeter.h"
#include "disk/Prompter.h"

namespace vexo {

enum class AnswerPolicy { Ask, Yes, No };

class TerminalPrompter : public Prompter {
 public:
  // `terminal`: `err` is a terminal, and so is standard input for answers.
  TerminalPrompter(AnswerPolicy policy, bool quiet, std::ostream& err, bool terminal);
  ~TerminalPrompter() override;

  void message(const std::string& text) override;
  Answer ask(const std::string& text, Buttons buttons, Answer preferred, Tone tone) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;

  void progressBegin(const std::string& label, std::uint64_t maximum, ProgressUnit unit) override;
  void progressLabel(const std::string& label) override;
  void progressStep() override;
  void progressSet(std::uint64_t position) override;
  void progressEnd() override;

  void busy(bool) override {}
  void pump() override {}
  // Ctrl-C or SIGTERM.
  bool cancelRequested() const override;

 private:
  void drawProgress(bool force);
  void clearProgressLine();

  AnswerPolicy policy_;
  std::ostream& err_;
  bool interactive_;
  bool showProgress_;
  bool progressShown_ = false;
  bool lineDrawn_ = false;
  std::string label_;
  ProgressMeter meter_;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace vexo
