#include "cli/Interrupt.h"

#include <csignal>

namespace vexo {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a question waiting on the terminal is interrupted too. SA_RESETHAND: the
  // second signal finds the default action and ends the program.
  action.sa_flags = SA_RESETHAND;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interrupted != 0; }

}  // namespace vexo
