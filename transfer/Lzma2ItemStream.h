#pragma once
// The item of an archive in our own layout: its one LZMA2 stream decoded with liblzma, the
// decoded bytes held to the item's declared size and CRC.

#include <lzma.h>

#include <memory>
#include <vector>

#include "transfer/ArchiveFile.h"
#include "transfer/ItemStream.h"
#include "transfer/SevenZipLayout.h"

namespace vexo {

class Lzma2ItemStream : public ItemStream {
 public:
  // Nothing, with `error`, when the decoder cannot start.
  static std::unique_ptr<Lzma2ItemStream> Open(std::shared_ptr<ArchiveFile> file,
                                               const SevenZipItem& item, std::string& error);
  ~Lzma2ItemStream() override;

  long long read(void* data, std::size_t length, std::string& error) override;
  std::uint64_t size() const override { return item_.size; }

 private:
  Lzma2ItemStream(std::shared_ptr<ArchiveFile> file, const SevenZipItem& item)
      : file_(std::move(file)), item_(item) {}
  bool refill(std::string& error);
  bool checkEnd(std::string& error);

  std::shared_ptr<ArchiveFile> file_;
  SevenZipItem item_;
  lzma_stream decoder_ = LZMA_STREAM_INIT;
  std::vector<std::uint8_t> packed_;
  std::uint64_t packedRead_ = 0;
  std::uint64_t produced_ = 0;
  std::uint32_t crc_ = 0;
  bool streamEnded_ = false;  // the decoder has met the end byte
  bool ended_ = false;        // and the checks have passed
};

}  // namespace vexo
