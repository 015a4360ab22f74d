// The window tests run in one QApplication, without a display, with settings of their own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);  // settings go to a test folder, not the user's
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Harnwick");
  QApplication::setApplicationName("VexoExplorer");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
