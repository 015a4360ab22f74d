#include "serial-link/TovrinWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>

namespace tovrin {

TovrinWindow::TovrinWindow(const QString& portName, const QString& speedText, Sender send, QWidget* parent)
    : QMainWindow(parent), send_(std::move(send)) {
  setWindowTitle("Quorv Utilities");
  resize(800, 600);
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("E&xit", this, &QWidget::close);
  QMenu* tools = menuBar()->addMenu("&Tools");
  QAction* link = tools->addAction("&Mouse+KBD Link");
  link->setCheckable(true);
  tools->addSeparator();
  connect(tools, &QMenu::aboutToShow, link, [link] { link->setChecked(true); });  // never removed

  client_ = new ClientArea(this);
  setCentralWidget(client_);
  const int widths[3] = {350, 150, 150};  // right edges at 350, 500 and 650
  for (int i = 0; i < 4; ++i) {
    parts_[i] = new QLabel(this);
    if (i < 3) parts_[i]->setFixedWidth(widths[i]);
    statusBar()->addWidget(parts_[i], i == 3 ? 1 : 0);
  }
  statusBar()->setSizeGripEnabled(true);
  parts_[0]->setText("Ready");
  parts_[2]->setText(QString("%1 %2").arg(portName, speedText));
  client_->setFocus();
}

QString TovrinWindow::statusText(int part) const { return parts_[part]->text(); }

void TovrinWindow::mouseReport(char command, const QPoint& pos) {
  if (!client_->rect().contains(pos)) return;  // only inside the client area
  const auto x = static_cast<quint16>(pos.x());
  const auto y = static_cast<quint16>(pos.y());
  QByteArray bytes;
  bytes.append(command);
  bytes.append(static_cast<char>(x & 0xFF)).append(static_cast<char>(x >> 8));
  bytes.append(static_cast<char>(y & 0xFF)).append(static_cast<char>(y >> 8));
  send_(bytes);
  if (command == '\x82') parts_[1]->setText(QString("Mouse X:%1 Y:%2").arg(x).arg(y));
}

void TovrinWindow::typed(const QString& text) {
  QByteArray bytes;
  for (QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));  // the 8-bit code of the character
    if (c == '\r') bytes.append('\n');
  }
  if (!bytes.isEmpty()) send_(bytes);
}

ClientArea::ClientArea(TovrinWindow* window) : QWidget(window), window_(window) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) window_->mouseReport('\x80', event->position().toPoint());
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) window_->mouseReport('\x81', event->position().toPoint());
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  window_->mouseReport('\x82', event->position().toPoint());
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
  // Keys that make no character (arrows, function keys, Shift alone) send nothing.
  window_->typed(event->text());
}

}  // namespace tovrin
