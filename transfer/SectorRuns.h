#pragma once
// Moving a region of a card in runs of sectors between the card and what holds its bytes: the
// one loop behind import, attachment, insertion into the Common Storage Area, an entry copy,
// backup and restore. After each run the progress bar moves and the window turns; where the
// operation allows it, Cancel stops between two runs. Whatever ends a move early hides the
// progress dialog; a failed transfer is named with its sector.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "volume/Directory.h"

namespace vexo {

inline constexpr std::size_t kRunSectors = 256;  // 128 KiB to or from the device at a time

enum class StopAt { Never, BetweenRuns };

class SectorRuns {
 public:
  // Fills `data` with the next `bytes` of the region, or takes them; false stops the move after
  // it has said why.
  using Source = std::function<bool(std::uint8_t* data, std::size_t bytes)>;
  using Sink = std::function<bool(const std::uint8_t* data, std::size_t bytes)>;
  // The message after a transfer the card refused, given the first sector of the run (writes) or
  // the sector itself (reads, which are tried again one by one to find it).
  using Failure = std::function<std::string(std::uint64_t sector)>;

  // The progress bar counts `unit`s, from `position` on.
  SectorRuns(Directory& dir, int disk, std::string drive, ProgressUnit unit,
             std::uint64_t position = 0);

  // Writes `bytes` from `source` to the sectors from `first` on; the rest of the last sector is 0.
  bool write(std::uint64_t first, std::uint64_t bytes, const Source& source,
             const Failure& failure, StopAt stop = StopAt::Never);
  // Reads `bytes` from the sectors from `first` on into `sink`.
  bool read(std::uint64_t first, std::uint64_t bytes, const Sink& sink, const Failure& failure,
            StopAt stop = StopAt::Never);

  // Moves the bar over bytes of the region not moved through here (passed over, say).
  void advance(std::uint64_t bytes);
  std::uint64_t position() const { return position_; }
  // Called after each run instead of setting the bar to the position (a backup shows what has
  // been compressed, not what has been read).
  std::function<void()> onRun;

  // A source of bytes in memory, from `data` on.
  static Source FromMemory(const std::uint8_t* data);

 private:
  bool stopHere(StopAt stop);
  bool end(bool result);
  void ran(std::size_t bytes);

  Directory& dir_;
  int disk_;
  std::string drive_;
  ProgressUnit unit_;
  std::uint64_t position_;
  std::vector<std::uint8_t> run_ = std::vector<std::uint8_t>(kRunSectors * kSectorSize);
};

}  // namespace vexo
