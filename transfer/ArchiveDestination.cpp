#include "transfer/ArchiveDestination.h"

#include <sys/stat.h>

namespace vexo {

std::string SingleEntryArchiveName(const std::string& filename) {
  std::string name;
  for (char c : filename) name += (c == '/' || c == '\0') ? '_' : c;
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name + ".VexoImage";
}

std::string SingleEntryArchivePath(const std::string& folder, const std::string& filename) {
  return folder + (!folder.empty() && folder.back() == '/' ? "" : "/") +
         SingleEntryArchiveName(filename);
}

bool MayHoldAnArchive(Prompter& ui, const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;
  ui.message("Cannot save the image as " + path + ": it is " +
             (S_ISDIR(st.st_mode) ? "a folder" : "not a regular file") + ", and is left alone");
  return false;
}

bool MayWriteArchive(Prompter& ui, const std::string& path) {
  if (!MayHoldAnArchive(ui, path)) return false;
  struct stat st {};
  return ::stat(path.c_str(), &st) != 0 ||
         ui.ask("Replace '" + path + "'?", Buttons::YesNo, Answer::No) == Answer::Yes;
}

}  // namespace vexo
