#pragma once
// Sector reads and writes on the disks of the disk table, with the checks and the messages
// that every card operation relies on. A device is opened on first use and stays open (and,
// once written, locked) until the operation ends; ending it puts the writes on the medium.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "disk/DiskTable.h"
#include "disk/MountRelease.h"
#include "disk/Prompter.h"
#include "disk/SleepInhibitor.h"
#include "disk/WrittenSectors.h"

namespace vexo {

// Sector numbers whose byte position needs more than 32 bits cannot be addressed.
inline constexpr std::uint64_t kAddressableSectors = 8'388'608;
// A card is written only when it holds at least a whole Vexo volume's 512 slots: on a shorter
// card or image an operation would fail half-way through its writes.
inline constexpr std::uint64_t kSmallestCardSectors = 2'097'152;

// Read errors that mean "no card here" rather than a fault worth a message.
bool IsSilentReadError(int code);

class DiskAccess {
 public:
  DiskAccess(DiskTable& table, Prompter& prompter, MountReleaser& releaser);
  ~DiskAccess();
  DiskAccess(const DiskAccess&) = delete;
  DiskAccess& operator=(const DiskAccess&) = delete;

  // Reads one sector; shows nothing. On failure `lastError()` tells why.
  bool ReadSector(int disk, std::uint64_t sector, std::uint8_t* buffer);
  // Reads `count` consecutive sectors in one transfer.
  bool ReadSectors(int disk, std::uint64_t first, std::size_t count, std::uint8_t* buffer);
  // Writes one sector; every failure is shown here.
  bool WriteSector(int disk, const std::string& drive, std::uint64_t sector,
                   const std::uint8_t* buffer);
  // Writes `count` consecutive sectors in one transfer, with the checks of WriteSector.
  bool WriteSectors(int disk, const std::string& drive, std::uint64_t first, std::size_t count,
                    const std::uint8_t* buffer);

  // The disk number behind a drive letter, -1 when there is none or no medium in it.
  int VolumeDeviceNumber(char letter) const;
  // Length in bytes, 0 when it cannot be told.
  std::uint64_t DiskLength(int disk);
  // The label of the volume at a root path such as "E:\", "" when there is none.
  std::string VolumeLabel(const std::string& rootPath) const;

  int lastError() const { return lastError_; }
  // What a person reads about the last failed read.
  std::string lastErrorText() const { return lastWhy_.empty() ? SystemErrorText(lastError_) : lastWhy_; }
  // The fuller reason of the last failed read where there is one (a refused open), else "".
  const std::string& lastReason() const { return lastWhy_; }

  // Puts everything written so far on the medium; a failure is shown and gives false.
  bool Flush();

  // With verification on, the end of an operation reads back every sector it wrote, past the
  // page cache, and compares: cards that fail quietly drop writes.
  void setVerify(bool on) { verify_ = on; }
  bool verifying() const { return verify_; }
  // What a sector belongs to, for the message of a verification that fails ("slot 4 (Pong)").
  using SectorNamer = std::function<std::string(int disk, std::uint64_t sector)>;
  void setSectorNamer(SectorNamer namer) { namer_ = std::move(namer); }
  // With this on, the machine does not go to sleep from an operation's first write to its end
  // (`vexo`; the window keeps it awake while its progress shows).
  void keepAwakeWhileWriting(bool on) { keepAwake_ = on; }
  // An operation holds its devices open from its first transfer to its end; the end flushes
  // and closes them. Nested operations end with the outermost.
  void BeginOperation() { ++depth_; }
  bool FinishOperation();

  DiskTable& table() { return table_; }
  Prompter& prompter() { return prompter_; }

 private:
  SectorDevice* deviceOf(int disk) const;
  bool openForWriting(SectorDevice& device, const std::string& drive);
  bool openDeviceForWriting(SectorDevice& device);
  void releaseMounts(SectorDevice& device);
  // Inside an operation, what was written goes on towards the medium as the operation goes,
  // in steps of about a tenth of a second of the medium's speed, one step written while the
  // next is made: a slow card never holds a long backlog, no single wait is long, and the
  // progress shows what has reached the card. A step's wait is the medium's time for the
  // step before, which is what sizes the next.
  void writtenWithinOperation(SectorDevice& device, std::size_t bytes);
  struct WriteBack {
    std::uint64_t pending = 0;  // written since the last step was sent on
    std::uint64_t limit = 0;
    std::uint64_t sent = 0;  // the last step, on its way to the medium
    std::chrono::steady_clock::time_point sentAt{};
  };
  std::map<SectorDevice*, WriteBack> writeBack_;
  bool verifyWritten();
  bool verify_ = false;
  bool keepAwake_ = false;
  std::optional<SleepInhibitor> awake_;
  std::map<int, WrittenSectors> written_;  // by disk, while verifying
  SectorNamer namer_;

  DiskTable& table_;
  Prompter& prompter_;
  MountReleaser& releaser_;
  int lastError_ = 0;
  std::string lastWhy_;
  int depth_ = 0;
};

// Holds one operation: the devices it opens stay open until the scope ends.
class OperationScope {
 public:
  explicit OperationScope(DiskAccess& access) : access_(access) { access_.BeginOperation(); }
  ~OperationScope() {
    if (!finished_) access_.FinishOperation();
  }
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;
  // Ends the operation now; false when a flush failed (already shown).
  bool finish() {
    finished_ = true;
    return access_.FinishOperation();
  }

 private:
  DiskAccess& access_;
  bool finished_ = false;
};

}  // namespace vexo
