#pragma once
// Memory for buffers of megabytes, in huge pages where the system gives them (transparent huge
// pages, asked for with madvise): a fresh buffer then costs one page fault for each 2 MiB
// instead of one for each 4 KiB. On a virtual machine a page fault can cost ten microseconds,
// and the thousands that a restore's buffers and liblzma's dictionaries took were a tenth of
// its time. The memory is not cleared.

#include <lzma.h>

#include <cstddef>
#include <cstdint>

namespace vexo {

class LargeBuffer {
 public:
  LargeBuffer() = default;
  // Throws std::bad_alloc when the memory cannot be had, as new does.
  explicit LargeBuffer(std::size_t bytes);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void release();
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;
};

// For lzma_stream::allocator: liblzma's dictionaries and match finders (a megabyte or more) in
// the same memory; its small allocations from malloc.
const lzma_allocator* LargeMemoryForLzma();

}  // namespace vexo
