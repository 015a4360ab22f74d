// The 7z container of our own archives: the signature header and the end header that say where
// the packed stream lies and what it holds.

#include <cstdlib>

#include "transfer/SevenZipLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<vexo::SevenZipItem> item = vexo::ReadSevenZipLayout(data, size);
  // What is read back lies inside the file.
  if (item && (item->packOffset > size || item->packSize > size - item->packOffset)) std::abort();
  return 0;
}
