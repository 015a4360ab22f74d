// vexo format, diag and repair: commands on a whole volume.

#include <ostream>

#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "volume/Diagnostics.h"
#include "volume/ProgramChecks.h"
#include "volume/Format.h"
#include "volume/Repair.h"

namespace vexo {

int FormatCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openDisk(args.positional[0])) return kExitStopped;
  const bool formatted = FormatDrive(session.directory, session.disk, session.drive);
  return session.operation.finish() && formatted ? kExitDone : kExitStopped;
}

int DiagCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const Diagnostics d = Diagnose(session.directory);
  const std::vector<ProgramFinding> programs = CheckPrograms(session.directory, session.disk);
  const int status = d.alarming || !programs.empty() ? kExitStopped : kExitDone;
  if (io.json) {
    WriteDiagnosticsJson(io.out, args.positional[0], session.directory, d, programs);
    return status;
  }
  for (int row = 1; row < kDiagnosticsRows; ++row) {
    const auto& cells = d.cells[static_cast<std::size_t>(row)];
    for (int column = 0; column < kDiagnosticsColumns; ++column)
      io.out << (column ? "\t" : "") << cells[static_cast<std::size_t>(column)];
    io.out << '\n';
  }
  io.out << d.summary << '\n';
  for (const ProgramFinding& finding : programs) io.out << finding.text << '\n';
  return status;
}

int RepairCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const bool repaired = RepairChain(session.directory, session.disk, session.drive);
  return session.operation.finish() && repaired ? kExitDone : kExitStopped;
}

}  // namespace vexo
