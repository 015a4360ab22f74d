#pragma once
// "Quorv Utilities": the mouse and keyboard of this window go to the module as bytes.
//   a typed character     its ISO-8859-1 byte (a carriage return is followed by a line feed)
//   left button pressed   0x80 x y     (x, y: 16-bit little-endian client pixels)
//   left button released  0x81 x y
//   mouse moved           0x82 x y

#include <QMainWindow>
#include <functional>

class QLabel;

namespace tovrin {

class ClientArea;

class TovrinWindow : public QMainWindow {
  Q_OBJECT
 public:
  using Sender = std::function<void(const QByteArray&)>;
  TovrinWindow(const QString& portName, const QString& speedText, Sender send, QWidget* parent = nullptr);

  ClientArea* client() const { return client_; }
  QString statusText(int part) const;
  void mouseReport(char command, const QPoint& pos);
  void typed(const QString& text);

 private:
  ClientArea* client_;
  QLabel* parts_[4];
  Sender send_;
};

class ClientArea : public QWidget {
  Q_OBJECT
 public:
  explicit ClientArea(TovrinWindow* window);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TovrinWindow* window_;
};

}  // namespace tovrin
