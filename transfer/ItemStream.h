#pragma once
// The bytes of an archive's item from its start, whoever decodes them.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexo {

class ItemStream {
 public:
  virtual ~ItemStream() = default;
  // Up to `length` bytes (at least one while the item lasts); 0 at its end, once its checks
  // (sizes, CRC) have passed; -1 with `error` otherwise.
  virtual long long read(void* data, std::size_t length, std::string& error) = 0;
  // The same, passing over the bytes rather than handing them out.
  virtual long long skip(std::size_t length, std::string& error) = 0;
  // The item's size as the archive declares it; 0 when it does not say.
  virtual std::uint64_t size() const = 0;
};

}  // namespace vexo
