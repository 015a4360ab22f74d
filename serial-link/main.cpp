// Tovrin: the PC's mouse and keyboard, through a serial port, to the module attached to it.
//   tovrin 3 x 300           COM3 (/dev/ttyS2) at 300 baud
//   tovrin /dev/ttyUSB0 x 9600

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <string>

#include "serial-link/CommandLine.h"
#include "serial-link/SerialLine.h"
#include "serial-link/TovrinWindow.h"

int main(int argc, char** argv) {
  // Only as the first word: the second word is free text that the link ignores.
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::printf("Usage: tovrin PORT WORD SPEED\n"
                "Sends the PC's mouse and keyboard through a serial port.\n\n"
                "  PORT    n for COMn, that is /dev/ttyS(n-1); or a device path such as /dev/ttyUSB0\n"
                "  WORD    not used\n"
                "  SPEED   the baud rate, from its leading digits: 300, 9600, ...\n"
                "  --help     this text\n"
                "  --version  the program's version\n");
    return 0;
  }
  if (first == "--version") {
    std::printf("tovrin (VexoExplorer) %s\n", VEXO_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QStringList words;
  for (int i = 1; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
  const tovrin::LinkSettings link = tovrin::ParseCommandLine(words.join(' '));

  tovrin::SerialLine line;
  switch (line.open(link)) {
    case tovrin::OpenResult::CouldNotOpen:
      QMessageBox::critical(nullptr, "Comm Error", "Could Not Open Comms");
      return 1;
    case tovrin::OpenResult::CouldNotInitialize:
      QMessageBox::critical(nullptr, "Comm Error", "Could Not Initialize Comms");
      return 1;
    case tovrin::OpenResult::Ready:
      break;
  }
  tovrin::TovrinWindow window(link.portName, link.speedText,
                              [&line](const QByteArray& bytes) { line.send(bytes); });
  window.show();
  app.exec();
  return 0;
}
