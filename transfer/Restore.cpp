#include "transfer/Restore.h"

#include <algorithm>
#include <array>
#include <memory>

#include "transfer/FileKind.h"
#include "transfer/ImageArchive.h"
#include "transfer/PayloadCodec.h"
#include "transfer/RestoreCheck.h"
#include "transfer/SectorRuns.h"
#include "volume/Chain.h"
#include "volume/GraphicsIndex.h"
#include "volume/Latin1.h"

namespace vexo {
namespace {

// One restore writing onto the card: the archive read again, in step with the writes.
class ImageRestorer {
 public:
  ImageRestorer(Directory& dir, const VolumeTarget& target, ImageArchiveReader& reader)
      : dir_(dir), ui_(dir.prompter()), target_(target), reader_(reader), payload_(reader),
        runs_(dir, target.disk, target.drive, ProgressUnit::Bytes) {}

  bool fail(const std::string& text) {
    ui_.message(text);
    return false;
  }
  bool readFailed() { return fail(payload_.failure()); }

  bool read(void* data, std::size_t length) { return payload_.read(data, length) || readFailed(); }

  void advance(std::uint64_t bytes) {
    runs_.advance(bytes);
    ui_.pump();
  }

  // Takes `count` bytes from the payload and writes them from the region's first sector on.
  // Only the Common Storage Area, which has no directory, is left between two runs on Cancel.
  bool WriteSlotRange(int slot, std::uint64_t first, std::uint64_t count) {
    return runs_.write(
        SlotFirstSector(slot) + first, count,
        [this](std::uint8_t* data, std::size_t bytes) { return read(data, bytes); },
        [this](std::uint64_t sector) { return FailedToWrite(target_.drive, sector); },
        slot == kCsaSlot ? StopAt::BetweenRuns : StopAt::Never);
  }

  // Passes over what follows the payload, which checks it.
  bool finish() {
    std::uint64_t rest = 0;
    return reader_.skipToEnd(rest, payload_.error) || readFailed();
  }

  bool PassOver(const SlotHeader& h) {
    if (!PassOverEntryBlock(payload_, h)) return readFailed();
    advance(std::uint64_t{h.proglen()} + h.smlen() + h.gcilen());
    return true;
  }

  // The graphics index: the stored records, then empty ones; always all 16 sectors.
  bool WriteGraphicsIndex(int slot) {
    // A count beyond the index: not the archive checked.
    const std::optional<std::uint16_t> count = ReadGfxcount(payload_);
    if (!count) return readFailed();
    std::array<GraphicsRecord, kGraphicsRecords> index;
    index.fill(GraphicsRecord::Empty());
    if (!read(index.data(), *count * kGraphicsRecordSize)) return false;
    if (!dir_.access().WriteSectors(target_.disk, target_.drive,
                                    SlotFirstSector(slot) + kGraphicsIndexSector,
                                    kGraphicsIndexBytes / 512, index.front().bytes.data()))
      return fail(kErrorWritingGraphics);
    return true;
  }

