// VexoExplorer.

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

#include "disk/RemovableDevices.h"
#include "disk/SystemDisk.h"
#include "disk/UdisksAccess.h"
#include "explorer/DialogSeam.h"
#include "explorer/Startup.h"

int main(int argc, char** argv) {
  // Help and version need no display.
  for (int i = 1; i < argc; ++i) {
    const QString word = QString::fromLocal8Bit(argv[i]);
    if (word == "--help" || word == "-h") {
      std::printf("Usage: vexoexplorer [--card FILE]... [ARCHIVE]\n"
                  "Prepares and maintains SD cards in the Vexo File system.\n\n"
                  "  ARCHIVE       a .VexoImage: its folder is shown, the archive selected\n"
                  "  --card FILE   attach a card image file (repeatable)\n"
                  "  --help        this text\n"
                  "  --version     the program's version\n");
      return 0;
    }
    if (word == "--version") {
      std::printf("vexoexplorer (VexoExplorer) %s\n", VEXO_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Harnwick");
  QApplication::setApplicationName("VexoExplorer");

  QCommandLineParser parser;
  parser.setApplicationDescription("Prepares and maintains SD cards in the Vexo File system.");
  const QCommandLineOption card("card", "Attach a card image file (repeatable).", "FILE");
  parser.addOption(card);
  parser.addPositionalArgument("archive", "A .VexoImage to show selected in its folder.", "[ARCHIVE]");
  parser.process(app);

  vexo::DiskTable table = vexo::DiskTable::ForThisMachine();
  vexo::UdisksOpener udisks;  // for the readers this user may not open directly
  table.setPrivilegedOpener(&udisks);
  for (const std::string& device : vexo::RemovableBlockDevices())
    if (!vexo::IsSystemDevice(device)) table.Attach(device);
  for (const QString& file : parser.values(card)) {
    std::string whyNot;
    if (!QFileInfo::exists(file)) {  // a typing error, not a reader without a card: say so
      QMessageBox::warning(nullptr, "VexoExplorer", file + ": there is no such file");
      continue;
    }
    if (table.Attach(file.toStdString(), &whyNot) < 0)
      QMessageBox::warning(nullptr, "VexoExplorer", QString::fromStdString(whyNot));
  }

  vexo::DialogSeam seam;
  std::unique_ptr<vexo::MainWindow> window = vexo::StartExplorer(table, seam);
  QApplication::setWindowIcon(QIcon(":/icons/vexoexplorer.svg"));
  window->show();
  if (!parser.positionalArguments().isEmpty()) window->showPcFile(parser.positionalArguments().first());
  return app.exec();
}
