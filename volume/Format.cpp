#include "volume/Format.h"

#include <algorithm>
#include <array>
#include <vector>

#include "volume/CardName.h"

namespace vexo {
namespace {

bool HasPartitionSignature(const std::array<std::uint8_t, kSectorSize>& sector0) {
  return sector0[510] == 0x55 && sector0[511] == 0xAA;
}

// Whether the start of the card holds anything: where a file system without a partition table
// keeps its superblock (ext at 1 KiB, btrfs at 64 KiB, FAT and NTFS at 0).
bool StartHoldsData(DiskAccess& io, int disk) {
  constexpr std::size_t kLookedAt = 256;  // 128 KiB
  std::vector<std::uint8_t> start(kLookedAt * kSectorSize);
  if (!io.ReadSectors(disk, 0, kLookedAt, start.data())) return true;  // unknown: ask
  return std::any_of(start.begin(), start.end(), [](std::uint8_t b) { return b != 0; });
}

std::string EntriesLost(const Directory& dir) {
  int used = 0;
  for (int slot = 1; slot <= kSlotCount; ++slot) used += IsUsed(dir.header(slot)) ? 1 : 0;
  if (used == 0) return "It holds no entries.";
  if (used == 1) return "Its one entry will be erased.";
  return "All " + std::to_string(used) + " entries on it will be erased.";
}

}  // namespace

bool FormatDrive(Directory& dir, int disk, const std::string& drive, FormatCompletion completion) {
  Prompter& ui = dir.prompter();
  DiskAccess& io = dir.access();

  std::array<std::uint8_t, kSectorSize> sector0{};
  if (!io.ReadSector(disk, 0, sector0.data())) {
    // A card the user may not open says why (the helper's answer) and what to do.
    ui.message("Failed to read " + drive + (io.lastReason().empty() ? "" : "\n" + io.lastReason()));
    return false;
  }
  if (HasPartitionSignature(sector0) &&
      ui.ask("Drive is Formatted or Partitioned, do you realy want to format as Vexo disk?\n" +
                 CardName(io, disk, drive, false) + "\nThe file systems on it will be lost.",
             Buttons::OkCancel, Answer::Cancel, Tone::Warning) == Answer::Cancel)
    return false;

  const std::uint64_t available = io.DiskLength(disk) / kSectorSize;
  if (available < kRequiredSectors) {
    ui.message("Disk is too small for Vexo File system\nSectors available=" +
               std::to_string(available) + "\nSectors required=" + std::to_string(kRequiredSectors));
    return false;
  }
  // Kept, so that the question can count what it would erase; the format empties it anyway.
  if (dir.LoadDirectory(disk, drive, DirectoryLoad::Keep)) {
    if (ui.ask("Drive is already Formatted as Vexo File system, do you realy want to reformat?\n" +
                   CardName(io, disk, drive, true) + "\n" + EntriesLost(dir),
               Buttons::YesCancel, Answer::Cancel) == Answer::Cancel)
      return false;
  } else if (!HasPartitionSignature(sector0) && StartHoldsData(io, disk) &&
             ui.ask("Drive holds data but no Vexo File system, format it as Vexo disk all the "
                    "same?\n" + CardName(io, disk, drive, false) +
                        "\nWhat it holds will be overwritten.",
                    Buttons::OkCancel, Answer::Cancel, Tone::Warning) == Answer::Cancel) {
    // A file system on the whole card, without a partition table (mkfs on /dev/sdb).
    return false;
  }

  // Half a format is neither volume: once begun, it is not stopped.
  if (ui.cancelRequested()) return false;
  const SlotHeader blank = BlankHeader(SlotState::Free);
  ui.progressBegin("Formatting", kSlotCount);
  ui.busy(true);
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    if (!io.WriteSector(disk, drive, SlotFirstSector(slot), blank.bytes.data())) {
      ui.progressEnd();
      ui.message("Failed to Format " + drive);
      ui.busy(false);
      return false;
    }
    ui.progressStep();
    ui.pump();
  }
  ui.progressEnd();
  ui.busy(false);
  // What the window reports as formatted is on the card.
  if (!io.Flush()) return false;

  dir.observer->driveChanged(drive);
  dir.vexodrv = -1;  // the next selection reloads
  dir.observer->entriesChanged();
  if (!dir.observer->selectDrive(drive)) {
    ui.message("Logic Error, drive not found after successful format");
    return false;
  }
  if (completion == FormatCompletion::Announce) ui.message("Format complete");
  return true;
}

}  // namespace vexo
