#pragma once
// Making a removable disk an empty Vexo volume: 512 blank headers, nothing else.

#include <string>

#include "volume/Directory.h"

namespace vexo {

inline constexpr std::uint64_t kRequiredSectors = kSlotAreaSectors;

// Formats disk `disk` behind `drive` after the partition, size and reformat checks. With
// `showCompletion` it ends with "Format complete".
bool FormatDrive(Directory& dir, int disk, const std::string& drive, bool showCompletion);

}  // namespace vexo
