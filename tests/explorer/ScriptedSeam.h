#pragma once
// The dialog seam for window tests: records what the window shows and answers from a script.

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "explorer/DialogSeam.h"

namespace vexo::testing {

class ScriptedSeam : public DialogSeam {
 public:
  std::vector<QString> messages;
  std::vector<QString> questions;
  std::deque<Answer> answers;                    // empty: the default button
  std::vector<QString> inputs;                   // caption + "|" + prompt + "|" + initial
  std::deque<QString> inputAnswers;  // empty: OK with the offered text; a null QString: Cancel
  std::vector<QString> dialogs;                  // window titles of the modal dialogs shown
  std::function<int(QDialog&)> onDialog = [](QDialog&) { return int(QDialog::Accepted); };

  void message(QWidget*, const QString& text) override { messages.push_back(text); }
  Answer ask(QWidget*, const QString& text, Buttons, Answer preferred, Tone) override {
    questions.push_back(text);
    if (answers.empty()) return preferred;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> input(QWidget*, const QString& caption, const QString& prompt,
                               const QString& initial) override {
    inputs.push_back(caption + "|" + prompt + "|" + initial);
    if (inputAnswers.empty()) return initial;
    const QString a = inputAnswers.front();
    inputAnswers.pop_front();
    if (a.isNull()) return std::nullopt;
    return a;
  }
  int exec(QDialog& dialog) override {
    dialogs.push_back(dialog.windowTitle());
    return onDialog(dialog);
  }
};

}  // namespace vexo::testing
