#include "explorer/TForm2.h"

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

TForm2::TForm2(DiskTable& diskTable, DialogSeam& seam, std::unique_ptr<NotifyBackend> notifications,
               QWidget* parent)
    : QMainWindow(parent),
      SHChangeNotify1(std::make_unique<TSHChangeNotify>(std::move(notifications))),
      table(diskTable),
      prompter(this, seam),
      access(table, prompter, releaser),
      dir(access),
      separators(),
      seam_(seam) {
  setObjectName("TForm2");
  dir.observer = this;
  SHChangeNotify1->OnDriveAdd = [this](TSHChangeNotify* s, quint32 f, const QString& p) { SHChangeNotify1DriveAdd(s, f, p); };
  SHChangeNotify1->OnMediaInserted = SHChangeNotify1->OnDriveAdd;
  SHChangeNotify1->OnDriveRemoved = [this](TSHChangeNotify* s, quint32 f, const QString& p) { SHChangeNotify1DriveRemoved(s, f, p); };
  SHChangeNotify1->OnMediaRemoved = [this](TSHChangeNotify* s, quint32 f, const QString& p) { SHChangeNotify1MediaRemoved(s, f, p); };
  buildLayout();
  buildMenus();
}

TForm2::~TForm2() {
  SHChangeNotify1->Stop();  // FormDestroy
  dir.observer = &NoTrees();
}

void TForm2::setDialogs(const Dialogs& made) {
  dialogs = made;
  prompter.setProgressDialog(made.progress);
}

void TForm2::buildLayout() {
  setWindowTitle("Vexo Explorer");
  setFont(QFont("Tahoma", 8));
  resize(821, 500);
  if (const QScreen* screen = this->screen())
    resize(size().boundedTo(screen->availableGeometry().size()));
  move(0, 0);
  statusText = new QLabel(this);
  statusText->setObjectName("statusText");
  statusBar()->addWidget(statusText, 1);

  Splitter1 = new QSplitter(Qt::Vertical, this);
  Splitter1->setHandleWidth(3);
  Panel1 = new QWidget(Splitter1);
  Panel2 = new QWidget(Splitter1);
  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(Panel2);
  Splitter1->setSizes({153, 347});
  setCentralWidget(Splitter1);

  auto* upper = new QVBoxLayout(Panel1);
  upper->setContentsMargins(0, 0, 0, 0);
  Splitter2 = new QSplitter(Qt::Horizontal, Panel1);
  Splitter2->setHandleWidth(3);
  upper->addWidget(Splitter2);
  TreeView1 = MakeTree<DragView>(Splitter2, 21);
  TreeView1->setObjectName("TreeView1");
  TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListView1 = MakeList(Splitter2, QAbstractItemView::ExtendedSelection);
  ListView1->setObjectName("ListView1");
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  Splitter2->setSizes({180, 641});

  auto* lower = new QVBoxLayout(Panel2);
  lower->setContentsMargins(0, 0, 0, 0);
  Splitter3 = new QSplitter(Qt::Horizontal, Panel2);
  Splitter3->setHandleWidth(3);
  lower->addWidget(Splitter3);
  TreeView2 = MakeTree(Splitter3, 20);
  ListView2 = MakeList(Splitter3, QAbstractItemView::SingleSelection);
  ListView2->setObjectName("ListView2");
  TreeView2->setObjectName("TreeView2");
  Splitter3->setSizes({230, 591});

  ListView1->onStartDrag = [this] { ListView1StartDrag(); };
  ListView1->onDragOver = [this](QWidget* s, const QMimeData& d, const QPoint& p) { return ListView1DragOver(s, d, p); };
  TreeView1->onDragOver = [this](QWidget* s, const QMimeData& d, const QPoint& p) { return TreeView1DragOver(s, d, p); };
  ListView2->onDragOver = [this](QWidget* s, const QMimeData& d, const QPoint& p) { return ListView2DragOver(s, d, p); };
  ListView1->onDrop = [this](QWidget* s, const QMimeData& d, const QPoint& p) { ListView1DragDrop(s, d, p); };
  TreeView1->onDrop = [this](QWidget* s, const QMimeData& d, const QPoint& p) { TreeView1DragDrop(s, d, p); };
  ListView2->onDrop = [this](QWidget* s, const QMimeData& d, const QPoint& p) { ListView2DragDrop(s, d, p); };

  connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
  connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { TreeView1Changed(); });
  connect(TreeView1, &QTreeWidget::itemPressed, this, [this] { TreeView1Pressed(); });
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (!prompter.working()) Properties1Click();
  });
  // The entry the keyboard is on is the one its keys act on, also when it came there by Tab.
  connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (current != nullptr && ListView1->selectedItems().isEmpty()) current->setSelected(true);
  });
  connect(TreeView2, &QTreeWidget::itemClicked, this, [this] { TreeView2Click(); });
  connect(ListView2, &QTreeWidget::itemDoubleClicked, this, [this] { ListView2DblClick(); });
  connect(ListView2, &QTreeWidget::itemActivated, this, [this] { ListView2DblClick(); });

  folderWatcher_ = new QFileSystemWatcher(this);
  folderChanged_ = new QTimer(this);
  folderChanged_->setSingleShot(true);
  folderChanged_->setInterval(kFolderSettleMs);
  connect(folderWatcher_, &QFileSystemWatcher::directoryChanged, folderChanged_,
          qOverload<>(&QTimer::start));
  connect(folderChanged_, &QTimer::timeout, this, [this] { relistFolder(); });
  connect(ListView2->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { ListView2ColumnClick(column); });
  connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (TreeView1ContextPopup(pos)) PopupMenu1->exec(TreeView1->viewport()->mapToGlobal(pos));
  });
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PopupMenu2->exec(ListView1->viewport()->mapToGlobal(pos));
  });
}

