// The `vexo` command line: global options, the command table and the usage text.

#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/TerminalPrompter.h"
#include "volume/SlotHeader.h"

namespace vexo {
namespace {

void PrintUsage(std::ostream& err) {
  err << "usage: vexo [--yes|--no] [--quiet] [--verify] [--json] COMMAND ...\n"
         "       vexo --help | --version\n"
         "\n"
         "CARD is a card image file or a card reader's block device.\n"
         "Questions take their default answer without a terminal, unless --yes or --no.\n"
         "--verify reads back what a command wrote (to the card or an archive) and compares.\n"
         "--json prints one JSON document for ls, info, diag and restore --list.\n"
         "\n"
         "commands:\n";
  for (const Command& command : AllCommands()) err << "  vexo " << command.usage << '\n';
}

}  // namespace

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"mkimage", "mkimage [--force] FILE [SIZE]   make a sparse, zero-filled card image",
       {{"--force"}, {}, 1, 2}, MkImageCommand},
      {"ls", "ls CARD [CATEGORY] | ls --categories CARD   list entries or categories",
       {{"--categories"}, {}, 1, 2}, ListCommand, true},
      {"format", "format CARD   make the card an empty Vexo volume", {{}, {}, 1, 1}, FormatCommand},
      {"diag", "diag CARD   the diagnostics grid (rows 1 to 512) and its summary",
       {{}, {}, 1, 1}, DiagCommand, true},
      {"rm", "rm CARD ENTRY [-c CATEGORY]   delete an entry", {{}, {"-c"}, 2, 2}, RemoveCommand},
      {"rename",
       "rename CARD ENTRY [-c CATEGORY] [--name NEW] [--desc1 T] [--desc2 T] [--desc3 T] "
       "[--desc4 T]   rename an entry, change its descriptions",
       {{}, {"-c", "--name", "--desc1", "--desc2", "--desc3", "--desc4"}, 2, 2}, RenameCommand},
      {"info", "info CARD ENTRY [-c CATEGORY]   the properties of an entry",
       {{}, {"-c"}, 2, 2}, InfoCommand, true},
      {"import", "import CARD FILE [-c CATEGORY]   a program file becomes an entry",
       {{}, {"-c"}, 2, 2}, ImportCommand},
      {"attach",
       "attach CARD ENTRY FILE [-c CATEGORY]   attach SM data (.pdata) or graphics (with its .dat)",
       {{}, {"-c"}, 3, 3}, AttachCommand},
      {"csa", "csa CARD FILE OFFSET   write a GCI file into the Common Storage Area",
       {{}, {}, 3, 3}, CsaCommand},
      {"copy",
       "copy SRC ENTRY DEST [-c CATEGORY] [--to-category CATEGORY]   copy an entry slot for slot",
       {{}, {"-c", "--to-category"}, 3, 3}, CopyCommand},
      {"repair", "repair CARD   rebuild the chain of the used slots in sort order",
       {{}, {}, 1, 1}, RepairCommand},
      {"export",
       "export CARD OUT ENTRY... [-c CATEGORY]   entries into an image archive (OUT: a folder "
       "for one entry, else the archive)",
       {{}, {"-c"}, 3, 2 + kSlotCount}, ExportCommand},
      {"backup", "backup CARD ARCHIVE   the whole volume and its Common Storage Area",
       {{}, {}, 2, 2}, BackupCommand},
      {"restore",
       "restore CARD ARCHIVE [--format] [--no-csa] [--skip ITEM]... [--rename ITEM=NEWITEM]... "
       "[--category CATEGORY] | restore --list ARCHIVE   restore an image archive",
       {{"--format", "--list", "--no-csa"}, {"--skip", "--rename", "--category"}, 1, 2}, RestoreCommand,
       true},
  };
  return commands;
}

int RunVexo(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  AnswerPolicy policy = AnswerPolicy::Ask;
  bool quiet = false;
  bool verify = false;
  bool json = false;
  std::size_t i = 0;
  for (; i < words.size() && words[i].rfind("-", 0) == 0; ++i) {
    const std::string& word = words[i];
    if (word == "--yes") {
      policy = AnswerPolicy::Yes;
    } else if (word == "--no") {
      policy = AnswerPolicy::No;
    } else if (word == "--quiet") {
      quiet = true;
    } else if (word == "--verify") {
      verify = true;
    } else if (word == "--json") {
      json = true;
    } else if (word == "--help" || word == "-h") {
      PrintUsage(out);
      return kExitDone;
    } else if (word == "--version") {
      out << "vexo (VexoExplorer) " VEXO_VERSION "\n";
      return kExitDone;
    } else {
      err << "vexo: unknown option " << word << "\n\n";
      PrintUsage(err);
      return kExitUsage;
    }
  }
  if (i == words.size()) {
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& name = words[i];
  for (const Command& command : AllCommands()) {
    if (name != command.name) continue;
    std::string error;
    const std::vector<std::string> rest(words.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                        words.end());
    const std::optional<Arguments> args = ParseArguments(rest, command.syntax, error);
    const bool jsonRefused = json && !command.printsJson;
    if (jsonRefused) error = "--json is not available for " + name;
    if (!args || jsonRefused) {
      err << "vexo " << name << ": " << error << "\nusage: vexo " << command.usage << '\n';
      return kExitUsage;
    }
    const bool terminal = &err == &std::cerr && ::isatty(STDERR_FILENO);
    TerminalPrompter prompter(policy, quiet, err, terminal);
    CommandIo io{prompter, out, verify, json};
    const int status = command.run(*args, io);
    if (status == kExitUsage) err << "usage: vexo " << command.usage << '\n';
    // A command that finished in spite of Ctrl-C (it was past its last safe point) says so by
    // its own status.
    if (status == kExitStopped && prompter.cancelRequested()) {
      err << "Cancelled\n";
      return kExitCancelled;
    }
    return status;
  }
  err << "vexo: unknown command " << name << "\n\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace vexo
