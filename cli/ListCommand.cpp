// vexo ls CARD [CATEGORY] and vexo ls --categories CARD.

#include <algorithm>
#include <ostream>

#include "cli/CardSession.h"
#include "cli/Commands.h"

namespace vexo {

int ListCommand(const Arguments& args, CommandIo& io) {
  const bool categoriesOnly = args.has("--categories");
  if (categoriesOnly && args.positional.size() != 1) {
    io.prompter.message("ls --categories takes a CARD and nothing else");
    return kExitUsage;
  }
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  Directory& dir = session.directory;

  if (categoriesOnly) {
    for (const std::string& category : Categories(dir)) io.out << category << '\n';
    return kExitDone;
  }
  dir.CheckChain();
  const std::string category = args.positional.size() > 1 ? args.positional[1] : std::string();
  for (const EntryRow& row : dir.ChainEntries(category)) {
    io.out << row.filename << '\t' << row.modified << '\t' << row.desc1 << '\t' << row.desc2
           << '\t' << row.desc3 << '\t' << row.desc4 << '\n';
  }
  return kExitDone;
}

}  // namespace vexo
