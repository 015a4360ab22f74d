#include "transfer/SectorRuns.h"

#include <algorithm>
#include <cstring>

namespace vexo {

SectorRuns::SectorRuns(Directory& dir, int disk, std::string drive, ProgressUnit unit,
                       std::uint64_t position)
    : dir_(dir), disk_(disk), drive_(std::move(drive)), unit_(unit), position_(position) {}

SectorRuns::Source SectorRuns::FromMemory(const std::uint8_t* data) {
  return [data](std::uint8_t* out, std::size_t bytes) mutable {
    std::memcpy(out, data, bytes);
    data += bytes;
    return true;
  };
}

bool SectorRuns::stopHere(StopAt stop) {
  return stop == StopAt::BetweenRuns && dir_.prompter().cancelRequested();
}

bool SectorRuns::end(bool result) {
  if (!result) dir_.prompter().progressEnd();
  return result;
}

void SectorRuns::advance(std::uint64_t bytes) {
  position_ += unit_ == ProgressUnit::Bytes ? bytes : (bytes + kSectorSize - 1) / kSectorSize;
  dir_.prompter().progressSet(position_);
}

void SectorRuns::ran(std::size_t bytes) {
  position_ += unit_ == ProgressUnit::Bytes ? bytes : (bytes + kSectorSize - 1) / kSectorSize;
  if (onRun) onRun();
  else dir_.prompter().progressSet(position_);
  dir_.prompter().pump();
}

bool SectorRuns::write(std::uint64_t first, std::uint64_t bytes, const Source& source,
                       const Failure& failure, StopAt stop) {
  Prompter& ui = dir_.prompter();
  while (bytes > 0) {
    if (stopHere(stop)) return end(false);
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, run_.size()));
    if (!source(run_.data(), part)) return end(false);
    const std::size_t sectors = (part + kSectorSize - 1) / kSectorSize;
    std::fill(run_.begin() + static_cast<std::ptrdiff_t>(part),
              run_.begin() + static_cast<std::ptrdiff_t>(sectors * kSectorSize), 0);
    if (!dir_.access().WriteSectors(disk_, drive_, first, sectors, run_.data())) {
      ui.progressEnd();
      if (failure) ui.message(failure(first));
      return false;
    }
    bytes -= part;
    first += sectors;
    ran(part);
  }
  return true;
}

bool SectorRuns::read(std::uint64_t first, std::uint64_t bytes, const Sink& sink,
                      const Failure& failure, StopAt stop) {
  Prompter& ui = dir_.prompter();
  DiskAccess& io = dir_.access();
  while (bytes > 0) {
    if (stopHere(stop)) return end(false);
    const std::size_t sectors = static_cast<std::size_t>(
        std::min<std::uint64_t>(kRunSectors, (bytes + kSectorSize - 1) / kSectorSize));
    if (!io.ReadSectors(disk_, first, sectors, run_.data())) {
      // The run again, one sector at a time, to name the sector that fails.
      for (std::size_t i = 0; i < sectors; ++i) {
        if (io.ReadSector(disk_, first + i, run_.data() + i * kSectorSize)) continue;
        ui.progressEnd();
        if (failure) ui.message(failure(first + i));
        return false;
      }
    }
    const std::size_t part =
        static_cast<std::size_t>(std::min<std::uint64_t>(bytes, sectors * kSectorSize));
    if (!sink(run_.data(), part)) return end(false);
    bytes -= part;
    first += sectors;
    ran(part);
  }
  return true;
}

}  // namespace vexo
