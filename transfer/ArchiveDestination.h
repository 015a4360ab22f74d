#pragma once
// Where an export or a backup goes, by the same rules in the window and in `vexo`: a one-entry
// export is named after its entry, an existing archive is replaced only after a question, and a
// path that holds anything but a regular file (a folder, a device, a FIFO) is never replaced.

#include <string>

#include "disk/Prompter.h"

namespace vexo {

// The archive of a one-entry export in `folder`: the entry's name made safe for a PC file name,
// and ".VexoImage".
std::string SingleEntryArchiveName(const std::string& filename);
std::string SingleEntryArchivePath(const std::string& folder, const std::string& filename);

// False, after a message, when `path` holds something other than a regular file.
bool MayHoldAnArchive(Prompter& ui, const std::string& path);
// MayHoldAnArchive, then "Replace '…'?" (No the default) when a file is there.
bool MayWriteArchive(Prompter& ui, const std::string& path);

}  // namespace vexo
