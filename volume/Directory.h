#pragma once
// The copy of one volume's directory that every listing, lookup and chain change works on,
// and the disk it belongs to. Changes are written back header by header (Chain.h).

#include <string>
#include <vector>

#include "disk/DiskAccess.h"
#include "volume/SlotHeader.h"
#include "volume/VolumeObserver.h"

namespace vexo {

// One row of the entry list, in column order.
struct EntryRow {
  int slot = 0;
  std::string filename;
  std::string modified;  // date + " " + time
  std::string desc1, desc2, desc3, desc4;
};

enum class DirectoryLoad { Keep, CheckOnly };

class Directory {
 public:
  explicit Directory(DiskAccess& access);
  ~Directory();
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // Element i is the header of slot i (1 to 512); element 0 is never used.
  std::vector<SlotHeader> vexodirs;
  // The disk `vexodirs` belongs to; -1 for none.
  int vexodrv = -1;

  SlotHeader& header(int slot) { return vexodirs[static_cast<std::size_t>(slot)]; }
  const SlotHeader& header(int slot) const { return vexodirs[static_cast<std::size_t>(slot)]; }

  // True when all 512 headers carry the magic. With Keep, the headers read go into the copy
  // and `vexodrv` becomes the disk (-1 after a failed read); CheckOnly only recognises a volume.
  bool LoadDirectory(int disk, const std::string& drive, DirectoryLoad load);

  // Lowest used slot whose category and filename equal these, A to Z matching a to z; kNoSlot.
  // Free slots never match: a formatted one reads as an empty name in the blank category, and
  // "replacing" it would leave an entry outside the chain.
  int FindEntry(const std::string& category, const std::string& filename) const;
  // Lowest free slot; kNoSlot when all are used.
  int FindFreeSlot() const;
  // Lowest slot whose filename and category equal these exactly, letter case included, as the
  // entry list's selected caption is matched; kNoSlot when none does. Only used slots count.
  int FindListedEntry(const std::string& category, const std::string& filename) const;

  // Chain errors against the order the sort keys demand; shows their number when not 0.
  int CheckChain();
  // The same count, shown nowhere.
  int CountChainErrors() const;
  // The entries of a category in chain order; the walk gives up after 513 slots.
  std::vector<EntryRow> ChainEntries(const std::string& category) const;

  // The window's trees; `vexo` has none.
  VolumeObserver* observer = &NoTrees();

  DiskAccess& access() { return access_; }
  Prompter& prompter() { return access_.prompter(); }

 private:
  DiskAccess& access_;
};

// "N Errors in Vexo File system".
std::string ChainErrorsText(int errors);

// The categories of the used slots, blank left out, in the order of the lowest slot that carries
// each: the order of the volume tree's category nodes.
std::vector<std::string> Categories(const Directory& directory);

// The used slots ordered by sort key, a later slot before an earlier one of equal key (each is
// put in front of the first whose key is equal or greater).
std::vector<int> SortedUsedSlots(const Directory& directory);

// A link read from the card: a slot number 1 to 512, or 0 for a link that ends the chain or
// leads off the directory.
inline int LinkTarget(std::uint16_t link) { return link <= kSlotCount ? link : 0; }

}  // namespace vexo
