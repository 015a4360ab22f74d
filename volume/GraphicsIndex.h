#pragma once
// The graphics index of a slot: 256 records of 32 bytes in slot sectors 56 to 71.
//  offset width
//     0   20  name, blank padded, no 0 byte
//    20    2  high 16 bits of the graphic's sector number
//    22    2  low 16 bits
//    24    2  first numeric value of the graphic's ".dat" line
//    26    2  second numeric value
//    28    4  zero

#include <array>
#include <cstdint>
#include <string>

namespace vexo {

inline constexpr std::size_t kGraphicsRecords = 256;
inline constexpr std::size_t kGraphicsRecordSize = 32;
inline constexpr std::size_t kGraphicsIndexBytes = kGraphicsRecords * kGraphicsRecordSize;
inline constexpr std::size_t kGraphicsNameWidth = 20;

struct GraphicsRecord {
  std::array<std::uint8_t, kGraphicsRecordSize> bytes{};

  // 20 blanks and 12 zero bytes.
  static GraphicsRecord Empty();

  // The name without its trailing blanks and 0 bytes; empty marks the end of the used records.
  std::string name() const;
  void setName(const std::string& text);  // the first 20 characters, ISO-8859-1
  std::uint32_t sector() const {
    return static_cast<std::uint32_t>(word(20)) << 16 | word(22);
  }
  void setSector(std::uint32_t sector) {
    setWord(20, static_cast<std::uint16_t>(sector >> 16));
    setWord(22, static_cast<std::uint16_t>(sector));
  }
  std::uint16_t value1() const { return word(24); }
  std::uint16_t value2() const { return word(26); }
  void setValue1(std::uint16_t v) { setWord(24, v); }
  void setValue2(std::uint16_t v) { setWord(26, v); }

 private:
  std::uint16_t word(std::size_t at) const {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  }
  void setWord(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
};

static_assert(sizeof(GraphicsRecord) == kGraphicsRecordSize);

}  // namespace vexo
