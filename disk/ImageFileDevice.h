#pragma once
// A card image: a regular (usually sparse) file that stands for a whole card. It keeps the
// length it has, as a card does: writes past its end are refused.

#include "disk/FdDevice.h"

namespace vexo {

class ImageFileDevice : public FdDevice {
 public:
  using FdDevice::FdDevice;

  bool isImageFile() const override { return true; }
  OpenResult openForReading() override;
  OpenResult openForWriting() override;
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override;
  std::uint64_t length() override;

 private:
  // The length when it was opened for writing: taken once, not at each of thousands of writes.
  std::uint64_t writableLength_ = 0;
};

}  // namespace vexo
