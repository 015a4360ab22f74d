#include "volume/CardName.h"

#include "disk/DriveDescription.h"
#include "volume/NodePath.h"

namespace vexo {

std::string CardName(DiskAccess& access, int disk, const std::string& drive, bool holdsVolume) {
  std::string name = holdsVolume ? VexoNodeText(disk, drive) : RemovableNodeText(disk, drive);
  if (const Drive* known = access.table().ByNumber(disk))
    name += " \u2014 " + DescribeDrive(*known, access.DiskLength(disk));
  return name;
}

}  // namespace vexo
