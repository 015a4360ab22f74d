#include "cli/CardSession.h"

#include <sys/stat.h>

#include <cerrno>

namespace vexo {

CardSession::CardSession(CommandIo& io)
    : table(DiskTable::ForThisMachine()),
      access(table, io.prompter, releaser),
      directory(access),
      operation(access) {
  table.setPrivilegedOpener(&opener);
  access.setVerify(io.verify);
  access.keepAwakeWhileWriting(true);
}

}  // namespace vexo

namespace vexo {

std::string NoSuchEntryText(const std::string& name, const std::string& category) {
  return "No entry '" + name + "'" +
         (category.empty() ? std::string() : " in category '" + category + "'");
}

bool CardSession::openDisk(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    access.prompter().message(path + ": " + SystemErrorText(errno));
    return false;
  }
  std::string whyNot;
  disk = table.Attach(path, &whyNot);
  if (disk < 0) {
    access.prompter().message(whyNot);
    return false;
  }
  drive = table.ByNumber(disk)->driveString();
  return true;
}

bool CardSession::openVolume(const std::string& path) {
  if (!openDisk(path)) return false;
  if (!directory.LoadDirectory(disk, drive, DirectoryLoad::Keep)) {
    // Only a card that was read can be said to hold no volume; a failed read has said why,
    // except for the errors that mean no card (the window shows nothing for those).
    const int error = access.lastError();
    if (error == 0)
      access.prompter().message(path + " does not contain a Vexo File system");
    else if (IsSilentReadError(error))
      access.prompter().message(path + ": " + access.lastErrorText());
    return false;
  }
  return true;
}

}  // namespace vexo
