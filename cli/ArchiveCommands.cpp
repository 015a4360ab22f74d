// vexo export, backup and restore: image archives.

#include <sys/stat.h>

#include <map>
#include <ostream>

#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "transfer/ArchiveDestination.h"
#include "transfer/Backup.h"
#include "transfer/Restore.h"
#include "volume/Format.h"

namespace vexo {
namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The dialog's choices from the command line: skips and renames name items by their text.
struct Choices {
  std::vector<std::string> skips;
  std::map<std::string, std::string> renames;
  std::optional<std::string> category;
  bool withoutCsa = false;
};

std::optional<Choices> ChoicesOf(const Arguments& args, Prompter& ui) {
  Choices choices;
  choices.skips = args.values("--skip");
  for (const std::string& rename : args.values("--rename")) {
    const std::size_t eq = rename.find('=');
    if (eq == std::string::npos) {
      ui.message("--rename takes ITEM=NEWITEM, not " + rename);
      return std::nullopt;
    }
    choices.renames[rename.substr(0, eq)] = rename.substr(eq + 1);
  }
  choices.category = args.value("--category");
  choices.withoutCsa = args.has("--no-csa");
  return choices;
}

// Applies the choices as the dialog would; false (after a message) when an item is unknown.
bool Apply(const Choices& choices, RestoreList& list, Prompter& ui) {
  const auto find = [&](const std::string& text) -> RestoreItem* {
    for (RestoreItem& item : list.items())
      if (item.text == text) return &item;
    ui.message("No entry '" + text + "' in the image");
    return nullptr;
  };
  std::vector<std::pair<RestoreItem*, std::string>> renames;
  for (const auto& [from, to] : choices.renames) {
    RestoreItem* item = find(from);
    if (item == nullptr) return false;
    renames.emplace_back(item, to);
  }
  for (const std::string& skip : choices.skips) {
    RestoreItem* item = find(skip);
    if (item == nullptr) return false;
    item->checked = false;
  }
  for (auto& [item, to] : renames) item->text = to;
  if (choices.category) list.ChangeCheckedCategory(*choices.category);
  // The area is restored unless left out; over the card's own area the question decides.
  if (list.csa) list.csa->checked = !choices.withoutCsa;
  return true;
}

}  // namespace

int ExportCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const std::string category = args.value("-c").value_or("");
  const std::vector<std::string> captions(args.positional.begin() + 2, args.positional.end());
  std::string out = args.positional[1];
  if (IsFolder(out)) {
    if (captions.size() != 1) {
      io.prompter.message("Several entries go into one archive: give its path, not a folder");
      return kExitUsage;
    }
    out = SingleEntryArchivePath(out, captions[0]);
  }
  const std::optional<std::vector<int>> slots = ExportSlots(session.directory, category, captions);
  if (!slots || !MayWriteArchive(io.prompter, out)) return kExitStopped;
  return WriteImageArchive(session.directory, session.disk, session.drive, *slots, false, out)
             ? kExitDone
             : kExitStopped;
}

int BackupCommand(const Arguments& args, CommandIo& io) {
  CardSession session(io);
  if (!session.openVolume(args.positional[0])) return kExitStopped;
  const std::string& out = args.positional[1];
  if (!MayWriteArchive(io.prompter, out)) return kExitStopped;
  Directory& dir = session.directory;
  return WriteImageArchive(dir, session.disk, session.drive, BackupSlots(dir), BacksUpCsa(dir), out)
             ? kExitDone
             : kExitStopped;
}

int RestoreCommand(const Arguments& args, CommandIo& io) {
  if (args.has("--list")) {
    if (args.positional.size() != 1) {
      io.prompter.message("restore --list takes an ARCHIVE and nothing else");
      return kExitUsage;
    }
    const std::optional<RestoreList> list = ReadRestoreList(io.prompter, args.positional[0]);
    if (!list) return kExitStopped;
    if (io.json) {
      WriteRestoreListJson(io.out, args.positional[0], *list);
      return kExitDone;
    }
    for (const RestoreItem& item : list->items()) io.out << item.text << '\n';
    if (list->csa) io.out << list->csa->text << '\n';
    return kExitDone;
  }
  if (args.positional.size() != 2) {
    io.prompter.message("restore takes a CARD and an ARCHIVE");
    return kExitUsage;
  }
  if (io.json) {
    io.prompter.message("--json lists an archive: restore --list ARCHIVE");
    return kExitUsage;
  }
  const std::optional<Choices> choices = ChoicesOf(args, io.prompter);
  if (!choices) return kExitUsage;
  CardSession session(io);
  const std::string& card = args.positional[0];
  const bool format = args.has("--format");
  if (format ? !session.openDisk(card) : !session.openVolume(card)) return kExitStopped;
  bool chosen = true;
  // The card is formatted only once the archive has been read and checked.
  const BeforeRestoreWrites formatFirst = [&] {
    return FormatDrive(session.directory, session.disk, session.drive, FormatCompletion::Silent);
  };
  const bool restored = RestoreImage(
      session.directory, {session.disk, session.drive, ""}, args.positional[1],
      [&](RestoreList& list) { return chosen = Apply(*choices, list, io.prompter); },
      format ? formatFirst : BeforeRestoreWrites());
  const bool flushed = session.operation.finish();
  if (!chosen) return kExitUsage;
  return restored && flushed ? kExitDone : kExitStopped;
}

}  // namespace vexo
