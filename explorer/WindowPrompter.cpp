#include "explorer/WindowPrompter.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QProgressBar>

#include <climits>

namespace vexo {
namespace {

constexpr qint64 kPumpIntervalMs = 16;

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

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

void WindowPrompter::progressBegin(const std::string& label, std::uint64_t maximum) {
  maximum_ = maximum;
  position_ = 0;
  shift_ = 0;
  if (!awake_) awake_ = std::make_unique<SleepInhibitor>();
  while ((maximum_ >> shift_) > static_cast<std::uint64_t>(INT_MAX)) ++shift_;
  if (!progress_) return;
  progress_->Label1->setText(Text(label));
  progress_->ProgressBar1->setRange(0, static_cast<int>(maximum_ >> shift_));
  progress_->ProgressBar1->setValue(0);
  progress_->show();
  progress_->raise();
  sincePump_.invalidate();
  pump();
}

void WindowPrompter::progressLabel(const std::string& label) {
  if (progress_) progress_->Label1->setText(Text(label));
}

void WindowPrompter::progressStep() {
  ++position_;
  showPosition();
}

void WindowPrompter::progressSet(std::uint64_t position) {
  position_ = position;
  showPosition();
}

void WindowPrompter::showPosition() {
  if (progress_) progress_->ProgressBar1->setValue(static_cast<int>(std::min(position_, maximum_) >> shift_));
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
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vexo
