#pragma once
// Attaching an SM file (".pdata") or graphics (a GCI file with its ".dat" list) to an existing
// entry: the data go into the entry's slot, then the header says what is there.

#include <optional>
#include <string>

#include "transfer/Target.h"
#include "transfer/Timestamp.h"
#include "transfer/TransferBuffers.h"
#include "volume/Directory.h"

namespace vexo {

enum class Attachment { SmFile, Graphics };

// `entryCaption` is the entry-list item under the drop point; nothing there does nothing.
bool AttachFile(Directory& dir, TransferBuffers& buffers, const VolumeTarget& target,
                const std::optional<std::string>& entryCaption, const std::string& filePath,
                Attachment kind, const RegionalSeparators& separators);

}  // namespace vexo
