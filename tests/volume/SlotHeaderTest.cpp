#include <gtest/gtest.h>

#include "volume/GraphicsIndex.h"
#include "volume/SlotHeader.h"

namespace vexo {
namespace {

std::string Bytes(const char* s, std::size_t n) { return std::string(s, n); }
std::string Bytes(const std::string& s) { return s; }

TEST(TextField, WritingCutsBlankFillsAndEndsWithZero) {
  struct Case {
    std::string text;
    std::size_t width;
    std::string bytes;
  };
  const Case cases[] = {
      {"abc", 9, Bytes("abc     ") + '\0'},
      {"", 9, Bytes("        ") + '\0'},
      {"1234567890123456789", 20, Bytes("1234567890123456789") + '\0'},   // 19 kept whole
      {"12345678901234567890", 20, Bytes("1234567890123456789") + '\0'},  // 20th cut
      {"caf\xC3\xA9", 9, Bytes("caf\xE9    ") + '\0'},                     // ISO-8859-1 byte
      {"\xC4\x80x", 4, Bytes("\x00x ", 3) + '\0'},                          // U+0100: low 8 bits
  };
  for (const Case& c : cases) EXPECT_EQ(PutField(c.text, c.width), c.bytes) << c.text;
}

TEST(TextField, ReadingDropsTrailingBlanksAndZerosOnly) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {Bytes("abc     ") + '\0', "abc"},
      {Bytes("ab  c   ") + '\0', "ab  c"},
      {Bytes("  lead  ") + '\0', "  lead"},
      {Bytes("        ") + '\0', ""},
      {std::string(9, '\0'), ""},
      {Bytes("a\0 \0 \0  ", 8) + '\0', "a"},
      {Bytes("caf\xE9    ") + '\0', "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetField(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()),
              c.text);
  }
}

TEST(TextField, Latin1TextRoundTrips) {
  SlotHeader h = BlankHeader();
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xC2\xA9\xC3\xBF";  // Grüße ©ÿ
  h.setDesc1(text);
  EXPECT_EQ(h.desc1(), text);
  h.setFilename("bad\xFFutf8");  // a byte that is no UTF-8 stands for itself
  EXPECT_EQ(h.bytes[kFilename.offset + 3], 0xFF);
}

TEST(SlotHeader, FieldsSitAtTheirOffsetsLittleEndian) {
  SlotHeader h;
  h.setMagic(kMagic);
  h.setNext(0x0102);
  h.setPrevious(0x0304);
  h.setFirst(0x0506);
  h.setLast(0x0708);
  h.setProglen(0x1112);
  h.setProgsum(0x1314);
  h.setGcilen(0x15161718);
  h.setSmlen(0x191A);
  h.setCsaflag(1);
  h.setCsalen(0x21222324);
  const std::pair<std::size_t, std::uint8_t> expected[] = {
      {0, 0xAA},   {1, 0x55},   {2, 0x02},   {3, 0x01},   {4, 0x04},   {5, 0x03},
      {6, 0x06},   {7, 0x05},   {8, 0x08},   {9, 0x07},   {116, 0x12}, {117, 0x11},
      {118, 0x14}, {119, 0x13}, {290, 0x18}, {291, 0x17}, {292, 0x16}, {293, 0x15},
      {294, 0x1A}, {295, 0x19}, {316, 1},    {317, 0},    {318, 0x24}, {321, 0x21}};
  for (auto [at, byte] : expected) EXPECT_EQ(h.bytes[at], byte) << "offset " << at;

  struct Text {
    TextField field;
    std::size_t offset;
    std::size_t width;
  };
  const Text texts[] = {{kCategory, 12, 20}, {kFilename, 32, 20}, {kDate, 52, 11},
                        {kTime, 64, 9},      {kGciFile, 74, 20},  {kGciDate, 94, 11},
                        {kGciTime, 106, 9},  {kDesc1, 120, 32},   {kDesc2, 152, 32},
                        {kDesc3, 184, 32},   {kDesc4, 216, 32},   {kSmFile, 248, 20},
                        {kSmDate, 268, 11},  {kSmTime, 280, 9},   {kCsaFile, 296, 20}};
  for (const Text& t : texts) {
    SlotHeader one;
    one.setText(t.field, "X");
    EXPECT_EQ(one.bytes[t.offset], 'X');
    EXPECT_EQ(one.bytes[t.offset + t.width - 2], ' ');
    EXPECT_EQ(one.bytes[t.offset + t.width - 1], 0);
    if (t.offset + t.width < SlotHeader::kSize) {
      EXPECT_EQ(one.bytes[t.offset + t.width], 0);
    }
  }
}

TEST(SlotHeader, NameDecidesWhetherTheSlotIsUsed) {
  SlotHeader h = BlankHeader();
  EXPECT_TRUE(IsUsed(h));  // an empty name is a blank, and a blank is in use
  h.setFilename("1234567890123456789");
  EXPECT_EQ(h.bytes[51], 0);
  EXPECT_TRUE(IsUsed(h));
  EXPECT_FALSE(IsUsed(BlankHeader(SlotState::Free)));
}

