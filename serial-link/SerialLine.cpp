#include "serial-link/SerialLine.h"

#include <QThread>

namespace tovrin {

OpenResult SerialLine::open(const LinkSettings& link) {
  if (link.device.isEmpty()) return OpenResult::CouldNotOpen;
  port_.setPortName(link.device);
  if (!port_.open(QIODevice::ReadWrite)) return OpenResult::CouldNotOpen;
  if (link.baud <= 0 || !port_.setBaudRate(link.baud) || !port_.setDataBits(QSerialPort::Data8) ||
      !port_.setParity(QSerialPort::NoParity) || !port_.setStopBits(QSerialPort::OneStop) ||
      !port_.setFlowControl(QSerialPort::NoFlowControl))
    return OpenResult::CouldNotInitialize;
  // RTS stays high; DTR pulses and ends low. A line without modem lines (a pseudo-terminal)
  // refuses them, and that is no fault.
  port_.setRequestToSend(true);
  QThread::msleep(100);
  if (port_.setDataTerminalReady(true)) {
    QThread::msleep(100);
    port_.setDataTerminalReady(false);
    QThread::msleep(100);
  }
  port_.clearError();
  return OpenResult::Ready;
}

void SerialLine::send(const QByteArray& bytes) {
  port_.write(bytes);
  port_.flush();
}

}  // namespace tovrin
