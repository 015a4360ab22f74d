// The Common Storage Area a restore brings: whether it fits the card, what header 1 takes of
// it, and a payload that announces none.

#include <gtest/gtest.h>

#include "tests/transfer/RestoreFixture.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::PayloadOf;
using testing::RestoreTest;
using testing::Stored;
using testing::StoredEntry;

TEST_F(RestoreTest, BytesAfterThePayloadAreIgnored) {
  testing::FormatImage(image);
  load();
  StoredEntry e = Stored("", "a", 100, 0, 0, 0, 1);
  e.header.setCsalen(700);
  // Any hascsa but 1 means no Common Storage Area, whatever follows.
  for (const int hascsa : {0, 2, 255}) {
    SCOPED_TRACE(hascsa);
    testing::FormatImage(image);
    reload();
    device->writes.clear();
    std::vector<std::uint8_t> payload = PayloadOf({e});
    payload[6] = static_cast<std::uint8_t>(hascsa);
    payload.insert(payload.end(), 700, 0xAB);
    put(payload);
    ASSERT_TRUE(restore());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(testing::ReadHeader(image, 1).filename(), "a");
    EXPECT_EQ(testing::ReadHeader(image, 1).csalen(), 0u);
    expectData(1, e);
    for (const auto& [sector, count] : writes()) EXPECT_LT(sector, kCsaFirstSector);
  }
}

struct CsaFitCase {
  const char* what;
  std::size_t csaBytes;
  bool fits;
  friend void PrintTo(const CsaFitCase& c, std::ostream* os) { *os << c.what; }
};

class RestoreCsaFitTest : public RestoreTest, public ::testing::WithParamInterface<CsaFitCase> {};

TEST_P(RestoreCsaFitTest, CsaLargerThanTheCardIsRefusedBeforeAnyWrite) {
  const CsaFitCase& c = GetParam();
  image = testing::MakeImage(temp.file("small.img"), testing::kOneGiB + 8 * kSectorSize);
  testing::FormatImage(image);
  load();
  StoredEntry e = Stored("", "a", 100, 0, 0, 0, 1);
  e.header.setCsalen(static_cast<std::uint32_t>(c.csaBytes));
  const std::vector<std::uint8_t> csa = Pattern(c.csaBytes, 5);
  put(PayloadOf({e}, 1, csa));

  EXPECT_EQ(restore(), c.fits);
  if (c.fits) {
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, c.csaBytes), csa);
  } else {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].rfind("Disk is too small for the Common Storage Area of this image", 0), 0u)
        << ui.messages[0];
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(ui.progressShown, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Restore, RestoreCsaFitTest,
                         ::testing::Values(CsaFitCase{"LastSectorOfTheCard", 8 * 512, true},
                                           CsaFitCase{"OneByteBeyond", 8 * 512 + 1, false}),
                         testing::CaseName());

// ---- Header 1 -----------------------------------------------------------------------------------

TEST_F(RestoreTest, UncheckingEveryEntryStillRestoresTheCsa) {
  CardBuilder().add(1, "", "a").writeTo(image);
  load();
  const SlotHeader before = dir.header(1);
  StoredEntry first = Stored("Games", "Pong", 100, 0, 0, 0, 1);
  first.header.setCsafile("Map");
  first.header.setCsaflag(1);
  first.header.setCsalen(3000);
  const std::vector<std::uint8_t> csa = Pattern(3000, 4);
  put(PayloadOf({first, Stored("", "b", 10, 0, 0, 0, 2)}, 1, csa));

  ASSERT_TRUE(restore([](RestoreList& list) { list.UncheckAll(); }));
  EXPECT_EQ(writes(),
            (std::vector<std::pair<std::uint64_t, std::size_t>>{{kCsaFirstSector, 6}, {0, 1}}));
  EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 3000), csa);
  SlotHeader expected = before;
  expected.setCsafile("Map");
  expected.setCsaflag(1);
  expected.setCsalen(3000);
  EXPECT_EQ(testing::ReadHeader(image, 1), expected);
  EXPECT_EQ(ui.progressLabels.back(), "Restoring Common Storage Area");
  EXPECT_EQ(ui.progressShown, 1);
}

// The area of an archive over a card that has one of its own: offered unchecked, and when
// checked, restored only after "Replace the Common Storage Area of …?" (default No).
TEST_F(RestoreTest, AnAreaOverTheCardsOwnIsTheUsersChoice) {
  struct Case {
    const char* what;
    bool checked;
    std::vector<Answer> answers;
    bool replaced;
  };
  for (const Case& c : {Case{"left unchecked", false, {}, false},
                        Case{"checked, then No", true, {Answer::No}, false},
                        Case{"checked, then Yes", true, {Answer::Yes}, true}}) {
    SCOPED_TRACE(c.what);
    testing::FormatImage(image);
    CardBuilder().add(1, "", "a").writeTo(image);
    SlotHeader h1 = testing::ReadHeader(image, 1);
    h1.setCsafile("Keep");
    h1.setCsaflag(1);
    h1.setCsalen(10);
    testing::WriteHeader(image, 1, h1);
    const std::vector<std::uint8_t> own = Pattern(512, 9);
    testing::WriteBytes(image, testing::kCsaByte, own.data(), own.size());
    if (device == nullptr) load(); else reload();
    ui.questions.clear();
    ui.answers.assign(c.answers.begin(), c.answers.end());
    // A payload of the area alone, which is the rest of the payload: header 1 takes only csalen.
    const std::vector<std::uint8_t> csa = Pattern(3000, 6);
    std::vector<std::uint8_t> payload = {'D', 'M', 'L', 'E', 0, 0, 1};
    payload.insert(payload.end(), csa.begin(), csa.end());
    put(payload);

    bool offeredChecked = true;
    ASSERT_TRUE(restore([&](RestoreList& list) {
      ASSERT_TRUE(list.csa.has_value());
      EXPECT_EQ(list.csa->text, "Common Storage Area: 3000 bytes");
      offeredChecked = list.csa->checked;
      list.csa->checked = c.checked;
    }));
    EXPECT_FALSE(offeredChecked);
    if (c.checked) {
      ASSERT_EQ(ui.questions.size(), 1u);
      EXPECT_EQ(ui.questions[0].text.rfind("Replace the Common Storage Area of Vexo 1 (E:)", 0), 0u)
          << ui.questions[0].text;
      EXPECT_EQ(ui.questions[0].preferred, Answer::No);
    } else {
      EXPECT_TRUE(ui.questions.empty());
    }
    SlotHeader expected = h1;
    if (c.replaced) expected.setCsalen(3000);
    EXPECT_EQ(testing::ReadHeader(image, 1), expected);
    EXPECT_EQ(testing::ReadBytes(image, testing::kCsaByte, 512),
              c.replaced ? std::vector<std::uint8_t>(csa.begin(), csa.begin() + 512) : own);
    EXPECT_TRUE(ui.messages.empty());
  }
}

}  // namespace
}  // namespace vexo
