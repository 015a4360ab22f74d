#pragma once
// The program start: the main window, then the six dialogs in their order, then the start-up
// sequence.

#include <memory>

#include "explorer/MainWindow.h"

namespace vexo {

// Without `notifications`, those of this machine.
std::unique_ptr<MainWindow> StartExplorer(DiskTable& table, DialogSeam& seam,
                                          std::unique_ptr<NotifyBackend> notifications = nullptr);

}  // namespace vexo
