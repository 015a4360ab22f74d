#pragma once
// The part of a sector device that is the same for image files and block devices: a file
// descriptor and positioned transfers on it.

#include <chrono>

#include "disk/SectorDevice.h"

namespace vexo {

class FdDevice : public SectorDevice {
 public:
  explicit FdDevice(std::string path) : path_(std::move(path)) {}
  ~FdDevice() override { close(); }
  FdDevice(const FdDevice&) = delete;
  FdDevice& operator=(const FdDevice&) = delete;

  const std::string& path() const override { return path_; }
  bool isOpen() const override { return fd_ >= 0; }
  bool isOpenForWriting() const override { return fd_ >= 0 && writable_; }

  int readAt(std::uint64_t offset, void* data, std::size_t length) override;
  int writeAt(std::uint64_t offset, const void* data, std::size_t length) override;
  int flush() override;
  int writeBack() override;
  void forget(std::uint64_t offset, std::uint64_t length) override;
  void close() override;

 protected:
  // Opens with the given flags and takes a non-blocking exclusive flock when writing.
  OpenResult openWith(int flags, bool writing);
  // Takes over a descriptor opened elsewhere, with the same lock.
  OpenResult adopt(int fd, bool writing);
  int fd() const { return fd_; }
  // The system call that opens the path; tests put a refusal in its place.
  virtual int rawOpen(const char* path, int flags);
  // How long a lock held by someone else is waited for before writing is refused.
  std::chrono::milliseconds lockPatience_{0};

 private:
  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
};

}  // namespace vexo
