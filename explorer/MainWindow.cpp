#include "explorer/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <functional>

#include "explorer/CutTextTips.h"
#include "explorer/DragView.h"
#include "explorer/FileTypes.h"
#include "explorer/ImageList.h"
#include "explorer/PcPaths.h"
#include "explorer/ProgressDialog.h"
#include "explorer/TreeImages.h"

namespace vexo {
namespace {

constexpr const char* kFolderSetting = "CurrentFolder";
constexpr const char* kVerifySetting = "VerifyAfterWriting";
constexpr int kFolderSettleMs = 200;  // a folder being written changes many times in a row

DragView* MakeList(QWidget* parent, QAbstractItemView::SelectionMode mode) {
  auto* list = new DragView(parent);
  list->setRootIsDecorated(false);
  list->setSelectionMode(mode);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setUniformRowHeights(true);
  list->setSortingEnabled(false);
  return list;
}

template <typename View = QTreeWidget>
View* MakeTree(QWidget* parent, int indent) {
  auto* tree = new View(parent);
  tree->setHeaderHidden(true);
  tree->setIndentation(indent);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setUniformRowHeights(true);
  tree->setItemDelegate(new CutTextTips(tree));
  return tree;
}

// Room for a whole sample text in a column, with the margins the style keeps.
int ColumnWidthFor(const QTreeWidget* view, const QString& sample, int least) {
  return std::max(least, view->fontMetrics().horizontalAdvance(sample) + 24);
}

}  // namespace

MainWindow::MainWindow(DiskTable& diskTable, DialogSeam& seam,
                       std::unique_ptr<NotifyBackend> notifications, QWidget* parent)
    : QMainWindow(parent),
      driveNotify(std::make_unique<TSHChangeNotify>(std::move(notifications))),
      table(diskTable),
      prompter(this, seam),
      access(table, prompter, releaser),
      dir(access),
      separators(),
      seam_(seam) {
  setObjectName("TForm2");
  dir.observer = this;
  driveNotify->setObjectName("SHChangeNotify1");
  driveNotify->OnDriveAdd = [this](TSHChangeNotify*, quint32, const QString& p) { driveArrived(p); };
  driveNotify->OnMediaInserted = driveNotify->OnDriveAdd;
  driveNotify->OnDriveRemoved = [this](TSHChangeNotify*, quint32, const QString& p) { driveRemoved(p); };
  driveNotify->OnMediaRemoved = [this](TSHChangeNotify*, quint32, const QString& p) { mediaRemoved(p); };
  buildLayout();
  connectViews();
  buildMenus();
}

MainWindow::~MainWindow() {
  driveNotify->Stop();  // FormDestroy
  dir.observer = &NoTrees();
}

void MainWindow::setDialogs(const Dialogs& made) {
  dialogs = made;
  prompter.setProgressDialog(made.progress);
}

void MainWindow::buildLayout() {
  setWindowTitle("Vexo Explorer");
  setFont(QFont("Tahoma", 8));
  resize(821, 500);
  if (const QScreen* screen = this->screen())
    resize(size().boundedTo(screen->availableGeometry().size()));
  move(0, 0);
  statusText = new QLabel(this);
  statusText->setObjectName("statusText");
  statusBar()->addWidget(statusText, 1);

  paneSplitter = new QSplitter(Qt::Vertical, this);
  paneSplitter->setObjectName("Splitter1");
  paneSplitter->setHandleWidth(3);
  volumePane = new QWidget(paneSplitter);
  volumePane->setObjectName("Panel1");
  pcPane = new QWidget(paneSplitter);
  pcPane->setObjectName("Panel2");
  paneSplitter->addWidget(volumePane);
  paneSplitter->addWidget(pcPane);
  paneSplitter->setSizes({153, 347});
  setCentralWidget(paneSplitter);

  auto* upper = new QVBoxLayout(volumePane);
  upper->setContentsMargins(0, 0, 0, 0);
  volumeSplitter = new QSplitter(Qt::Horizontal, volumePane);
  volumeSplitter->setObjectName("Splitter2");
  volumeSplitter->setHandleWidth(3);
  upper->addWidget(volumeSplitter);
  volumeTree = MakeTree<DragView>(volumeSplitter, 21);
  volumeTree->setObjectName("TreeView1");
  volumeTree->setContextMenuPolicy(Qt::CustomContextMenu);
  entryList = MakeList(volumeSplitter, QAbstractItemView::ExtendedSelection);
  entryList->setObjectName("ListView1");
  entryList->setContextMenuPolicy(Qt::CustomContextMenu);
  volumeSplitter->setSizes({180, 641});

  auto* lower = new QVBoxLayout(pcPane);
  lower->setContentsMargins(0, 0, 0, 0);
  pcSplitter = new QSplitter(Qt::Horizontal, pcPane);
  pcSplitter->setObjectName("Splitter3");
  pcSplitter->setHandleWidth(3);
  lower->addWidget(pcSplitter);
  pcFolderTree = MakeTree(pcSplitter, 20);
  pcFileList = MakeList(pcSplitter, QAbstractItemView::SingleSelection);
  pcFileList->setObjectName("ListView2");
  pcFolderTree->setObjectName("TreeView2");
  pcSplitter->setSizes({230, 591});
}

void MainWindow::connectViews() {
  entryList->onStartDrag = [this] { startEntryDrag(); };
  entryList->onDragOver = std::bind_front(&MainWindow::dragOverEntryList, this);
  volumeTree->onDragOver = std::bind_front(&MainWindow::dragOverVolumeTree, this);
  pcFileList->onDragOver = std::bind_front(&MainWindow::dragOverPcFileList, this);
  entryList->onDrop = std::bind_front(&MainWindow::dropOnEntryList, this);
  volumeTree->onDrop = std::bind_front(&MainWindow::dropOnVolumeTree, this);
  pcFileList->onDrop = std::bind_front(&MainWindow::dropOnPcFileList, this);

  connect(volumeTree, &QTreeWidget::itemClicked, this, [this] { volumeTreeClicked(); });
  connect(volumeTree, &QTreeWidget::currentItemChanged, this, [this] { volumeTreeCurrentChanged(); });
  connect(volumeTree, &QTreeWidget::itemPressed, this, [this] { volumeTreePressed(); });
  connect(entryList, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (!prompter.working()) showProperties();
  });
  // The entry the keyboard is on is the one its keys act on, also when it came there by Tab.
  connect(entryList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (current != nullptr && entryList->selectedItems().isEmpty()) current->setSelected(true);
  });
  connect(pcFolderTree, &QTreeWidget::itemClicked, this, [this] { pcFolderTreeClicked(); });
  connect(pcFileList, &QTreeWidget::itemDoubleClicked, this, [this] { openPcFileListItem(); });
  connect(pcFileList, &QTreeWidget::itemActivated, this, [this] { openPcFileListItem(); });

  folderWatcher_ = new QFileSystemWatcher(this);
  folderChanged_ = new QTimer(this);
  folderChanged_->setSingleShot(true);
  folderChanged_->setInterval(kFolderSettleMs);
  connect(folderWatcher_, &QFileSystemWatcher::directoryChanged, folderChanged_,
          qOverload<>(&QTimer::start));
  connect(folderChanged_, &QTimer::timeout, this, [this] { relistFolder(); });
  connect(pcFileList->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { sortPcFileListBy(column); });
  connect(volumeTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (selectForVolumeMenu(pos)) volumeMenu->exec(volumeTree->viewport()->mapToGlobal(pos));
  });
  connect(entryList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    entryMenu->exec(entryList->viewport()->mapToGlobal(pos));
  });
}

