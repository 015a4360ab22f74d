#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask a running `vexo` command to stop at its next safe point; a
// second one ends the program at once.

namespace vexo {

inline constexpr int kExitCancelled = 130;  // what shells report for a program ended by Ctrl-C

void CatchInterrupts();
bool InterruptRequested();

}  // namespace vexo
