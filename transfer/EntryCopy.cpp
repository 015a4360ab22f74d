#include "transfer/EntryCopy.h"

#include <algorithm>
#include <vector>

#include "transfer/SectorRuns.h"
#include "volume/Chain.h"

namespace vexo {
namespace {

constexpr const char* kCopyFailed = "Error copying Vexo File";

}  // namespace

bool CopyEntry(Directory& dir, const CopySource& source, const VolumeTarget& target) {
  if (source.slot < 1 || source.slot > kSlotCount) return false;
  Prompter& ui = dir.prompter();
  DiskAccess& io = dir.access();

  if (!dir.LoadDirectory(target.disk, target.drive, DirectoryLoad::Keep)) {
    ui.message(kNoVexoVolume);
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
  const SlotHeader old = dir.header(slot);
  h.setFirst(old.first());
  h.setLast(old.last());
  if (slot == 1) {
    // Header 1 keeps the target volume's own Common Storage Area bookkeeping.
    std::copy(old.bytes.begin() + kCsaFieldsBegin, old.bytes.begin() + kCsaFieldsEnd,
              h.bytes.begin() + kCsaFieldsBegin);
  }
  h.setCategory(target.category);
  h.setFilename(name);

  // The data reach the medium before any header lists them: a new entry's go into its free slot
  // and the chain and header follow, so that a copy stopped on the way (a failure, Cancel)
  // leaves nothing listed; an entry being replaced is taken out of the directory first, and
  // its header written again, with its old links, after the data.
  const auto copyData = [&](StopAt stop) {
    SectorRuns runs(dir, target.disk, target.drive, ProgressUnit::Sectors);
    std::uint64_t next = from + 1;
    const SectorRuns::Source fromSource = [&](std::uint8_t* data, std::size_t bytes) {
      const std::size_t sectors = bytes / kSectorSize;
      if (!io.ReadSectors(source.disk, next, sectors, data)) {
        ui.message(kCopyFailed);
        return false;
      }
      next += sectors;
      return true;
    };
    return runs.write(to + 1, (kSectorsPerSlot - 1) * kSectorSize, fromSource,
                      [](std::uint64_t) { return std::string(kCopyFailed); }, stop) &&
           io.Flush();
  };
  const auto writeHeader = [&] {
    if (!io.WriteSector(target.disk, target.drive, to, dir.header(slot).bytes.data())) return fail();
    ui.progressSet(kSectorsPerSlot);
    return true;
  };
  if (replace) {
    h.setNext(old.next());
    h.setPrevious(old.previous());
    if (!TakeOutOfDirectory(dir, slot, target.disk, target.drive) || !io.Flush() ||
        !copyData(StopAt::Never))
      return false;
    dir.header(slot) = h;
    if (!writeHeader()) return false;
  } else {
    if (!copyData(StopAt::BetweenRuns)) return false;
    dir.header(slot) = h;
    if (!InsertInChain(dir, dir.header(slot), slot, target.disk, target.drive)) {
      ui.progressEnd();
      return false;
    }
    ui.progressSet(kSectorsPerSlot);
  }
  ui.progressEnd();
  dir.observer->entriesChanged();
  return true;
}

}  // namespace vexo
