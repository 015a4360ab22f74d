#pragma once
// The Vexo File system on the card: geometry, and the 512-byte slot header with its fields at
// their fixed offsets. The headers of the 512 slots are the whole directory.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "disk/SectorDevice.h"

namespace vexo {

// ---- Geometry -------------------------------------------------------------------------------
inline constexpr int kSlotCount = 512;               // slots 1 to 512
inline constexpr int kNoSlot = 513;                  // what a lookup answers when it finds none
inline constexpr int kCsaSlot = 513;                 // the Common Storage Area, as a 513th slot
inline constexpr std::uint64_t kSectorsPerSlot = 4096;                   // 2 MiB
inline constexpr std::uint64_t kSlotAreaSectors = kSlotCount * kSectorsPerSlot;  // first 1 GiB
inline constexpr std::uint64_t kCsaFirstSector = kSlotAreaSectors;       // Common Storage Area

// Regions of a slot, in sectors from the slot's first sector.
inline constexpr std::uint64_t kProgramSector = 1;         // 55 sectors
inline constexpr std::uint64_t kGraphicsIndexSector = 56;  // 16 sectors
inline constexpr std::uint64_t kSmSector = 72;             // 64 sectors
inline constexpr std::uint64_t kGciSector = 136;           // 3960 sectors, to the slot's end
inline constexpr std::size_t kMaxProgramBytes = 28'160;
inline constexpr std::size_t kMaxSmBytes = 32'768;
inline constexpr std::size_t kGciCapacity = 2'027'520;     // a GCI file must be smaller

inline constexpr std::uint16_t kMagic = 0x55AA;

// First sector of slot 1 to 512; slot 513 stands for the Common Storage Area.
constexpr std::uint64_t SlotFirstSector(int slot) {
  return static_cast<std::uint64_t>(slot - 1) * kSectorsPerSlot;
}

// ---- Fixed-width text fields ----------------------------------------------------------------
// At most width − 1 characters, blank filled, a 0 byte last.
struct TextField {
  std::size_t offset;
  std::size_t width;
};

// The bytes of a field holding `text`: ISO-8859-1, the low 8 bits of each character code.
std::string PutField(const std::string& text, std::size_t width);
// The text of a field: up to its last byte that is neither blank nor 0.
std::string GetField(const std::uint8_t* bytes, std::size_t width);
// The field's text is `text`, an ASCII text with A to Z lowered, once A to Z are lowered in the
// field too: GetField and LowerAsciiLetters without making either string.
bool FieldIsLoweredAscii(const std::uint8_t* bytes, std::size_t width, const std::string& text);

// ---- Slot header ----------------------------------------------------------------------------
//  offset width field
inline constexpr std::size_t kMagicAt = 0;                 //   0  2  magic 0x55AA
inline constexpr std::size_t kNextAt = 2;                  //   2  2  next slot in the chain
inline constexpr std::size_t kPreviousAt = 4;              //   4  2  previous slot
inline constexpr std::size_t kFirstAt = 6;                 //   6  2  header 1: first of the chain
inline constexpr std::size_t kLastAt = 8;                  //   8  2  header 1: last of the chain
inline constexpr TextField kCategory{12, 20};              //  12 20  category
inline constexpr TextField kFilename{32, 20};              //  32 20  name; byte 32 = 0: free slot
inline constexpr TextField kDate{52, 11};                  //  52 11  date "yyyy/mm/dd"
inline constexpr TextField kTime{64, 9};                   //  64  9  time "hh:mm:ss"
inline constexpr TextField kGciFile{74, 20};               //  74 20  GCI file name
inline constexpr TextField kGciDate{94, 11};               //  94 11
inline constexpr TextField kGciTime{106, 9};               // 106  9
inline constexpr std::size_t kProgLenAt = 116;             // 116  2  program length
inline constexpr std::size_t kProgSumAt = 118;             // 118  2  program byte sum mod 65536
inline constexpr TextField kDesc1{120, 32};                // 120 32  descriptions 1 to 4
inline constexpr TextField kDesc2{152, 32};
inline constexpr TextField kDesc3{184, 32};
inline constexpr TextField kDesc4{216, 32};
inline constexpr TextField kSmFile{248, 20};               // 248 20  SM file name
inline constexpr TextField kSmDate{268, 11};               // 268 11
inline constexpr TextField kSmTime{280, 9};                // 280  9
inline constexpr std::size_t kGciLenAt = 290;              // 290  4  GCI length
inline constexpr std::size_t kSmLenAt = 294;               // 294  2  SM length
inline constexpr TextField kCsaFile{296, 20};              // 296 20  header 1: CSA file at 0
inline constexpr std::size_t kCsaFlagAt = 316;             // 316  2  header 1: CSA used at an offset
inline constexpr std::size_t kCsaLenAt = 318;              // 318  4  header 1: CSA high-water mark
inline constexpr std::size_t kCsaFieldsBegin = 296;        // 296..321: the CSA fields together
inline constexpr std::size_t kCsaFieldsEnd = 322;
                                                           // 322 190  reserved, zero

struct SlotHeader {
  static constexpr std::size_t kSize = 512;
  std::array<std::uint8_t, kSize> bytes{};

