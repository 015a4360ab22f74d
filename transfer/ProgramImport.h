#pragma once
// A Vexo Program (".vxe") becomes an entry: a new one in the lowest free slot, or the
// replacement of the entry of the same name in the category.

#include <string>

#include "transfer/Target.h"
#include "transfer/Timestamp.h"
#include "transfer/TransferBuffers.h"
#include "volume/Directory.h"

namespace vexo {

bool ImportProgram(Directory& dir, TransferBuffers& buffers, const VolumeTarget& target,
                   const std::string& filePath, const RegionalSeparators& separators);

// Writes `bytes` of `data` to the sectors from `first` on in runs, moving the progress bar by
// the sectors written. False when a write fails (the device has shown why).
bool WriteRegion(Directory& dir, int disk, const std::string& drive, std::uint64_t first,
                 const std::uint8_t* data, std::size_t sectors, std::uint64_t progressBase = 0);

}  // namespace vexo
