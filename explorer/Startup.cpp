#include "explorer/Startup.h"

#include <QApplication>

#include "explorer/TForm3.h"
#include "explorer/TForm4.h"
#include "explorer/TForm5.h"
#include "explorer/TForm6.h"
#include "explorer/TForm7.h"
#include "explorer/TProgressfrm.h"

namespace vexo {

std::unique_ptr<TForm2> StartExplorer(DiskTable& table, DialogSeam& seam,
                                      std::unique_ptr<NotifyBackend> notifications) {
  if (!notifications) notifications = SystemNotifications(table);
  auto form2 = std::make_unique<TForm2>(table, seam, std::move(notifications));
  Dialogs dialogs;
  dialogs.form3 = new TForm3(form2.get());
  dialogs.form4 = new TForm4(form2.get());
  dialogs.form5 = new TForm5(form2.get());
  dialogs.form6 = new TForm6(form2.get());
  dialogs.progress = new TProgressfrm(form2.get());
  dialogs.form7 = new TForm7(seam, *dialogs.form6, form2.get());
  form2->setDialogs(dialogs);
  form2->FormCreate();
  return form2;
}

}  // namespace vexo