  std::uint16_t magic() const { return u16(kMagicAt); }
  std::uint16_t next() const { return u16(kNextAt); }
  std::uint16_t previous() const { return u16(kPreviousAt); }
  std::uint16_t first() const { return u16(kFirstAt); }
  std::uint16_t last() const { return u16(kLastAt); }
  std::uint16_t proglen() const { return u16(kProgLenAt); }
  std::uint16_t progsum() const { return u16(kProgSumAt); }
  std::uint32_t gcilen() const { return u32(kGciLenAt); }
  std::uint16_t smlen() const { return u16(kSmLenAt); }
  std::uint16_t csaflag() const { return u16(kCsaFlagAt); }
  std::uint32_t csalen() const { return u32(kCsaLenAt); }

  void setMagic(std::uint16_t v) { setU16(kMagicAt, v); }
  void setNext(std::uint16_t v) { setU16(kNextAt, v); }
  void setPrevious(std::uint16_t v) { setU16(kPreviousAt, v); }
  void setFirst(std::uint16_t v) { setU16(kFirstAt, v); }
  void setLast(std::uint16_t v) { setU16(kLastAt, v); }
  void setProglen(std::uint16_t v) { setU16(kProgLenAt, v); }
  void setProgsum(std::uint16_t v) { setU16(kProgSumAt, v); }
  void setGcilen(std::uint32_t v) { setU32(kGciLenAt, v); }
  void setSmlen(std::uint16_t v) { setU16(kSmLenAt, v); }
  void setCsaflag(std::uint16_t v) { setU16(kCsaFlagAt, v); }
  void setCsalen(std::uint32_t v) { setU32(kCsaLenAt, v); }

  std::string category() const { return text(kCategory); }
  std::string filename() const { return text(kFilename); }
  std::string date() const { return text(kDate); }
  std::string time() const { return text(kTime); }
  std::string gcifile() const { return text(kGciFile); }
  std::string gcidate() const { return text(kGciDate); }
  std::string gcitime() const { return text(kGciTime); }
  std::string desc1() const { return text(kDesc1); }
  std::string desc2() const { return text(kDesc2); }
  std::string desc3() const { return text(kDesc3); }
  std::string desc4() const { return text(kDesc4); }
  std::string smfile() const { return text(kSmFile); }
  std::string smdate() const { return text(kSmDate); }
  std::string smtime() const { return text(kSmTime); }
  std::string csafile() const { return text(kCsaFile); }

  void setCategory(const std::string& t) { setText(kCategory, t); }
  void setFilename(const std::string& t) { setText(kFilename, t); }
  void setDate(const std::string& t) { setText(kDate, t); }
  void setTime(const std::string& t) { setText(kTime, t); }
  void setGcifile(const std::string& t) { setText(kGciFile, t); }
  void setGcidate(const std::string& t) { setText(kGciDate, t); }
  void setGcitime(const std::string& t) { setText(kGciTime, t); }
  void setDesc1(const std::string& t) { setText(kDesc1, t); }
  void setDesc2(const std::string& t) { setText(kDesc2, t); }
  void setDesc3(const std::string& t) { setText(kDesc3, t); }
  void setDesc4(const std::string& t) { setText(kDesc4, t); }
  void setSmfile(const std::string& t) { setText(kSmFile, t); }
  void setSmdate(const std::string& t) { setText(kSmDate, t); }
  void setSmtime(const std::string& t) { setText(kSmTime, t); }
  void setCsafile(const std::string& t) { setText(kCsaFile, t); }

  // A field's text and the writing of one, by the fixed-width rule.
  std::string text(TextField f) const { return GetField(bytes.data() + f.offset, f.width); }
  void setText(TextField f, const std::string& t);
  // The raw bytes of a field, blanks and 0 bytes included.
  std::string rawText(TextField f) const;

  std::uint16_t u16(std::size_t at) const {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  }
  std::uint32_t u32(std::size_t at) const {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  }
  void setU16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void setU32(std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

  friend bool operator==(const SlotHeader&, const SlotHeader&) = default;
};

static_assert(sizeof(SlotHeader) == SlotHeader::kSize);

// A slot is used when the first byte of its name is not 0.
inline bool IsUsed(const SlotHeader& h) { return h.bytes[kFilename.offset] != 0; }
inline bool HasMagic(const std::uint8_t* sector) { return sector[0] == 0xAA && sector[1] == 0x55; }

// The 38-byte key the chain is sorted by: bytes 0..18 of category and of filename, blank fill
// included, A to Z lowered. Compared as unsigned bytes (std::string compares that way).
std::string SortKey(const SlotHeader& h);
// SortKey(a) < SortKey(b), without making either: the chain's walk compares many.
bool SortsBefore(const SlotHeader& a, const SlotHeader& b);

// The header formatting writes (a free slot) and from which a new entry is built (in use).
enum class SlotState { Free, InUse };
SlotHeader BlankHeader(SlotState state = SlotState::InUse);

// The timestamp text "yyyy/mm/ddhh:mm:ss" splits into a date and a time field.
void SetTimestamp(SlotHeader& h, TextField dateField, TextField timeField, const std::string& stamp);

}  // namespace vexo
