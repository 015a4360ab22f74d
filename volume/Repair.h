#pragma once
// Mending a directory whose chain no longer matches its entries: the used slots are linked
// again in sort-key order, free slots lose their links, and `first`/`last` outside header 1
// are cleared. Only headers that change are written.

#include "volume/Directory.h"

namespace vexo {

// The headers a repair would write, in slot order; empty when the directory is consistent.
std::vector<int> SlotsNeedingRepair(const Directory& dir);

// Asks first (unless the caller already has); false when declined or a write failed (shown).
enum class RepairQuestion { Ask, AlreadyAsked };
bool RepairChain(Directory& dir, int disk, const std::string& drive,
                 RepairQuestion question = RepairQuestion::Ask);

}  // namespace vexo
