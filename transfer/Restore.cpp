#include "transfer/Restore.h"

#include <algorithm>
#include <array>
#include <memory>

#include "transfer/FileKind.h"
#include "transfer/ImageArchive.h"
#include "transfer/PayloadCodec.h"
#include "transfer/RestoreCheck.h"
#include "transfer/SectorRuns.h"
#include "volume/CardName.h"
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
  // Whether the last move that failed did so because the card refused a write (rather than the
  // archive failing or a Cancel): then nothing more is written.
  bool cardRefused() const { return cardRefused_; }

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
        [this](std::uint64_t sector) {
          cardRefused_ = true;
          return FailedToWrite(target_.drive, sector);
        },
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
                                    kGraphicsIndexBytes / 512, index.front().bytes.data())) {
      cardRefused_ = true;
      return fail(kErrorWritingGraphics);
    }
    return true;
  }

 private:
  Directory& dir_;
  Prompter& ui_;
  VolumeTarget target_;
  ImageArchiveReader& reader_;
  ArchivePayload payload_;
  SectorRuns runs_;
  bool cardRefused_ = false;
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

RestoreList ListOf(const ImageLayout& layout) {
  const std::vector<SlotHeader>& headers = layout.headers;
  std::vector<RestoreItem> items;
  for (std::size_t i = 0; i < headers.size(); ++i)
    items.push_back({RestoreList::Join(headers[i].category(), headers[i].filename()), true,
                     static_cast<int>(i) + 1});
  RestoreList list(std::move(items));
  if (layout.hascsa) {
    // An area without entries is the rest of the payload, as long as the archive says it is.
    const std::uint64_t declared = layout.reader ? layout.reader->size() : 0;
    const std::uint64_t bytes = !headers.empty()                 ? layout.csaBytes
                                : declared > kPayloadPreamble ? declared - kPayloadPreamble
                                                              : 0;
    const std::string file = headers.empty() ? std::string() : headers[0].csafile();
    list.csa = CsaChoice{"Common Storage Area: " + (file.empty() ? "" : file + ", ") +
                             (bytes != 0 || !headers.empty() ? std::to_string(bytes) + " bytes"
                                                             : std::string("the rest of the image")),
                         bytes};
  }
  return list;
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
  return ListOf(*layout);
}

namespace {

// Where one checked entry of the archive goes.
struct Placement {
  std::size_t stored = 0;  // index into the stored headers
  int slot = 0;            // 0: passed over after all (a later entry took its slot)
  bool takenOut = false;   // it replaces an entry of the card, taken out first
};

bool HoldsArea(const SlotHeader& h1) {
  return h1.csalen() != 0 || h1.csaflag() != 0 || !h1.csafile().empty();
}

}  // namespace

