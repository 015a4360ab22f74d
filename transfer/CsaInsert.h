#pragma once
// Writing a GCI file raw into the Common Storage Area at a sector offset the user types; header
// 1 records the file at offset 0, that something went elsewhere, and the high-water mark.

#include <cstdint>
#include <optional>
#include <string>

#include "transfer/Target.h"
#include "volume/Directory.h"

namespace vexo {

// An offset as typed: decimal, or hexadecimal after $, 0x, 0X, x or X; a sign may lead; blanks
// and control characters around it are ignored. Nothing for anything else, for a value outside
// 32 bits, and for a negative one (the area has nothing below its first sector).
std::optional<std::int32_t> ParseSectorOffset(const std::string& answer);

// The offset dialog, asked again with "Invalid" until a number comes or the user cancels.
std::optional<std::int32_t> AskSectorOffset(Prompter& prompter);

bool InsertIntoCsa(Directory& dir, const VolumeTarget& target, const std::string& filePath,
                   std::int32_t offset);

}  // namespace vexo
