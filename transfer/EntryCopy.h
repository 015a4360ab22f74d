#pragma once
// Copying an entry slot for slot: all 4096 sectors of the source slot go into one slot of the
// target volume; only the header changes on the way (category, name, chain links).

#include <string>

#include "transfer/Target.h"
#include "volume/Directory.h"

namespace vexo {

// The entry a copy takes: what a drag out of the entry list records when it starts (the drag
// source fields srcdrive, srcfolder, srcname and srcentry).
struct CopySource {
  int disk = -1;         // srcdrive: a disk number, not a drive
  std::string category;  // srcfolder
  std::string filename;  // srcname
  int slot = -1;         // srcentry: 1 to 512; 513 when the name was not found; -1 for none
};

// Same card: a name in use becomes "Copy of …", "Copy (2) of …", …; another card: the entry
// of that name is replaced after a question. A source that names no slot does nothing.
bool CopyEntry(Directory& dir, const CopySource& source, const VolumeTarget& target);

}  // namespace vexo
