#include "volume/Diagnostics.h"

#include "volume/Latin1.h"

namespace vexo {
namespace {

enum Column { kEntryColumn, kNameColumn, kCategoryColumn, kNextColumn, kPreviousColumn,
              kFirstColumn, kLastColumn, kNextOk, kPreviousOk, kFirstOk, kLastOk };

const char* const kTitles[kDiagnosticsColumns] = {"Entry", "Filename", "Category", "Next",
                                                  "Previous", "First", "Last", "Next ok",
                                                  "Previous ok", "First ok", "Last ok"};

// A fixed-width field as the grid draws it: all its bytes, up to a 0 byte.
std::string Untrimmed(const SlotHeader& h, TextField f) {
  std::size_t end = 0;
  while (end < f.width && h.bytes[f.offset + end] != 0) ++end;
  return Latin1ToUtf8(h.bytes.data() + f.offset, end);
}

}  // namespace

Diagnostics Diagnose(const Directory& dir) {
  Diagnostics d;
  d.cells.resize(kDiagnosticsRows);
  for (int c = 0; c < kDiagnosticsColumns; ++c) d.cells[0][static_cast<std::size_t>(c)] = kTitles[c];

  auto cell = [&](int row, Column column) -> std::string& {
    return d.cells[static_cast<std::size_t>(row)][column];
  };
  // "ok" when right; otherwise the value that belongs there, counted as an error.
  auto check = [&](int row, Column column, int actual, int expected) {
    if (actual == expected) {
      cell(row, column) = "ok";
    } else {
      cell(row, column) = std::to_string(expected);
      ++d.errors;
    }
  };

  for (int r = 1; r <= kSlotCount; ++r) {
    const SlotHeader& h = dir.header(r);
    cell(r, kEntryColumn) = std::to_string(r);
    cell(r, kNameColumn) = Untrimmed(h, kFilename);
    cell(r, kCategoryColumn) = Untrimmed(h, kCategory);
    cell(r, kNextColumn) = std::to_string(h.next());
    cell(r, kPreviousColumn) = std::to_string(h.previous());
    cell(r, kFirstColumn) = std::to_string(h.first());
    cell(r, kLastColumn) = std::to_string(h.last());
    if (!IsUsed(h)) {
      check(r, kNextOk, h.next(), 0);
      check(r, kPreviousOk, h.previous(), 0);
    }
    if (r != 1) {
      for (auto [column, value] : {std::pair{kFirstOk, h.first()}, std::pair{kLastOk, h.last()}}) {
        if (value == 0) {
          cell(r, column) = "ok";
        } else {
          cell(r, column) = "Warning 0";
          ++d.warnings;
        }
      }
    }
  }

  const std::vector<int> s = SortedUsedSlots(dir);
  const std::size_t n = s.size();
  const SlotHeader& h1 = dir.header(1);
  for (std::size_t k = 0; k < n; ++k) {
    const SlotHeader& h = dir.header(s[k]);
    const int expectedNext = k + 1 < n ? s[k + 1] : 0;
    const int expectedPrevious = k > 0 ? s[k - 1] : 0;
    check(s[k], kPreviousOk, h.previous(), expectedPrevious);
    if (k == 0) check(1, kFirstOk, h1.first(), s[0]);
    check(s[k], kNextOk, h.next(), expectedNext);
    if (k == n - 1) check(1, kLastOk, h1.last(), s[k]);
  }

  if (n == 0) {
    // No entries, yet header 1 names chain ends: an entry taken out and never put back. Only
    // the wrong cell is written; an empty volume's grid stays as it always was.
    for (auto [column, value] : {std::pair{kFirstOk, h1.first()}, std::pair{kLastOk, h1.last()}}) {
      if (value == 0) continue;
      cell(1, column) = "0";
      ++d.errors;
    }
  }

  if (d.errors > 0) d.summary = std::to_string(d.errors) + " Errors";
  if (d.warnings > 0) {
    d.summary += (d.summary.empty() ? "" : ", ") + std::to_string(d.warnings) + " Warnings";
  }
  d.alarming = !d.summary.empty();
  if (d.summary.empty()) d.summary = "All ok";
  return d;
}

}  // namespace vexo
