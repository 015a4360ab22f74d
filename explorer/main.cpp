// VexoExplorer: the main window and its six dialogs, made once at start-up.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "explorer/DialogSeam.h"
#include "explorer/TForm2.h"
#include "explorer/TForm3.h"
#include "explorer/TForm4.h"
#include "explorer/TForm5.h"
#include "explorer/TForm6.h"
#include "explorer/TForm7.h"
#include "explorer/TProgressfrm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Harnwick");
  QApplication::setApplicationName("VexoExplorer");

  QCommandLineParser parser;
  parser.setApplicationDescription("Prepares and maintains SD cards in the Vexo File system.");
  parser.addHelpOption();
  const QCommandLineOption card("card", "Attach a card image file (repeatable).", "FILE");
  parser.addOption(card);
  parser.process(app);

  vexo::DiskTable table = vexo::DiskTable::ForThisMachine();
  for (const QString& file : parser.values(card)) {
    std::string whyNot;
    if (table.Attach(file.toStdString(), &whyNot) < 0)
      QMessageBox::warning(nullptr, "VexoExplorer", QString::fromStdString(whyNot));
  }

  vexo::DialogSeam seam;
  vexo::TForm2 form2(table, seam);
  vexo::Dialogs dialogs;
  dialogs.form3 = new vexo::TForm3(&form2);
  dialogs.form4 = new vexo::TForm4(&form2);
  dialogs.form5 = new vexo::TForm5(&form2);
  dialogs.form6 = new vexo::TForm6(&form2);
  dialogs.progress = new vexo::TProgressfrm(&form2);
  dialogs.form7 = new vexo::TForm7(seam, *dialogs.form6, &form2);
  form2.setDialogs(dialogs);
  form2.FormCreate();  // also registers the program's pictures
  QApplication::setWindowIcon(QIcon(":/icons/vexoexplorer.svg"));
  form2.show();
  return app.exec();
}
