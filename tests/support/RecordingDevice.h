#pragma once
// A sector device around a real image file that records what reaches it and can be told to
// fail: the n-th read or write, or every open.

#include <memory>
#include <vector>

#include "disk/ImageFileDevice.h"

namespace vexo::testing {

class RecordingDevice : public SectorDevice {
 public:
  explicit RecordingDevice(const std::string& imagePath)
      : inner_(std::make_unique<ImageFileDevice>(imagePath)) {}

  struct Transfer {
    std::uint64_t sector;
    std::size_t count;
  };
  std::vector<Transfer> reads;
  std::vector<Transfer> writes;
  int opens = 0;
  int flushes = 0;

  int failReadNumber = 0;    // 1-based: the read that fails; 0: none
  int failReadError = 5;     // EIO
  int failWriteNumber = 0;   // 1-based: the first device write that fails; 0: none
  int failWriteTimes = 2;    // how many in a row fail: 2 also fails the one retry of a write
  int failWriteError = 5;
  OpenResult refusal{OpenStatus::Failed, 13};  // how an open is refused (EACCES)
  int refuseOpens = 0;       // how many opens from now on are refused
  int flushError = 0;        // a flush that fails with this

  // The first sectors written, in order, counting each sector of a run.
  std::vector<std::uint64_t> writtenSectors() const {
    std::vector<std::uint64_t> out;
    for (const Transfer& t : writes)
      for (std::size_t i = 0; i < t.count; ++i) out.push_back(t.sector + i);
    return out;
  }

  const std::string& path() const override { return inner_->path(); }
  bool isImageFile() const override { return imageFile_; }
  void setImageFile(bool image) { imageFile_ = image; }

  OpenResult openForReading() override { return open(false); }
  OpenResult openForWriting() override { return open(true); }
  bool isOpen() const override { return inner_->isOpen(); }
  bool isOpenForWriting() const override { return inner_->isOpenForWriting(); }

  int readAt(std::uint64_t offset, void* data, std::size_t length) override {
    ++readCount_;
    if (failReadNumber != 0 && readCount_ == failReadNumber) return failReadError;
    reads.push_back({offset / kSectorSize, length / kSectorSize});
    return inner_->readAt(offset, data, length);
  }
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
    ++writeCount_;
    if (failWriteNumber != 0 && writeCount_ >= failWriteNumber &&
        writeCount_ < failWriteNumber + failWriteTimes)
      return failWriteError;
    writes.push_back({offset / kSectorSize, length / kSectorSize});
    return inner_->writeAt(offset, data, length);
  }
  int flush() override {
    ++flushes;
    return flushError != 0 ? flushError : inner_->flush();
  }
  void close() override { inner_->close(); }
  std::uint64_t length() override { return inner_->length(); }

 private:
  OpenResult open(bool writing) {
    ++opens;
    if (refuseOpens > 0) {
      --refuseOpens;
      return refusal;
    }
    return writing ? inner_->openForWriting() : inner_->openForReading();
  }

  std::unique_ptr<ImageFileDevice> inner_;
  bool imageFile_ = true;
  int readCount_ = 0;
  int writeCount_ = 0;
};

}  // namespace vexo::testing
