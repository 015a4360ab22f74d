#pragma once
// The one way the core talks to the person at the keyboard: the window implements it with
// dialogs, `vexo` with the terminal, the tests with a scripted fake. Texts arrive exactly as
// the system writes them (UTF-8).

#include <cstdint>
#include <optional>
#include <string>

namespace vexo {

enum class Buttons { OkCancel, YesNo, YesCancel };
enum class Answer { Ok, Cancel, Yes, No };
enum class Tone { Confirmation, Warning };

// What a progress count counts, so that amounts and the time left can be shown.
enum class ProgressUnit { Sectors, Bytes };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A modal message with an OK button.
  virtual void message(const std::string& text) = 0;
  // A question with a fixed set of buttons; `preferred` is the default button.
  virtual Answer ask(const std::string& text, Buttons buttons, Answer preferred,
                     Tone tone = Tone::Confirmation) = 0;
  // A line of text, or nothing when the person cancels.
  virtual std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                           const std::string& initial) = 0;

  // The progress dialog: shown by begin, hidden by end.
  virtual void progressBegin(const std::string& label, std::uint64_t maximum,
                             ProgressUnit unit = ProgressUnit::Sectors) = 0;
  virtual void progressLabel(const std::string& label) = 0;
  virtual void progressStep() = 0;
  virtual void progressSet(std::uint64_t position) = 0;
  virtual void progressEnd() = 0;

  // The hourglass cursor.
  virtual void busy(bool on) = 0;
  // Lets the window repaint between sectors; implementations throttle it.
  virtual void pump() = 0;

  // True once the person has asked to stop (the progress dialog's Cancel, Ctrl-C). Operations
  // look at it where stopping leaves the card consistent, and stop there without a message.
  virtual bool cancelRequested() const { return false; }
};

}  // namespace vexo
