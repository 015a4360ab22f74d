// The path of a node of the volume tree, built from node texts that come from card labels and
// category names.

#include <cstdlib>
#include <string>

#include "volume/NodePath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const auto node = vexo::ParseVolumeNodePath(path);
  // Disk numbers are two digits; a drive string is two characters.
  if (node && (node->disk < 0 || node->disk > 99 || node->drive.size() != 2)) std::abort();
  return 0;
}
