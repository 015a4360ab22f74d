// The ".dat" list beside a GCI file, as read from the PC: any bytes at all.

#include <cstdlib>
#include <string>

#include "transfer/DatList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto index = vexo::ParseDatList(text, error);
  // A list is either read or refused with a reason, never both.
  if (index.has_value() == !error.empty()) std::abort();
  return 0;
}
