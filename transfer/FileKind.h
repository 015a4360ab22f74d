#pragma once
// What a PC file is to a Vexo volume, told by its extension in lower case.

#include <string>

namespace vexo {

enum class FileKind { Program, SmFile, ImageArchive, Graphics };

// The extension from the last "." on ("" when there is none), lowered.
std::string LowerExtension(const std::string& fileName);
// The name without its extension: everything from the last "." on is removed.
std::string WithoutExtension(const std::string& fileName);
// The last component of a path.
std::string BaseName(const std::string& path);

// ".vxe" a program, ".pdata" an SM file, ".vexoimage" an image archive, anything else graphics.
FileKind KindOf(const std::string& fileName);

}  // namespace vexo
