#pragma once
// The real window on card images in a temporary folder, its dialogs answered by a script.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTreeWidget>

#include "explorer/DiagnosticsDialog.h"
#include "explorer/ProgressDialog.h"
#include "explorer/RenameDialog.h"
#include "explorer/RestoreChooser.h"
#include "explorer/Startup.h"
#include "tests/explorer/ScriptedSeam.h"
#include "tests/support/CardImage.h"

QT_BEGIN_NAMESPACE
// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace vexo::testing {

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override { QSettings().clear(); }

  std::string card(const std::string& name, const CardBuilder& entries) {
    const std::string path = MakeImage(temp.file(name));
    entries.writeTo(path);
    table.Attach(path);
    return path;
  }
  void start() { window = StartExplorer(table, seam); }

  // A widget or dialog by its object name, the name the original program gave it.
  template <typename T = QWidget>
  static T* Named(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  RenameDialog* renameDialog() const { return Named<RenameDialog>(window.get(), "TForm3"); }
  DiagnosticsDialog* diagnosticsDialog() const { return Named<DiagnosticsDialog>(window.get(), "TForm5"); }
  ProgressDialog* progressDialog() const { return Named<ProgressDialog>(window.get(), "TProgressfrm"); }
  RestoreChooser* restoreChooser() const { return Named<RestoreChooser>(window.get(), "TForm7"); }

  static QStringList Texts(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i) texts << parent->child(i)->text(0);
    return texts;
  }
  static QStringList Column(QTreeWidget* list, int column = 0) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
    return texts;
  }
  QTreeWidgetItem* volumeRoot() const { return window->TreeView1->topLevelItem(0); }
  QTreeWidgetItem* pcRoot() const { return window->TreeView2->topLevelItem(0); }
  // Selects a volume-tree node by its path of texts below the root, as a click would.
  void clickVolume(const QStringList& path) {
    QTreeWidgetItem* node = volumeRoot();
    for (const QString& text : path) {
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < node->childCount() && !next; ++i)
        if (node->child(i)->text(0) == text) next = node->child(i);
      ASSERT_NE(next, nullptr) << text.toStdString();
      node = next;
    }
    window->TreeView1->setCurrentItem(node);
    window->TreeView1Click();
  }
  void selectEntry(const QString& name) {
    window->ListView1->clearSelection();
    for (int i = 0; i < window->ListView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = window->ListView1->topLevelItem(i);
      if (item->text(0) == name) item->setSelected(true);
    }
  }

  TempDir temp;
  DiskTable table;
  ScriptedSeam seam;
  std::unique_ptr<TForm2> window;
};

}  // namespace vexo::testing
