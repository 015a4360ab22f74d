#include "volume/Repair.h"

#include "volume/Chain.h"

namespace vexo {
namespace {

// The directory as a consistent volume would hold it.
std::vector<SlotHeader> Repaired(const Directory& dir) {
  std::vector<SlotHeader> fixed = dir.vexodirs;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    SlotHeader& h = fixed[static_cast<std::size_t>(slot)];
    h.setNext(0);
    h.setPrevious(0);
    h.setFirst(0);
    h.setLast(0);
  }
  const std::vector<int> order = SortedUsedSlots(dir);
  for (std::size_t k = 0; k < order.size(); ++k) {
    SlotHeader& h = fixed[static_cast<std::size_t>(order[k])];
    h.setPrevious(static_cast<std::uint16_t>(k > 0 ? order[k - 1] : 0));
    h.setNext(static_cast<std::uint16_t>(k + 1 < order.size() ? order[k + 1] : 0));
  }
  if (!order.empty()) {
    fixed[1].setFirst(static_cast<std::uint16_t>(order.front()));
    fixed[1].setLast(static_cast<std::uint16_t>(order.back()));
  }
  return fixed;
}

}  // namespace

std::vector<int> SlotsNeedingRepair(const Directory& dir) {
  const std::vector<SlotHeader> fixed = Repaired(dir);
  std::vector<int> slots;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    if (!(fixed[static_cast<std::size_t>(slot)] == dir.header(slot))) slots.push_back(slot);
  }
  return slots;
}

bool RepairChain(Directory& dir, int disk, const std::string& drive, RepairQuestion question) {
  const std::vector<int> slots = SlotsNeedingRepair(dir);
  Prompter& ui = dir.prompter();
  if (slots.empty()) {
    ui.message("The Vexo File system needs no repair");
    return true;
  }
  if (question == RepairQuestion::Ask &&
      ui.ask("Rebuild the chain of the Vexo File system, writing " + std::to_string(slots.size()) +
                 " headers?",
             Buttons::YesNo, Answer::No) == Answer::No)
    return false;
  const std::vector<SlotHeader> fixed = Repaired(dir);
  for (int slot : slots) {
    dir.header(slot) = fixed[static_cast<std::size_t>(slot)];
    if (!WriteHeader(dir, slot, disk, drive)) {
      ui.message(kErrorWritingDirectory);
      return false;
    }
  }
  dir.observer->entriesChanged();
  return true;
}

}  // namespace vexo
