#pragma once
// "Vexo Explorer": the volume pane above (volume tree, entry list), the PC pane below (folder
// tree, file list). The window decides what is selected; the core does the work.

#include <QMainWindow>
#include <QString>
#include <optional>

#include "disk/DiskAccess.h"
#include "disk/DiskTable.h"
#include "disk/MountRelease.h"
#include "disk/UdisksAccess.h"
#include "explorer/DragView.h"
#include "explorer/WindowPrompter.h"
#include "shellnotify/TSHChangeNotify.h"
#include "transfer/EntryCopy.h"
#include "transfer/Restore.h"
#include "transfer/Timestamp.h"
#include "transfer/TransferBuffers.h"
#include "volume/Directory.h"
#include "volume/Selection.h"
#include "volume/VolumeObserver.h"

class QAction;
class QFileSystemWatcher;
class QLabel;
class QMenu;
class QMimeData;
class QSplitter;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexo {


class DiagnosticsDialog;
class ProgressDialog;
class PropertiesDialog;
class RenameDialog;
class RestoreChooser;
class RestoreItemDialog;

// The six dialogs, made once at start-up after the main window.
struct Dialogs {
  RenameDialog* rename = nullptr;
  PropertiesDialog* properties = nullptr;
  DiagnosticsDialog* diagnostics = nullptr;
  RestoreItemDialog* restoreItem = nullptr;
  ProgressDialog* progress = nullptr;
  RestoreChooser* restoreChooser = nullptr;
};

// The notifications of this machine: udev and a watch on the attached card images.
std::unique_ptr<NotifyBackend> SystemNotifications(DiskTable& table);

class TForm2 : public QMainWindow, public VolumeObserver {
  Q_OBJECT
 public:
  TForm2(DiskTable& table, DialogSeam& seam, std::unique_ptr<NotifyBackend> notifications,
         QWidget* parent = nullptr);
  ~TForm2() override;

  void setDialogs(const Dialogs& dialogs);
  // The start-up sequence: columns, roots, drives, the PC folder of the last run.
  void FormCreate();
  // Saves the PC folder shown; a setting that cannot be written keeps the window open.
  void FormClose(QCloseEvent* event);

  // ---- volume pane -----------------------------------------------------------------------
  struct Resolved {
    bool success = false;
    Selection selection;
  };
  Resolved ResolveSelection();
  // Refills the entry list for the volume tree's current node, and the status bar and title.
  void ListEntries();
  void TreeView1Click();
  // The current node of the volume tree changed (mouse, keyboard or program): the list follows.
  void TreeView1Changed();
  // Makes `node` the current node of the volume tree and lists it, also when it already was.
  void showVolumeNode(QTreeWidgetItem* node);
  // Selects the node at `pos` (viewport coordinates); true when PopupMenu1 would open.
  bool TreeView1ContextPopup(const QPoint& pos);
  void ListView1StartDrag();

  // ---- drives ----------------------------------------------------------------------------
  void AddDrive(const QString& rootPath, bool select);
  void RemoveDrive(const QString& drivePath, const QString& selectedDrive);

  // ---- PC pane ---------------------------------------------------------------------------
  void ShowFolder(const QString& path);
  void ListFolder(const QString& folder, QTreeWidgetItem* node);
  QString GetNodePath() const;
  void TreeView2Click();
  void ListView2DblClick();
  void ListView2ColumnClick(int column);
  // Backspace: the folder above the one shown.
  void ShowParentFolder();
  // F5: the drives read again, and the folder shown listed again.
  void Refresh();

