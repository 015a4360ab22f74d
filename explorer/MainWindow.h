#pragma once
// "Vexo Explorer": the volume pane above (volume tree, entry list), the PC pane below (folder
// tree, file list). The window decides what is selected; the core does the work.
//
// The original program's names stay as each window's and widget's objectName, so a reader who
// knows them, and the tests, find the widgets by them; the names in the code say what they are:
//
//   TForm2 MainWindow           TreeView1 volumeTree         PopupMenu1 volumeMenu
//                               ListView1 entryList          PopupMenu2 entryMenu
//                               TreeView2 pcFolderTree       ImageList1 imageList
//                               ListView2 pcFileList         SHChangeNotify1 driveNotify
//     Panel1, Panel2 volumePane, pcPane; Splitter1, 2, 3 paneSplitter, volumeSplitter, pcSplitter
//   TForm3 RenameDialog         Label1 filenameLabel, Edit2 filenameEdit, Label2 descriptionLabel,
//                               Edit1 Edit3 Edit4 Edit5 desc1Edit…desc4Edit,
//                               BitBtn1 okButton, BitBtn2 cancelButton
//   TForm4 PropertiesDialog     BitBtn1 okButton
//   TForm5 DiagnosticsDialog    Label1 summaryLabel, StringGrid1 headerGrid
//   TForm6 RestoreItemDialog    Edit2 categoryEdit, Edit1 filenameEdit, BitBtn1 okButton,
//                               BitBtn2 cancelButton
//   TForm7 RestoreChooser       CheckListBox1 itemList, Label1 hintLabel, BitBtn3 checkAllButton,
//                               BitBtn4 uncheckAllButton, BitBtn5 changeCategoryButton,
//                               BitBtn1 restoreButton, BitBtn2 cancelButton
//   TProgressfrm ProgressDialog ProgressBar1 bar, Label1 label
//
// The handlers are named by what they do:
//
//   TreeView1Click volumeTreeClicked          NewVexoFolder1Click newCategory
//   TreeView1ContextPopup selectForVolumeMenu Format1Click formatDrive
//   ListView1StartDrag startEntryDrag         Dumpit1Click showDiagnostics
//   ListView1DragOver dragOverEntryList       Delete1Click deleteEntry
//   TreeView1DragOver dragOverVolumeTree      Rename1Click renameEntry
//   ListView2DragOver dragOverPcFileList      Properties1Click showProperties
//   ListView1DragDrop dropOnEntryList         SHChangeNotify1DriveAdd driveArrived
//   TreeView1DragDrop dropOnVolumeTree        SHChangeNotify1DriveRemoved driveRemoved
//   ListView2DragDrop dropOnPcFileList        SHChangeNotify1MediaRemoved mediaRemoved
//   TreeView2Click pcFolderTreeClicked        BitBtn3Click, BitBtn4Click checkAll, uncheckAll
//   ListView2DblClick openPcFileListItem      BitBtn5Click changeCheckedCategory
//   ListView2ColumnClick sortPcFileListBy     CheckListBox1DblClick renameCurrentItem
//
// ResolveSelection, ListEntries, AddDrive, RemoveDrive, ShowFolder, ListFolder, GetNodePath,
// FormCreate, FormClose and the component TSHChangeNotify keep their names.

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

