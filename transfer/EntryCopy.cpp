#include "transfer/EntryCopy.h"

#include <algorithm>
#include <vector>

#include "volume/Chain.h"

namespace vexo {
namespace {

constexpr std::size_t kRunSectors = 256;
constexpr const char* kCopyFailed = "Error copying Vexo File";
constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";

}  // namespace

bool CopyEntry(Directory& dir, const CopySource& source, const VolumeTarget& target) {
  if (source.slot < 1 || source.slot > kSlotCount) return false;
  Prompter& ui = dir.prompter();
  DiskAccess& io = dir.access();

  if (!dir.LoadDirectory(target.disk, target.drive, DirectoryLoad::Keep)) {
    ui.message("Target Drive does not contain a Vexo File system");
    return false;
  }
  dir.observer->copyTargetLoaded();

  std::string name = source.filename;
  int slot = dir.FindEntry(target.category, name);
  const bool replace = slot != kNoSlot && target.disk != source.disk;
  if (slot == kNoSlot || !replace) {
    if (slot != kNoSlot) {
      name = "Copy of " + source.filename;
      for (int n = 2; dir.FindEntry(target.category, name) != kNoSlot; ++n)
        name = "Copy (" + std::to_string(n) + ") of " + source.filename;
    }
    slot = dir.FindFreeSlot();
    if (slot == kNoSlot) {
      ui.message(kNoSpace);
      return false;
    }
  } else {
    const std::string where =
        target.category.empty() ? target.drive + "\\" : target.drive + "\\" + target.category + "\\";
    if (ui.ask("Replace '" + where + name + "'?", Buttons::YesNo, Answer::No) == Answer::No)
      return false;
  }

  if (ui.cancelRequested()) return false;
  ui.progressBegin("Copying " + name, kSectorsPerSlot);
  const auto fail = [&] {
    ui.progressEnd();
    ui.message(kCopyFailed);
    return false;
  };
  const std::uint64_t from = SlotFirstSector(source.slot);
  const std::uint64_t to = SlotFirstSector(slot);

  SlotHeader h;
  if (!io.ReadSector(source.disk, from, h.bytes.data())) return fail();
  const SlotHeader& old = dir.header(slot);
  h.setFirst(old.first());
  h.setLast(old.last());
  if (slot == 1) {
    // Header 1 keeps the target volume's own Common Storage Area bookkeeping.
    std::copy(old.bytes.begin() + kCsaFieldsBegin, old.bytes.begin() + kCsaFieldsEnd,
              h.bytes.begin() + kCsaFieldsBegin);
  }
  h.setCategory(target.category);
  h.setFilename(name);

  // A new entry's data goes into its free slot first and the chain and header follow, so that a
  // copy stopped on the way (a failure, Cancel) leaves nothing listed. A replacement writes over
  // the entry it replaces and is never stopped half-way.
  const auto copyData = [&](bool mayStop) {
    std::vector<std::uint8_t> run(kRunSectors * kSectorSize);
    for (std::uint64_t i = 1; i < kSectorsPerSlot;) {
      if (mayStop && ui.cancelRequested()) {
        ui.progressEnd();
        return false;
      }
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(kRunSectors, kSectorsPerSlot - i));
      if (!io.ReadSectors(source.disk, from + i, count, run.data()) ||
          !io.WriteSectors(target.disk, target.drive, to + i, count, run.data()))
        return fail();
      i += count;
      ui.progressSet(replace ? i : i - 1);  // a new entry's header is still to come
      ui.pump();
    }
    return true;
  };
  const auto writeHeader = [&] {
    if (!io.WriteSector(target.disk, target.drive, to, dir.header(slot).bytes.data())) return fail();
    ui.progressSet(replace ? 1 : kSectorsPerSlot);
    return true;
  };
  if (replace) {
    h.setNext(old.next());
    h.setPrevious(old.previous());
    dir.header(slot) = h;
    if (!writeHeader() || !copyData(false)) return false;
  } else {
    if (!copyData(true)) return false;
    dir.header(slot) = h;
    InsertInChain(dir, dir.header(slot), slot, target.disk, target.drive);
    if (!writeHeader()) return false;
  }
  ui.progressEnd();
  dir.observer->entriesChanged();
  return true;
}

}  // namespace vexo