 private:
  Directory& dir_;
  Prompter& ui_;
  VolumeTarget target_;
  ImageArchiveReader& reader_;
  ArchivePayload payload_;
  SectorRuns runs_;
};

// The Common Storage Area image must fit the card, and below 4 GiB; checked before any write.
bool CsaFits(Directory& dir, const VolumeTarget& target, std::uint64_t csaBytes) {
  const std::uint64_t required = (csaBytes + 511) / 512;
  const std::uint64_t end = kCsaFirstSector + required;
  const std::uint64_t diskSectors = dir.access().DiskLength(target.disk) / 512;
  if (end <= diskSectors && end <= kAddressableSectors) return true;
  const std::uint64_t available =
      std::min(diskSectors, kAddressableSectors) - std::min(diskSectors, kCsaFirstSector);
  dir.prompter().message("Disk is too small for the Common Storage Area of this image\n"
                         "Sectors available=" + std::to_string(available) +
                         "\nSectors required=" + std::to_string(required));
  return false;
}

RestoreList ListOf(const std::vector<SlotHeader>& headers) {
  std::vector<RestoreItem> items;
  for (std::size_t i = 0; i < headers.size(); ++i)
    items.push_back({RestoreList::Join(headers[i].category(), headers[i].filename()), true,
                     static_cast<int>(i) + 1});
  return RestoreList(std::move(items));
}

}  // namespace

// ---- the dialog's list ----------------------------------------------------------------------

RestoreList::RestoreList(std::vector<RestoreItem> items) : items_(std::move(items)) {
  std::stable_sort(items_.begin(), items_.end(), [](const RestoreItem& a, const RestoreItem& b) {
    return LowerAsciiLetters(a.text) < LowerAsciiLetters(b.text);
  });
  CheckAll();
}

void RestoreList::CheckAll() {
  for (RestoreItem& item : items_) item.checked = true;
}

void RestoreList::UncheckAll() {
  for (RestoreItem& item : items_) item.checked = false;
}

std::string RestoreList::ProposedCategory() const {
  for (const RestoreItem& item : items_) {
    if (item.checked && item.text.find('\\') != std::string::npos) return Split(item.text).first;
  }
  return {};
}

void RestoreList::ChangeCheckedCategory(const std::string& category) {
  for (RestoreItem& item : items_) {
    if (item.checked) item.text = category + "\\" + Split(item.text).second;
  }
}

void RestoreList::Rename(std::size_t index, const std::string& category, const std::string& filename) {
  items_.at(index).text = Join(category, filename);
}

std::pair<std::string, std::string> RestoreList::Split(const std::string& text) {
  const std::size_t slash = text.find('\\');
  if (slash == std::string::npos) return {std::string(), text};
  return {text.substr(0, slash), text.substr(slash + 1)};
}

std::string RestoreList::Join(const std::string& category, const std::string& filename) {
  return category.empty() ? filename : category + "\\" + filename;
}

// ---- the restore ----------------------------------------------------------------------------

std::optional<RestoreList> ReadRestoreList(Prompter& ui, const std::string& archivePath) {
  ui.busy(true);
  std::optional<ImageLayout> layout = ReadLayout(ui, archivePath);
  ui.busy(false);
  if (!layout) return std::nullopt;
  return ListOf(layout->headers);
}

bool RestoreImage(Directory& dir, const VolumeTarget& target, const std::string& archivePath,
                  const ChooseRestoreItems& choose, const BeforeRestoreWrites& beforeWrites) {
  Prompter& ui = dir.prompter();
  ui.busy(true);
  std::optional<ImageLayout> layout = ReadLayout(ui, archivePath);
  ui.busy(false);
  if (!layout) return false;
  RestoreList list = ListOf(layout->headers);
  if (!choose(list)) return false;

  ui.busy(true);
  std::unique_ptr<ImageArchiveReader> reader =
      // Before a format, the whole archive is checked first: one that fails half-way must not
      // have cost the card its entries.
      CheckArchive(ui, archivePath, *layout, !beforeWrites && LeavesCardWhole(dir, list, *layout));
  ui.busy(false);
  if (!reader) return false;
  std::vector<SlotHeader>& stored = layout->headers;

  std::uint64_t total = layout->hascsa ? layout->csaBytes : 0;
  for (const RestoreItem& item : list.items()) {
    SlotHeader& h = stored[static_cast<std::size_t>(item.stored - 1)];
    if (!item.checked) {
      h.bytes[kFilename.offset] = 0;  // passed over
      continue;
    }
    const auto [category, filename] = RestoreList::Split(item.text);
    h.setCategory(category);
    h.setFilename(filename);
    total += std::uint64_t{h.proglen()} + h.gcilen() + h.smlen();
  }
  if (layout->hascsa && !CsaFits(dir, target, layout->csaBytes)) return false;

  if (ui.cancelRequested()) return false;
  if (beforeWrites) {
    if (!beforeWrites()) return false;
    if (!dir.LoadDirectory(target.disk, target.drive, DirectoryLoad::Keep)) {
      ui.message(kNoVexoVolume);
      return false;
    }
  }
  ImageRestorer in(dir, target, *reader);
  ui.progressBegin("Restoring", total, ProgressUnit::Bytes);
  const auto stop = [&] {
    ui.progressEnd();
    return false;
  };

  bool everyEntry = true;  // false when an answer, a full card or a failed unlink left one out
  for (const SlotHeader& h : stored) {
    // Every entry is whole on the card before the next begins: a Cancel stops here.
    if (ui.cancelRequested()) return stop();
    if (!IsUsed(h)) {
      if (!in.PassOver(h)) return stop();
      continue;
    }
    const std::string category = h.category();
    const std::string filename = h.filename();
    ui.progressLabel("Restoring " + filename);
    int t = dir.FindEntry(category, filename);
    if (t != kNoSlot) {
      if (ui.ask("Replace '" + filename + "'?", Buttons::YesNo, Answer::No) == Answer::No) {
        everyEntry = false;
        if (!in.PassOver(h)) return stop();
        continue;
      }
      // A failure is shown; the restore goes on.
      if (!RemoveFromChain(dir, t, target.disk, target.drive)) everyEntry = false;
    } else {
      t = dir.FindFreeSlot();
      if (t == kNoSlot) {
        ui.message(kNoSpace);
        everyEntry = false;
        if (!in.PassOver(h)) return stop();
        continue;
      }
    }
    SlotHeader& header = dir.header(t);
    CopyEntryFields(h, header);
    if (!in.WriteSlotRange(t, kProgramSector, h.proglen()) || !in.WriteGraphicsIndex(t) ||
        !in.WriteSlotRange(t, kSmSector, h.smlen()) || !in.WriteSlotRange(t, kGciSector, h.gcilen()))
      return stop();
    if (!InsertInChain(dir, header, t, target.disk, target.drive)) return stop();
    if (!WriteHeader(dir, t, target.disk, target.drive)) {
      ui.message(kErrorWritingDirectory);
      return stop();
    }
    if (!category.empty() && !dir.observer->showCategory(category)) {
      ui.message("Logic Error 4");
      return stop();
    }
  }

  if (layout->hascsa) {
    ui.progressLabel("Restoring Common Storage Area");
    if (!in.WriteSlotRange(kCsaSlot, 0, layout->csaBytes)) return stop();
  }
  // The payload's checks at its end, before header 1 tells of a new area.
  if (!in.finish()) return stop();
  if (layout->hascsa) {
    SlotHeader& h1 = dir.header(1);
    if (!stored.empty()) {
      CopyCsaFields(stored[0], h1);
    } else {
      h1.setCsalen(static_cast<std::uint32_t>(layout->csaBytes));
    }
    if (!WriteHeader(dir, 1, target.disk, target.drive)) {
      ui.message(kErrorWritingDirectory);
      return stop();
    }
  }
  ui.progressEnd();
  dir.observer->entriesChanged();
  return everyEntry;
}

}  // namespace vexo
