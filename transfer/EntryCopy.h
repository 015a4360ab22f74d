#pragma once
// Copying an entry slot for slot: all 4096 sectors of the source slot go into one slot of the
// target volume; only the header changes on the way (category, name, chain links).

#include <string>

#include "transfer/Target.h"
#include "volume/Directory.h"

namespace vexo {

// The drag source fields: `srcdrive`, `srcfolder`, `srcname`, `srcentry`.
struct CopySource {
  int srcdrive = -1;
  std::string srcfolder;
  std::string srcname;
  int srcentry = -1;
};

// Same card: a name in use becomes "Copy of …", "Copy (2) of …", …; another card: the entry
// of that name is replaced after a question. A source that names no slot does nothing.
bool CopyEntry(Directory& dir, const CopySource& source, const VolumeTarget& target);

}  // namespace vexo
