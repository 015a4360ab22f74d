#include "transfer/SevenZipLayout.h"

#include <cstring>

#include "transfer/Crc32.h"

namespace vexo {
namespace {

constexpr std::uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::uint8_t kMajorVersion = 0;
constexpr std::uint8_t kMinorVersion = 4;
// Ours is about a hundred bytes; a bound keeps a forged size from costing memory.
constexpr std::uint64_t kMaxEndHeader = 1 << 16;
constexpr std::uint64_t kLzma2Coder = 0x21;

// Property ids of 7zFormat.txt.
enum Id : std::uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnPackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnPackSize = 0x0C,
  kNumUnPackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kCTime = 0x12,
  kMTime = 0x14,
  kWinAttributes = 0x15,
};

void PutLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// 7z's NUMBER: the leading 1 bits of the first byte count the little-endian bytes after it.
void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
  int extra = 0;
  while (extra < 8 && value >= (std::uint64_t{1} << (7 * (extra + 1)))) ++extra;
  if (extra == 8) {
    out.push_back(0xFF);
    PutLittle(out, value, 8);
    return;
  }
  const std::uint8_t mask = static_cast<std::uint8_t>(0xFF00 >> extra);
  const std::uint8_t high = static_cast<std::uint8_t>(value >> (8 * extra));
  out.push_back(static_cast<std::uint8_t>(mask | high));
  PutLittle(out, value, extra);
}

// A property of the files: its id, its size, its bytes.
void PutProperty(std::vector<std::uint8_t>& out, std::uint8_t id,
                 const std::vector<std::uint8_t>& data) {
  out.push_back(id);
  PutNumber(out, data.size());
  out.insert(out.end(), data.begin(), data.end());
}

// "All defined, not external", then the one value.
std::vector<std::uint8_t> DefinedValue(std::uint64_t value, int bytes) {
  std::vector<std::uint8_t> data = {1, 0};
  PutLittle(data, value, bytes);
  return data;
}

// Reads header bytes; every step checks that it stays inside them.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool ok() const { return ok_; }
  std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }

  std::uint8_t byte() {
    if (p_ == end_) return fail(), 0;
    return *p_++;
  }
  std::uint64_t little(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t{byte()} << (8 * i);
    return v;
  }
  std::uint64_t number() {
    const std::uint8_t first = byte();
    int extra = 0;
    while (extra < 8 && (first & (0x80 >> extra))) ++extra;
    const std::uint64_t low = little(extra);
    if (extra >= 7) return low;
    const std::uint64_t high = first & (0x7Fu >> extra);
    return low | high << (8 * extra);
  }
  bool expect(std::uint8_t value) { return byte() == value && ok_; }
  const std::uint8_t* take(std::uint64_t n) {
    if (n > left()) return fail(), nullptr;
    const std::uint8_t* at = p_;
    p_ += n;
    return at;
  }
  void fail() {
    ok_ = false;
    p_ = end_;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
  bool ok_ = true;
};

// PackInfo, after its id: one stream, its size, maybe its CRC.
bool ReadPackInfo(Cursor& c, SevenZipItem& item) {
  item.packOffset = c.number();  // relative to the signature header's end, for now
  if (c.number() != 1 || !c.expect(kSize)) return false;
  item.packSize = c.number();
  std::uint8_t id = c.byte();
  if (id == kCrc) {
    if (c.byte() != 1) return false;
    item.packCrc = static_cast<std::uint32_t>(c.little(4));
    id = c.byte();
  }
  return c.ok() && id == kEnd;
}

// UnPackInfo, after its id: one folder with one LZMA2 coder.
bool ReadUnPackInfo(Cursor& c, SevenZipItem& item, bool& crcDefined) {
  if (!c.expect(kFolder) || c.number() != 1 || !c.expect(0)) return false;  // not external
  if (c.number() != 1) return false;                                        // one coder
  const std::uint8_t flags = c.byte();
  if (flags != 0x21) return false;  // a simple coder, 1-byte id, with properties
  if (c.byte() != kLzma2Coder || c.number() != 1) return false;
  item.lzma2Property = c.byte();
  if (item.lzma2Property > 40 || !c.expect(kCodersUnPackSize)) return false;
  item.size = c.number();
  std::uint8_t id = c.byte();
  if (id == kCrc) {
    if (c.byte() != 1) return false;
    item.crc = static_cast<std::uint32_t>(c.little(4));
    crcDefined = true;
    id = c.byte();
  }
  return c.ok() && id == kEnd;
}