std::function<void()> MainWindow::command(void (MainWindow::*handler)()) {
  return [this, handler] {
    if (!prompter.working()) (this->*handler)();
  };
}

void MainWindow::buildMenus() {
  const auto noCode = [this] { prompter.message("No code yet"); };
  volumeMenu = new QMenu(this);
  volumeMenu->setObjectName("PopupMenu1");
  volumeMenu->addAction("Copy Menu", this, noCode)->setVisible(false);
  volumeMenu->addAction("Copy Menu Graphics", this, noCode)->setVisible(false);
  volumeMenu->addAction("New Vexo Category", this, command(&MainWindow::newCategory));
  volumeMenu->addSeparator();
  volumeMenu->addAction("Format", this, command(&MainWindow::formatDrive));
  volumeMenu->addAction("Diagnostics", this, command(&MainWindow::showDiagnostics));
  // Cards fail quietly: what an operation wrote is read back and compared, unless turned off.
  volumeMenu->addSeparator();
  verifyAction = volumeMenu->addAction("Verify after writing");
  verifyAction->setObjectName("verifyAfterWriting");
  verifyAction->setCheckable(true);
  verifyAction->setChecked(QSettings().value(kVerifySetting, true).toBool());
  access.setVerify(verifyAction->isChecked());
  connect(verifyAction, &QAction::toggled, this, [this](bool on) {
    access.setVerify(on);
    QSettings().setValue(kVerifySetting, on);
  });

  // The entry list's commands also answer their keys while the list has the focus; the menu
  // shows the keys.
  const auto listAction = [this](const QString& text, QList<QKeySequence> keys,
                                 void (MainWindow::*handler)()) {
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, command(handler));
    entryList->addAction(action);
    return action;
  };
  deleteAction = listAction("Delete", {QKeySequence::Delete}, &MainWindow::deleteEntry);
  renameAction = listAction("Rename", {Qt::Key_F2}, &MainWindow::renameEntry);
  propertiesAction =
      listAction("Properties", {Qt::Key_Return, Qt::Key_Enter}, &MainWindow::showProperties);
  entryMenu = new QMenu(this);
  entryMenu->setObjectName("PopupMenu2");
  entryMenu->addAction(deleteAction);
  entryMenu->addAction(renameAction);
  entryMenu->addAction("Copy", this, noCode)->setVisible(false);
  entryMenu->addAction("Paste", this, noCode)->setVisible(false);
  entryMenu->addSeparator();
  entryMenu->addAction(propertiesAction);

  refreshAction = new QAction("Refresh", this);
  refreshAction->setShortcut(QKeySequence::Refresh);
  refreshAction->setShortcutContext(Qt::WindowShortcut);
  connect(refreshAction, &QAction::triggered, this, command(&MainWindow::refresh));
  addAction(refreshAction);
  auto* parentFolder = new QAction("Parent folder", this);
  parentFolder->setShortcut(Qt::Key_Backspace);
  parentFolder->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(parentFolder, &QAction::triggered, this, command(&MainWindow::showParentFolder));
  pcFileList->addAction(parentFolder);
  pcFolderTree->addAction(parentFolder);
}

