#pragma once
// The check that diagnostics adds to the chain's: every used entry's program read back and
// its byte sum compared with the `progsum` its header records. A program torn by a write that
// never finished, or rotted on the card, passes every chain check; this finds it.

#include <string>
#include <vector>

#include "volume/Directory.h"

namespace vexo {

struct ProgramFinding {
  int slot = 0;
  std::string text;  // "Slot 4 (Games\Pong): the program does not match its checksum"
};

// The byte sum of a program, modulo 65536, as `progsum` holds it.
std::uint16_t ProgramSum(const std::uint8_t* data, std::size_t bytes);

// Reads the programs of the used slots of the directory copy from disk `disk`, in slot order.
std::vector<ProgramFinding> CheckPrograms(Directory& dir, int disk);

}  // namespace vexo
