#include "volume/GraphicsIndex.h"

#include <algorithm>

#include "volume/Latin1.h"
#include "volume/SlotHeader.h"

namespace vexo {

GraphicsRecord GraphicsRecord::Empty() {
  GraphicsRecord record;
  std::fill_n(record.bytes.begin(), kGraphicsNameWidth, ' ');
  return record;
}

std::string GraphicsRecord::name() const { return GetField(bytes.data(), kGraphicsNameWidth); }

void GraphicsRecord::setName(const std::string& text) {
  // The field has no terminating 0 byte: all 20 bytes may hold characters.
  const std::string field = PutField(text, kGraphicsNameWidth + 1);
  std::copy_n(field.begin(), kGraphicsNameWidth, bytes.begin());
}

}  // namespace vexo
