#pragma once
// Linux sources of drive and medium notifications: udev's block-device events (readers that
// come and go, cards put in and taken out) and a watch on card image files (an image that
// appears or disappears is a card put in or taken out). Both name a drive by its root, "E:\",
// through a resolver the program gives them.

#include <QFileSystemWatcher>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "shellnotify/TSHChangeNotify.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace vexo {

// The drive root of a device node or an image path ("" when the program has none for it).
using DriveRootResolver = std::function<QString(const QString& device)>;

// What a udev event on the block subsystem means: 0 when nothing of interest.
struct UdevEvent {
  QString action;          // "add", "remove", "change"
  QString devtype;         // "disk", "partition"
  bool removable = false;  // sysfs "removable" is 1
  bool mediaChange = false;  // DISK_MEDIA_CHANGE=1
  quint64 sizeSectors = 0;   // sysfs "size"
};
quint32 ShellEventOf(const UdevEvent& event);

class UdevBackend : public QObject, public NotifyBackend {
  Q_OBJECT
 public:
  explicit UdevBackend(DriveRootResolver resolve);
  ~UdevBackend() override;
  bool start(quint32 mask, bool hardDriveOnly, Deliver deliver) override;
  void stop() override;

 private:
  void receive();
  DriveRootResolver resolve_;
  Deliver deliver_;
  ::udev* udev_ = nullptr;
  ::udev_monitor* monitor_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
};

class ImageWatchBackend : public QObject, public NotifyBackend {
  Q_OBJECT
 public:
  ImageWatchBackend(QStringList images, DriveRootResolver resolve);
  bool start(quint32 mask, bool hardDriveOnly, Deliver deliver) override;
  void stop() override;
  // Looks at every image again (the watcher calls it; tests may too).
  void rescan();

 private:
  QStringList images_;
  DriveRootResolver resolve_;
  Deliver deliver_;
  QMap<QString, bool> present_;
  std::unique_ptr<QFileSystemWatcher> watcher_;
  QTimer settle_;  // an image being written is looked at once the writes have settled
};

// Several backends as one: it starts when any of them does.
class AllBackends : public NotifyBackend {
 public:
  explicit AllBackends(std::vector<std::unique_ptr<NotifyBackend>> backends) : backends_(std::move(backends)) {}
  bool start(quint32 mask, bool hardDriveOnly, Deliver deliver) override;
  void stop() override;

 private:
  std::vector<std::unique_ptr<NotifyBackend>> backends_;
};

}  // namespace vexo
