#pragma once
// A card image behind a slow card: writes land in a cache at once, and reach the "card" only at
// a fixed speed when they are sent on (writeBack) or flushed, which then takes as long as the
// backlog needs. It records how large the backlog was at each wait.

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
  int writeBack(bool wait) override {
    if (wait) drain();
    return 0;
  }
  int flush() override {
    backlogAtLastFlush = backlog_;
    drain();
    return RecordingDevice::flush();
  }

 private:
  void drain() {
    backlogAtWaits.push_back(backlog_);
    std::this_thread::sleep_for(
        std::chrono::duration<double>(static_cast<double>(backlog_) / bytesPerSecond_));
    backlog_ = 0;
  }

  double bytesPerSecond_;
  std::uint64_t backlog_ = 0;
};

}  // namespace vexo::testing