class MainWindow : public QMainWindow, public VolumeObserver {
  Q_OBJECT
 public:
  MainWindow(DiskTable& table, DialogSeam& seam, std::unique_ptr<NotifyBackend> notifications,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- start and close -------------------------------------------------------------------
  void setDialogs(const Dialogs& dialogs);
  // The start-up sequence: columns, roots, drives, the PC folder of the last run.
  void FormCreate();
  // Saves the PC folder shown; a setting that cannot be written keeps the window open.
  void FormClose(QCloseEvent* event);

  // ---- commands of the menus and keys ----------------------------------------------------
  void newCategory();
  void formatDrive();
  // The directory of the drive node right-clicked, read from the card as it is now.
  void showDiagnostics();
  void deleteEntry();
  void renameEntry();
  void showProperties();
  // F5: the drives read again, and the folder shown listed again.
  void refresh();
  // Backspace: the folder above the one shown.
  void showParentFolder();

  // ---- the views' clicks -----------------------------------------------------------------
  void volumeTreeClicked();
  // Selects the node at `pos` (viewport coordinates); true when the volume menu would open.
  bool selectForVolumeMenu(const QPoint& pos);
  void pcFolderTreeClicked();
  // A double click: a folder opens in the PC pane.
  void openPcFileListItem();
  void sortPcFileListBy(int column);

  // ---- drag and drop (source: the view a drag started from, null from outside) -----------
  void startEntryDrag();
  bool dragOverEntryList(QWidget* source, const QMimeData& mime, const QPoint& pos);
  bool dragOverVolumeTree(QWidget* source, const QMimeData& mime, const QPoint& pos);
  bool dragOverPcFileList(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void dropOnEntryList(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void dropOnVolumeTree(QWidget* source, const QMimeData& mime, const QPoint& pos);
  void dropOnPcFileList(QWidget* source, const QMimeData& mime, const QPoint& pos);

  // ---- the PC pane -----------------------------------------------------------------------
  void ShowFolder(const QString& path);
  QString GetNodePath() const;
  // The folder of a file of this machine shown, with the file selected (what the file manager
  // asks for when it opens an archive with the program).
  void showPcFile(const QString& localPath);

  // ---- trees the core changes (VolumeObserver) -------------------------------------------
  void driveChanged(const std::string& drive) override;
  bool selectDrive(const std::string& drive) override;
  void volumeLost(const std::string& drive) override;
  void entriesChanged() override;
  void copyTargetLoaded() override;
  bool showCategory(const std::string& category) override;

  // ---- state -----------------------------------------------------------------------------
  CopySource dragSource;  // what the last drag out of the entry list carries
  int sortcolumn = -1;    // the PC file list's order, by its last column click
  bool sortforward = true;
  const DiskAccess& diskAccess() const { return access; }
  const RegionalSeparators& regionalSeparators() const { return separators; }
  // The 20 small images the four views share.
  const QList<QIcon>& images() const { return imageList; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Resolved {
    bool success = false;
    Selection selection;
  };
  Resolved ResolveSelection();
  // Refills the entry list for the volume tree's current node, and the status bar and title.
  void ListEntries();
  void showListedVolume(const Resolved& resolved, int entries);
  // Makes `node` the current node of the volume tree and lists it, also when it already was.
  void showVolumeNode(QTreeWidgetItem* node);
  // The current node of the volume tree changed (mouse, keyboard or program): the list follows.
  void volumeTreeCurrentChanged();
  void volumeTreePressed();
  // The drive string of the volume selected in the volume tree, "" when none.
  QString selectedDrive() const;

  void AddDrive(const QString& rootPath, bool select);
  void RemoveDrive(const QString& drivePath, const QString& selectedDrive);
  QTreeWidgetItem* driveNodeOf(QTreeWidgetItem* root, const QString& drive) const;
  void placeDriveNode(QTreeWidgetItem* root, const QString& text, int image,
                      QTreeWidgetItem** placed);
  // A card or reader that came or went, by its root (`F:\`).
  void driveArrived(const QString& rootPath);
  void driveRemoved(const QString& rootPath);
  void mediaRemoved(const QString& rootPath);
  // True when an operation is writing: `handler` then runs again once it has ended.
  bool deferredWhileWorking(const std::function<void()>& handler);

  void ListFolder(const QString& folder, QTreeWidgetItem* node);
  void watchFolder(const QString& localFolder);
  void relistFolder();
  void sortFileList(const std::function<bool(QTreeWidgetItem*, QTreeWidgetItem*)>& less);
  void sortFileList(int column, bool forward);

  // The PC file a drag carries: the PC file list's selection, or a file from outside.
  struct DraggedFile {
    QString name;
    QString path;
  };
  std::optional<DraggedFile> draggedFile(QWidget* source, const QMimeData& mime) const;
  std::optional<DraggedFile> droppedFile(QWidget* source, const QMimeData& mime);
  void restoreArchive(const QString& path);
  void restoreOntoFormatted(const QString& driveNodeText, const QString& archivePath);
  // The entries of an archive are chosen in the restore dialog.
  ChooseRestoreItems restoreChoice();
  void copyEntryTo(const QPoint& pos);

  void buildLayout();
  void connectViews();
  void buildMenus();
  void startUp();
  // A command from a key or a menu runs only when no operation does.
  std::function<void()> command(void (MainWindow::*handler)());

  // The widgets, named by what they are.
  QWidget* volumePane;
  DragView* volumeTree;
  QSplitter* volumeSplitter;
  DragView* entryList;
  QSplitter* paneSplitter;
  QWidget* pcPane;
  QTreeWidget* pcFolderTree;
  QSplitter* pcSplitter;
  DragView* pcFileList;
  QMenu* volumeMenu;
  QMenu* entryMenu;
  QLabel* statusText;  // what the entry list holds
  QAction* deleteAction;      // Delete
  QAction* renameAction;      // F2
  QAction* propertiesAction;  // Enter, double click
  QAction* refreshAction;     // F5
  QAction* verifyAction;      // "Verify after writing", remembered
  QList<QIcon> imageList;
  std::unique_ptr<TSHChangeNotify> driveNotify;

  // State the window owns for the run.
  DiskTable& table;
  WindowPrompter prompter;
  UdisksReleaser releaser;
  DiskAccess access;
  Directory dir;
  TransferBuffers buffers;
  RegionalSeparators separators;
  Dialogs dialogs;
  DialogSeam& seam_;
  bool changedByPress_ = false;
  bool clickListed_ = false;
  QTreeWidgetItem* copyDropNode_ = nullptr;
  QFileSystemWatcher* folderWatcher_;
  QTimer* folderChanged_;
};

}  // namespace vexo
