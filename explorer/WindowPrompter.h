#pragma once
// The window's Prompter: messages and questions through the dialog seam, progress in the
// progress dialog. An operation runs as a Job: meanwhile the window repaints and the progress
// dialog takes Cancel, while the person's input to the main window is thrown away.

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "disk/ProgressMeter.h"
#include "disk/Prompter.h"
#include "disk/SleepInhibitor.h"
#include "explorer/DialogSeam.h"
#include "explorer/InputGuard.h"
#include "explorer/ProgressDialog.h"

namespace vexo {

class WindowPrompter : public Prompter {
 public:
  WindowPrompter(QWidget* owner, DialogSeam& dialogs);
  void setProgressDialog(ProgressDialog* progress);

  void message(const std::string& text) override;
  Answer ask(const std::string& text, Buttons buttons, Answer preferred, Tone tone) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  void progressBegin(const std::string& label, std::uint64_t maximum, ProgressUnit unit) override;
  void progressLabel(const std::string& label) override;
  void progressStep() override;
  void progressSet(std::uint64_t position) override;
  void progressEnd() override;
  void busy(bool on) override;
  void pump() override;
  bool cancelRequested() const override { return cancelled_; }

  // One operation started by the person; nested jobs belong to the outermost.
  class Job {
   public:
    explicit Job(WindowPrompter& prompter);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

   private:
    WindowPrompter& prompter_;
  };

  bool working() const { return jobs_ > 0 || busyDepth_ > 0 || (progress_ && progress_->isVisible()); }
  void requestCancel() { cancelled_ = true; }

 private:
  void showPosition(bool force);

  QWidget* owner_;
  DialogSeam& dialogs_;
  InputGuard guard_;
  ProgressDialog* progress_ = nullptr;
  ProgressMeter meter_;
  unsigned shift_ = 0;  // totals beyond what a progress bar counts are scaled down
  int busyDepth_ = 0;
  int jobs_ = 0;
  bool cancelled_ = false;
  QElapsedTimer sincePump_;
  QElapsedTimer sinceFigures_;
  unsigned shownPercent_ = 0;
  std::unique_ptr<SleepInhibitor> awake_;  // while the progress dialog shows
};

}  // namespace vexo
