#include "explorer/ImageList.h"

#include <QApplication>
#include <QStyle>

// The pictures live in a static library, whose resources are registered by hand.
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace vexo {
namespace {

struct ThemeIcon {
  const char* name;
  QStyle::StandardPixmap fallback;
};

// Positions 5 to 19, in order.
const ThemeIcon kThemeIcons[15] = {
    {"text-x-generic", QStyle::SP_FileIcon},            // 5
    {"folder", QStyle::SP_DirClosedIcon},               // 6
    {"folder-open", QStyle::SP_DirOpenIcon},            // 7
    {"media-floppy", QStyle::SP_DriveFDIcon},           // 8
    {"drive-optical", QStyle::SP_DriveCDIcon},          // 9
    {"drive-removable-media", QStyle::SP_DriveFDIcon},  // 10
    {"drive-harddisk", QStyle::SP_DriveHDIcon},         // 11
    {"network-server", QStyle::SP_DriveNetIcon},        // 12
    {"media-optical", QStyle::SP_DriveDVDIcon},         // 13
    {"application-x-executable", QStyle::SP_FileIcon},  // 14
    {"user-trash", QStyle::SP_TrashIcon},               // 15
    {"computer", QStyle::SP_ComputerIcon},              // 16
    {"help-browser", QStyle::SP_MessageBoxQuestion},    // 17
    {"dialog-information", QStyle::SP_MessageBoxInformation},  // 18
    {"text-x-script", QStyle::SP_FileLinkIcon},         // 19
};

}  // namespace

QList<QIcon> MakeImageList() {
  RegisterIcons();
  QList<QIcon> images;
  for (const char* own : {"gamepad", "volume", "swatches", "gamewindow", "imagebox"})
    images << QIcon(QString(":/icons/%1.svg").arg(own));
  QStyle* style = QApplication::style();
  for (const ThemeIcon& icon : kThemeIcons)
    images << QIcon::fromTheme(icon.name, style->standardIcon(icon.fallback));
  return images;
}

}  // namespace vexo
