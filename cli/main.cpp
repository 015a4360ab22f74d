#include <clocale>
#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");  // the user's date and time separators
  std::vector<std::string> words(argv + 1, argv + argc);
  return vexo::RunVexo(words, std::cout, std::cerr);
}
