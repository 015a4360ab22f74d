#include "cli/Interrupt.h"

#include <csignal>
#include <initializer_list>

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
  for (const int signal : {SIGINT, SIGTERM}) {
    // A shell starts background jobs with SIGINT ignored: they keep ignoring it.
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

bool InterruptRequested() { return interrupted != 0; }

}  // namespace vexo
