// vexo import, attach, csa and copy: moving PC files and entries onto cards.

#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "transfer/Attach.h"
#include "transfer/CsaInsert.h"
#include "transfer/EntryCopy.h"
#include "transfer/FileKind.h"
#include "transfer/ProgramImport.h"

namespace vexo {
namespace {

VolumeTarget TargetOf(const CardSession& session, const Arguments& args, const char* option) {
  return {session.disk, session.drive, args.value(option).value_or("")};
}

}  // namespace

int ImportCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const bool imported = ImportProgram(session.directory, session.buffers,
                                      TargetOf(session, args, "-c"), args.positional[1],
                                      session.separators);
  return session.operation.finish() && imported ? kExitDone : kExitStopped;
}

int AttachCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const std::string& file = args.positional[2];
  const Attachment kind = KindOf(BaseName(file)) == FileKind::SmFile ? Attachment::SmFile
                                                                     : Attachment::Graphics;
  const bool attached = AttachFile(session.directory, session.buffers, TargetOf(session, args, "-c"),
                                   args.positional[1], file, kind, session.separators);
  return session.operation.finish() && attached ? kExitDone : kExitStopped;
}

int CsaCommand(const Arguments& args, CommandIo& io) {
  const std::optional<std::int32_t> offset = ParseSectorOffset(args.positional[2]);
  if (!offset) {
    io.prompter.message("Invalid sector offset '" + args.positional[2] +
                        "': give nnn (decimal), 0xnnn or $nnn (hex), not below 0");
    return kExitUsage;
  }
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const bool inserted = InsertIntoCsa(session.directory, {session.disk, session.drive, ""},
                                      args.positional[1], *offset);
  return session.operation.finish() && inserted ? kExitDone : kExitStopped;
}

int CopyCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  CopySource source;
  source.disk = session.disk;
  source.category = args.value("-c").value_or("");
  source.filename = args.positional[1];
  source.slot = session.directory.FindListedEntry(source.category, source.filename);
  if (source.slot == kNoSlot) {
    io.prompter.message(NoSuchEntryText(source.filename, source.category));
    return kExitStopped;
  }
  if (!session.openDisk(args.positional[2])) return kExitStopped;
  const bool copied =
      CopyEntry(session.directory, source, TargetOf(session, args, "--to-category"));
  return session.operation.finish() && copied ? kExitDone : kExitStopped;
}

}  // namespace vexo
