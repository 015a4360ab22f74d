#pragma once
// A Prompter for tests: records every text it is shown and answers from a queue (the default
// button when the queue is empty).

#include <deque>
#include <string>
#include <vector>

#include "disk/Prompter.h"

namespace vexo::testing {

class ScriptedPrompter : public Prompter {
 public:
  struct Question {
    std::string text;
    Buttons buttons;
    Answer preferred;
    Tone tone;
  };

  std::vector<std::string> messages;
  std::vector<Question> questions;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> inputs;
  std::vector<std::string> inputPrompts;  // caption + "|" + prompt + "|" + initial
  std::vector<std::string> progressLabels;
  std::uint64_t progressMaximum = 0;
  std::uint64_t progressPosition = 0;
  bool progressVisible = false;
  int progressShown = 0;
  ProgressUnit progressUnit = ProgressUnit::Sectors;
  int pumps = 0;
  bool busyNow = false;
  bool cancelled = false;
  std::uint64_t cancelAtPosition = ~std::uint64_t{0};
  int cancelAtPump = 0;

  void message(const std::string& text) override { messages.push_back(text); }
  Answer ask(const std::string& text, Buttons buttons, Answer preferred, Tone tone) override {
    questions.push_back({text, buttons, preferred, tone});
    if (answers.empty()) return preferred;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override {
    inputPrompts.push_back(caption + "|" + prompt + "|" + initial);
    if (inputs.empty()) return initial;
    auto a = inputs.front();
    inputs.pop_front();
    return a;
  }
  void progressBegin(const std::string& label, std::uint64_t maximum, ProgressUnit unit) override {
    progressLabels.push_back(label);
    progressMaximum = maximum;
    progressUnit = unit;
    progressPosition = 0;
    progressVisible = true;
    ++progressShown;
  }
  void progressLabel(const std::string& label) override { progressLabels.push_back(label); }
  void progressStep() override { ++progressPosition; }
  void progressSet(std::uint64_t position) override { progressPosition = position; }
  void progressEnd() override { progressVisible = false; }
  void busy(bool on) override { busyNow = on; }
  void pump() override { ++pumps; }
  // Cancel is pressed once the progress bar reaches `cancelAtPosition` (in its own unit), at
  // the `cancelAtPump`-th pump, or when `cancelled` is set.
  bool cancelRequested() const override {
    return cancelled || (progressVisible && progressPosition >= cancelAtPosition) ||
           (cancelAtPump > 0 && pumps >= cancelAtPump);
  }
};

}  // namespace vexo::testing
