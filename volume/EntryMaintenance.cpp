#include "volume/EntryMaintenance.h"

#include <algorithm>
#include <cctype>

#include "volume/CardName.h"
#include "volume/Chain.h"
#include "volume/Latin1.h"

namespace vexo {
namespace {

bool Names(const Selection& s) { return s.entry >= 1 && s.entry <= kSlotCount; }

}  // namespace

bool DeleteEntry(Directory& dir, const Selection& selection) {
  if (!Names(selection)) return false;  // nothing selected, or the caption was not found
  // The question says which card and category the entry goes from.
  const std::string where = selection.category.empty() ? "from " : "from " + selection.category + " on ";
  if (dir.prompter().ask("Confirm Delete of '" + selection.filename + "'\n" + where +
                             CardName(dir.access(), selection.disk, selection.drive, true),
                         Buttons::YesNo, Answer::No) == Answer::No)
    return false;
  if (!RemoveFromChain(dir, selection.entry, selection.disk, selection.drive)) {
    dir.observer->volumeLost(selection.drive);
    return false;
  }
  SlotHeader& h = dir.header(selection.entry);
  h.bytes[kFilename.offset] = 0;
  h.setNext(0);
  h.setPrevious(0);
  if (!WriteHeader(dir, selection.entry, selection.disk, selection.drive)) {
    dir.prompter().message(kErrorWritingDirectory);
    return false;
  }
  dir.observer->entriesChanged();
  return true;
}

RenameRequest RenameDefaults(const SlotHeader& h) {
  return {h.filename(), h.desc1(), h.desc2(), h.desc3(), h.desc4()};
}

bool RenameEntry(Directory& dir, const Selection& selection, const RenameRequest& request) {
  if (!Names(selection)) return false;
  const int e = selection.entry;
  SlotHeader& h = dir.header(e);
  const bool renamed = request.filename != h.filename();
  if (renamed) {
    // Free slots take part with whatever name they hold; the entry itself does not. The name is
    // compared as it will be stored, cut to 19 characters, so no second entry of it can arise.
    SlotHeader stored;
    stored.setFilename(request.filename);
    const std::string name = LowerAsciiLetters(stored.filename());
    const std::string category = LowerAsciiLetters(h.category());
    for (int slot = 1; slot <= kSlotCount; ++slot) {
      if (slot == e) continue;
      const SlotHeader& other = dir.header(slot);
      if (LowerAsciiLetters(other.filename()) == name &&
          LowerAsciiLetters(other.category()) == category) {
        dir.prompter().message("New filename already in use");
        return false;
      }
    }
  }
  h.setDesc1(request.desc1);
  h.setDesc2(request.desc2);
  h.setDesc3(request.desc3);
  h.setDesc4(request.desc4);
  if (renamed) {
    // Relinked under its new name; linking writes the header itself.
    h.setFilename(request.filename);
    if (!RemoveFromChain(dir, e, selection.disk, selection.drive) ||
        !InsertInChain(dir, h, e, selection.disk, selection.drive)) {
      dir.observer->volumeLost(selection.drive);
      return false;
    }
  } else if (!WriteHeader(dir, e, selection.disk, selection.drive)) {
    dir.prompter().message(kErrorWritingDirectory);
    return false;
  }
  dir.observer->entriesChanged();
  return true;
}

std::vector<std::pair<std::string, std::string>> EntryProperties(const SlotHeader& h) {
  return {
      {"Category:", h.category()},
      {"Filename:", h.filename()},
      {"Date:", h.date() + " " + h.time()},
      {"GCI File:", h.gcifile()},
      {"Date:", h.gcidate() + " " + h.gcitime()},
      {"Desc1:", h.desc1()},
      {"Desc2:", h.desc2()},
      {"Desc3:", h.desc3()},
      {"Desc4:", h.desc4()},
      {"SM File:", h.smfile()},
      {"SM Date:", h.smdate() + " " + h.smtime()},
  };
}

std::string NextNewCategoryName(const std::vector<std::string>& categoryNames) {
  static const std::string kStem = "New Category";
  unsigned long long highest = 0;
  for (const std::string& name : categoryNames) {
    if (name.size() <= kStem.size() || name.compare(0, kStem.size(), kStem) != 0) continue;
    const std::string digits = name.substr(kStem.size());
    if (digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
      continue;
    highest = std::max(highest, std::stoull(digits));
  }
  return kStem + std::to_string(highest + 1);
}

}  // namespace vexo
