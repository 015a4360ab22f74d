#include "explorer/DialogSeam.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vexo {
namespace {

QMessageBox::StandardButton ButtonOf(Answer a) {
  switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
  }
  return QMessageBox::NoButton;
}

}  // namespace

void DialogSeam::message(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

Answer DialogSeam::ask(QWidget* parent, const QString& text, Buttons buttons, Answer preferred,
                       Tone tone) {
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesCancel: set = QMessageBox::Yes | QMessageBox::Cancel; break;
  }
  QMessageBox box(tone == Tone::Warning ? QMessageBox::Warning : QMessageBox::Question,
                  tone == Tone::Warning ? "Warning" : "Confirm", text, set, parent);
  box.setDefaultButton(ButtonOf(preferred));
  box.setEscapeButton(ButtonOf(buttons == Buttons::YesNo ? Answer::No : Answer::Cancel));
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

std::optional<QString> DialogSeam::input(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

int DialogSeam::exec(QDialog& dialog) { return dialog.exec(); }

}  // namespace vexo

namespace vexo {

std::optional<QString> DialogSeam::saveImageFile(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent, QString(), folder, "Vexo Image files (*.VexoImage)");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("VexoImage");
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

}  // namespace vexo
