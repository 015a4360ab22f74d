#include "transfer/FileKind.h"

#include "volume/Latin1.h"

namespace vexo {

std::string LowerExtension(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? std::string() : LowerAsciiLetters(fileName.substr(dot));
}

std::string WithoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.rfind('.'));
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileKind KindOf(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".vxe") return FileKind::Program;
  if (ext == ".pdata") return FileKind::SmFile;
  if (ext == ".vexoimage") return FileKind::ImageArchive;
  return FileKind::Graphics;
}

}  // namespace vexo
