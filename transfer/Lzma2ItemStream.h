#pragma once
// The item of an archive in our own layout: its one LZMA2 stream cut at its dictionary
// resets and decoded ahead on several threads, the bytes held to the item's declared size and
// CRC. A stream that goes on too long without a reset (not one of ours) is decoded on in one
// go from there.

#include <lzma.h>

#include <memory>
#include <vector>

#include "transfer/ArchiveFile.h"
#include "transfer/ItemStream.h"
#include "transfer/ParallelDecoder.h"
#include "transfer/SevenZipLayout.h"

namespace vexo {

class Lzma2ItemStream : public ItemStream {
 public:
  // Without `checkCrc` (an item already read whole once), the CRC is not computed again.
  Lzma2ItemStream(std::shared_ptr<ArchiveFile> file, const SevenZipItem& item, unsigned threads,
                  bool checkCrc);
  ~Lzma2ItemStream() override;

  long long read(void* data, std::size_t length, std::string& error) override;
  long long skip(std::size_t length, std::string& error) override;
  std::uint64_t size() const override { return item_.size; }

 private:
  // Makes the next decoded bytes ready; false at the item's end (`error` empty) or on an error.
  bool nextBytes(std::string& error);
  bool decodeOn(std::string& error);
  bool checkEnd(std::string& error);

  std::shared_ptr<ArchiveFile> file_;
  SevenZipItem item_;
  bool checkCrc_;
  std::uint32_t dictionaryBytes_;
  ParallelDecoder decoder_;
  bool oneGo_ = false;      // decoding on from `packedAt_` with one decoder
  lzma_stream stream_ = LZMA_STREAM_INIT;
  std::vector<std::uint8_t> packed_;
  std::uint64_t packedAt_ = 0;
  bool streamEnded_ = false;

  DecodedPiece current_;
  std::size_t span_ = 0;    // the span of current_ being handed out
  std::size_t offset_ = 0;  // and how far
  const std::uint8_t* last_ = nullptr;  // where the bytes last passed over are
  std::uint64_t produced_ = 0;  // bytes made ready so far
  std::uint32_t crc_ = 0;
  bool ended_ = false;
};

}  // namespace vexo
