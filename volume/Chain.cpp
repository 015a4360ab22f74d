#include "volume/Chain.h"

#include <algorithm>
#include <vector>

namespace vexo {
namespace {

// Writes a header and shows the directory error when that fails.
bool WriteOrReport(Directory& dir, int slot, int disk, const std::string& drive) {
  if (WriteHeader(dir, slot, disk, drive)) return true;
  dir.prompter().message(kErrorWritingDirectory);
  return false;
}

std::uint16_t Link(int slot) { return static_cast<std::uint16_t>(slot); }

}  // namespace

bool WriteHeader(Directory& dir, int slot, int disk, const std::string& drive) {
  return dir.access().WriteSector(disk, drive, SlotFirstSector(slot), dir.header(slot).bytes.data());
}

bool TakeOutOfDirectory(Directory& dir, int e, int disk, const std::string& drive) {
  dir.header(e).bytes[kFilename.offset] = 0;
  return WriteOrReport(dir, e, disk, drive);
}

bool InsertInChain(Directory& dir, SlotHeader& h, int v, int disk, const std::string& drive) {
  SlotHeader& h1 = dir.header(1);
  std::vector<int> changed;  // the other headers whose links change, written after the entry's own

  if (h1.first() == 0) {
    // The chain is empty: v becomes both of its ends.
    h.setNext(0);
    h.setPrevious(0);
    if (v == 1) {
      h.setFirst(1);
      h.setLast(1);
    } else {
      h1.setFirst(Link(v));
      h1.setLast(Link(v));
      changed.push_back(1);
    }
  } else {
    // The first member whose key is equal to or greater than the new one; a chain that runs in
    // a circle is not followed for ever.
    int p = 0;
    int q = LinkTarget(h1.first());
    for (int steps = 0; q != 0 && steps < kSlotCount && SortsBefore(dir.header(q), h); ++steps) {
      p = q;
      q = LinkTarget(dir.header(q).next());
    }
    h.setPrevious(Link(p));
    h.setNext(Link(q));
    if (p == 0) {
      h1.setFirst(Link(v));
      if (v == 1) h.setFirst(1);
      changed.push_back(1);
    } else {
      dir.header(p).setNext(Link(v));
      changed.push_back(p);
    }
    if (q == 0) {
      h1.setLast(Link(v));
      if (v == 1) h.setLast(1);
      changed.push_back(1);
    } else {
      dir.header(q).setPrevious(Link(v));
      changed.push_back(q);
    }
  }

  // The entry itself first: until its neighbours point at it, a walk along the chain passes it
  // by and still finds every other entry.
  if (!dir.access().WriteSector(disk, drive, SlotFirstSector(v), h.bytes.data())) {
    dir.prompter().message(kErrorWritingDirectory);
    return false;
  }
  std::sort(changed.begin(), changed.end());
  changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
  for (int slot : changed) {
    if (slot != v && !WriteOrReport(dir, slot, disk, drive)) return false;
  }
  return true;
}

bool RemoveFromChain(Directory& dir, int e, int disk, const std::string& drive) {
  const SlotHeader& entry = dir.header(e);
  const int n = LinkTarget(entry.next());
  const int p = LinkTarget(entry.previous());
  SlotHeader& h1 = dir.header(1);

  if (n == 0) {
    h1.setLast(Link(p));
    if (e != 1 && !WriteOrReport(dir, 1, disk, drive)) return false;
  } else {
    dir.header(n).setPrevious(Link(p));
    if (!WriteOrReport(dir, n, disk, drive)) return false;
  }

  if (p == 0) {
    h1.setFirst(Link(n));
    if (e != 1 && !WriteOrReport(dir, 1, disk, drive)) return false;
  } else {
    dir.header(p).setNext(Link(n));
    if (!WriteOrReport(dir, p, disk, drive)) return false;
  }
  return true;
}

}  // namespace vexo
