// Cards and card readers that come and go: the three notification handlers, and where the
// notifications come from.

#include <QTimer>
#include <QTreeWidget>

#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"
#include "explorer/ImageList.h"
#include "explorer/NodeTexts.h"
#include "explorer/PcPaths.h"
#include "explorer/TForm2.h"
#include "explorer/TreeImages.h"
#include "shellnotify/DeviceEvents.h"


namespace vexo {

std::unique_ptr<NotifyBackend> SystemNotifications(DiskTable& table) {
  const DriveRootResolver root = [&table](const QString& device) -> QString {
    int number = table.Find(device.toStdString());
    // A reader that arrives joins the table (it opens through udisks2 when the user may not).
    if (number < 0 && !device.startsWith("/dev/loop") && !IsSystemDevice(device.toStdString()))
      number = table.Attach(device.toStdString());
    const Drive* drive = table.ByNumber(number);
    return drive && number > 0 ? QString(QChar(drive->letter)) + ":\\" : QString();
  };
  QStringList images;
  for (const Drive& drive : table.drives())
    if (drive.device && drive.device->isImageFile()) images << QString::fromStdString(drive.path);
  std::vector<std::unique_ptr<NotifyBackend>> backends;
  backends.push_back(std::make_unique<UdevBackend>(root));
  backends.push_back(std::make_unique<ImageWatchBackend>(images, root));
  return std::make_unique<AllBackends>(std::move(backends));
}

bool TForm2::deferredWhileWorking(const std::function<void()>& handler) {
  if (!prompter.working()) return false;
  // An operation is writing: the trees change once it has ended.
  QTimer::singleShot(100, this, handler);
  return true;
}

void TForm2::SHChangeNotify1DriveAdd(TSHChangeNotify*, quint32 flags, const QString& path1) {
  if (deferredWhileWorking([this, flags, path1] { SHChangeNotify1DriveAdd(nullptr, flags, path1); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  RemoveDrive(path1, resolved.success ? QString::fromStdString(resolved.selection.drive) : QString());
  AddDrive(path1, false);
}

void TForm2::SHChangeNotify1DriveRemoved(TSHChangeNotify*, quint32 flags, const QString& path1) {
  if (deferredWhileWorking([this, flags, path1] { SHChangeNotify1DriveRemoved(nullptr, flags, path1); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  RemoveDrive(path1, resolved.success ? QString::fromStdString(resolved.selection.drive) : QString());
}

void TForm2::SHChangeNotify1MediaRemoved(TSHChangeNotify*, quint32 flags, const QString& path1) {
  if (deferredWhileWorking([this, flags, path1] { SHChangeNotify1MediaRemoved(nullptr, flags, path1); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const QString selected = resolved.success ? QString::fromStdString(resolved.selection.drive) : QString();
  const QString drive = path1.left(2);
  QTreeWidgetItem* root = TreeView1->topLevelItem(0);
  QTreeWidgetItem* node = nullptr;
  for (int i = 0; i < root->childCount() && !node; ++i)
    if (DriveOfNodeText(root->child(i)->text(0)) == drive) node = root->child(i);
  if (node == nullptr) return;
  if (drive == selected) {
    QTreeWidgetItem* top = TreeView1->itemAt(0, 0);
    TreeView1->setCurrentItem(top ? top : root);
    ListView1->clear();
    node->setText(0, RemovableNodeText(resolved.selection.disk, drive));
  } else {
    node->setText(0, WithoutVolume(node->text(0)));
  }
  SetNodeImages(node, ImageList1, kImageRemovable, kImageRemovable);
  qDeleteAll(node->takeChildren());
}

}  // namespace vexo

namespace vexo {

void TForm2::Refresh() {
  WindowPrompter::Job job(prompter);
  OperationScope operation(access);
  // What is shown now, by its texts, to be found again among the fresh nodes.
  QStringList shown;
  for (QTreeWidgetItem* n = TreeView1->currentItem(); n != nullptr; n = n->parent())
    shown.prepend(n->text(0));
  const QString folder = GetNodePath();
  for (const QString& root : LogicalDriveRoots(table)) {
    const Drive* drive = table.ByLetter(root[0].toLatin1());
    if (drive == nullptr || !drive->removable) continue;
    RemoveDrive(root, selectedDrive());
    AddDrive(root, false);
  }
  QTreeWidgetItem* found = TreeView1->topLevelItem(0);
  if (shown.size() > 1) {
    if (QTreeWidgetItem* volume = driveNodeOf(found, DriveOfNodeText(shown[1]))) {
      found = volume;
      for (int i = 0; shown.size() > 2 && i < volume->childCount(); ++i)
        if (volume->child(i)->text(0) == shown[2]) found = volume->child(i);
    }
  }
  showVolumeNode(found);
  if (!folder.isEmpty()) ShowFolder(folder);
}

}  // namespace vexo
