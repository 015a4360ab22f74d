#include "disk/DiskAccess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace vexo {
namespace {

const char* const kSevereLogicError = "Severe logic error!";
const char* const kLockFailed =
    "Pysical drive lock failed, do you have this drive open in a disk editor?";
const char* const kLogicalOpenFailed = "Logical Disk Open failed.";
const char* const kLogicalDismountFailed = "Logical Disk Dismount failed.";

constexpr std::uint64_t kFirstWriteBackStep = 1 << 20;
constexpr std::uint64_t kSmallestWriteBackStep = 256 << 10;
constexpr std::uint64_t kLargestWriteBackStep = 16 << 20;
constexpr double kWriteBackStepSeconds = 0.1;

std::string BeyondLimitText(std::uint64_t sector) {
  return "Sector " + std::to_string(sector) +
         " lies beyond the first 4 GiB of the disk, which cannot be addressed; nothing was "
         "written.";
}

std::string FlushFailedText(const std::string& drive, int error) {
  return "Failed to write " + drive + " Message " + SystemErrorText(error);
}

}  // namespace

bool IsSilentReadError(int code) {
  return code == ENOENT || code == ENODEV || code == ENXIO || code == ENOMEDIUM || code == EIO;
}

DiskAccess::DiskAccess(DiskTable& table, Prompter& prompter, MountReleaser& releaser)
    : table_(table), prompter_(prompter), releaser_(releaser) {}

DiskAccess::~DiskAccess() {
  for (const Drive& drive : table_.drives()) {
    if (drive.device) drive.device->close();
  }
}

SectorDevice* DiskAccess::deviceOf(int disk) const {
  const Drive* drive = table_.ByNumber(disk);
  return drive ? drive->device.get() : nullptr;
}

bool DiskAccess::ReadSector(int disk, std::uint64_t sector, std::uint8_t* buffer) {
  return ReadSectors(disk, sector, 1, buffer);
}

bool DiskAccess::ReadSectors(int disk, std::uint64_t first, std::size_t count,
                             std::uint8_t* buffer) {
  lastWhy_.clear();
  if (first + count > kAddressableSectors) {
    lastError_ = kErrorBeyondAddressLimit;
    return false;
  }
  SectorDevice* device = deviceOf(disk);
  if (device == nullptr) {
    lastError_ = ENODEV;
    return false;
  }
  if (!device->isOpen()) {
    OpenResult opened = device->openForReading();
    if (opened.status != OpenStatus::Ok) {
      lastError_ = opened.error;
      lastWhy_ = opened.why;
      return false;
    }
  }
  lastError_ = device->readAt(first * kSectorSize, buffer, count * kSectorSize);
  if (depth_ == 0) device->close();
  return lastError_ == 0;
}

bool DiskAccess::WriteSector(int disk, const std::string& drive, std::uint64_t sector,
                             const std::uint8_t* buffer) {
  return WriteSectors(disk, drive, sector, 1, buffer);
}

bool DiskAccess::WriteSectors(int disk, const std::string& drive, std::uint64_t first,
                              std::size_t count, const std::uint8_t* buffer) {
  if (disk == 0) {
    prompter_.message(kSevereLogicError);
    return false;
  }
  if (first + count > kAddressableSectors) {
    prompter_.message(BeyondLimitText(std::max(first, kAddressableSectors)));
    return false;
  }
  SectorDevice* device = deviceOf(disk);
  if (device == nullptr) {
    prompter_.message(SystemErrorText(ENODEV));
    return false;
  }
  if (!device->isOpenForWriting() && !openForWriting(*device, drive)) return false;
  if (keepAwake_ && !awake_) awake_.emplace();

  const std::uint64_t offset = first * kSectorSize;
  const std::size_t length = count * kSectorSize;
  int error = device->writeAt(offset, buffer, length);
  if (error != 0) {
    // The Linux form of a write the system refused while the card was in use: free the card
    // once and write again.
    releaseMounts(*device);
    error = device->writeAt(offset, buffer, length);
    if (error != 0) {
      if (depth_ == 0) {  // alone, a write holds nothing open when it ends
        device->close();
        awake_.reset();
      }
      prompter_.message(SystemErrorText(error));
      return false;
    }
  }
  if (depth_ == 0) {
    // Outside an operation every write stands alone and is on the medium when it returns.
    error = device->flush();
    device->close();
    awake_.reset();
    if (error != 0) {
      prompter_.message(FlushFailedText(drive, error));
      return false;
    }
    return true;
  }
  writtenWithinOperation(*device, length);
  if (verify_) written_[disk].add(first, count, buffer);
  return true;
}

void DiskAccess::writtenWithinOperation(SectorDevice& device, std::size_t bytes) {
  auto [state, added] = writeBack_.try_emplace(&device, WriteBack{.limit = kFirstWriteBackStep});
  WriteBack& step = state->second;
  step.pending += bytes;
  if (step.pending < step.limit) return;
  // A failure here shows again, and is reported, at the operation's final flush.
  device.writeBack();
  const auto now = std::chrono::steady_clock::now();
  if (step.sent > 0) {
    // The step sent last time has reached the medium since then: the slower of the medium and
    // the operation itself sets the pace.
    const double seconds = std::chrono::duration<double>(now - step.sentAt).count();
    const double perSecond = seconds > 0 ? static_cast<double>(step.sent) / seconds : 1e12;
    step.limit = std::clamp(static_cast<std::uint64_t>(perSecond * kWriteBackStepSeconds),
                            kSmallestWriteBackStep, kLargestWriteBackStep);
  }
  step.sent = step.pending;
  step.sentAt = now;
  step.pending = 0;
}

