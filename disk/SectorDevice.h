#pragma once
// A device that holds a card: a card reader's block device or a card image file. The device
// is opened once per operation; `DiskAccess` decides when, and speaks to the user.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexo {

inline constexpr std::size_t kSectorSize = 512;

// Error codes are errno values, plus these of our own (kept apart from every errno).
inline constexpr int kErrorBeyondAddressLimit = 100001;  // sector needs more than 32 bits of bytes
inline constexpr int kErrorPastEnd = 100002;             // the card ends before this sector

// The text a person reads for an error code.
std::string SystemErrorText(int code);

enum class OpenStatus {
  Ok,
  Failed,       // the device cannot be opened; `error` says why
  LockRefused,  // another program holds the device
  Mounted,      // refused because file systems of the device are mounted
};

struct OpenResult {
  OpenResult() = default;
  OpenResult(OpenStatus s, int e, std::string w = {}) : status(s), error(e), why(std::move(w)) {}
  OpenStatus status = OpenStatus::Ok;
  int error = 0;
  std::string why;  // a fuller reason than the error code's text, when there is one
};

class SectorDevice {
 public:
  virtual ~SectorDevice() = default;

  virtual const std::string& path() const = 0;
  virtual bool isImageFile() const = 0;

  // Shared reading; no lock.
  virtual OpenResult openForReading() = 0;
  // Exclusive writing: the lock is taken here and held until close.
  virtual OpenResult openForWriting() = 0;
  virtual bool isOpen() const = 0;
  virtual bool isOpenForWriting() const = 0;

  // Whole transfers at a byte offset; 0 or an error code.
  virtual int readAt(std::uint64_t offset, void* data, std::size_t length) = 0;
  virtual int writeAt(std::uint64_t offset, const void* data, std::size_t length) = 0;
  // Puts what was written on the medium.
  virtual int flush() = 0;
  // Waits until what the previous call sent on has reached the medium, then sends on what was
  // written since, without the medium's own cache flush. Called in steps, it keeps a long write
  // from piling up in memory and the final flush short, while the medium writes one step as
  // the next is made.
  virtual int writeBack() { return flush(); }
  // Drops any copy of these bytes kept in memory, so that the next read comes from the medium.
  virtual void forget(std::uint64_t offset, std::uint64_t length) { (void)offset, (void)length; }
  virtual void close() = 0;

  // Length in bytes, 0 when it cannot be told.
  virtual std::uint64_t length() = 0;
};

}  // namespace vexo