  // ---- drag and drop (source: the view a drag started from, null from outside) -----------
  bool ListView1DragOver(QWidget* source, const QMimeData& mime, const QPoint& pos);
  bool TreeView1DragOver(QWidget* source, const QMimeData& mime, const QPoint& pos);
  bool ListView2DragOver(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void ListView1DragDrop(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void TreeView1DragDrop(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void ListView2DragDrop(QWidget* source, const QMimeData& mime, const QPoint& pos);

  // ---- cards and readers that come and go ------------------------------------------------
  void SHChangeNotify1DriveAdd(TSHChangeNotify* sender, quint32 flags, const QString& path1);
  void SHChangeNotify1DriveRemoved(TSHChangeNotify* sender, quint32 flags, const QString& path1);
  void SHChangeNotify1MediaRemoved(TSHChangeNotify* sender, quint32 flags, const QString& path1);
  std::unique_ptr<TSHChangeNotify> SHChangeNotify1;

  // ---- commands --------------------------------------------------------------------------
  void NewVexoFolder1Click();
  void Format1Click();
  void Dumpit1Click();
  void Delete1Click();
  void Rename1Click();
  void Properties1Click();
  QAction* deleteAction;      // Delete
  QAction* renameAction;      // F2
  QAction* propertiesAction;  // Enter, double click
  QAction* refreshAction;     // F5
  QAction* verifyAction;      // "Verify after writing", remembered

  // ---- trees the core changes (VolumeObserver) -------------------------------------------
  void driveChanged(const std::string& drive) override;
  bool selectDrive(const std::string& drive) override;
  void volumeLost(const std::string& drive) override;
  void entriesChanged() override;
  void copyTargetLoaded() override;
  bool showCategory(const std::string& category) override;

  // The drive string of the volume selected in TreeView1, "" when none.
  QString selectedDrive() const;

  // Controls, by their names.
  QWidget* Panel1;
  DragView* TreeView1;
  QSplitter* Splitter2;
  DragView* ListView1;
  QSplitter* Splitter1;
  QWidget* Panel2;
  QTreeWidget* TreeView2;
  QSplitter* Splitter3;
  DragView* ListView2;
  QMenu* PopupMenu1;
  QMenu* PopupMenu2;
  QList<QIcon> ImageList1;
  QLabel* statusText;  // what the entry list holds

  // State the window owns for the run.
  DiskTable& table;
  WindowPrompter prompter;
  UdisksReleaser releaser;
  DiskAccess access;
  Directory dir;
  TransferBuffers buffers;
  RegionalSeparators separators;
  Dialogs dialogs;
  CopySource dragSource;  // what the last drag out of the entry list carries
  int sortcolumn = -1;
  bool sortforward = true;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void startUp();
  // True when an operation is writing: `handler` then runs again once it has ended.
  bool deferredWhileWorking(const std::function<void()>& handler);
  // A command from a key or a menu runs only when no operation does.
  std::function<void()> command(void (TForm2::*handler)());
  void showListedVolume(const Resolved& resolved, int entries);
  void watchFolder(const QString& localFolder);
  void relistFolder();
  void TreeView1Pressed();
  bool changedByPress_ = false;
  bool clickListed_ = false;
  QFileSystemWatcher* folderWatcher_;
  QTimer* folderChanged_;
  // The PC file a drag carries: the PC file list's selection, or a file from outside.
  struct DraggedFile {
    QString name;
    QString path;
  };
  std::optional<DraggedFile> draggedFile(QWidget* source, const QMimeData& mime) const;
  std::optional<DraggedFile> droppedFile(QWidget* source, const QMimeData& mime);
  void restoreArchive(const QString& path);
  // The entries of an archive are chosen in the restore dialog.
  ChooseRestoreItems restoreChoice();
  void restoreOntoFormatted(const QString& driveNodeText, const QString& archivePath);
  void copyEntryTo(const QPoint& pos);
  QTreeWidgetItem* copyDropNode_ = nullptr;
  void buildLayout();
  void buildMenus();
  QTreeWidgetItem* driveNodeOf(QTreeWidgetItem* root, const QString& drive) const;
  void placeDriveNode(QTreeWidgetItem* root, const QString& text, int image, QTreeWidgetItem** placed);
  void sortFileList(const std::function<bool(QTreeWidgetItem*, QTreeWidgetItem*)>& less);
  void sortFileList(int column, bool forward);
  DialogSeam& seam_;
};

}  // namespace vexo