std::function<void()> TForm2::command(void (TForm2::*handler)()) {
  return [this, handler] {
    if (!prompter.working()) (this->*handler)();
  };
}

void TForm2::buildMenus() {
  const auto noCode = [this] { prompter.message("No code yet"); };
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  PopupMenu1->addAction("Copy Menu", this, noCode)->setVisible(false);
  PopupMenu1->addAction("Copy Menu Graphics", this, noCode)->setVisible(false);
  PopupMenu1->addAction("New Vexo Category", this, command(&TForm2::NewVexoFolder1Click));
  PopupMenu1->addSeparator();
  PopupMenu1->addAction("Format", this, command(&TForm2::Format1Click));
  PopupMenu1->addAction("Diagnostics", this, command(&TForm2::Dumpit1Click));
  // Cards fail quietly: what an operation wrote is read back and compared, unless turned off.
  PopupMenu1->addSeparator();
  verifyAction = PopupMenu1->addAction("Verify after writing");
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
                                 void (TForm2::*handler)()) {
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, command(handler));
    ListView1->addAction(action);
    return action;
  };
  deleteAction = listAction("Delete", {QKeySequence::Delete}, &TForm2::Delete1Click);
  renameAction = listAction("Rename", {Qt::Key_F2}, &TForm2::Rename1Click);
  propertiesAction =
      listAction("Properties", {Qt::Key_Return, Qt::Key_Enter}, &TForm2::Properties1Click);
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName("PopupMenu2");
  PopupMenu2->addAction(deleteAction);
  PopupMenu2->addAction(renameAction);
  PopupMenu2->addAction("Copy", this, noCode)->setVisible(false);
  PopupMenu2->addAction("Paste", this, noCode)->setVisible(false);
  PopupMenu2->addSeparator();
  PopupMenu2->addAction(propertiesAction);

  refreshAction = new QAction("Refresh", this);
  refreshAction->setShortcut(QKeySequence::Refresh);
  refreshAction->setShortcutContext(Qt::WindowShortcut);
  connect(refreshAction, &QAction::triggered, this, command(&TForm2::Refresh));
  addAction(refreshAction);
  auto* parentFolder = new QAction("Parent folder", this);
  parentFolder->setShortcut(Qt::Key_Backspace);
  parentFolder->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(parentFolder, &QAction::triggered, this, command(&TForm2::ShowParentFolder));
  ListView2->addAction(parentFolder);
  TreeView2->addAction(parentFolder);
}

void TForm2::FormCreate() {
  // An error in the middle of start-up is shown and ends it; the window opens all the same.
  try {
    startUp();
  } catch (const std::exception& error) {
    prompter.message(error.what());
  }
}

void TForm2::startUp() {
  OperationScope operation(access);
  SHChangeNotify1->Execute();
  sortcolumn = -1;
  sortforward = true;
  ImageList1 = MakeImageList();
  FollowSelectionImages(TreeView1, ImageList1);
  FollowSelectionImages(TreeView2, ImageList1);

  ListView1->setHeaderLabels({"Filename", "Date Modified", "Description 1", "Description 2",
                              "Description 3", "Description 4"});
  // Names of 19 characters, the most a card stores, show whole beside the entry's picture.
  ListView1->setColumnWidth(0, ColumnWidthFor(ListView1, "Copy (9) of Breakou", 150) + 20);
  // The whole date and time shows; the four descriptions share the rest of the width.
  ListView1->setColumnWidth(1, ColumnWidthFor(ListView1, "8888/88/88 88:88:88", 120));
  ListView1->header()->setStretchLastSection(false);
  for (int c = 2; c < 6; ++c) ListView1->header()->setSectionResizeMode(c, QHeaderView::Stretch);
  ListView2->setHeaderLabels({"Filename", "Size", "Type", "Date Modified"});
  const QString latestDate = DateText(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)));
  const int widths[] = {150, 80, 200, ColumnWidthFor(ListView2, latestDate, 140)};
  for (int c = 0; c < 4; ++c) ListView2->setColumnWidth(c, widths[c]);
  ListView2->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  ListView2->header()->setSectionsClickable(true);

  auto* volumes = new QTreeWidgetItem(TreeView1, {"Removable Drives"});
  SetNodeImages(volumes, ImageList1, kImageComputer, kImageComputer);
  auto* computer = new QTreeWidgetItem(TreeView2, {"My computer"});
  SetNodeImages(computer, ImageList1, kImageComputer, kImageComputer);
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

void TForm2::closeEvent(QCloseEvent* event) {
  if (prompter.working()) {  // an operation is still writing: the window stays
    event->ignore();
    return;
  }
  FormClose(event);
}

void TForm2::FormClose(QCloseEvent* event) {
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
