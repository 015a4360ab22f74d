#include "transfer/CsaInsert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "disk/DiskAccess.h"
#include "transfer/FileKind.h"
#include "transfer/PcFile.h"
#include "transfer/SectorRuns.h"
#include "volume/Chain.h"
#include "volume/Latin1.h"

namespace vexo {
namespace {

constexpr const char* kCaption = "Copy to Common Storage Area(CSA)";
constexpr const char* kPrompt = "Please enter sector offset as \nnnn(decimal), 0xnnn(hex), $nnn(hex)";

// Closes a file on every path out.
struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::optional<std::int32_t> ParseSectorOffset(const std::string& answer) {
  std::string text = TrimBlanksAndControls(answer);
  if (text.rfind("0x", 0) == 0) text = "$" + text.substr(2);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > 2'147'483'648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < 0 || value > 2'147'483'647LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> AskSectorOffset(Prompter& prompter) {
  std::string prompt = kPrompt;
  std::string text = "0";
  for (;;) {
    const std::optional<std::string> answer = prompter.input(kCaption, prompt, text);
    if (!answer) return std::nullopt;
    if (const std::optional<std::int32_t> offset = ParseSectorOffset(*answer)) return offset;
    prompt = std::string("Invalid\n") + kPrompt;
    text = TrimBlanksAndControls(*answer);
  }
}

bool InsertIntoCsa(Directory& dir, const VolumeTarget& target, const std::string& filePath,
                   std::int32_t offset) {
  Prompter& ui = dir.prompter();
  DiskAccess& io = dir.access();
  const std::string fileName = BaseName(filePath);

  // The length decides where the file goes and what header 1 records, so it must be known
  // before anything is read: a pipe's is not (and opening a FIFO without a writer would hang).
  struct stat st {};
  if (::stat(filePath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    ui.message("Cannot read " + fileName + ": it is not a regular file, and the Common Storage "
               "Area takes only a file whose length is known; nothing was written");
    return false;
  }
  FileCloser file{::open(filePath.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
    ui.message("Cannot read " + fileName + ": " + SystemErrorText(errno));
    return false;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  const std::int64_t required = static_cast<std::int64_t>(SectorsFor(size));
  const std::int64_t diskSectors = static_cast<std::int64_t>(io.DiskLength(target.disk) / kSectorSize);
  const std::int64_t end = offset + static_cast<std::int64_t>(kCsaFirstSector) + required;
  if (end > diskSectors) {
    ui.message("Disk is too small for GCI File at this offset\nSectors available=" +
               std::to_string(diskSectors - static_cast<std::int64_t>(kCsaFirstSector)) +
               "\nSectors offset=" + std::to_string(offset) + "\nSectors required=" +
               std::to_string(required) + "\nSectors shortfall=" + std::to_string(end - diskSectors));
    return false;
  }
  // Sector positions and the high-water mark are 32-bit on the card: refuse, never wrap.
  const std::uint64_t highWater = static_cast<std::uint64_t>(offset) * kSectorSize + size;
  if (end > static_cast<std::int64_t>(kAddressableSectors) || highWater > 0xFFFFFFFFull) {
    ui.message("GCI File would reach beyond the first 4 GiB of the card, which cannot be "
               "addressed\nSectors offset=" + std::to_string(offset) + "\nSectors required=" +
               std::to_string(required) + "\nLast addressable offset=" +
               std::to_string(kAddressableSectors - kCsaFirstSector - 1));
    return false;
  }

  // Header 1 never describes bytes that are being overwritten: an area whose described bytes
  // this file overlaps loses its description first, and gets it back, with the new file, once
  // the file is on the medium.
  SlotHeader& h1 = dir.header(1);
  const SlotHeader described = h1;
  const std::uint64_t start = static_cast<std::uint64_t>(offset) * kSectorSize;
  if (size > 0 && start < h1.csalen()) {
    h1.setCsafile("");
    h1.setCsaflag(0);
    h1.setCsalen(0);
    if (!WriteHeader(dir, 1, target.disk, target.drive)) {
      ui.message(kErrorWritingDirectory);
      return false;
    }
    if (!io.Flush()) return false;
  }
  ui.progressBegin("Inserting " + fileName + " into Common Storage Area(CSA)",
                   static_cast<std::uint64_t>(required));
  // The area has no directory: stopping between runs leaves header 1 describing what it did
  // (put back below when it was taken away).
  SectorRuns runs(dir, target.disk, target.drive, ProgressUnit::Sectors);
  const SectorRuns::Source fromFile = [&](std::uint8_t* data, std::size_t bytes) {
    for (std::size_t got = 0; got < bytes;) {
      const ssize_t n = ::read(file.fd, data + got, bytes - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // What was checked against the card is all written, or nothing of the rest.
        ui.message("Cannot read " + fileName + ": " +
                   (n < 0 ? SystemErrorText(errno) : std::string("it became shorter meanwhile")));
        return false;
      }
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  bool refused = false;  // by the card: then nothing more is written
  const bool written = runs.write(kCsaFirstSector + static_cast<std::uint64_t>(offset), size, fromFile,
                                  [&refused](std::uint64_t) {
                                    refused = true;
                                    return std::string("Error writing CSA");
                                  },
                                  StopAt::BetweenRuns);
  if (refused || !io.Flush()) return false;
  if (!written) {
    // Stopped between runs, or the file failed. Where it overwrote described bytes, the area
    // keeps its extent but names no file at its start any more: that file is partly replaced.
    if (h1 == described) return false;
    h1.setCsaflag(1);
    h1.setCsalen(described.csalen());
    if (!WriteHeader(dir, 1, target.disk, target.drive)) ui.message(kErrorWritingDirectory);
    return false;
  }
  h1 = described;
  if (offset == 0) {
    h1.setCsafile(WithoutExtension(fileName));
  } else {
    h1.setCsaflag(1);
  }
  h1.setCsalen(static_cast<std::uint32_t>(std::max<std::uint64_t>(h1.csalen(), highWater)));
  const bool saved = WriteHeader(dir, 1, target.disk, target.drive);
  ui.progressEnd();
  if (!saved) {
    ui.message(kErrorWritingDirectory);
    return false;
  }
  return true;
}

}  // namespace vexo
