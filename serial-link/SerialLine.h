#pragma once
// The serial line to the module: opened once, set to 8N1 without flow control at the given
// speed, and woken with a DTR pulse.

#include <QSerialPort>
#include <QString>

#include "serial-link/CommandLine.h"

namespace tovrin {

enum class OpenResult { Ready, CouldNotOpen, CouldNotInitialize };

class SerialLine {
 public:
  OpenResult open(const LinkSettings& link);
  // Bytes as they are, no framing; failed writes go unnoticed.
  void send(const QByteArray& bytes);
  QSerialPort& port() { return port_; }

 private:
  QSerialPort port_;
};

}  // namespace tovrin
