// The payload codec on plain bytes, without an archive: the preamble, the one rule that an
// entry fits its slot, and the walk over the entry blocks that ends where their lengths say.

#include <gtest/gtest.h>

#include "tests/transfer/ArchiveFixture.h"
#include "transfer/PayloadCodec.h"

namespace vexo {
namespace {

using testing::PayloadOf;
using testing::Stored;
using testing::StoredEntry;

TEST(PayloadCodecTest, PreambleDecodesWhatItEncodesAndNothingElse) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::optional<std::pair<std::uint16_t, bool>> decoded;  // entrycount, hascsa
  };
  const Case cases[] = {
      {"EmptyVolume", {'D', 'M', 'L', 'E', 0, 0, 0}, std::pair{0, false}},
      {"FullVolumeWithCsa", {'D', 'M', 'L', 'E', 0, 2, 1}, std::pair{512, true}},
      {"HascsaOtherThanOne", {'D', 'M', 'L', 'E', 3, 0, 2}, std::pair{3, false}},
      {"MoreEntriesThanSlots", {'D', 'M', 'L', 'E', 1, 2, 0}, std::nullopt},
      {"Short", {'D', 'M', 'L', 'E', 0, 0}, std::nullopt},
      {"OtherSignature", {'D', 'M', 'L', 'e', 0, 0, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<PayloadPreamble> p = DecodePreamble(c.bytes);
    ASSERT_EQ(p.has_value(), c.decoded.has_value());
    if (!p) continue;
    EXPECT_EQ(std::pair(p->entrycount, p->hascsa), *c.decoded);
    const auto encoded = EncodePreamble(*p);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end() - 1, c.bytes.begin()));
  }
}

// Backup and restore refuse the same headers: a region one byte beyond its room.
TEST(PayloadCodecTest, EntryFitsSlotUpToEachRegionsRoom) {
  struct Case {
    const char* what;
    std::function<void(SlotHeader&, std::uint32_t extra)> set;
  };
  const Case cases[] = {
      {"Program", [](SlotHeader& h, std::uint32_t x) { h.setProglen(static_cast<std::uint16_t>(kMaxProgramBytes + x)); }},
      {"Sm", [](SlotHeader& h, std::uint32_t x) { h.setSmlen(static_cast<std::uint16_t>(kMaxSmBytes + x)); }},
      {"Gci", [](SlotHeader& h, std::uint32_t x) { h.setGcilen(static_cast<std::uint32_t>(kGciCapacity + x)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SlotHeader h = BlankHeader();
    c.set(h, 0);
    EXPECT_TRUE(EntryFitsSlot(h));
    c.set(h, 1);
    EXPECT_FALSE(EntryFitsSlot(h));
  }
}

TEST(PayloadCodecTest, WalkEndsWhereTheLengthsSayAndNotBeyondTheBytes) {
  StoredEntry first = Stored("Games", "Pong", 600, 1000, 5000, 3, 1);
  first.header.setCsalen(700);
  const std::vector<std::uint8_t> whole =
      PayloadOf({first, Stored("", "b", 10, 0, 0, 256, 2)}, 1, testing::Pattern(700));
  StoredEntry tooMany = Stored("", "c", 0, 0, 10, 0, 3);
  tooMany.data.index.push_back(testing::NamedRecord(257, 3));
  tooMany.gfxcount = 257;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool walked;
  };
  const Case cases[] = {
      {"Whole", whole, true},
      {"CsaOneByteShort", {whole.begin(), whole.end() - 1}, false},
      {"MoreGraphicsThanTheIndexHolds", PayloadOf({tooMany}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PayloadBytes in(c.bytes);
    const std::optional<StoredHeaders> stored = ReadStoredHeaders(in);
    ASSERT_TRUE(stored);
    EXPECT_EQ(PassOverEntryBlocks(in, *stored), c.walked);
    if (c.walked) {
      EXPECT_EQ(in.position(), c.bytes.size());
    }
  }
}

}  // namespace
}  // namespace vexo
