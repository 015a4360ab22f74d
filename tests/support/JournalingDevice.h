#pragma once
// A card whose writes go into memory over an image file that stays as it was, with the journal
// of every write and flush in the order they were made. What a card pulled out at some moment
// holds is the image with part of that journal on it: another JournalingDevice over the same
// image, given those writes.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "disk/SectorDevice.h"

namespace vexo::testing {

class JournalingDevice : public SectorDevice {
 public:
  struct Event {
    bool flush = false;
    std::uint64_t sector = 0;        // a write's first sector
    std::vector<std::uint8_t> bytes;  // whole sectors
  };

  explicit JournalingDevice(std::string image) : image_(std::move(image)) {
    base_ = ::open(image_.c_str(), O_RDONLY | O_CLOEXEC);
  }
  ~JournalingDevice() override {
    if (base_ >= 0) ::close(base_);
  }
  JournalingDevice(const JournalingDevice&) = delete;
  JournalingDevice& operator=(const JournalingDevice&) = delete;

  std::vector<Event> journal;

  // Puts the first `sectors` sectors of a write on the card, without journaling it.
  void apply(const Event& write, std::size_t sectors) {
    for (std::size_t i = 0; i < sectors; ++i)
      std::memcpy(written_[write.sector + i].data(), write.bytes.data() + i * kSectorSize, kSectorSize);
  }
  void apply(const Event& write) { apply(write, write.bytes.size() / kSectorSize); }

  const std::string& path() const override { return image_; }
  bool isImageFile() const override { return true; }
  OpenResult openForReading() override { return opened(false); }
  OpenResult openForWriting() override { return opened(true); }
  bool isOpen() const override { return open_; }
  bool isOpenForWriting() const override { return open_ && writing_; }

  int readAt(std::uint64_t offset, void* data, std::size_t length) override {
    auto* out = static_cast<std::uint8_t*>(data);
    for (std::size_t done = 0; done < length; done += kSectorSize) {
      const std::uint64_t sector = (offset + done) / kSectorSize;
      if (auto it = written_.find(sector); it != written_.end()) {
        std::memcpy(out + done, it->second.data(), kSectorSize);
      } else if (::pread(base_, out + done, kSectorSize, static_cast<off_t>(sector * kSectorSize)) !=
                 static_cast<ssize_t>(kSectorSize)) {
        return EIO;
      }
    }
    return 0;
  }
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
    Event write{false, offset / kSectorSize,
                std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(data),
                                          static_cast<const std::uint8_t*>(data) + length)};
    apply(write);
    journal.push_back(std::move(write));
    return 0;
  }
  int flush() override {
    if (journal.empty() || !journal.back().flush) journal.push_back({true, 0, {}});
    return 0;
  }
  int writeBack() override { return 0; }  // sends on, orders nothing: not a barrier
  void close() override { open_ = writing_ = false; }
  std::uint64_t length() override {
    struct stat st {};
    return ::fstat(base_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }

 private:
  OpenResult opened(bool writing) {
    if (base_ < 0) return {OpenStatus::Failed, ENOENT};
    open_ = true;
    writing_ = writing_ || writing;
    return {};
  }

  std::string image_;
  int base_ = -1;
  bool open_ = false;
  bool writing_ = false;
  std::map<std::uint64_t, std::array<std::uint8_t, kSectorSize>> written_;
};

}  // namespace vexo::testing
