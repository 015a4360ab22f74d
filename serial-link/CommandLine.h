#pragma once
// Tovrin's command line: "3 x 300" opens COM3 at 300 baud. The port number, a word that is not
// used, and the speed; a first word that begins with "/" names the device itself.

#include <QString>

namespace tovrin {

struct LinkSettings {
  QString portName;   // "COM" + the first word (or the device path given)
  QString speedText;  // the third word
  qint32 baud = 0;    // the speed text's leading decimal digits; 0 when there are none
  QString device;     // what is opened: COMn is /dev/ttyS(n-1)
};

// The words after the program name, as one text; spaces separate words.
LinkSettings ParseCommandLine(const QString& commandLine);

}  // namespace tovrin
