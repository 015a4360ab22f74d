#include "explorer/WindowPrompter.h"

#include <QApplication>
#include <QCursor>

#include <climits>

namespace vexo {
namespace {

constexpr qint64 kPumpIntervalMs = 16;
constexpr qint64 kFiguresIntervalMs = 250;

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

WindowPrompter::WindowPrompter(QWidget* owner, DialogSeam& dialogs)
    : owner_(owner), dialogs_(dialogs), guard_(owner) {}

void WindowPrompter::setProgressDialog(ProgressDialog* progress) {
  progress_ = progress;
  if (progress_) progress_->onCancel = [this] { requestCancel(); };
}

void WindowPrompter::message(const std::string& text) { dialogs_.message(owner_, Text(text)); }

Answer WindowPrompter::ask(const std::string& text, Buttons buttons, Answer preferred, Tone tone) {
  return dialogs_.ask(owner_, Text(text), buttons, preferred, tone);
}

std::optional<std::string> WindowPrompter::input(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
  const std::optional<QString> text = dialogs_.input(owner_, Text(caption), Text(prompt), Text(initial));
  if (!text) return std::nullopt;
  return text->toStdString();
}

void WindowPrompter::progressBegin(const std::string& label, std::uint64_t maximum,
                                   ProgressUnit unit) {
  meter_.begin(maximum, unit);
  shift_ = 0;
  if (!awake_) awake_ = std::make_unique<SleepInhibitor>();
  while ((maximum >> shift_) > static_cast<std::uint64_t>(INT_MAX)) ++shift_;
  if (!progress_) return;
  progress_->setLabel(Text(label));
  progress_->setRange(static_cast<int>(maximum >> shift_));
  progress_->setPosition(0);
  if (!progress_->isVisible()) progress_->start();
  showPosition(true);
  sincePump_.invalidate();
  pump();
}

void WindowPrompter::progressLabel(const std::string& label) {
  if (progress_) progress_->setLabel(Text(label));
}

void WindowPrompter::progressStep() {
  meter_.step();
  showPosition(false);
}

void WindowPrompter::progressSet(std::uint64_t position) {
  meter_.set(position);
  showPosition(false);
}

void WindowPrompter::showPosition(bool force) {
  if (!progress_) return;
  progress_->setPosition(
      static_cast<int>(std::min(meter_.position(), meter_.maximum()) >> shift_));
  // The figures change with every percent, and the rate and time left at least every so often.
  const unsigned percent = meter_.percent();
  if (!force && percent == shownPercent_ && sinceFigures_.isValid() &&
      sinceFigures_.elapsed() < kFiguresIntervalMs)
    return;
  shownPercent_ = percent;
  sinceFigures_.start();
  progress_->setFigures(Text(meter_.figures()));
}

void WindowPrompter::progressEnd() {
  if (progress_) progress_->hide();
  awake_.reset();
}

void WindowPrompter::busy(bool on) {
  if (on) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

void WindowPrompter::pump() {
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  sincePump_.start();
  // Inside a job the guard throws the person's input to the main window away, so everything
  // can be handled; outside one (a listing), input waits for its end.
  QCoreApplication::processEvents(jobs_ > 0 ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
}

WindowPrompter::Job::Job(WindowPrompter& prompter) : prompter_(prompter) {
  if (prompter_.jobs_++ > 0) return;
  prompter_.cancelled_ = false;
  prompter_.guard_.setActive(true);
}

WindowPrompter::Job::~Job() {
  if (prompter_.jobs_ > 1) {
    --prompter_.jobs_;
    return;
  }
  // Input that arrived during the last stretch without a pump is thrown away too.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  prompter_.guard_.setActive(false);
  prompter_.jobs_ = 0;
  prompter_.cancelled_ = false;
}

}  // namespace vexo
