#include "explorer/TForm2.h"

#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "explorer/DragView.h"
#include "explorer/ImageList.h"
#include "explorer/PcPaths.h"
#include "explorer/TProgressfrm.h"
#include "explorer/TreeImages.h"

namespace vexo {
namespace {

constexpr const char* kFolderSetting = "CurrentFolder";

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
  return tree;
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
  move(0, 0);

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
  connect(TreeView2, &QTreeWidget::itemClicked, this, [this] { TreeView2Click(); });
  connect(ListView2, &QTreeWidget::itemDoubleClicked, this, [this] { ListView2DblClick(); });
  connect(ListView2->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { ListView2ColumnClick(column); });
  connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (TreeView1ContextPopup(pos)) PopupMenu1->exec(TreeView1->viewport()->mapToGlobal(pos));
  });
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PopupMenu2->exec(ListView1->viewport()->mapToGlobal(pos));
  });
}

void TForm2::buildMenus() {
  const auto noCode = [this] { prompter.message("No code yet"); };
  PopupMenu1 = new QMenu(this);
  PopupMenu1->addAction("Copy Menu", this, noCode)->setVisible(false);
  PopupMenu1->addAction("Copy Menu Graphics", this, noCode)->setVisible(false);
  PopupMenu1->addAction("New Vexo Category", this, [this] { NewVexoFolder1Click(); });
  PopupMenu1->addSeparator();
  PopupMenu1->addAction("Format", this, [this] { Format1Click(); });
  PopupMenu1->addAction("Diagnostics", this, [this] { Dumpit1Click(); });

  PopupMenu2 = new QMenu(this);
  PopupMenu2->addAction("Delete", this, [this] { Delete1Click(); });
  PopupMenu2->addAction("Rename", this, [this] { Rename1Click(); });
  PopupMenu2->addAction("Copy", this, noCode)->setVisible(false);
  PopupMenu2->addAction("Paste", this, noCode)->setVisible(false);
  PopupMenu2->addSeparator();
  PopupMenu2->addAction("Properties", this, [this] { Properties1Click(); });
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
  ListView1->setColumnWidth(0, 150);
  ListView1->setColumnWidth(1, 120);
  ListView1->header()->setStretchLastSection(true);
  ListView2->setHeaderLabels({"Filename", "Size", "Type", "Date Modified"});
  const int widths[] = {150, 80, 200, 140};
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
