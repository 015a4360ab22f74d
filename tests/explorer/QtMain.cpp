// The window tests run in one QApplication, without a display, with settings of their own:
// every test process gets a config folder of its own, since CTest runs them side by side.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config(QDir::tempPath() + "/vexo-settings-XXXXXX");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Harnwick");
  QApplication::setApplicationName("VexoExplorer");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
