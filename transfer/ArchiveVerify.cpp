#include "transfer/ArchiveVerify.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "disk/SectorDevice.h"
#include "transfer/ArchiveFile.h"
#include "transfer/CompressionSettings.h"
#include "transfer/Crc32.h"
#include "transfer/Lzma2ItemStream.h"

namespace vexo {
namespace {

// Steps small enough for the window to repaint and take Cancel between them.
constexpr std::size_t kStep = 8 << 20;

bool SaysTheSame(const SevenZipItem& read, const SevenZipItem& written) {
  return read.packOffset == written.packOffset && read.packSize == written.packSize &&
         read.packCrc == written.packCrc && read.size == written.size && read.crc == written.crc &&
         read.lzma2Property == written.lzma2Property;
}

class ReadBack {
 public:
  ReadBack(Prompter& ui, std::uint64_t total) : ui_(ui) {
    ui_.progressBegin("Verifying", total, ProgressUnit::Bytes);
  }
  ~ReadBack() { ui_.progressEnd(); }

  // Moves the bar on; false once Cancel is pressed.
  bool advance(std::uint64_t bytes) {
    done_ += bytes;
    ui_.progressSet(done_);
    ui_.pump();
    return !(cancelled = ui_.cancelRequested());
  }

  bool cancelled = false;

 private:
  Prompter& ui_;
  std::uint64_t done_ = 0;
};

// The packed stream's CRC, computed from the bytes on the disk.
bool PackedStreamMatches(ReadBack& back, ArchiveFile& file, const SevenZipItem& item,
                         std::string& error) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(item.packSize, kStep)));
  std::uint32_t crc = 0;
  for (std::uint64_t at = 0; at < item.packSize;) {
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(kStep, item.packSize - at));
    const long long n = file.readSome(item.packOffset + at, buffer.data(), part);
    if (n != static_cast<long long>(part)) {
      error = n < 0 ? SystemErrorText(errno) : "the file ends inside the packed data";
      return false;
    }
    crc = Crc32(buffer.data(), part, crc);
    at += part;
    if (!back.advance(part)) return false;
  }
  if (item.packCrc && crc == *item.packCrc) return true;
  error = kPackedCrcError;
  return false;
}

// The item decoded whole: its size and CRC are checked at its end.
bool ItemMatches(ReadBack& back, const std::shared_ptr<ArchiveFile>& file, const SevenZipItem& item,
                 std::string& error) {
  Lzma2ItemStream stream(file, item, CompressionSettings{}.threads, true);
  for (;;) {
    const long long n = stream.skip(kStep, error);
    if (n < 0) return false;
    if (n == 0) return true;
    if (!back.advance(static_cast<std::uint64_t>(n))) return false;
  }
}

}  // namespace

bool VerifyArchive(Prompter& ui, const ImageArchiveWriter& archive, const std::string& destination) {
  const SevenZipItem& written = archive.item();
  std::string error;
  bool same = false, cancelled = false;
  {
    ReadBack back(ui, written.packSize + written.size);
    std::shared_ptr<ArchiveFile> file = ArchiveFile::Open(archive.partialPath(), error);
    if (file) {
      file->forgetCached();
      const std::optional<SevenZipItem> read = ReadSevenZipLayout(*file);
      if (!read || !SaysTheSame(*read, written)) error = "its headers do not say what was written";
      else same = PackedStreamMatches(back, *file, *read, error) && ItemMatches(back, file, *read, error);
    }
    cancelled = back.cancelled;
  }
  if (same || cancelled) return same;
  ui.message("Verify failed: " + destination + " reads back differently from what was written (" +
             error + "). The archive was not saved.");
  return false;
}

}  // namespace vexo
