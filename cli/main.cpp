#include <clocale>
#include <iostream>

#include "cli/Commands.h"
#include "cli/Interrupt.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");  // the user's date and time separators
  vexo::CatchInterrupts();
  std::vector<std::string> words(argv + 1, argv + argc);
  return vexo::RunVexo(words, std::cout, std::cerr);
}
