#pragma once
// The `vexo` commands: each is one function from its arguments to an exit status.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "disk/Prompter.h"

namespace vexo {

inline constexpr int kExitDone = 0;     // the command completed
inline constexpr int kExitStopped = 1;  // it stopped on a failure or an answer
inline constexpr int kExitUsage = 2;    // the command line was wrong

struct CommandIo {
  Prompter& prompter;
  std::ostream& out;
  bool verify = false;  // --verify: every operation reads back what it wrote
  bool json = false;  // --json: one JSON document on `out` instead of the text (JsonOutput.h)
};

struct Command {
  const char* name;
  const char* usage;
  CommandSyntax syntax;
  int (*run)(const Arguments&, CommandIo&);
  bool printsJson = false;  // takes --json
};

const std::vector<Command>& AllCommands();

int MkImageCommand(const Arguments& args, CommandIo& io);
int ListCommand(const Arguments& args, CommandIo& io);
int FormatCommand(const Arguments& args, CommandIo& io);
int DiagCommand(const Arguments& args, CommandIo& io);
int RepairCommand(const Arguments& args, CommandIo& io);
int RemoveCommand(const Arguments& args, CommandIo& io);
int RenameCommand(const Arguments& args, CommandIo& io);
int InfoCommand(const Arguments& args, CommandIo& io);
int ImportCommand(const Arguments& args, CommandIo& io);
int AttachCommand(const Arguments& args, CommandIo& io);
int CsaCommand(const Arguments& args, CommandIo& io);
int CopyCommand(const Arguments& args, CommandIo& io);
int ExportCommand(const Arguments& args, CommandIo& io);
int BackupCommand(const Arguments& args, CommandIo& io);
int RestoreCommand(const Arguments& args, CommandIo& io);

// Entry point shared by main() and the tests.
int RunVexo(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace vexo
