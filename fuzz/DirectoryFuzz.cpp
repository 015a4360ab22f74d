// A card's directory from the fuzz input: loading it, the chain check, the chain walk, the
// diagnostics grid and a repair answered with Yes. After the repair the card must read back
// as a consistent volume: every later check passes and every entry is on the chain.

#include <cstdlib>
#include <memory>
#include <set>

#include "fuzz/MemoryCard.h"
#include "volume/Diagnostics.h"
#include "volume/Directory.h"
#include "volume/Repair.h"

namespace vexo::fuzz {
namespace {

constexpr const char* kDrive = "E:";

void Require(bool holds) {
  if (!holds) std::abort();
}

// The categories the entries are in, the blank one always; a few are enough to walk the chain
// with a filter that matches and one that does not.
std::set<std::string> SomeCategories(const Directory& dir) {
  std::set<std::string> categories{""};
  for (int slot = 1; slot <= kSlotCount && categories.size() < 4; ++slot)
    if (IsUsed(dir.header(slot))) categories.insert(dir.header(slot).category());
  return categories;
}

// Every check of a repaired directory, read back from the card.
void CheckRepaired(Directory& dir, int disk) {
  Require(dir.LoadDirectory(disk, kDrive, DirectoryLoad::Keep));
  Require(dir.CheckChain() == 0);
  Require(SlotsNeedingRepair(dir).empty());
  const Diagnostics d = Diagnose(dir);
  Require(d.errors == 0 && d.warnings == 0 && !d.alarming);
  // The walk lists every entry of a category.
  for (const std::string& category : SomeCategories(dir)) {
    std::size_t inCategory = 0;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
      const SlotHeader& h = dir.header(slot);
      inCategory += IsUsed(h) && h.category() == category ? 1 : 0;
    }
    Require(dir.ChainEntries(category).size() == inCategory);
  }
}

}  // namespace
}  // namespace vexo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexo;
  using namespace vexo::fuzz;
  auto card = std::make_shared<MemoryCard>(data, size);
  DiskTable table;
  const int disk = table.AttachDevice(card);
  YesPrompter ui;
  NoMounts mounts;
  DiskAccess access(table, ui, mounts);
  Directory dir(access);
  if (!dir.LoadDirectory(disk, kDrive, DirectoryLoad::Keep)) return 0;

  dir.CheckChain();
  for (const std::string& category : SomeCategories(dir)) dir.ChainEntries(category);
  SortedUsedSlots(dir);
  Diagnose(dir);

  const std::vector<int> needing = SlotsNeedingRepair(dir);
  {
    OperationScope operation(access);
    Require(RepairChain(dir, disk, kDrive));
    Require(operation.finish());
  }
  // Each header that changes is written once, in slot order; no other.
  Require(card->writtenSlots == needing);
  for (int slot : needing) Require(card->header(slot) == dir.header(slot));
  CheckRepaired(dir, disk);
  return 0;
}
