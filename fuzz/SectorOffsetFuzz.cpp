// The sector offset the user types for the Common Storage Area.

#include <cstdlib>
#include <string>

#include "transfer/CsaInsert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  const auto offset = vexo::ParseSectorOffset(answer);
  // Nothing lies below the area's first sector.
  if (offset && *offset < 0) std::abort();
  // The decimal form of an offset reads back as the same offset.
  if (offset && vexo::ParseSectorOffset(std::to_string(*offset)) != offset) std::abort();
  return 0;
}
