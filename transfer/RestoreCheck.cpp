#include "transfer/RestoreCheck.h"

#include <algorithm>
#include <set>

#include "transfer/ImagePayload.h"
#include "volume/Latin1.h"

namespace vexo {
namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// Reads the payload's preamble and stored headers, all that the list needs, and checks each
// header's lengths and, when the archive declares the payload's size, that the size holds
// them. Nothing after a message otherwise.
std::optional<ImageLayout> ReadHeaders(Prompter& ui, ImageArchiveReader& reader) {
  std::string error;
  const auto invalid = [&]() -> std::optional<ImageLayout> {
    ui.message(error.empty() ? kInvalidArchive : error);
    return std::nullopt;
  };
  std::uint8_t preamble[kPayloadPreamble];
  if (!reader.read(preamble, 4, error) || !std::equal(preamble, preamble + 4, kPayloadSignature))
    return invalid();
  if (!reader.read(preamble + 4, 3, error)) return invalid();
  const std::uint16_t count = U16(preamble + 4);
  if (count > kSlotCount) return invalid();

  ImageLayout layout;
  layout.hascsa = preamble[6] == 1;
  layout.headers.resize(count);
  std::uint64_t least = kPayloadPreamble + 512ull * count;  // with no graphics records
  for (SlotHeader& h : layout.headers) {
    if (!reader.read(h.bytes.data(), h.bytes.size(), error)) return invalid();
    // Data beyond a region's room would run into the regions after it, or the next slot.
    if (h.gcilen() > kGciCapacity || h.proglen() > kMaxProgramBytes || h.smlen() > kMaxSmBytes)
      return invalid();
    least += std::uint64_t{h.proglen()} + 2 + h.smlen() + h.gcilen();
  }
  if (layout.hascsa && count > 0) layout.csaBytes = layout.headers[0].csalen();
  if (reader.size() != 0 && reader.size() < least + layout.csaBytes) return invalid();
  return layout;
}

// Reads the rest of the payload through, after its headers: it must hold what they say, and
// pass the archive's own checks (its CRC) at its end. Nothing after a message otherwise.
bool CheckEntryBlocks(Prompter& ui, ImageArchiveReader& reader, ImageLayout& layout) {
  std::string error;
  bool stopped = false;
  const auto invalid = [&] {
    ui.progressEnd();
    if (!stopped) ui.message(error.empty() ? kInvalidArchive : error);
    return false;
  };
  // A payload of gigabytes (a Common Storage Area of zeros) is passed over in steps that let the
  // window repaint and take Cancel.
  constexpr std::uint64_t kStep = 8 << 20;
  const auto pass = [&](std::uint64_t length) {
    while (length > 0) {
      if (ui.cancelRequested()) return !(stopped = true);
      const std::uint64_t part = std::min(length, kStep);
      if (!reader.skip(part, error)) return false;
      length -= part;
      ui.progressSet(reader.position());
      ui.pump();
    }
    return true;
  };
  ui.progressBegin("Checking the archive", reader.size(), ProgressUnit::Bytes);
  for (const SlotHeader& h : layout.headers) {
    std::uint8_t gfx[2];
    if (!pass(h.proglen()) || !reader.read(gfx, 2, error)) return invalid();
    const std::uint16_t gfxcount = U16(gfx);
    if (gfxcount > kMaxGraphicsCount) return invalid();
    if (!pass(32ull * gfxcount + h.smlen() + h.gcilen())) return invalid();
  }
  if (layout.hascsa && !layout.headers.empty() && !pass(layout.csaBytes)) return invalid();
  std::uint64_t rest = 0;
  if (!reader.skipToEnd(rest, error)) return invalid();
  ui.progressEnd();
  // No header says how long an area without entries is: it is the rest of the payload.
  if (layout.hascsa && layout.headers.empty()) {
    layout.csaBytes = rest;
    if (layout.csaBytes > 0xFFFFFFFFull) return invalid();
  }
  return true;
}

}  // namespace

bool LeavesCardWhole(Directory& dir, const RestoreList& list, const ImageLayout& layout) {
  if (layout.hascsa && dir.header(1).csalen() != 0) return false;
  std::set<std::string> names;
  for (const RestoreItem& item : list.items()) {
    if (!item.checked) continue;
    const auto [category, filename] = RestoreList::Split(item.text);
    SlotHeader h;  // the names as they will be stored
    h.setCategory(category);
    h.setFilename(filename);
    if (dir.FindEntry(h.category(), h.filename()) != kNoSlot ||
        !names.insert(LowerAsciiLetters(h.category()) + '\\' + LowerAsciiLetters(h.filename())).second)
      return false;
  }
  return true;
}

// It must still hold the headers listed: it is read again when it changed behind the dialog.
// Where the card stays whole whatever happens, the
// packed stream's own CRC shows that the file is what our writer made, and the payload is
// decoded only once, while it is written, its CRC checked at its end: a second decoding would
// make a restore slower than 7-Zip and dd. Every other archive is read through first.
std::unique_ptr<ImageArchiveReader> CheckArchive(Prompter& ui, const std::string& path,
                                                 ImageLayout& layout, bool leavesCardWhole) {
  std::string error;
  std::unique_ptr<ImageArchiveReader> reader = std::move(layout.reader);
  if (!reader || !reader->stillAt(path)) {
    reader = ImageArchiveReader::Open(path, error);
    if (!reader) {
      ui.message(error);
      return nullptr;
    }
    std::optional<ImageLayout> again = ReadHeaders(ui, *reader);
    if (!again) return nullptr;
    if (again->hascsa != layout.hascsa || again->headers != layout.headers) {
      ui.message(kInvalidArchive);
      return nullptr;
    }
  }
  if (leavesCardWhole) {
    switch (reader->checkPacked(error)) {
      case ImageArchiveReader::PackedCheck::Passed:
        if (layout.hascsa && layout.headers.empty()) {
          layout.csaBytes = reader->size() - kPayloadPreamble;  // the rest, as declared
          if (layout.csaBytes > 0xFFFFFFFFull) {
            ui.message(kInvalidArchive);
            return nullptr;
          }
        }
        return reader;
      case ImageArchiveReader::PackedCheck::Failed:
        ui.message(error);
        return nullptr;
      case ImageArchiveReader::PackedCheck::Unavailable:
        break;
    }
  }
  if (!CheckEntryBlocks(ui, *reader, layout)) return nullptr;
  std::unique_ptr<ImageArchiveReader> writing = reader->again(error);
  if (!writing || !writing->skip(kPayloadPreamble + 512ull * layout.headers.size(), error)) {
    ui.message(error.empty() ? kInvalidArchive : error);
    return nullptr;
  }
  return writing;
}

std::optional<ImageLayout> ReadLayout(Prompter& ui, const std::string& path) {
  std::string error;
  std::unique_ptr<ImageArchiveReader> reader = ImageArchiveReader::Open(path, error);
  if (!reader) {
    ui.message(error);
    return std::nullopt;
  }
  std::optional<ImageLayout> layout = ReadHeaders(ui, *reader);
  if (layout) layout->reader = std::move(reader);
  return layout;
}

}  // namespace vexo
