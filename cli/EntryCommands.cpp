// vexo rm, rename and info: commands on one entry, named as the entry list shows it.

#include <ostream>

#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "volume/EntryMaintenance.h"

namespace vexo {
namespace {

// The entry a command names, as a selection in the entry list would; false after a message.
bool SelectEntry(CardSession& session, const Arguments& args, Selection& selection) {
  selection.disk = session.disk;
  selection.drive = session.drive;
  selection.category = args.value("-c").value_or("");
  selection.filename = args.positional[1];
  selection.entry = session.directory.FindListedEntry(selection.category, selection.filename);
  if (selection.entry == kNoSlot) {
    session.access.prompter().message(NoSuchEntryText(selection.filename, selection.category));
    return false;
  }
  return true;
}

}  // namespace

int RemoveCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  Selection selection;
  if (!session.openVolume(args.positional[0]) || !SelectEntry(session, args, selection))
    return kExitStopped;
  const bool deleted = DeleteEntry(session.directory, selection);
  return session.operation.finish() && deleted ? kExitDone : kExitStopped;
}

int RenameCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  Selection selection;
  if (!session.openVolume(args.positional[0]) || !SelectEntry(session, args, selection))
    return kExitStopped;
  RenameRequest request = RenameDefaults(session.directory.header(selection.entry));
  request.filename = args.value("--name").value_or(request.filename);
  request.desc1 = args.value("--desc1").value_or(request.desc1);
  request.desc2 = args.value("--desc2").value_or(request.desc2);
  request.desc3 = args.value("--desc3").value_or(request.desc3);
  request.desc4 = args.value("--desc4").value_or(request.desc4);
  const bool renamed = RenameEntry(session.directory, selection, request);
  return session.operation.finish() && renamed ? kExitDone : kExitStopped;
}

int InfoCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  Selection selection;
  if (!session.openVolume(args.positional[0]) || !SelectEntry(session, args, selection))
    return kExitStopped;
  if (io.json) {
    WriteEntryJson(io.out, args.positional[0], session.directory, selection.entry);
    return kExitDone;
  }
  for (const auto& [caption, value] : EntryProperties(session.directory.header(selection.entry)))
    io.out << caption << '\t' << value << '\n';
  return kExitDone;
}

}  // namespace vexo
