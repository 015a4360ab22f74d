#pragma once
// Where the window meets the person: message boxes, questions, input boxes and modal dialogs.
// The window shows them; tests put a double in its place that answers from a script.

#include <QString>
#include <optional>

#include "disk/Prompter.h"

class QDialog;
class QWidget;

namespace vexo {

class DialogSeam {
 public:
  virtual ~DialogSeam() = default;
  virtual void message(QWidget* parent, const QString& text);
  virtual Answer ask(QWidget* parent, const QString& text, Buttons buttons, Answer preferred,
                     Tone tone);
  virtual std::optional<QString> input(QWidget* parent, const QString& caption,
                                       const QString& prompt, const QString& initial);
  // Shows a dialog modally; the QDialog result code.
  virtual int exec(QDialog& dialog);
  // The save dialog for image archives, starting in `folder`; the chosen file or nothing.
  virtual std::optional<QString> saveImageFile(QWidget* parent, const QString& folder);
};

}  // namespace vexo
