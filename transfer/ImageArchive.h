#pragma once
// The 7z container of an image archive: one item "Vexo" holding the payload, written and read
// as a stream. Nothing is held whole in memory.
//
// Written in a layout of our own (SevenZipLayout.h) with an LZMA2 stream that several threads
// compress block by block (ParallelCompressor.h): no packaged library writes 7z with parallel
// LZMA2. Archives in that layout are read back with liblzma; every other 7z archive (those
// 7-Zip makes) with libarchive.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "transfer/CompressionSettings.h"
#include "transfer/SevenZipLayout.h"

namespace vexo {

inline constexpr const char* kPackedCrcError = "Damaged 7-Zip archive: CRC error in the packed data";

class ArchiveFile;
class ItemStream;
class ParallelCompressor;

// Writes an archive with exactly `payloadSize` bytes. The archive is made under a temporary
// name in the destination's folder and takes the destination's name only on `commit`; an
// archive that is not committed leaves nothing behind, and the file it would replace intact.
class ImageArchiveWriter {
 public:
  static std::unique_ptr<ImageArchiveWriter> Create(const std::string& path,
                                                    std::uint64_t payloadSize,
                                                    std::string& error,
                                                    const CompressionSettings& settings = {});
  // Abandons an archive that was not committed.
  ~ImageArchiveWriter();
  ImageArchiveWriter(const ImageArchiveWriter&) = delete;
  ImageArchiveWriter& operator=(const ImageArchiveWriter&) = delete;

  bool write(const void* data, std::size_t length, std::string& error);
  // Completes the archive on the disk under its temporary name, where it can be read back
  // (`partialPath`) before `commit` gives it the destination's name.
  bool finish(std::string& error);
  const std::string& partialPath() const { return partialPath_; }
  // What the end header of a finished archive says of its item.
  const SevenZipItem& item() const { return item_; }
  bool commit(std::string& error);
  // Stops at once: no further compression, no padding to the announced size; the temporary
  // file is removed.
  void abandon();

  // Payload bytes compressed so far: what a progress bar shows, moving evenly however many
  // threads compress.
  std::uint64_t compressedBytes() const;
  // Called now and then while `write` or `commit` waits for the compressing threads.
  void whileWaiting(std::function<void()> callback);

 private:
  ImageArchiveWriter() = default;
  bool fail(const std::string& text, std::string& error);

  std::string path_;
  std::string partialPath_;
  int fd_ = -1;
  std::unique_ptr<ParallelCompressor> compressor_;
  std::uint32_t dictionaryBytes_ = 0;
  std::uint64_t expected_ = 0;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
  SevenZipItem item_;
  bool finished_ = false;
};

// Reads the payload of an archive: the item named "Vexo", or the first item when none is.
class ImageArchiveReader {
 public:
  static std::unique_ptr<ImageArchiveReader> Open(const std::string& path, std::string& error);
  // The same archive from its start, read from the file this reader opened, after this one
  // has read it whole: its CRC, checked then, is not computed again.
  std::unique_ptr<ImageArchiveReader> again(std::string& error) const;
  ~ImageArchiveReader();
  ImageArchiveReader(const ImageArchiveReader&) = delete;
  ImageArchiveReader& operator=(const ImageArchiveReader&) = delete;

  // Exactly `length` bytes; false at the payload's end (`error` empty) or on an error.
  bool read(void* data, std::size_t length, std::string& error);
  // Passes over `length` bytes.
  bool skip(std::uint64_t length, std::string& error);
  // Passes over the rest of the payload, which checks its CRC; the bytes passed over.
  bool skipToEnd(std::uint64_t& passed, std::string& error);

  // The archive's packed stream against its own CRC, read but not decoded: it shows that the
  // file holds, byte for byte, what the writer made. Only our writer's archives carry one.
  enum class PackedCheck { Passed, Failed, Unavailable };
  PackedCheck checkPacked(std::string& error) const;
  // Whether `path` still names the file this reader reads, unchanged since it was opened.
  bool stillAt(const std::string& path) const;
  // The payload's size as the archive declares it, 0 when it does not say.
  std::uint64_t size() const;
  std::uint64_t position() const { return position_; }

 private:
  ImageArchiveReader(std::shared_ptr<ArchiveFile> file, std::unique_ptr<ItemStream> stream,
                     std::optional<SevenZipItem> item);
  static std::unique_ptr<ImageArchiveReader> OpenFile(std::shared_ptr<ArchiveFile> file,
                                                      bool checked, std::string& error);

  std::shared_ptr<ArchiveFile> file_;
  std::unique_ptr<ItemStream> stream_;
  std::optional<SevenZipItem> item_;  // in our own layout
  std::uint64_t position_ = 0;
};

}  // namespace vexo
