#pragma once
// Saving entries, or a whole volume with its Common Storage Area, into an image archive. The
// card is only read; the payload streams into the archive while the card is read.

#include <optional>
#include <string>
#include <vector>

#include "volume/Directory.h"

namespace vexo {

// The slots of the entry-list items chosen for export, in ascending order; nothing after
// "Code error" when an item names no slot.
std::optional<std::vector<int>> ExportSlots(Directory& dir, const std::string& category,
                                            const std::vector<std::string>& captions);
// Every used slot: a backup of the whole volume.
std::vector<int> BackupSlots(const Directory& dir);

// Whether a backup of the whole volume carries the Common Storage Area: when header 1 records
// that it is used.
bool BacksUpCsa(const Directory& dir);

// Writes the archive: the headers of `slots`, their data and, with `withCsa`, the Common
// Storage Area. No file is left behind when it fails.
bool WriteImageArchive(Directory& dir, int disk, const std::string& drive,
                       const std::vector<int>& slots, bool withCsa, const std::string& path);

}  // namespace vexo
