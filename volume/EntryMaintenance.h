#pragma once
// The commands that change or show one entry: Delete, Rename (with the descriptions) and
// Properties, and the name offered for a new category. They start from a Selection and write
// the changed headers back at once.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "volume/Directory.h"
#include "volume/Selection.h"

namespace vexo {

// Asks "Confirm Delete of '…'", unlinks the entry and frees its slot. Its other header fields
// and its data stay on the card.
bool DeleteEntry(Directory& dir, const Selection& selection);

// What the Rename dialog holds when it closes with OK.
struct RenameRequest {
  std::string filename;
  std::string desc1, desc2, desc3, desc4;
};
// The dialog's starting values: the entry's name and descriptions.
RenameRequest RenameDefaults(const SlotHeader& h);
bool RenameEntry(Directory& dir, const Selection& selection, const RenameRequest& request);

// The Properties dialog's eleven lines: caption and value.
std::vector<std::pair<std::string, std::string>> EntryProperties(const SlotHeader& h);

// "New Category" followed by one more than the highest number among the given names of that
// form ("New Category1", "New Category4" → "New Category5").
std::string NextNewCategoryName(const std::vector<std::string>& categoryNames);

}  // namespace vexo