bool RestoreImage(Directory& dir, const VolumeTarget& target, const std::string& archivePath,
                  const ChooseRestoreItems& choose, const BeforeRestoreWrites& beforeWrites) {
  Prompter& ui = dir.prompter();
  DiskAccess& io = dir.access();
  ui.busy(true);
  std::optional<ImageLayout> layout = ReadLayout(ui, archivePath);
  ui.busy(false);
  if (!layout) return false;
  RestoreList list = ListOf(*layout);
  // The area is offered checked where it overwrites nothing of the card's own.
  if (list.csa && !beforeWrites && dir.vexodrv == target.disk && HoldsArea(dir.header(1)))
    list.csa->checked = false;
  if (!choose(list)) return false;
  const bool withCsa = list.csa && list.csa->checked;

  ui.busy(true);
  std::unique_ptr<ImageArchiveReader> reader =
      // Before a format, the whole archive is checked first: one that fails half-way must not
      // have cost the card its entries.
      CheckArchive(ui, archivePath, *layout, !beforeWrites && LeavesCardWhole(dir, list, *layout));
  ui.busy(false);
  if (!reader) return false;
  std::vector<SlotHeader>& stored = layout->headers;

  std::uint64_t total = withCsa ? layout->csaBytes : 0;
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
  if (withCsa && !CsaFits(dir, target, layout->csaBytes)) return false;

  if (ui.cancelRequested()) return false;
  if (beforeWrites) {
    if (!beforeWrites()) return false;
    if (!dir.LoadDirectory(target.disk, target.drive, DirectoryLoad::Keep)) {
      ui.message(kNoVexoVolume);
      return false;
    }
  }
  SlotHeader& h1 = dir.header(1);
  bool csa = withCsa;
  if (csa && HoldsArea(h1) &&
      ui.ask("Replace the Common Storage Area of " + CardName(io, target.disk, target.drive, true) + "?",
             Buttons::YesNo, Answer::No) == Answer::No)
    csa = false;

  // Where each entry goes, decided (and every question asked) before the first write: the
  // directory copy takes each placed entry for the next lookups, then is put back.
  bool everyEntry = true;  // false when an answer or a full card left one out
  const std::vector<SlotHeader> onCard = dir.vexodirs;
  std::vector<Placement> placements;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const SlotHeader& h = stored[i];
    if (!IsUsed(h)) continue;
    const std::string filename = h.filename();
    int t = dir.FindEntry(h.category(), filename);
    if (t != kNoSlot) {
      if (ui.ask("Replace '" + filename + "'?", Buttons::YesNo, Answer::No) == Answer::No) {
        everyEntry = false;
        continue;
      }
      for (Placement& earlier : placements)
        if (earlier.slot == t) earlier.slot = 0;  // an entry of this archive, replaced by a later one
    } else {
      t = dir.FindFreeSlot();
      if (t == kNoSlot) {
        ui.message(kNoSpace);
        everyEntry = false;
        continue;
      }
    }
    CopyEntryFields(h, dir.header(t));
    placements.push_back({i, t, IsUsed(onCard[static_cast<std::size_t>(t)])});
  }
  dir.vexodirs = onCard;
  const auto placed = [&](std::size_t storedIndex) -> const Placement* {
    for (const Placement& p : placements)
      if (p.stored == storedIndex && p.slot != 0) return &p;
    return nullptr;
  };

  ImageRestorer in(dir, target, *reader);
  ui.progressBegin("Restoring", total, ProgressUnit::Bytes);
  const auto stop = [&] {
    ui.progressEnd();
    return false;
  };

  // 1. The entries being replaced leave the directory, and an area being replaced its
  //    description; then a flush, so that none of them is listed while its bytes change.
  bool tookOut = false;
  for (const Placement& p : placements) {
    if (p.slot == 0 || !p.takenOut) continue;
    if (!TakeOutOfDirectory(dir, p.slot, target.disk, target.drive)) return stop();
    tookOut = true;
  }
  if (csa && HoldsArea(h1)) {
    h1.setCsafile("");
    h1.setCsaflag(0);
    h1.setCsalen(0);
    if (!WriteHeader(dir, 1, target.disk, target.drive)) {
      ui.message(kErrorWritingDirectory);
      return stop();
    }
    tookOut = true;
  }
  if (tookOut && !io.Flush()) return stop();

  // 3. Headers and links for the entries whose bytes are on the medium: replacements first, in
  //    their slots with their old links, so that the new entries are linked into a whole chain.
  //    Each entry's category node is shown once its header is written. False after the one
  //    message that says why.
  const auto listWritten = [&](std::size_t upTo) {
    const auto write = [&](const Placement& p) {
      SlotHeader& header = dir.header(p.slot);
      CopyEntryFields(stored[p.stored], header);
      if (!p.takenOut) {
        if (!InsertInChain(dir, header, p.slot, target.disk, target.drive)) return false;
      } else if (!WriteHeader(dir, p.slot, target.disk, target.drive)) {
        ui.message(kErrorWritingDirectory);
        return false;
      }
      const std::string category = header.category();
      if (!category.empty() && !dir.observer->showCategory(category)) {
        ui.message("Logic Error 4");
        return false;
      }
      return true;
    };
    for (bool replacements : {true, false}) {
      for (const Placement& p : placements) {
        if (p.slot != 0 && p.stored < upTo && p.takenOut == replacements && !write(p)) return false;
      }
    }
    return true;
  };
  // A restore stopped before its end (Cancel, the archive unreadable) lists what is whole:
  // the entries written so far; an entry not begun that was taken out gets its old header
  // back, its bytes untouched; one torn half-way stays out, for the chain check to tell.
  bool areaBegun = false;
  const auto settle = [&](std::size_t upTo, bool torn) {
    if (!io.Flush() || !listWritten(upTo)) return stop();
    bool ok = true;
    for (const Placement& p : placements) {
      if (!ok || p.slot == 0 || !p.takenOut || p.stored < upTo || (torn && p.stored == upTo)) continue;
      dir.header(p.slot) = onCard[static_cast<std::size_t>(p.slot)];
      ok = WriteHeader(dir, p.slot, target.disk, target.drive);
    }
    if (ok && csa && !areaBegun && !HoldsArea(h1) && HoldsArea(onCard[1])) {
      // Stopped before the area was begun: its description comes back.
      CopyCsaFields(onCard[1], h1);
      ok = WriteHeader(dir, 1, target.disk, target.drive);
    }
    if (!ok) ui.message(kErrorWritingDirectory);
    dir.observer->entriesChanged();
    return stop();
  };

  // 2. The content, in the archive's order; then a flush.
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const SlotHeader& h = stored[i];
    // Every entry is whole on the card before the next begins: a Cancel stops here.
    if (ui.cancelRequested()) return settle(i, false);
    const Placement* p = placed(i);
    if (p == nullptr) {
      if (!in.PassOver(h)) return settle(i, false);
      continue;
    }
    ui.progressLabel("Restoring " + h.filename());
    const int t = p->slot;
    if (!in.WriteSlotRange(t, kProgramSector, h.proglen()) || !in.WriteGraphicsIndex(t) ||
        !in.WriteSlotRange(t, kSmSector, h.smlen()) || !in.WriteSlotRange(t, kGciSector, h.gcilen()))
      return in.cardRefused() ? stop() : settle(i, true);
  }
  if (csa) {
    ui.progressLabel("Restoring Common Storage Area");
    areaBegun = true;
    if (!in.WriteSlotRange(kCsaSlot, 0, layout->csaBytes))
      return in.cardRefused() ? stop() : settle(stored.size(), false);
  }
  // The payload's checks at its end, before any header tells of what it brought: an archive
  // that fails them lists nothing new (an entry it replaced stays out, for the chain check).
  if (!in.finish()) {
    io.Flush();
    dir.observer->entriesChanged();
    return stop();
  }
  if (!io.Flush()) return stop();

  if (!listWritten(stored.size())) return stop();
  if (csa) {
    if (!stored.empty()) {
      CopyCsaFields(stored[0], h1);
    } else {
      // An archive of the area alone brings only its length; the rest is the card's as it was.
      CopyCsaFields(onCard[1], h1);
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
