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

}  // namespace vexo
