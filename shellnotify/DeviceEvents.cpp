#include "shellnotify/DeviceEvents.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <libudev.h>

namespace vexo {

quint32 ShellEventOf(const UdevEvent& e) {
  if (e.devtype != "disk" || !e.removable) return 0;
  if (e.action == "add") return SHCNE_DRIVEADD;
  if (e.action == "remove") return SHCNE_DRIVEREMOVED;
  if (e.action == "change" && e.mediaChange) return e.sizeSectors > 0 ? SHCNE_MEDIAINSERTED : SHCNE_MEDIAREMOVED;
  return 0;
}

// ---- udev -----------------------------------------------------------------------------------

UdevBackend::UdevBackend(DriveRootResolver resolve) : resolve_(std::move(resolve)) {}

UdevBackend::~UdevBackend() { stop(); }

bool UdevBackend::start(quint32, bool, Deliver deliver) {
  stop();
  deliver_ = std::move(deliver);
  udev_ = udev_new();
  if (udev_ == nullptr) return false;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    stop();
    return false;
  }
  notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &UdevBackend::receive);
  return true;
}

void UdevBackend::stop() {
  delete notifier_;
  notifier_ = nullptr;
  if (monitor_) udev_monitor_unref(monitor_);
  if (udev_) udev_unref(udev_);
  monitor_ = nullptr;
  udev_ = nullptr;
}

void UdevBackend::receive() {
  udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return;
  const auto text = [](const char* s) { return QString::fromUtf8(s ? s : ""); };
  UdevEvent event;
  event.action = text(udev_device_get_action(device));
  event.devtype = text(udev_device_get_devtype(device));
  event.removable = text(udev_device_get_sysattr_value(device, "removable")) == "1" ||
                    text(udev_device_get_property_value(device, "ID_BUS")) == "usb";
  event.mediaChange = text(udev_device_get_property_value(device, "DISK_MEDIA_CHANGE")) == "1";
  event.sizeSectors = text(udev_device_get_sysattr_value(device, "size")).toULongLong();
  const QString node = text(udev_device_get_devnode(device));
  udev_device_unref(device);
  const quint32 code = ShellEventOf(event);
  if (code == 0 || !deliver_) return;
  const QString root = resolve_(node);
  if (!root.isEmpty()) deliver_(code, root, QString());
}

// ---- card image files -----------------------------------------------------------------------

ImageWatchBackend::ImageWatchBackend(QStringList images, DriveRootResolver resolve)
    : images_(std::move(images)), resolve_(std::move(resolve)) {
  settle_.setSingleShot(true);
  settle_.setInterval(300);
  connect(&settle_, &QTimer::timeout, this, &ImageWatchBackend::rescan);
}

bool ImageWatchBackend::start(quint32, bool, Deliver deliver) {
  deliver_ = std::move(deliver);
  watcher_ = std::make_unique<QFileSystemWatcher>();
  present_.clear();
  for (const QString& image : images_) {
    const QFileInfo info(image);
    present_[image] = info.exists();
    watcher_->addPath(info.absolutePath());  // the folder tells of files that come and go
    if (info.exists()) watcher_->addPath(image);
  }
  connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
  connect(watcher_.get(), &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
  return true;
}

void ImageWatchBackend::stop() {
  settle_.stop();
  watcher_.reset();
}

void ImageWatchBackend::rescan() {
  if (!watcher_) return;
  for (const QString& image : images_) {
    const bool now = QFileInfo::exists(image);
    const bool before = present_.value(image);
    if (now && !watcher_->files().contains(image)) watcher_->addPath(image);
    if (now == before) continue;
    present_[image] = now;
    const QString root = resolve_(image);
    if (!root.isEmpty() && deliver_) deliver_(now ? SHCNE_MEDIAINSERTED : SHCNE_MEDIAREMOVED, root, QString());
  }
}

// ---- together ---------------------------------------------------------------------------------

bool AllBackends::start(quint32 mask, bool hardDriveOnly, Deliver deliver) {
  bool any = false;
  for (auto& backend : backends_) any = backend->start(mask, hardDriveOnly, deliver) || any;
  return any;
}

void AllBackends::stop() {
  for (auto& backend : backends_) backend->stop();
}

}  // namespace vexo
