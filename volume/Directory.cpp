#include "volume/Directory.h"

#include <algorithm>
#include <array>

#include "volume/Latin1.h"
#include "volume/Messages.h"

namespace vexo {

Directory::Directory(DiskAccess& access)
    : vexodirs(static_cast<std::size_t>(kSlotCount) + 1), access_(access) {
  // A sector that does not read back as written is named by the entry it belongs to.
  access_.setSectorNamer([this](int disk, std::uint64_t sector) -> std::string {
    if (sector >= kCsaFirstSector) return "the Common Storage Area";
    const int slot = static_cast<int>(sector / kSectorsPerSlot) + 1;
    std::string name = "slot " + std::to_string(slot);
    if (disk == vexodrv && IsUsed(header(slot))) name += ", " + header(slot).filename();
    return name;
  });
}

Directory::~Directory() { access_.setSectorNamer(nullptr); }

bool Directory::LoadDirectory(int disk, const std::string& drive, DirectoryLoad load) {
  const bool keep = load == DirectoryLoad::Keep;
  Prompter& ui = prompter();
  ui.busy(true);
  std::array<std::uint8_t, kSectorSize> sector{};
  bool allMagic = true;
  for (int slot = 1; slot <= kSlotCount && allMagic; ++slot) {
    ui.pump();
    const std::uint64_t number = SlotFirstSector(slot);
    if (!access_.ReadSector(disk, number, sector.data())) {
      const int error = access_.lastError();
      if (!IsSilentReadError(error)) {
        ui.message(FailedToRead(drive, number) + " Message " +
                   access_.lastErrorText());
      }
      if (keep) vexodrv = -1;
      ui.busy(false);
      return false;
    }
    if (!HasMagic(sector.data())) {
      allMagic = false;
    } else if (keep) {
      std::copy(sector.begin(), sector.end(), header(slot).bytes.begin());
    }
  }
  if (keep) vexodrv = disk;
  ui.busy(false);
  return allMagic;
}

int Directory::FindEntry(const std::string& category, const std::string& filename) const {
  const std::string wantedCategory = LowerAsciiLetters(category);
  const std::string wantedName = LowerAsciiLetters(filename);
  // ASCII names, nearly all, are compared in the headers' bytes: a restore asks for each of
  // hundreds of entries.
  const auto ascii = [](const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  };
  const bool inPlace = ascii(wantedCategory) && ascii(wantedName);
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = header(slot);
    if (!IsUsed(h)) continue;
    const bool same =
        inPlace ? FieldIsLoweredAscii(h.bytes.data() + kFilename.offset, kFilename.width, wantedName) &&
                      FieldIsLoweredAscii(h.bytes.data() + kCategory.offset, kCategory.width,
                                          wantedCategory)
                : LowerAsciiLetters(h.filename()) == wantedName &&
                      LowerAsciiLetters(h.category()) == wantedCategory;
    if (same) return slot;
  }
  return kNoSlot;
}

int Directory::FindFreeSlot() const {
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    if (!IsUsed(header(slot))) return slot;
  }
  return kNoSlot;
}

int Directory::FindListedEntry(const std::string& category, const std::string& filename) const {
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = header(slot);
    if (IsUsed(h) && h.filename() == filename && h.category() == category) return slot;
  }
  return kNoSlot;
}

std::vector<std::string> Categories(const Directory& directory) {
  std::vector<std::string> categories;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = directory.header(slot);
    if (!IsUsed(h)) continue;
    std::string category = h.category();
    if (!category.empty() &&
        std::find(categories.begin(), categories.end(), category) == categories.end())
      categories.push_back(std::move(category));
  }
  return categories;
}

std::vector<int> SortedUsedSlots(const Directory& directory) {
  std::vector<std::pair<std::string, int>> pairs;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = directory.header(slot);
    if (!IsUsed(h)) continue;
    std::pair<std::string, int> pair{SortKey(h), slot};
    auto place = std::lower_bound(pairs.begin(), pairs.end(), pair,
                                  [](const auto& a, const auto& b) { return a.first < b.first; });
    pairs.insert(place, std::move(pair));
  }
  std::vector<int> slots;
  slots.reserve(pairs.size());
  for (const auto& pair : pairs) slots.push_back(pair.second);
  return slots;
}

int Directory::CheckChain() {
  const int errors = CountChainErrors();
  if (errors != 0) prompter().message(ChainErrorsText(errors));
  return errors;
}

std::string ChainErrorsText(int errors) { return std::to_string(errors) + " Errors in Vexo File system"; }

int Directory::CountChainErrors() const {
  const std::vector<int> s = SortedUsedSlots(*this);
  const std::size_t n = s.size();
  const SlotHeader& h1 = header(1);
  int errors = 0;
  const auto check = [&](bool ok) { errors += ok ? 0 : 1; };
  // A free slot that is still linked: an entry that a crash left taken out of the directory,
  // on a volume that may have no entry left (header 1's chain ends are not examined then;
  // diagnostics tells that case).
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = header(slot);
    if (!IsUsed(h)) check(h.next() == 0 && h.previous() == 0);
  }
  for (std::size_t k = 0; k < n; ++k) {
    const SlotHeader& h = header(s[k]);
    const int next = k + 1 < n ? s[k + 1] : 0;
    const int previous = k > 0 ? s[k - 1] : 0;
    if (n == 1) {
      check(h.previous() == 0);
      check(h1.first() == s[0]);
      check(h.next() == 0);
      check(h1.last() == s[0]);
    } else {
      check(h.next() == next);
      check(h.previous() == previous);
      if (k == 0) check(h1.first() == s[0]);
      if (k == n - 1) check(h1.last() == s[k]);
    }
  }
  return errors;
}

std::vector<EntryRow> Directory::ChainEntries(const std::string& category) const {
  std::vector<EntryRow> rows;
  int slot = LinkTarget(header(1).first());
  for (int visited = 0; slot != 0 && visited < kSlotCount + 1; ++visited) {
    const SlotHeader& h = header(slot);
    if (IsUsed(h) && h.category() == category) {
      rows.push_back({slot, h.filename(), h.date() + " " + h.time(), h.desc1(), h.desc2(),
                      h.desc3(), h.desc4()});
    }
    slot = LinkTarget(h.next());
  }
  return rows;
}

}  // namespace vexo
