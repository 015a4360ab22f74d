#pragma once
// The ".dat" list beside a GCI file: one graphic a line, read into the slot's graphics index.
//   "Name" LLLL HHHH v1 v2
// The name in double quotes, the byte offset as two words of four upper-case hexadecimal digits
// (low word first), then two numbers from 0 to 65535.

#include <array>
#include <optional>
#include <string>

#include "volume/GraphicsIndex.h"

namespace vexo {

using GraphicsIndex = std::array<GraphicsRecord, kGraphicsRecords>;

GraphicsIndex EmptyGraphicsIndex();

// The index built from the text of a ".dat" file (its first 256 lines). Nothing, with the
// reason in `error`, when a line is malformed.
std::optional<GraphicsIndex> ParseDatList(const std::string& text, std::string& error);

}  // namespace vexo
