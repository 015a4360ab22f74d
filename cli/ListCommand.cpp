// vexo ls CARD [CATEGORY] and vexo ls --categories CARD.

#include <algorithm>
#include <ostream>

#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"

namespace vexo {

int ListCommand(const Arguments& args, CommandIo& io) {
  const bool categoriesOnly = args.has("--categories");
  if (categoriesOnly && args.positional.size() != 1) {
    io.prompter.message("ls --categories takes a CARD and nothing else");
    return kExitUsage;
  }
  const std::string& card = args.positional[0];
  CardSession session(io);
  if (!session.openVolume(card)) return kExitStopped;
  Directory& dir = session.directory;

  if (categoriesOnly) {
    const std::vector<std::string> categories = Categories(dir);
    if (io.json) {
      WriteCategoriesJson(io.out, card, dir, categories);
      return kExitDone;
    }
    for (const std::string& category : categories) io.out << category << '\n';
    return kExitDone;
  }
  const int chainErrors = dir.CheckChain();
  const std::string category = args.positional.size() > 1 ? args.positional[1] : std::string();
  const std::vector<EntryRow> rows = dir.ChainEntries(category);
  if (io.json) {
    WriteEntriesJson(io.out, card, category, chainErrors, dir, rows);
    return kExitDone;
  }
  for (const EntryRow& row : rows) {
    io.out << row.filename << '\t' << row.modified << '\t' << row.desc1 << '\t' << row.desc2
           << '\t' << row.desc3 << '\t' << row.desc4 << '\n';
  }
  return kExitDone;
}

}  // namespace vexo
