#include "explorer/Startup.h"

#include <QApplication>

#include "explorer/DiagnosticsDialog.h"
#include "explorer/ProgressDialog.h"
#include "explorer/PropertiesDialog.h"
#include "explorer/RenameDialog.h"
#include "explorer/RestoreChooser.h"
#include "explorer/RestoreItemDialog.h"

namespace vexo {

std::unique_ptr<TForm2> StartExplorer(DiskTable& table, DialogSeam& seam,
                                      std::unique_ptr<NotifyBackend> notifications) {
  if (!notifications) notifications = SystemNotifications(table);
  auto form2 = std::make_unique<TForm2>(table, seam, std::move(notifications));
  Dialogs dialogs;
  dialogs.rename = new RenameDialog(form2.get());
  dialogs.properties = new PropertiesDialog(form2.get());
  dialogs.diagnostics = new DiagnosticsDialog(form2.get());
  dialogs.restoreItem = new RestoreItemDialog(form2.get());
  dialogs.progress = new ProgressDialog(form2.get());
  dialogs.restoreChooser = new RestoreChooser(seam, *dialogs.restoreItem, form2.get());
  form2->setDialogs(dialogs);
  form2->FormCreate();
  return form2;
}

}  // namespace vexo
