#pragma once
// The real window on card images in a temporary folder, its dialogs answered by a script.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTreeWidget>

#include "explorer/DiagnosticsDialog.h"
#include "explorer/DragView.h"
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
  DragView* volumeTree() const { return Named<DragView>(window.get(), "TreeView1"); }
  DragView* entryList() const { return Named<DragView>(window.get(), "ListView1"); }
  QTreeWidget* pcFolderTree() const { return Named<QTreeWidget>(window.get(), "TreeView2"); }
  DragView* pcFileList() const { return Named<DragView>(window.get(), "ListView2"); }
  QMenu* volumeMenu() const { return Named<QMenu>(window.get(), "PopupMenu1"); }
  QMenu* entryMenu() const { return Named<QMenu>(window.get(), "PopupMenu2"); }
  QLabel* statusText() const { return Named<QLabel>(window.get(), "statusText"); }
  QAction* verifyAction() const { return Named<QAction>(window.get(), "verifyAfterWriting"); }
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
  QTreeWidgetItem* volumeRoot() const { return volumeTree()->topLevelItem(0); }
  QTreeWidgetItem* pcRoot() const { return pcFolderTree()->topLevelItem(0); }
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
    volumeTree()->setCurrentItem(node);
    window->volumeTreeClicked();
  }
  void selectEntry(const QString& name) {
    entryList()->clearSelection();
    for (int i = 0; i < entryList()->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = entryList()->topLevelItem(i);
      if (item->text(0) == name) item->setSelected(true);
    }
  }

  TempDir temp;
  DiskTable table;
  ScriptedSeam seam;
  std::unique_ptr<MainWindow> window;
};

}  // namespace vexo::testing
