#pragma once
// The 7z container that image archives are written in (7-Zip's 7zFormat.txt): the 32-byte
// signature header, one packed stream, and a plain header at the end that describes one
// folder with one LZMA2 coder holding one item:
//   kHeader
//     kMainStreamsInfo
//       kPackInfo        pack position, 1 stream, kSize its size, kCRC its CRC, kEnd
//       kUnPackInfo      kFolder: 1 folder, 1 coder 0x21 (LZMA2) with its property byte;
//                        kCodersUnPackSize the item's size; kEnd
//       kSubStreamsInfo  kCRC of the item; kEnd
//     kEnd
//     kFilesInfo         1 file: kName, kCTime, kMTime, kWinAttributes; kEnd
//   kEnd
// Reading recognises archives of exactly this shape; any other 7z archive is left to
// libarchive.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexo {

inline constexpr std::size_t kSignatureHeaderBytes = 32;

struct SevenZipItem {
  std::string name;
  std::uint64_t packOffset = kSignatureHeaderBytes;  // from the file's start
  std::uint64_t packSize = 0;
  std::optional<std::uint32_t> packCrc;  // of the packed stream: checked without decoding
  std::uint64_t size = 0;
  std::uint32_t crc = 0;  // CRC-32 of the item's bytes
  std::uint8_t lzma2Property = 0;
  std::uint64_t fileTime = 0;  // 100 ns since 1601, UTC: creation and last write
  std::uint32_t attributes = 0;
};

// The end header of an archive holding `item` (its packed stream right after the signature
// header), and the signature header that points at it.
std::vector<std::uint8_t> EncodeEndHeader(const SevenZipItem& item);
std::array<std::uint8_t, kSignatureHeaderBytes> EncodeSignatureHeader(
    const SevenZipItem& item, const std::vector<std::uint8_t>& endHeader);

// Random access to an archive's bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Exactly `length` bytes at `offset`, or false.
  virtual bool readAt(std::uint64_t offset, void* data, std::size_t length) = 0;
};

// The item of an archive in the layout above, its packed stream inside the file; nothing for
// any other bytes. Everything read is bounds-checked: the bytes come from outside.
std::optional<SevenZipItem> ReadSevenZipLayout(ByteSource& archive);
// The same over bytes in memory (for fuzzing).
std::optional<SevenZipItem> ReadSevenZipLayout(const std::uint8_t* data, std::size_t size);

// The length a 7z archive's signature header (any 7z archive's, when its own CRC holds) says the
// file has, through its end header; nothing for bytes that are no such header. A file shorter
// than that was not copied or written whole.
std::optional<std::uint64_t> DeclaredArchiveSize(ByteSource& archive);

// 7z's time: 100 ns units since 1601-01-01 UTC.
std::uint64_t FileTimeOf(std::int64_t unixSeconds);

}  // namespace vexo
