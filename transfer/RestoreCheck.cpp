#include "transfer/RestoreCheck.h"

#include <algorithm>
#include <set>

#include "volume/Latin1.h"

namespace vexo {
namespace {

// Reads the payload's preamble and stored headers, all that the list needs. Nothing after a
// message otherwise.
std::optional<ImageLayout> ReadHeaders(Prompter& ui, ImageArchiveReader& reader) {
  ArchivePayload in(reader);
  std::optional<StoredHeaders> stored = ReadStoredHeaders(in);
  if (!stored) {
    ui.message(in.failure());
    return std::nullopt;
  }
  ImageLayout layout;
  static_cast<StoredHeaders&>(layout) = std::move(*stored);
  return layout;
}

// The payload passed over in steps that let the window repaint and take Cancel: a payload of
// gigabytes (a Common Storage Area of zeros) takes a while.
class CheckedPayload : public ArchivePayload {
 public:
  CheckedPayload(Prompter& ui, ImageArchiveReader& reader) : ArchivePayload(reader), ui_(ui) {}
  bool pass(std::uint64_t length) override {
    constexpr std::uint64_t kStep = 8 << 20;
    while (length > 0) {
      if (ui_.cancelRequested()) return !(stopped = true);
      const std::uint64_t part = std::min(length, kStep);
      if (!ArchivePayload::pass(part)) return false;
      length -= part;
      ui_.progressSet(reader_.position());
      ui_.pump();
    }
    return true;
  }
  bool stopped = false;

 private:
  Prompter& ui_;
};

// Reads the rest of the payload through, after its headers: it must hold what they say, and
// pass the archive's own checks (its CRC) at its end. Nothing after a message otherwise.
bool CheckEntryBlocks(Prompter& ui, ImageArchiveReader& reader, ImageLayout& layout) {
  CheckedPayload in(ui, reader);
  const auto invalid = [&] {
    ui.progressEnd();
    if (!in.stopped) ui.message(in.failure());
    return false;
  };
  ui.progressBegin("Checking the archive", reader.size(), ProgressUnit::Bytes);
  if (!PassOverEntryBlocks(in, layout)) return invalid();
  std::uint64_t rest = 0;
  if (!reader.skipToEnd(rest, in.error)) return invalid();
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
  if (layout.hascsa && list.csa && list.csa->checked && dir.header(1).csalen() != 0) return false;
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
