#pragma once
// An archive just written, read back from the disk before it takes its destination's name:
// a disk or card reader that drops or changes what it was given must not cost a good archive.

#include <string>

#include "disk/Prompter.h"
#include "transfer/ImageArchive.h"

namespace vexo {

// Reads the finished `archive` whole, past the page cache: its headers must say what was
// written, its packed stream and the item it holds must match their CRCs. "Verifying" shows
// the progress; Cancel stops it (false, nothing shown). A mismatch is shown, naming
// `destination`.
bool VerifyArchive(Prompter& ui, const ImageArchiveWriter& archive, const std::string& destination);

}  // namespace vexo
