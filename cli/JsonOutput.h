#pragma once
// The documents `vexo --json` prints: one JSON document per command on standard output, for
// scripts. They are all built here, so an entry, a name or a date is spelt the same in every
// document; the field names are lower_snake_case and listed in vexo(1). Keep them stable: add
// fields, never rename one.

#include <iosfwd>
#include <string>
#include <vector>

#include "transfer/Restore.h"
#include "volume/Diagnostics.h"
#include "volume/ProgramChecks.h"
#include "volume/Directory.h"

namespace vexo {

// ls CARD [CATEGORY]: the entries in chain order and the chain check's error count.
void WriteEntriesJson(std::ostream& out, const std::string& card, const std::string& category,
                      int chainErrors, const Directory& dir, const std::vector<EntryRow>& rows);

// ls --categories CARD: the categories lowest slot first, with how many entries each holds.
void WriteCategoriesJson(std::ostream& out, const std::string& card, const Directory& dir,
                         const std::vector<std::string>& categories);

// info CARD ENTRY: every field of the entry's header.
void WriteEntryJson(std::ostream& out, const std::string& card, const Directory& dir, int slot);

// diag CARD: the grid's rows as numbers and check results, the summary, and the programs that
// do not match their checksums.
void WriteDiagnosticsJson(std::ostream& out, const std::string& card, const Directory& dir,
                          const Diagnostics& diagnostics, const std::vector<ProgramFinding>& programs);

// restore --list ARCHIVE: the items the restore would offer.
void WriteRestoreListJson(std::ostream& out, const std::string& archive, const RestoreList& list);

// "yyyy-mm-ddThh:mm:ss" from a date and a time field written with any separators, or "" when
// the fields do not hold one (a blank date, a hand-made header).
std::string IsoTimestamp(const std::string& date, const std::string& time);

}  // namespace vexo
