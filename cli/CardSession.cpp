#include "cli/CardSession.h"

#include <sys/stat.h>

#include <cerrno>

namespace vexo {

CardSession::CardSession(Prompter& prompter)
    : table(DiskTable::ForThisMachine()),
      access(table, prompter, releaser),
      directory(access),
      operation(access) {}

bool CardSession::attach(const std::string& path, int& disk) {
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
  return true;
}

std::string CardSession::driveOf(int disk) const {
  const Drive* drive = table.ByNumber(disk);
  return drive ? drive->driveString() : "?:";
}

}  // namespace vexo
