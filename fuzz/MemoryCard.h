#pragma once
// A card held in memory for the fuzz targets: the 512 slot headers come from the fuzz input,
// every other sector reads as zeros. Writes may only reach a header; anything else is a fault
// of the code under test and stops the run.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "disk/DiskAccess.h"
#include "disk/Prompter.h"
#include "tests/support/YesPrompter.h"
#include "volume/SlotHeader.h"

namespace vexo::fuzz {

inline constexpr std::uint64_t kMemoryCardBytes = (1ull << 30) + (64ull << 20);

class MemoryCard : public SectorDevice {
 public:
  // Header i is bytes (i − 1) · 512 onwards; headers the input does not reach are the free
  // blank headers of a formatted card, so that a short input still loads.
  MemoryCard(const std::uint8_t* data, std::size_t size) : headers_(kSlotCount) {
    const SlotHeader blank = BlankHeader(SlotState::Free);
    for (std::size_t i = 0; i < headers_.size(); ++i) {
      const std::size_t at = i * SlotHeader::kSize;
      headers_[i] = blank;
      if (at < size) {
        const std::size_t n = std::min(SlotHeader::kSize, size - at);
        std::copy_n(data + at, n, headers_[i].bytes.begin());
        std::fill(headers_[i].bytes.begin() + static_cast<std::ptrdiff_t>(n),
                  headers_[i].bytes.end(), std::uint8_t{0});
      }
    }
  }

  const std::string& path() const override { return path_; }
  bool isImageFile() const override { return true; }
  OpenResult openForReading() override { return open(false); }
  OpenResult openForWriting() override { return open(true); }
  bool isOpen() const override { return open_; }
  bool isOpenForWriting() const override { return open_ && writing_; }

  int readAt(std::uint64_t offset, void* data, std::size_t length) override {
    auto* out = static_cast<std::uint8_t*>(data);
    for (std::size_t done = 0; done < length; done += kSectorSize) {
      const SlotHeader* h = headerAt(offset + done);
      if (h) std::memcpy(out + done, h->bytes.data(), kSectorSize);
      else std::memset(out + done, 0, kSectorSize);
    }
    return 0;
  }
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
    if (!writing_) std::abort();
    const auto* in = static_cast<const std::uint8_t*>(data);
    for (std::size_t done = 0; done < length; done += kSectorSize) {
      SlotHeader* h = headerAt(offset + done);
      if (!h) std::abort();  // only headers are ever written by the directory code
      std::memcpy(h->bytes.data(), in + done, kSectorSize);
      writtenSlots.push_back(static_cast<int>(h - headers_.data()) + 1);
    }
    return 0;
  }
  int flush() override { return 0; }
  void close() override { open_ = writing_ = false; }
  std::uint64_t length() override { return kMemoryCardBytes; }

  const SlotHeader& header(int slot) const { return headers_[static_cast<std::size_t>(slot - 1)]; }
  // The slots whose header was written, in the order of the writes.
  std::vector<int> writtenSlots;

 private:
  OpenResult open(bool writing) {
    open_ = true;
    writing_ = writing_ || writing;
    return {};
  }
  SlotHeader* headerAt(std::uint64_t byte) {
    const std::uint64_t sector = byte / kSectorSize;
    if (byte % kSectorSize != 0 || sector % kSectorsPerSlot != 0) return nullptr;
    const std::uint64_t index = sector / kSectorsPerSlot;
    return index < headers_.size() ? &headers_[index] : nullptr;
  }

  std::string path_ = "memory card";
  std::vector<SlotHeader> headers_;
  bool open_ = false;
  bool writing_ = false;
};

// No file systems to unmount on a card in memory.
class NoMounts : public MountReleaser {
 public:
  bool hasMounts(const std::string&) override { return false; }
  ReleaseResult release(const std::string&) override { return {}; }
};

using testing::YesPrompter;

}  // namespace vexo::fuzz