TEST(SlotHeader, BlankHeaderForFormatting) {
  const SlotHeader h = BlankHeader(SlotState::Free);
  EXPECT_EQ(h.bytes[0], 0xAA);
  EXPECT_EQ(h.bytes[1], 0x55);
  for (std::size_t i = 2; i < 12; ++i) EXPECT_EQ(h.bytes[i], 0) << i;
  for (std::size_t i = 12; i < 31; ++i) EXPECT_EQ(h.bytes[i], ' ') << i;
  EXPECT_EQ(h.bytes[31], 0);
  EXPECT_EQ(h.bytes[32], 0);
  for (std::size_t i : {63, 73, 105, 115, 279, 289}) EXPECT_EQ(h.bytes[i], 0) << i;
  for (std::size_t i = 116; i < 120; ++i) EXPECT_EQ(h.bytes[i], 0) << i;
  for (std::size_t i = 290; i < 296; ++i) EXPECT_EQ(h.bytes[i], 0) << i;
  for (std::size_t i = 316; i < 512; ++i) EXPECT_EQ(h.bytes[i], 0) << i;
  EXPECT_EQ(h.csafile(), "");
  EXPECT_EQ(h.desc4(), "");
}

TEST(SortKey, OrdersByCategoryThenNameIgnoringCaseOfAToZ) {
  const auto key = [](const std::string& category, const std::string& name) {
    SlotHeader h = BlankHeader();
    h.setCategory(category);
    h.setFilename(name);
    return SortKey(h);
  };
  EXPECT_EQ(key("", "ab").size(), 38u);
  EXPECT_LT(key("", "ab"), key("", "ab1"));      // the blank fill sorts first
  EXPECT_LT(key("", "alpha"), key("", "Zeta"));  // Z counts as z
  EXPECT_EQ(key("Games", "ABC"), key("games", "abc"));
  EXPECT_LT(key("", "zzz"), key("A", "aaa"));     // the blank category before all others
  EXPECT_LT(key("", "z"), key("", "\xC3\xA0"));   // unsigned: à (0xE0) after z
  EXPECT_NE(key("", "\xC3\x80"), key("", "\xC3\xA0"));  // only A to Z are lowered
}

// The chain's walk compares headers in place; it must order them as their keys do.
TEST(SortKey, SortsBeforeAgreesWithTheKeys) {
  const std::pair<const char*, const char*> names[] = {
      {"", "ab"}, {"", "ab1"}, {"", "alpha"}, {"", "Zeta"}, {"Games", "ABC"}, {"games", "abc"},
      {"", "zzz"}, {"A", "aaa"}, {"", "z"}, {"", "\xC3\xA0"}, {"", "\xC3\x80"}, {"[", "a"}};
  std::vector<SlotHeader> headers;
  for (const auto& [category, name] : names) {
    headers.push_back(BlankHeader());
    headers.back().setCategory(category);
    headers.back().setFilename(name);
  }
  for (const SlotHeader& a : headers) {
    for (const SlotHeader& b : headers)
      EXPECT_EQ(SortsBefore(a, b), SortKey(a) < SortKey(b)) << a.filename() << " " << b.filename();
  }
}

TEST(Geometry, SlotsAndCommonStorageArea) {
  EXPECT_EQ(SlotFirstSector(1), 0u);
  EXPECT_EQ(SlotFirstSector(2), 4096u);
  EXPECT_EQ(SlotFirstSector(512) + kSectorsPerSlot - 1, 2'097'151u);
  EXPECT_EQ(SlotFirstSector(513), 2'097'152u);
  EXPECT_EQ(kCsaFirstSector, 2'097'152u);
  EXPECT_EQ((kGraphicsIndexSector - kProgramSector) * kSectorSize, kMaxProgramBytes);
  EXPECT_EQ((kGciSector - kSmSector) * kSectorSize, kMaxSmBytes);
  EXPECT_EQ((kSectorsPerSlot - kGciSector) * kSectorSize, kGciCapacity);
}

TEST(Timestamp, SplitsIntoDateAndTimeFields) {
  SlotHeader h = BlankHeader();
  SetTimestamp(h, kDate, kTime, "2026.12.1014.05.09");
  EXPECT_EQ(h.date(), "2026.12.10");
  EXPECT_EQ(h.time(), "14.05.09");
}

TEST(GraphicsRecord, LayoutWithTheSectorHighWordFirst) {
  GraphicsRecord r = GraphicsRecord::Empty();
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.begin() + 20), std::string(20, ' '));
  for (std::size_t i = 20; i < 32; ++i) EXPECT_EQ(r.bytes[i], 0);
  EXPECT_EQ(r.name(), "");

  r.setName("12345678901234567890XYZ");  // 20 characters kept, no 0 byte
  EXPECT_EQ(r.name(), "12345678901234567890");
  r.setName("Logo");
  r.setSector(0x00020089);
  r.setValue1(10);
  r.setValue2(20);
  EXPECT_EQ(r.name(), "Logo");
  EXPECT_EQ(r.bytes[4], ' ');
  EXPECT_EQ(r.bytes[19], ' ');
  const std::uint8_t tail[] = {0x02, 0x00, 0x89, 0x00, 10, 0, 20, 0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(r.bytes[20 + i], tail[i]) << i;
  EXPECT_EQ(r.sector(), 0x00020089u);
}

}  // namespace
}  // namespace vexo
