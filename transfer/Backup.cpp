#include "transfer/Backup.h"

#include <algorithm>
#include <array>
#include <memory>

#include "transfer/ArchiveVerify.h"
#include "transfer/ImageArchive.h"
#include "transfer/PayloadCodec.h"
#include "transfer/SectorRuns.h"
#include "volume/GraphicsIndex.h"

namespace vexo {
namespace {

// One export or backup in progress: the card being read and the archive being written.
class ImageWriter {
 public:
  ImageWriter(Directory& dir, int disk, const std::string& drive, ImageArchiveWriter& archive,
              std::uint64_t total, std::uint64_t payload)
      : ui_(dir.prompter()), drive_(drive), archive_(archive), total_(total), payload_(payload),
        runs_(dir, disk, drive, ProgressUnit::Bytes) {
    runs_.onRun = [this] { showProgress(); };
  }

  bool put(const void* data, std::size_t length) {
    std::string error;
    if (archive_.write(data, length, error)) return true;
    ui_.message(error);
    return false;
  }

  // Appends `count` bytes from the sectors of a slot region (slot 513: the CSA). Cancel stops
  // between runs: the unfinished archive is removed.
  bool ReadSlotRange(int slot, std::uint64_t first, std::uint64_t count) {
    return runs_.read(
        SlotFirstSector(slot) + first, count,
        [this](const std::uint8_t* data, std::size_t bytes) { return put(data, bytes); },
        [this](std::uint64_t sector) { return FailedToRead(drive_, sector); }, StopAt::BetweenRuns);
  }

  // The share of the payload compressed so far, not read: the bar moves evenly however many
  // threads compress, and reaches its end when the last block is compressed.
  void showProgress() {
    const double done = payload_ == 0 ? 1.0 : static_cast<double>(archive_.compressedBytes()) /
                                                  static_cast<double>(payload_);
    ui_.progressSet(static_cast<std::uint64_t>(done * static_cast<double>(total_)));
  }

 private:
  Prompter& ui_;
  std::string drive_;
  ImageArchiveWriter& archive_;
  std::uint64_t total_;
  std::uint64_t payload_;
  SectorRuns runs_;
};

// The leading named records of a graphics index, up to the first empty name.
std::size_t GraphicsCount(const std::uint8_t* index) {
  std::size_t count = 0;
  while (count < kGraphicsRecords) {
    GraphicsRecord record;
    std::copy_n(index + count * kGraphicsRecordSize, kGraphicsRecordSize, record.bytes.begin());
    if (record.name().empty()) break;
    ++count;
  }
  return count;
}

}  // namespace

std::optional<std::vector<int>> ExportSlots(Directory& dir, const std::string& category,
                                            const std::vector<std::string>& captions) {
  std::vector<int> slots;
  for (const std::string& caption : captions) {
    const int slot = dir.FindListedEntry(category, caption);
    if (slot == kNoSlot) {
      dir.prompter().message("Code error");
      return std::nullopt;
    }
    slots.push_back(slot);
  }
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  return slots;
}

std::vector<int> BackupSlots(const Directory& dir) {
  std::vector<int> slots;
  for (int slot = 1; slot <= kSlotCount; ++slot)
    if (IsUsed(dir.header(slot))) slots.push_back(slot);
  return slots;
}

bool BacksUpCsa(const Directory& dir) { return dir.header(1).csalen() != 0; }

bool WriteImageArchive(Directory& dir, int disk, const std::string& drive,
                       const std::vector<int>& slots, bool withCsa, const std::string& path) {
  Prompter& ui = dir.prompter();
  const SlotHeader& h1 = dir.header(1);
  const std::uint64_t csaBytes = withCsa ? h1.csalen() : 0;

  std::uint64_t total = csaBytes;
  for (int slot : slots) {
    const SlotHeader& h = dir.header(slot);
    // An archive with such a header could not be restored; say so before writing one.
    if (!EntryFitsSlot(h)) {
      ui.message("The header of slot " + std::to_string(slot) + " (" + h.filename() +
                 ") gives lengths beyond its slot; no image was written");
      return false;
    }
    total += 512 + std::uint64_t{h.proglen()} + h.gcilen() + h.smlen();
  }
  ui.busy(true);
  ui.progressBegin("Copying and compressing", total, ProgressUnit::Bytes);
  const auto stop = [&] {
    ui.progressEnd();
    ui.busy(false);
    return false;
  };

  // The graphics indexes are small: read first, they give the payload's exact length.
  std::vector<std::array<std::uint8_t, kGraphicsIndexBytes>> indexes(slots.size());
  std::vector<std::size_t> gfxcounts(slots.size(), 0);
  std::uint64_t payload = kPayloadPreamble + 512 * slots.size() + csaBytes;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const SlotHeader& h = dir.header(slots[i]);
    if (h.gcilen() != 0) {
      if (!dir.access().ReadSectors(disk, SlotFirstSector(slots[i]) + kGraphicsIndexSector,
                                    kGraphicsIndexBytes / 512, indexes[i].data())) {
        ui.message("Error reading Vexo Graphics");
        return stop();
      }
      gfxcounts[i] = GraphicsCount(indexes[i].data());
    }
    payload += EntryBlockBytes(h, gfxcounts[i]);
  }

  std::string error;
  std::unique_ptr<ImageArchiveWriter> archive = ImageArchiveWriter::Create(path, payload, error);
  if (!archive) {
    ui.message(error);
    return stop();
  }
  ImageWriter out(dir, disk, drive, *archive, total, payload);
  archive->whileWaiting([&] {
    out.showProgress();
    ui.pump();
  });

  const auto preamble =
      EncodePreamble({static_cast<std::uint16_t>(slots.size()), withCsa && csaBytes != 0});
  if (!out.put(preamble.data(), preamble.size())) return stop();
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const SlotHeader stored = EncodeStoredHeader(dir.header(slots[i]), h1, i == 0);
    if (!out.put(stored.bytes.data(), stored.bytes.size())) return stop();
  }
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const int slot = slots[i];
    const SlotHeader& h = dir.header(slot);
    ui.progressLabel("Copying and compressing " + h.filename());
    const auto gfx = EncodeGfxcount(static_cast<std::uint16_t>(gfxcounts[i]));
    if (!out.ReadSlotRange(slot, kProgramSector, h.proglen()) || !out.put(gfx.data(), gfx.size()) ||
        !out.put(indexes[i].data(), gfxcounts[i] * kGraphicsRecordSize) ||
        !out.ReadSlotRange(slot, kSmSector, h.smlen()) ||
        !out.ReadSlotRange(slot, kGciSector, h.gcilen()))
      return stop();
  }
  if (csaBytes != 0) {
    ui.progressLabel("Copying and compressing Common Storage Area");
    if (!out.ReadSlotRange(kCsaSlot, 0, csaBytes)) return stop();
  }
  if (!archive->finish(error)) {
    ui.message(error);
    return stop();
  }
  // Read back before it takes the destination's name: a bad archive never replaces a good one.
  if (dir.access().verifying() && !VerifyArchive(ui, *archive, path)) return stop();
  if (!archive->commit(error)) {
    ui.message(error);
    return stop();
  }
  ui.progressEnd();
  ui.busy(false);
  return true;
}

}  // namespace vexo
