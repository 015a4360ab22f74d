// Tovrin on a real pseudo-terminal pair: the bytes that reach the other end, and the line
// settings the port is given.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>

#include "serial-link/CommandLine.h"
#include "serial-link/SerialLine.h"
#include "serial-link/TovrinWindow.h"

namespace tovrin {
namespace {

// The two ends of a pseudo-terminal: Tovrin opens the slave, the test reads the master.
class PtyPair {
 public:
  PtyPair() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    slave = QString::fromLocal8Bit(::ptsname(master));
    // Raw on the reading side: bytes arrive as they were sent.
    termios t{};
    ::tcgetattr(master, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master, TCSANOW, &t);
  }
  ~PtyPair() {
    if (master >= 0) ::close(master);
  }
  QByteArray read() {
    QByteArray got;
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, 200) > 0) {
      char buffer[256];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<qsizetype>(n));
    }
    return got;
  }
  int master = -1;
  QString slave;
};

TEST(TovrinCommandLine, WordsPortNameAndSpeed) {
  struct Case {
    QString line;
    QString port, speed, device;
    qint32 baud;
  };
  const Case cases[] = {
      {"3 x 300", "COM3", "300", "/dev/ttyS2", 300},
      {"   1   ignored   9600baud  extra", "COM1", "9600baud", "/dev/ttyS0", 9600},
      {"3 x", "COM3", "", "/dev/ttyS2", 0},
      {"", "COM", "", "", 0},
      {"/dev/ttyUSB0 x 115200", "/dev/ttyUSB0", "115200", "/dev/ttyUSB0", 115200},
      {"0 x 300", "COM0", "300", "", 300},
      {"3 x fast", "COM3", "fast", "/dev/ttyS2", 0},
  };
  for (const Case& c : cases) {
    const LinkSettings link = ParseCommandLine(c.line);
    EXPECT_EQ(link.portName, c.port) << c.line.toStdString();
    EXPECT_EQ(link.speedText, c.speed) << c.line.toStdString();
    EXPECT_EQ(link.device, c.device) << c.line.toStdString();
    EXPECT_EQ(link.baud, c.baud) << c.line.toStdString();
  }
}

TEST(TovrinLine, OpensAtTheBaudRateEightNOne) {
  PtyPair pty;
  ASSERT_GE(pty.master, 0);
  SerialLine line;
  ASSERT_EQ(line.open(ParseCommandLine(pty.slave + " x 300")), OpenResult::Ready);
  // Read from the master: the port is held exclusively, which only root may open again, and a
  // pseudo-terminal's master reports the settings of its slave.
  termios t{};
  ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), B300);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & PARENB, 0u);
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

TEST(TovrinLine, RefusalsSayWhichStepFailed) {
  PtyPair pty;
  SerialLine noBaud;
  EXPECT_EQ(noBaud.open(ParseCommandLine(pty.slave + " x")), OpenResult::CouldNotInitialize);
  SerialLine none;
  EXPECT_EQ(none.open(ParseCommandLine("")), OpenResult::CouldNotOpen);
  SerialLine missing;
  EXPECT_EQ(missing.open(ParseCommandLine("/dev/no-such-tty x 300")), OpenResult::CouldNotOpen);
}

class TovrinWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(pty.master, 0);
    ASSERT_EQ(line.open(ParseCommandLine(pty.slave + " x 300")), OpenResult::Ready);
    window = std::make_unique<TovrinWindow>("COM3", "300", [this](const QByteArray& b) { line.send(b); });
    window->show();
    pty.read();  // nothing else is on the line
  }
  void mouse(QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QWidget* client = reinterpret_cast<QWidget*>(window->client());
    QMouseEvent event(type, QPointF(at), client->mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(client, &event);
  }
  void key(int code, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(reinterpret_cast<QWidget*>(window->client()), &event);
  }
  PtyPair pty;
  SerialLine line;
  std::unique_ptr<TovrinWindow> window;
};

TEST_F(TovrinWindowTest, TypedCharactersAreSingleBytes) {
  key(Qt::Key_A, "A");
  key(Qt::Key_Return, "\r");
  key(Qt::Key_Left, "");  // an arrow makes no character
  key(Qt::Key_Shift, "");
  key(0, QString(QChar(0x80)));  // the same byte that starts a mouse report
  key(0, QString(QChar(0xE9)));  // é in ISO-8859-1
  EXPECT_EQ(pty.read(), QByteArray("A\r\n\x80\xE9", 5));
}

TEST_F(TovrinWindowTest, TheLeftButtonAndMovesSendReports) {
  mouse(QEvent::MouseButtonPress, Qt::LeftButton, {10, 300});
  mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {10, 300});
  mouse(QEvent::MouseButtonPress, Qt::RightButton, {10, 300});  // other buttons: nothing
  mouse(QEvent::MouseMove, Qt::NoButton, {258, 3});
  EXPECT_EQ(pty.read(), QByteArray("\x80\x0A\x00\x2C\x01"
                                   "\x81\x0A\x00\x2C\x01"
                                   "\x82\x02\x01\x03\x00", 15));
  EXPECT_EQ(window->statusText(1), "Mouse X:258 Y:3");
  mouse(QEvent::MouseMove, Qt::NoButton, {-5, 3000});  // outside the client area
  EXPECT_TRUE(pty.read().isEmpty());
}

TEST_F(TovrinWindowTest, TheWindowsTexts) {
  EXPECT_EQ(window->windowTitle(), "Quorv Utilities");
  EXPECT_EQ(window->size(), QSize(800, 600));
  EXPECT_EQ(window->statusText(0), "Ready");
  EXPECT_EQ(window->statusText(1), "");
  EXPECT_EQ(window->statusText(2), "COM3 300");
  EXPECT_EQ(window->statusText(3), "");
  QStringList menus;
  for (QAction* menu : window->menuBar()->actions()) {
    menus << menu->text();
    for (QAction* item : menu->menu()->actions())
      if (!item->isSeparator()) menus << item->text();
  }
  EXPECT_EQ(menus, (QStringList{"&File", "E&xit", "&Tools", "&Mouse+KBD Link"}));
}

}  // namespace
}  // namespace tovrin

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
