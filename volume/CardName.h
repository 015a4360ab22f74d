#pragma once
// How the questions that erase something name the card they erase it on: its node in the
// volume tree and what it is, "Vexo 2 (F:) — card.img".

#include <string>

#include "disk/DiskAccess.h"

namespace vexo {

std::string CardName(DiskAccess& access, int disk, const std::string& drive, bool holdsVolume);

}  // namespace vexo