// SubStreamsInfo, after its id: the folder's one stream, maybe with its CRC.
bool ReadSubStreamsInfo(Cursor& c, SevenZipItem& item, bool& crcDefined) {
  std::uint8_t id = c.byte();
  if (id == kNumUnPackStream) {
    if (c.number() != 1) return false;
    id = c.byte();
  }
  if (id == kCrc) {
    if (c.byte() != 1) return false;
    item.crc = static_cast<std::uint32_t>(c.little(4));
    crcDefined = true;
    id = c.byte();
  }
  return c.ok() && id == kEnd;
}

// A time or the attributes: all defined, not external, one value.
bool ReadDefined(Cursor& c, int bytes, std::uint64_t& value) {
  if (c.byte() != 1 || c.byte() != 0) return false;
  value = c.little(bytes);
  return c.ok() && c.left() == 0;
}

bool ReadFilesInfo(Cursor& c, SevenZipItem& item) {
  if (c.number() != 1) return false;
  for (;;) {
    const std::uint8_t id = c.byte();
    if (!c.ok()) return false;
    if (id == kEnd) return true;
    const std::uint64_t size = c.number();
    const std::uint8_t* data = c.take(size);
    if (data == nullptr) return false;
    Cursor p(data, static_cast<std::size_t>(size));
    std::uint64_t value = 0;
    switch (id) {
      case kEmptyStream:
      case kEmptyFile:
      case kAnti:
        return false;  // an item without data: not an image archive of ours
      case kName: {
        if (!p.expect(0)) return false;
        item.name.clear();
        for (;;) {
          const std::uint64_t unit = p.little(2);
          if (!p.ok()) return false;
          if (unit == 0) break;
          item.name += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        if (p.left() != 0) return false;
        break;
      }
      case kCTime:
      case kMTime:
        if (!ReadDefined(p, 8, value)) return false;
        item.fileTime = value;
        break;
      case kWinAttributes:
        if (!ReadDefined(p, 4, value)) return false;
        item.attributes = static_cast<std::uint32_t>(value);
        break;
      default:
        break;  // other properties say nothing the reader needs
    }
  }
}

std::optional<SevenZipItem> ReadEndHeader(const std::uint8_t* data, std::size_t size) {
  Cursor c(data, size);
  SevenZipItem item;
  bool crcDefined = false;
  if (!c.expect(kHeader) || !c.expect(kMainStreamsInfo) || !c.expect(kPackInfo) ||
      !ReadPackInfo(c, item) || !c.expect(kUnPackInfo) || !ReadUnPackInfo(c, item, crcDefined))
    return std::nullopt;
  std::uint8_t id = c.byte();
  if (id == kSubStreamsInfo) {
    if (!ReadSubStreamsInfo(c, item, crcDefined)) return std::nullopt;
    id = c.byte();
  }
  if (id != kEnd || !crcDefined || !c.expect(kFilesInfo) || !ReadFilesInfo(c, item) ||
      !c.expect(kEnd))
    return std::nullopt;
  return item;
}

class MemorySource : public ByteSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
    if (offset > size_ || length > size_ - offset) return false;
    if (length > 0) std::memcpy(data, data_ + offset, length);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

std::uint64_t FileTimeOf(std::int64_t unixSeconds) {
  return static_cast<std::uint64_t>(unixSeconds + 11'644'473'600) * 10'000'000;
}

std::vector<std::uint8_t> EncodeEndHeader(const SevenZipItem& item) {
  std::vector<std::uint8_t> out = {kHeader, kMainStreamsInfo, kPackInfo};
  PutNumber(out, item.packOffset - kSignatureHeaderBytes);
  PutNumber(out, 1);
  out.push_back(kSize);
  PutNumber(out, item.packSize);
  if (item.packCrc) {
    out.insert(out.end(), {kCrc, 1});
    PutLittle(out, *item.packCrc, 4);
  }
  out.push_back(kEnd);

  out.insert(out.end(), {kUnPackInfo, kFolder, 1, 0, 1, 0x21, kLzma2Coder, 1, item.lzma2Property,
                         kCodersUnPackSize});
  PutNumber(out, item.size);
  out.push_back(kEnd);

  out.insert(out.end(), {kSubStreamsInfo, kCrc, 1});
  PutLittle(out, item.crc, 4);
  out.push_back(kEnd);
  out.push_back(kEnd);  // the streams

  out.push_back(kFilesInfo);
  PutNumber(out, 1);
  std::vector<std::uint8_t> name = {0};  // not external
  for (char ch : item.name) PutLittle(name, static_cast<unsigned char>(ch), 2);
  PutLittle(name, 0, 2);
  PutProperty(out, kName, name);
  PutProperty(out, kCTime, DefinedValue(item.fileTime, 8));
  PutProperty(out, kMTime, DefinedValue(item.fileTime, 8));
  PutProperty(out, kWinAttributes, DefinedValue(item.attributes, 4));
  out.push_back(kEnd);  // the files
  out.push_back(kEnd);  // the header
  return out;
}

std::array<std::uint8_t, kSignatureHeaderBytes> EncodeSignatureHeader(
    const SevenZipItem& item, const std::vector<std::uint8_t>& endHeader) {
  std::vector<std::uint8_t> start;
  PutLittle(start, item.packOffset + item.packSize - kSignatureHeaderBytes, 8);
  PutLittle(start, endHeader.size(), 8);
  PutLittle(start, Crc32(endHeader.data(), endHeader.size()), 4);
  std::array<std::uint8_t, kSignatureHeaderBytes> out{};
  std::memcpy(out.data(), kSignature, sizeof kSignature);
  out[6] = kMajorVersion;
  out[7] = kMinorVersion;
  const std::uint32_t crc = Crc32(start.data(), start.size());
  for (int i = 0; i < 4; ++i) out[8 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
  std::memcpy(out.data() + 12, start.data(), start.size());
  return out;
}

namespace {

struct StartHeader {
  std::uint64_t headerOffset = 0;  // of the end header, after the signature header
  std::uint64_t headerSize = 0;
  std::uint32_t headerCrc = 0;
};

std::optional<StartHeader> ReadStartHeader(ByteSource& archive) {
  std::uint8_t signature[kSignatureHeaderBytes];
  if (!archive.readAt(0, signature, sizeof signature) ||
      std::memcmp(signature, kSignature, sizeof kSignature) != 0 || signature[6] != kMajorVersion)
    return std::nullopt;
  Cursor start(signature + 8, 24);
  const std::uint32_t startCrc = static_cast<std::uint32_t>(start.little(4));
  if (Crc32(signature + 12, 20) != startCrc) return std::nullopt;
  StartHeader h;
  h.headerOffset = start.little(8);
  h.headerSize = start.little(8);
  h.headerCrc = static_cast<std::uint32_t>(start.little(4));
  return h;
}

}  // namespace

std::optional<std::uint64_t> DeclaredArchiveSize(ByteSource& archive) {
  const std::optional<StartHeader> h = ReadStartHeader(archive);
  constexpr std::uint64_t kBeyondAnyFile = std::uint64_t{1} << 62;
  if (!h || h->headerOffset > kBeyondAnyFile || h->headerSize > kBeyondAnyFile) return std::nullopt;
  return kSignatureHeaderBytes + h->headerOffset + h->headerSize;
}

std::optional<SevenZipItem> ReadSevenZipLayout(ByteSource& archive) {
  const std::optional<StartHeader> start = ReadStartHeader(archive);
  if (!start) return std::nullopt;
  const auto [headerOffset, headerSize, headerCrc] = *start;
  const std::uint64_t room = archive.size() - kSignatureHeaderBytes;  // at least 32 read
  if (headerSize == 0 || headerSize > kMaxEndHeader || headerOffset > room ||
      headerSize > room - headerOffset)
    return std::nullopt;
  std::vector<std::uint8_t> header(static_cast<std::size_t>(headerSize));
  if (!archive.readAt(kSignatureHeaderBytes + headerOffset, header.data(), header.size()) ||
      Crc32(header.data(), header.size()) != headerCrc)
    return std::nullopt;
  std::optional<SevenZipItem> item = ReadEndHeader(header.data(), header.size());
  // The packed stream lies between the signature header and the end header.
  if (!item || item->packOffset > headerOffset || item->packSize > headerOffset - item->packOffset)
    return std::nullopt;
  item->packOffset += kSignatureHeaderBytes;
  return item;
}

std::optional<SevenZipItem> ReadSevenZipLayout(const std::uint8_t* data, std::size_t size) {
  MemorySource source(data, size);
  return ReadSevenZipLayout(source);
}

}  // namespace vexo
