// Start-up of the window with a card of 512 entries attached: until the window is shown and
// fully listed. Runs without a display.

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <cstdio>

#include "explorer/DialogSeam.h"
#include "explorer/Startup.h"
#include "tests/support/CardImage.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Harnwick");
  QApplication::setApplicationName("VexoExplorerBench");

  vexo::testing::TempDir temp;
  const std::string image = vexo::testing::MakeImage(temp.file("full.img"));
  vexo::testing::CardBuilder card;
  for (int slot = 1; slot <= vexo::kSlotCount; ++slot)
    card.add(slot, slot % 8 == 0 ? "Cat" + std::to_string(slot % 5) : "", "entry" + std::to_string(slot));
  card.writeTo(image);

  for (int run = 0; run < 3; ++run) {
    vexo::DiskTable table;
    table.Attach(image);
    vexo::DialogSeam seam;
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<vexo::MainWindow> window = vexo::StartExplorer(table, seam);
    window->show();
    QCoreApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("start-up with 512 entries: %.1f ms, %d entries listed (aim: within 1000 ms)\n", ms,
                window->findChild<QTreeWidget*>("ListView1")->topLevelItemCount());
  }
  return 0;
}
