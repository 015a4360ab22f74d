#pragma once
// "Properties": the header fields of one entry, a caption and a value per line.

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace vexo {

class Directory;

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);
  // The entry to show; its values are filled each time the dialog is shown.
  void setEntry(const Directory* directory, int slot);
  QList<QLabel*> captions;
  QList<QLabel*> values;
  QPushButton* BitBtn1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const Directory* directory_ = nullptr;
  int slot_ = 0;
};

}  // namespace vexo
