#pragma once
// "Properties": the header fields of one entry, a caption and a value per line.

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace vexo {

class Directory;

class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PropertiesDialog(QWidget* parent = nullptr);
  // The entry to show; its values are filled each time the dialog is shown.
  void setEntry(const Directory* directory, int slot);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QList<QLabel*> captions;  // objectName "propertyCaption", top to bottom
  QList<QLabel*> values;    // objectName "propertyValue", top to bottom
  QPushButton* okButton;
  const Directory* directory_ = nullptr;
  int slot_ = 0;
};

}  // namespace vexo
