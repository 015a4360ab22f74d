#pragma once
// The window's Prompter: messages and questions through the dialog seam, progress in
// TProgressfrm. Pumping repaints the window but takes no user input, so no second command can
// start in the middle of an operation.

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "disk/Prompter.h"
#include "explorer/DialogSeam.h"
#include "explorer/SleepInhibitor.h"
#include "explorer/TProgressfrm.h"

namespace vexo {

class WindowPrompter : public Prompter {
 public:
  WindowPrompter(QWidget* owner, DialogSeam& dialogs) : owner_(owner), dialogs_(dialogs) {}
  void setProgressDialog(TProgressfrm* progress) { progress_ = progress; }

  void message(const std::string& text) override;
  Answer ask(const std::string& text, Buttons buttons, Answer preferred, Tone tone) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  void progressBegin(const std::string& label, std::uint64_t maximum) override;
  void progressLabel(const std::string& label) override;
  void progressStep() override;
  void progressSet(std::uint64_t position) override;
  void progressEnd() override;
  void busy(bool on) override;
  void pump() override;

  bool working() const { return busyDepth_ > 0 || (progress_ && progress_->isVisible()); }

 private:
  void showPosition();

  QWidget* owner_;
  DialogSeam& dialogs_;
  TProgressfrm* progress_ = nullptr;
  std::uint64_t maximum_ = 0;
  std::uint64_t position_ = 0;
  unsigned shift_ = 0;  // totals beyond what a progress bar counts are scaled down
  int busyDepth_ = 0;
  QElapsedTimer sincePump_;
  std::unique_ptr<SleepInhibitor> awake_;  // while the progress dialog shows
};

}  // namespace vexo
