#pragma once
// An archive file open for reading, shared by the readers of one restore: the passes read
// the very file the first one opened, whatever happens to its name meanwhile.

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/SevenZipLayout.h"

namespace vexo {

class ArchiveFile : public ByteSource {
 public:
  static std::shared_ptr<ArchiveFile> Open(const std::string& path, std::string& error);
  ~ArchiveFile() override;
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* data, std::size_t length) override;
  // Up to `length` bytes at `offset`: fewer only at the file's end; -1 on an error (errno).
  long long readSome(std::uint64_t offset, void* data, std::size_t length);
  // Whether `path` still names this file, unchanged since it was opened.
  bool stillAt(const std::string& path) const;
  // Puts the file on the disk and drops its pages from memory, so that what is read next
  // comes from the disk.
  void forgetCached();

 private:
  ArchiveFile(int fd, const struct stat& opened);
  int fd_;
  std::uint64_t size_;
  std::int64_t modifiedSeconds_;
  std::int64_t modifiedNanoseconds_;
};

}  // namespace vexo
