// Drive discovery: the nodes of one logical drive in both trees, and their removal.

#include <QTreeWidget>

#include "explorer/ImageList.h"
#include "explorer/MainWindow.h"
#include "explorer/NodeTexts.h"
#include "explorer/TreeImages.h"

namespace vexo {

QTreeWidgetItem* MainWindow::driveNodeOf(QTreeWidgetItem* root, const QString& drive) const {
  for (int i = 0; i < root->childCount(); ++i) {
    if (DriveOfNodeText(root->child(i)->text(0)) == drive) return root->child(i);
  }
  return nullptr;
}

void MainWindow::placeDriveNode(QTreeWidgetItem* root, const QString& text, int image,
                                QTreeWidgetItem** placed) {
  const QString drive = DriveOfNodeText(text);
  int at = root->childCount();
  for (int i = 0; i < root->childCount(); ++i) {
    const QString other = DriveOfNodeText(root->child(i)->text(0));
    if (other == drive) {
      root->child(i)->setText(0, text);  // the same drive: its children stay
      SetNodeImages(root->child(i), imageList, image, image);
      *placed = root->child(i);
      return;
    }
    if (other > drive) {
      at = i;
      break;
    }
  }
  auto* node = new QTreeWidgetItem({text});
  root->insertChild(at, node);
  SetNodeImages(node, imageList, image, image);
  *placed = node;
}

void MainWindow::AddDrive(const QString& rootPath, bool select) {
  OperationScope operation(access);
  const QString drive = rootPath.left(2);
  const Drive* known = table.ByLetter(drive.isEmpty() ? '?' : drive[0].toLatin1());
  if (known == nullptr) return;
  const bool removable = known->removable;
  const int disk = access.VolumeDeviceNumber(known->letter);

  QTreeWidgetItem* pcNode = nullptr;
  if (removable) {
    placeDriveNode(pcFolderTree->topLevelItem(0), "Removable Disk (" + drive + ")", kImageRemovable, &pcNode);
  } else {
    QString label = QString::fromStdString(access.VolumeLabel(rootPath.toStdString()));
    if (label.isEmpty()) label = "Local Disk";
    placeDriveNode(pcFolderTree->topLevelItem(0), label + " (" + drive + ")", kImageFixed, &pcNode);
  }

  if (removable) {
    QTreeWidgetItem* volumeRoot = volumeTree->topLevelItem(0);
    QTreeWidgetItem* node = nullptr;
    if (dir.LoadDirectory(disk, drive.left(1).toStdString(), DirectoryLoad::Keep)) {
      placeDriveNode(volumeRoot, VexoNodeText(disk, drive), kImageVolume, &node);
      for (const std::string& name : Categories(dir)) {
        const QString category = QString::fromStdString(name);
        bool present = false;
        for (int i = 0; i < node->childCount() && !present; ++i) present = node->child(i)->text(0) == category;
        if (!present) SetNodeImages(new QTreeWidgetItem(node, {category}), imageList, kImageFolder, kImageFolder);
      }
      node->setExpanded(true);
      if (select) showVolumeNode(node);
    } else {
      placeDriveNode(volumeRoot, RemovableNodeText(disk, drive), kImageRemovable, &node);
    }
  }
  volumeTree->viewport()->update();
}

void MainWindow::RemoveDrive(const QString& drivePath, const QString& selected) {
  const QString drive = drivePath.left(2);
  const QString shownDrive = GetNodePath().left(2);
  QTreeWidgetItem* volumeRoot = volumeTree->topLevelItem(0);
  if (QTreeWidgetItem* node = driveNodeOf(volumeRoot, drive)) {
    if (drive == selected) {
      volumeTree->setCurrentItem(volumeRoot);
      entryList->clear();
    }
    delete node;
  }
  QTreeWidgetItem* computer = pcFolderTree->topLevelItem(0);
  if (QTreeWidgetItem* node = driveNodeOf(computer, drive)) {
    if (drive == shownDrive) {
      pcFolderTree->setCurrentItem(computer);
      pcFileList->clear();
    }
    delete node;
  }
}

QString MainWindow::selectedDrive() const {
  const QTreeWidgetItem* node = volumeTree->currentItem();
  if (node == nullptr || node->parent() == nullptr) return {};
  if (node->parent()->parent() != nullptr) node = node->parent();  // a category
  return DriveOfNodeText(node->text(0));
}

void MainWindow::driveChanged(const std::string& drive) {
  const QString d = QString::fromStdString(drive);
  RemoveDrive(d + "\\", selectedDrive());
  AddDrive(d + "\\", false);
}

bool MainWindow::selectDrive(const std::string& drive) {
  const QString suffix = "(" + QString::fromStdString(drive) + ")";
  QTreeWidgetItem* root = volumeTree->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) {
    if (root->child(i)->text(0).contains(suffix)) {
      showVolumeNode(root->child(i));
      return true;
    }
  }
  return false;
}

void MainWindow::volumeLost(const std::string& drive) {
  const QString d = QString::fromStdString(drive);
  RemoveDrive(d, d);
}

bool MainWindow::showCategory(const std::string& category) {
  QTreeWidgetItem* node = volumeTree->currentItem();
  if (node != nullptr && !IsVexoNodeText(node->text(0))) node = node->parent();
  if (node == nullptr || !IsVexoNodeText(node->text(0))) return false;
  const QString text = QString::fromStdString(category);
  for (int i = 0; i < node->childCount(); ++i)
    if (node->child(i)->text(0) == text) return true;
  SetNodeImages(new QTreeWidgetItem(node, {text}), imageList, kImageFolder, kImageFolder);
  return true;
}

}  // namespace vexo
