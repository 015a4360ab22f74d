#pragma once
// Making a removable disk an empty Vexo volume: 512 blank headers, nothing else.

#include <string>

#include "volume/Directory.h"

namespace vexo {

inline constexpr std::uint64_t kRequiredSectors = kSlotAreaSectors;

// Whether a format ends with "Format complete" (not when a restore follows it).
enum class FormatCompletion { Announce, Silent };

// Formats disk `disk` behind `drive` after the partition, size and reformat checks. The two
// questions name the card and say what will be lost.
bool FormatDrive(Directory& dir, int disk, const std::string& drive,
                 FormatCompletion completion = FormatCompletion::Announce);

}  // namespace vexo
