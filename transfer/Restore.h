#pragma once
// Restoring an image archive onto a Vexo volume: the stored entries are offered for choice
// (left out, renamed, moved to another category), then merged into the volume in the order
// they were stored; the Common Storage Area, when chosen, comes last. What the card holds after
// a crash at any point is whole: entries being replaced are taken out of the directory, then
// every entry's bytes are written and flushed, then the headers and links that list them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfer/Target.h"
#include "volume/Directory.h"

namespace vexo {

// One line of "Modify entries to be restored": "category\filename", or "filename" alone for
// the blank category, and the stored header it stands for (1-based, in payload order).
struct RestoreItem {
  std::string text;
  bool checked = true;
  int stored = 0;
};

// The archive's Common Storage Area, offered as an item of its own below the entries:
// "Common Storage Area: FILE, N bytes".
struct CsaChoice {
  std::string text;
  std::uint64_t bytes = 0;
  bool checked = true;
};

// The dialog's list: sorted, every item checked.
class RestoreList {
 public:
  explicit RestoreList(std::vector<RestoreItem> items);
  std::vector<RestoreItem>& items() { return items_; }
  const std::vector<RestoreItem>& items() const { return items_; }

  void CheckAll();
  void UncheckAll();
  // The category part of the first checked item that has one, else "".
  std::string ProposedCategory() const;
  // Every checked item moves to `category`.
  void ChangeCheckedCategory(const std::string& category);
  // The item at `index` gets a new category and filename; it keeps its place and check mark.
  void Rename(std::size_t index, const std::string& category, const std::string& filename);

  // "category\filename" split at its first "\"; no "\": the blank category.
  static std::pair<std::string, std::string> Split(const std::string& text);
  static std::string Join(const std::string& category, const std::string& filename);

  // Present when the archive holds a Common Storage Area. Checked by default unless the
  // target card has an area of its own (and is not formatted first).
  std::optional<CsaChoice> csa;

 private:
  std::vector<RestoreItem> items_;
};

// Shows the list and returns false for Cancel ("Restore Checked" returns true).
using ChooseRestoreItems = std::function<bool(RestoreList&)>;

// The items an archive offers, without writing anything; nothing after a message when the
// archive cannot be read or is not a valid image.
std::optional<RestoreList> ReadRestoreList(Prompter& ui, const std::string& archivePath);

// Runs once the choices are made and the whole archive is checked, before the first write: a
// format of the target, say. False stops the restore with nothing written by it.
using BeforeRestoreWrites = std::function<bool()>;

// True when every checked entry (and the Common Storage Area) was restored; false after a
// failure, and also when an answer or a full card left an entry out. Cancel stops it between
// entries, so that the card holds whole entries only. With `beforeWrites`, the target's
// directory is read again after it has run.
bool RestoreImage(Directory& dir, const VolumeTarget& target, const std::string& archivePath,
                  const ChooseRestoreItems& choose, const BeforeRestoreWrites& beforeWrites = {});

}  // namespace vexo
