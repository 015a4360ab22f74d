#pragma once
// A card image behind a slow card: writes land in a cache at once, and reach the "card" only at
// a fixed speed once they are sent on (writeBack) or flushed. A writeBack waits for what the
// one before sent on, a flush for everything. It records how much was unwritten at each wait.

#include <chrono>
#include <thread>
#include <vector>

#include "tests/support/RecordingDevice.h"

namespace vexo::testing {

class SlowDevice : public RecordingDevice {
 public:
  SlowDevice(const std::string& imagePath, double bytesPerSecond)
      : RecordingDevice(imagePath), bytesPerSecond_(bytesPerSecond) {}

  std::vector<std::uint64_t> backlogAtWaits;  // bytes unwritten at each wait, in order
  std::uint64_t backlogAtLastFlush = 0;

  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
    backlog_ += length;
    return RecordingDevice::writeAt(offset, data, length);
  }
  int writeBack() override {
    backlogAtWaits.push_back(backlog_);
    drain(sent_);
    sent_ = backlog_;
    return 0;
  }
  int flush() override {
    backlogAtLastFlush = backlog_;
    backlogAtWaits.push_back(backlog_);
    drain(backlog_);
    sent_ = 0;
    return RecordingDevice::flush();
  }

 private:
  void drain(std::uint64_t bytes) {
    std::this_thread::sleep_for(
        std::chrono::duration<double>(static_cast<double>(bytes) / bytesPerSecond_));
    backlog_ -= bytes;
  }

  double bytesPerSecond_;
  std::uint64_t backlog_ = 0;
  std::uint64_t sent_ = 0;  // sent on by the last writeBack, not yet waited for
};

}  // namespace vexo::testing
