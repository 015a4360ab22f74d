#include "cli/TerminalPrompter.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "cli/Interrupt.h"

namespace vexo {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

const char* ButtonName(Answer a) {
  switch (a) {
    case Answer::Ok: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
  }
  return "";
}

// The button that says yes, and the one that says no, of a button set.
Answer Affirmative(Buttons b) { return b == Buttons::OkCancel ? Answer::Ok : Answer::Yes; }
Answer Negative(Buttons b) { return b == Buttons::YesNo ? Answer::No : Answer::Cancel; }

}  // namespace

TerminalPrompter::TerminalPrompter(AnswerPolicy policy, bool quiet, std::ostream& err,
                                   bool terminal)
    : policy_(policy),
      err_(err),
      interactive_(terminal && ::isatty(STDIN_FILENO)),
      showProgress_(!quiet && terminal) {}

TerminalPrompter::~TerminalPrompter() { clearProgressLine(); }

void TerminalPrompter::message(const std::string& text) {
  clearProgressLine();
  err_ << text << std::endl;
}

Answer TerminalPrompter::ask(const std::string& text, Buttons buttons, Answer preferred, Tone) {
  clearProgressLine();
  const Answer yes = Affirmative(buttons);
  const Answer no = Negative(buttons);
  err_ << text << " [" << ButtonName(yes) << "/" << ButtonName(no) << ", default "
            << ButtonName(preferred) << "] ";
  Answer answer = preferred;
  if (policy_ == AnswerPolicy::Yes) {
    answer = yes;
  } else if (policy_ == AnswerPolicy::No) {
    answer = no;
  } else if (interactive_) {
    std::string line;
    std::getline(std::cin, line);
    const char c = line.empty() ? '\0' : static_cast<char>(std::tolower(line[0]));
    if (c == 'y' || c == 'o') answer = yes;
    else if (c == 'n' || c == 'c') answer = no;
  }
  err_ << ButtonName(answer) << std::endl;
  return answer;
}

std::optional<std::string> TerminalPrompter::input(const std::string& caption,
                                                   const std::string& prompt,
                                                   const std::string& initial) {
  clearProgressLine();
  err_ << caption << ": " << prompt << " [" << initial << "] ";
  if (policy_ == AnswerPolicy::No) {
    err_ << "Cancel" << std::endl;
    return std::nullopt;
  }
  if (policy_ == AnswerPolicy::Ask && interactive_) {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line.empty() ? initial : line;
  }
  err_ << initial << std::endl;
  return initial;
}

bool TerminalPrompter::cancelRequested() const { return InterruptRequested(); }

void TerminalPrompter::progressBegin(const std::string& label, std::uint64_t maximum,
                                     ProgressUnit unit) {
  label_ = label;
  meter_.begin(maximum, unit);
  progressShown_ = true;
  drawProgress(true);
}

void TerminalPrompter::progressLabel(const std::string& label) {
  label_ = label;
  drawProgress(true);
}

void TerminalPrompter::progressStep() {
  meter_.step();
  drawProgress(false);
}

void TerminalPrompter::progressSet(std::uint64_t position) {
  meter_.set(position);
  drawProgress(false);
}

void TerminalPrompter::progressEnd() {
  clearProgressLine();
  progressShown_ = false;
}

void TerminalPrompter::drawProgress(bool force) {
  if (!showProgress_ || !progressShown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  err_ << "\r\033[K" << label_ << "  " << meter_.figures() << std::flush;
  lineDrawn_ = true;
}

void TerminalPrompter::clearProgressLine() {
  if (!lineDrawn_) return;
  err_ << "\r\033[K" << std::flush;
  lineDrawn_ = false;
}

}  // namespace vexo
