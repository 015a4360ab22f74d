// Cards and card readers that come and go: the three notification handlers, and where the
// notifications come from.

#include <QTimer>
#include <QTreeWidget>

#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"
#include "explorer/ImageList.h"
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
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

bool MainWindow::deferredWhileWorking(const std::function<void()>& handler) {
  if (!prompter.working()) return false;
  // An operation is writing: the trees change once it has ended.
  QTimer::singleShot(100, this, handler);
  return true;
}

void MainWindow::driveArrived(const QString& rootPath) {
  if (deferredWhileWorking([this, rootPath] { driveArrived(rootPath); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  RemoveDrive(rootPath, resolved.success ? QString::fromStdString(resolved.selection.drive) : QString());
  AddDrive(rootPath, false);
}

void MainWindow::driveRemoved(const QString& rootPath) {
  if (deferredWhileWorking([this, rootPath] { driveRemoved(rootPath); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  RemoveDrive(rootPath, resolved.success ? QString::fromStdString(resolved.selection.drive) : QString());
}

void MainWindow::mediaRemoved(const QString& rootPath) {
  if (deferredWhileWorking([this, rootPath] { mediaRemoved(rootPath); })) return;
  OperationScope operation(access);
  const Resolved resolved = ResolveSelection();
  const QString selected = resolved.success ? QString::fromStdString(resolved.selection.drive) : QString();
  const QString drive = rootPath.left(2);
  QTreeWidgetItem* root = volumeTree->topLevelItem(0);
  QTreeWidgetItem* node = nullptr;
  for (int i = 0; i < root->childCount() && !node; ++i)
    if (DriveOfNodeText(root->child(i)->text(0)) == drive) node = root->child(i);
  if (node == nullptr) return;
  if (drive == selected) {
    QTreeWidgetItem* top = volumeTree->itemAt(0, 0);
    volumeTree->setCurrentItem(top ? top : root);
    entryList->clear();
    node->setText(0, RemovableNodeText(resolved.selection.disk, drive));
  } else {
    node->setText(0, WithoutVolume(node->text(0)));
  }
  SetNodeImages(node, imageList, kImageRemovable, kImageRemovable);
  qDeleteAll(node->takeChildren());
}

}  // namespace vexo
