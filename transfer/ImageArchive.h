#pragma once
// The 7z container of an image archive: one item "Vexo" holding the payload, written and read
// as a stream (libarchive). Nothing is held whole in memory.

#include <cstdint>
#include <memory>
#include <string>

struct archive;

namespace vexo {

// LZMA2 at a low level: nearly the size of 7-Zip's default at a fraction of its time and memory.
inline constexpr int kCompressionLevel = 1;

// Writes an archive with exactly `payloadSize` bytes. The archive is made under a temporary
// name in the destination's folder and takes the destination's name only on `commit`; an
// archive that is not committed leaves nothing behind, and the file it would replace intact.
class ImageArchiveWriter {
 public:
  static std::unique_ptr<ImageArchiveWriter> Create(const std::string& path,
                                                    std::uint64_t payloadSize,
                                                    std::string& error,
                                                    int level = kCompressionLevel);
  ~ImageArchiveWriter();
  ImageArchiveWriter(const ImageArchiveWriter&) = delete;
  ImageArchiveWriter& operator=(const ImageArchiveWriter&) = delete;

  bool write(const void* data, std::size_t length, std::string& error);
  bool commit(std::string& error);

 private:
  ImageArchiveWriter() = default;
  ::archive* archive_ = nullptr;
  std::string path_;
  std::string partialPath_;
  std::uint64_t expected_ = 0;
  std::uint64_t written_ = 0;
};

// Reads the payload of an archive: the item named "Vexo", or the first item when none is.
class ImageArchiveReader {
 public:
  static std::unique_ptr<ImageArchiveReader> Open(const std::string& path, std::string& error);
  ~ImageArchiveReader();
  ImageArchiveReader(const ImageArchiveReader&) = delete;
  ImageArchiveReader& operator=(const ImageArchiveReader&) = delete;

  // Exactly `length` bytes; false at the payload's end (`error` empty) or on an error.
  bool read(void* data, std::size_t length, std::string& error);
  // Passes over `length` bytes.
  bool skip(std::uint64_t length, std::string& error);
  // The payload's size as the archive declares it, 0 when it does not say.
  std::uint64_t size() const { return size_; }
  std::uint64_t position() const { return position_; }

 private:
  ImageArchiveReader() = default;
  bool openAt(const std::string& path, bool wantNamed, std::string& error);
  ::archive* archive_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

// The text of the library's last error, never empty.
std::string ArchiveErrorText(::archive* a);

}  // namespace vexo
