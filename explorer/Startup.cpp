#include "explorer/Startup.h"

#include <QApplication>

#include "explorer/DiagnosticsDialog.h"
#include "explorer/ProgressDialog.h"
#include "explorer/PropertiesDialog.h"
#include "explorer/RenameDialog.h"
#include "explorer/RestoreChooser.h"
#include "explorer/RestoreItemDialog.h"

namespace vexo {

std::unique_ptr<MainWindow> StartExplorer(DiskTable& table, DialogSeam& seam,
                                          std::unique_ptr<NotifyBackend> notifications) {
  if (!notifications) notifications = SystemNotifications(table);
  auto window = std::make_unique<MainWindow>(table, seam, std::move(notifications));
  Dialogs dialogs;
  dialogs.rename = new RenameDialog(window.get());
  dialogs.properties = new PropertiesDialog(window.get());
  dialogs.diagnostics = new DiagnosticsDialog(window.get());
  dialogs.restoreItem = new RestoreItemDialog(window.get());
  dialogs.progress = new ProgressDialog(window.get());
  dialogs.restoreChooser = new RestoreChooser(seam, *dialogs.restoreItem, window.get());
  window->setDialogs(dialogs);
  window->FormCreate();
  return window;
}

}  // namespace vexo
