#include "transfer/LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace vexo {
namespace {

constexpr std::size_t kHugePage = 2 << 20;

// Under AddressSanitizer the buffers come from malloc, where it sees their bounds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFromMalloc = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kFromMalloc = true;
#else
constexpr bool kFromMalloc = false;
#endif
#else
constexpr bool kFromMalloc = false;
#endif

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// `bytes` rounded up to whole huge pages, starting on a huge page's boundary (only whole,
// aligned huge pages can back memory); nullptr when the system has none to give. From malloc
// instead (`mapped` 0) under a sanitizer.
std::uint8_t* MapLarge(std::size_t bytes, std::size_t& mapped) {
  if (kFromMalloc) {
    mapped = 0;
    return static_cast<std::uint8_t*>(std::malloc(bytes));
  }
  mapped = RoundUp(bytes, kHugePage);
  // Mapped with a huge page's room to spare, then trimmed at both ends.
  const std::size_t reserved = mapped + kHugePage;
  void* area = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  auto* start = static_cast<std::uint8_t*>(area);
  auto* aligned = reinterpret_cast<std::uint8_t*>(
      RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
  if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t tail = reserved - static_cast<std::size_t>(aligned - start) - mapped;
  if (tail > 0) ::munmap(aligned + mapped, tail);
  // Where huge pages are off, or the kernel has none free, ordinary pages serve.
  ::madvise(aligned, mapped, MADV_HUGEPAGE);
  return aligned;
}

// liblzma's allocations carry their mapping's size (0: from malloc) just before them.
constexpr std::size_t kLzmaLarge = 1 << 20;
constexpr std::size_t kLzmaHeader = 16;  // malloc's alignment

void* LzmaAlloc(void*, std::size_t count, std::size_t size) {
  if (size != 0 && count > (SIZE_MAX - kLzmaHeader) / size) return nullptr;
  const std::size_t bytes = count * size + kLzmaHeader;
  std::size_t mapped = 0;
  auto* start = bytes >= kLzmaLarge ? MapLarge(bytes, mapped)
                                    : static_cast<std::uint8_t*>(std::malloc(bytes));
  if (start == nullptr) return nullptr;
  *reinterpret_cast<std::size_t*>(start) = mapped;
  return start + kLzmaHeader;
}

void FreeLarge(std::uint8_t* start, std::size_t mapped) {
  if (mapped == 0) std::free(start);
  else ::munmap(start, mapped);
}

void LzmaFree(void*, void* data) {
  if (data == nullptr) return;
  auto* start = static_cast<std::uint8_t*>(data) - kLzmaHeader;
  FreeLarge(start, *reinterpret_cast<std::size_t*>(start));
}

const lzma_allocator kLzmaAllocator{LzmaAlloc, LzmaFree, nullptr};

}  // namespace

LargeBuffer::LargeBuffer(std::size_t bytes) : size_(bytes) {
  if (bytes == 0) return;
  data_ = MapLarge(bytes, mapped_);
  if (data_ == nullptr) throw std::bad_alloc();
}

LargeBuffer::~LargeBuffer() { release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void LargeBuffer::release() {
  if (data_ != nullptr) FreeLarge(data_, mapped_);
  data_ = nullptr;
  size_ = mapped_ = 0;
}

const lzma_allocator* LargeMemoryForLzma() { return &kLzmaAllocator; }

}  // namespace vexo