void MainWindow::FormCreate() {
  // An error in the middle of start-up is shown and ends it; the window opens all the same.
  try {
    startUp();
  } catch (const std::exception& error) {
    prompter.message(error.what());
  }
}

void MainWindow::startUp() {
  OperationScope operation(access);
  driveNotify->Execute();
  sortcolumn = -1;
  sortforward = true;
  imageList = MakeImageList();
  FollowSelectionImages(volumeTree, imageList);
  FollowSelectionImages(pcFolderTree, imageList);

  entryList->setHeaderLabels({"Filename", "Date Modified", "Description 1", "Description 2",
                              "Description 3", "Description 4"});
  // Names of 19 characters, the most a card stores, show whole beside the entry's picture.
  entryList->setColumnWidth(0, ColumnWidthFor(entryList, "Copy (9) of Breakou", 150) + 20);
  // The whole date and time shows; the four descriptions share the rest of the width.
  entryList->setColumnWidth(1, ColumnWidthFor(entryList, "8888/88/88 88:88:88", 120));
  entryList->header()->setStretchLastSection(false);
  for (int c = 2; c < 6; ++c) entryList->header()->setSectionResizeMode(c, QHeaderView::Stretch);
  pcFileList->setHeaderLabels({"Filename", "Size", "Type", "Date Modified"});
  const QString latestDate = DateText(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)));
  const int widths[] = {150, 80, 200, ColumnWidthFor(pcFileList, latestDate, 140)};
  for (int c = 0; c < 4; ++c) pcFileList->setColumnWidth(c, widths[c]);
  pcFileList->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  pcFileList->header()->setSectionsClickable(true);

  auto* volumes = new QTreeWidgetItem(volumeTree, {"Removable Drives"});
  SetNodeImages(volumes, imageList, kImageComputer, kImageComputer);
  auto* computer = new QTreeWidgetItem(pcFolderTree, {"My computer"});
  SetNodeImages(computer, imageList, kImageComputer, kImageComputer);
  volumes->setExpanded(true);
  computer->setExpanded(true);

  const QStringList roots = LogicalDriveRoots(table);
  if (roots.isEmpty()) return;
  for (const QString& root : roots) AddDrive(root, true);

  QSettings settings;
  QString folder = settings.value(kFolderSetting).toString();
  if (folder.isEmpty() || !QDir(ToLocalPath(table, folder)).exists())
    folder = ToPcPath(table, QDir::currentPath());
  ShowFolder(folder);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (prompter.working()) {  // an operation is still writing: the window stays
    event->ignore();
    return;
  }
  FormClose(event);
}

void MainWindow::FormClose(QCloseEvent* event) {
  QSettings settings;
  settings.setValue(kFolderSetting, GetNodePath());
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    prompter.message(std::string("Failed to set data for '") + kFolderSetting + "'");
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace vexo