bool DiskAccess::openForWriting(SectorDevice& device, const std::string& drive) {
  const auto tooShort = [&](std::uint64_t sectors) {
    if (sectors >= kSmallestCardSectors) return false;
    prompter_.message(drive + " is too short for a Vexo volume: the card or image holds " +
                      std::to_string(sectors) + " sectors, a volume needs " +
                      std::to_string(kSmallestCardSectors) + "; nothing was written");
    return true;
  };
  // A card that cannot be read has no length to tell: opening it says why, and its length is
  // checked once it is open.
  const std::uint64_t sectors = device.length() / kSectorSize;
  if (sectors > 0 && tooShort(sectors)) return false;
  if (!openDeviceForWriting(device)) return false;
  if (sectors == 0 && tooShort(device.length() / kSectorSize)) {
    device.close();
    return false;
  }
  return true;
}

bool DiskAccess::openDeviceForWriting(SectorDevice& device) {
  OpenResult opened = device.openForWriting();
  if (opened.status == OpenStatus::Mounted && !device.isImageFile()) {
    if (!releaser_.hasMounts(device.path())) {
      prompter_.message(kLockFailed);
      return false;
    }
    releaseMounts(device);
    opened = device.openForWriting();
  }
  switch (opened.status) {
    case OpenStatus::Ok:
      return true;
    case OpenStatus::LockRefused:
      prompter_.message(kLockFailed);
      return false;
    case OpenStatus::Mounted:
    case OpenStatus::Failed:
      break;
  }
  prompter_.message(opened.why.empty() ? SystemErrorText(opened.error) : opened.why);
  return false;
}

void DiskAccess::releaseMounts(SectorDevice& device) {
  if (device.isImageFile()) return;  // an image file has no file systems of its own to free
  ReleaseResult released = releaser_.release(device.path());
  if (!released.opened) prompter_.message(kLogicalOpenFailed);
  if (!released.dismounted) prompter_.message(kLogicalDismountFailed);
}

bool DiskAccess::verifyWritten() {
  std::uint64_t total = 0;
  for (const auto& [disk, sectors] : written_)
    for (const WrittenSectors::Run& run : sectors.runs()) total += run.count * kSectorSize;
  if (total == 0) return true;
  constexpr std::size_t kChunkSectors = 2048;
  std::vector<std::uint8_t> chunk(kChunkSectors * kSectorSize);
  std::uint64_t done = 0;
  prompter_.progressBegin("Verifying", total, ProgressUnit::Bytes);
  for (const auto& [disk, sectors] : written_) {
    SectorDevice* device = deviceOf(disk);
    if (device == nullptr) continue;
    for (const WrittenSectors::Run& run : sectors.runs()) {
      // What is read must come from the card, not from memory.
      device->forget(run.first * kSectorSize, run.count * kSectorSize);
      for (std::size_t at = 0; at < run.count;) {
        // Stopping a verification leaves the card as written: nothing to undo.
        if (prompter_.cancelRequested()) {
          prompter_.progressEnd();
          return true;
        }
        const std::size_t count = std::min(kChunkSectors, run.count - at);
        const std::uint64_t first = run.first + at;
        const int error = device->readAt(first * kSectorSize, chunk.data(), count * kSectorSize);
        for (std::size_t i = 0; i < count; ++i) {
          if (error == 0 && WrittenSectors::Checksum(chunk.data() + i * kSectorSize) ==
                                run.checksums[at + i])
            continue;
          prompter_.progressEnd();
          const Drive* drive = table_.ByNumber(disk);
          const std::string where = namer_ ? namer_(disk, first + i) : std::string();
          prompter_.message("Verify failed: " + (drive ? drive->driveString() : std::string("?:")) +
                            " sector " + std::to_string(first + i) +
                            (where.empty() ? "" : " (" + where + ")") +
                            (error != 0 ? " could not be read back: " + SystemErrorText(error)
                                        : " reads back differently from what was written") +
                            ". The card may be failing.");
          return false;
        }
        at += count;
        done += count * kSectorSize;
        prompter_.progressSet(done);
        prompter_.pump();
      }
    }
  }
  prompter_.progressEnd();
  return true;
}

int DiskAccess::VolumeDeviceNumber(char letter) const {
  const Drive* drive = table_.ByLetter(letter);
  if (drive == nullptr || !drive->device) return -1;
  if (drive->device->isImageFile() && drive->device->length() == 0) return -1;  // no medium
  return drive->number;
}

std::uint64_t DiskAccess::DiskLength(int disk) {
  SectorDevice* device = deviceOf(disk);
  return device ? device->length() : 0;
}

std::string DiskAccess::VolumeLabel(const std::string& rootPath) const {
  if (rootPath.empty()) return {};
  const Drive* drive = table_.ByLetter(rootPath[0]);
  return drive ? drive->label : std::string();
}

bool DiskAccess::Flush() {
  bool ok = true;
  for (const Drive& drive : table_.drives()) {
    if (!drive.device || !drive.device->isOpenForWriting()) continue;
    int error = drive.device->flush();
    if (error != 0) {
      prompter_.message(FlushFailedText(drive.driveString(), error));
      ok = false;
    }
  }
  return ok;
}

bool DiskAccess::FinishOperation() {
  if (depth_ > 0) --depth_;
  if (depth_ > 0) return true;
  writeBack_.clear();
  bool ok = Flush();
  if (ok && verify_) ok = verifyWritten();
  written_.clear();
  for (const Drive& drive : table_.drives()) {
    if (drive.device) drive.device->close();
  }
  awake_.reset();
  return ok;
}

}  // namespace vexo
