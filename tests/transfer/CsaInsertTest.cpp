#include <gtest/gtest.h>

#include "tests/transfer/TransferFixture.h"
#include "transfer/CsaInsert.h"

namespace vexo {
namespace {

using testing::Pattern;
using testing::SectorRun;
using testing::operator+;

constexpr std::uint64_t kCsa = 2'097'152;
constexpr const char* kCaption = "Copy to Common Storage Area(CSA)";
constexpr const char* kPrompt =
    "Please enter sector offset as \nnnn(decimal), 0xnnn(hex), $nnn(hex)";

// ---- The offset as typed -------------------------------------------------------------------

TEST(SectorOffsetTest, DecimalOrHexAfterAPrefixWithinThirtyOneBits) {
  struct Case {
    const char* answer;
    std::optional<std::int32_t> offset;
  };
  const Case cases[] = {
      {"100", 100},           {"0x64", 100},          {"0X64", 100},
      {"$64", 100},           {"x64", 100},           {"X64", 100},
      {" 100 ", 100},         {"\t100\r\n", 100},     {"+5", 5},
      {"+0x10", 16},          {"$ff", 255},           {"0xFfFf", 65'535},
      {"0", 0},               {"007", 7},             {"2147483647", 2'147'483'647},
      {"$7FFFFFFF", 2'147'483'647},
      {"-1", std::nullopt},   {"-0x10", std::nullopt},  // nothing lies below the area
      {"abc", std::nullopt},  {"", std::nullopt},     {"   ", std::nullopt},
      {"0x", std::nullopt},   {"$", std::nullopt},    {"+", std::nullopt},
      {"1 2", std::nullopt},  {"12abc", std::nullopt}, {"1e3", std::nullopt},
      {"0x0x5", std::nullopt}, {"$-5", std::nullopt}, {"2147483648", std::nullopt},
      {"$80000000", std::nullopt}, {"99999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.answer + "'");
    EXPECT_EQ(ParseSectorOffset(c.answer), c.offset);
  }
}

TEST(SectorOffsetTest, DialogAsksAgainWithTheTrimmedTextUntilANumberOrCancel) {
  testing::ScriptedPrompter ui;
  ui.inputs = {"  abc\t", " 0x64 "};
  EXPECT_EQ(AskSectorOffset(ui), 100);
  const std::string invalid = std::string(kCaption) + "|Invalid\n" + kPrompt + "|abc";
  EXPECT_EQ(ui.inputPrompts,
            (std::vector<std::string>{std::string(kCaption) + "|" + kPrompt + "|0", invalid}));

  ui.inputPrompts.clear();
  ui.inputs = {"-1", std::nullopt};
  EXPECT_EQ(AskSectorOffset(ui), std::nullopt);
  ASSERT_EQ(ui.inputPrompts.size(), 2u);
  EXPECT_EQ(ui.inputPrompts[1], std::string(kCaption) + "|Invalid\n" + kPrompt + "|-1");

  ui.inputPrompts.clear();
  ui.inputs = {std::nullopt};
  EXPECT_EQ(AskSectorOffset(ui), std::nullopt);
  EXPECT_EQ(ui.inputPrompts.size(), 1u);

  ui.inputs.clear();  // OK on the default text
  EXPECT_EQ(AskSectorOffset(ui), 0);
}

// ---- Insertion -----------------------------------------------------------------------------

class CsaInsertTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    testing::FormatImage(image);
  }
  // Header 1 with the Common Storage Area fields a volume already carries.
  void prepare(const std::string& csafile, std::uint32_t csalen, std::uint16_t csaflag = 0) {
    SlotHeader h1 = testing::ReadHeader(image, 1);
    h1.setCsafile(csafile);
    h1.setCsalen(csalen);
    h1.setCsaflag(csaflag);
    testing::WriteHeader(image, 1, h1);
  }
  bool insert(const std::string& path, std::int32_t offset) {
    return InsertIntoCsa(dir, target(), path, offset);
  }
};

TEST_F(CsaInsertTest, FileAtOffsetZeroNamesHeaderOneAndRaisesTheHighWaterMark) {
  struct Case {
    std::uint32_t oldLength, newLength;
  };
  for (const Case c : {Case{0, 1000}, Case{5000, 5000}}) {
    SCOPED_TRACE(c.oldLength);
    prepare("Intro", c.oldLength);
    load();
    const SlotHeader before = dir.header(1);
    const std::vector<std::uint8_t> data = Pattern(1000, 4);

    ASSERT_TRUE(insert(pcFile("title.gci", data), 0));
    // Over described bytes, header 1 lets go of them first.
    const std::vector<std::uint64_t> data_then_header{kCsa, kCsa + 1, 0};
    EXPECT_EQ(device->writtenSectors(),
              c.oldLength == 0 ? data_then_header : std::vector<std::uint64_t>{0} + data_then_header);
    EXPECT_EQ(sectors(kCsa, 2), Padded(data));
    SlotHeader expected = before;
    expected.setCsafile("title");
    expected.setCsalen(c.newLength);
    EXPECT_EQ(testing::ReadHeader(image, 1), expected);
    EXPECT_EQ(dir.header(1), expected);
    EXPECT_EQ(ui.progressLabels,
              std::vector<std::string>{"Inserting title.gci into Common Storage Area(CSA)"});
    EXPECT_EQ(ui.progressMaximum, 2u);
    EXPECT_FALSE(ui.progressVisible);
    EXPECT_TRUE(ui.messages.empty());
    ui.progressLabels.clear();
  }
}

TEST_F(CsaInsertTest, FileAtAnotherOffsetSetsTheFlagAndKeepsTheName) {
  struct Case {
    std::int32_t offset;
    std::uint32_t oldLength, newLength;
  };
  // 10 × 512 + 1,000 = 6,120; 1 × 512 + 1,000 = 1,512.
  for (const Case c : {Case{10, 0, 6120}, Case{10, 10'000, 10'000}, Case{1, 0, 1512}}) {
    SCOPED_TRACE(::testing::PrintToString(std::pair{c.offset, c.oldLength}));
    prepare("Intro", c.oldLength);
    load();
    ASSERT_TRUE(insert(pcFile("title.gci", Pattern(1000)), c.offset));
    const std::uint64_t first = kCsa + static_cast<std::uint64_t>(c.offset);
    const std::vector<std::uint64_t> data_then_header{first, first + 1, 0};
    EXPECT_EQ(device->writtenSectors(),
              c.oldLength == 0 ? data_then_header : std::vector<std::uint64_t>{0} + data_then_header);
    const SlotHeader h1 = testing::ReadHeader(image, 1);
    EXPECT_EQ(h1.csafile(), "Intro");
    EXPECT_EQ(h1.csaflag(), 1);
    EXPECT_EQ(h1.csalen(), c.newLength);
  }
}

TEST_F(CsaInsertTest, EmptyFileWritesOnlyHeaderOne) {
  prepare("", 500);
  load();
  ASSERT_TRUE(insert(pcFile("blank.gci", {}), 0));
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{0});
  const SlotHeader h1 = testing::ReadHeader(image, 1);
  EXPECT_EQ(h1.csafile(), "blank");
  EXPECT_EQ(h1.csalen(), 500u);
}

TEST_F(CsaInsertTest, FileMustEndWithinTheDisk) {
  testing::MakeImage(image, (kCsa + 2) * 512);
  testing::FormatImage(image);
  load();
  const std::string path = pcFile("two.gci", Pattern(1024));

  EXPECT_FALSE(insert(path, 1));
  EXPECT_EQ(ui.messages, std::vector<std::string>{
                             "Disk is too small for GCI File at this offset\nSectors available=2\n"
                             "Sectors offset=1\nSectors required=2\nSectors shortfall=1"});
  EXPECT_TRUE(device->writes.empty());
  EXPECT_EQ(ui.progressShown, 0);

  ASSERT_TRUE(insert(path, 0));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{kCsa, kCsa + 1, 0}));
}

// A disk whose length cannot be told.
class LengthlessDevice : public testing::RecordingDevice {
 public:
  using RecordingDevice::RecordingDevice;
  std::uint64_t length() override { return 0; }
};

TEST_F(CsaInsertTest, DiskOfUnknownLengthRefusesEveryInsertion) {
  auto made = std::make_shared<LengthlessDevice>(image);
  device = made.get();
  disk = table.AttachDevice(made);
  ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));

  EXPECT_FALSE(insert(pcFile("title.gci", Pattern(1000)), 0));
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"Disk is too small for GCI File at this offset\n"
                                     "Sectors available=-2097152\nSectors offset=0\n"
                                     "Sectors required=2\nSectors shortfall=2097154"});
  EXPECT_TRUE(device->writes.empty());
}

TEST_F(CsaInsertTest, NothingIsWrittenBeyondTheAddressableSectors) {
  testing::MakeImage(image, 5ull << 30);  // sparse
  testing::FormatImage(image);
  load();
  constexpr std::int32_t kLastOffset = 8'388'607 - 2'097'152;

  const std::string twoSectors = pcFile("two.gci", Pattern(513));
  for (const std::int32_t offset : {kLastOffset, kLastOffset + 1}) {
    SCOPED_TRACE(offset);
    ui.messages.clear();
    EXPECT_FALSE(insert(offset == kLastOffset ? twoSectors : pcFile("one.gci", Pattern(1)),
                        offset));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("GCI File would reach beyond the first 4 GiB", 0), 0u)
        << ui.messages[0];
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(dir.header(1), testing::ReadHeader(image, 1));
  }

  ASSERT_TRUE(insert(pcFile("last.gci", Pattern(512)), kLastOffset));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{8'388'607, 0}));
  EXPECT_EQ(testing::ReadHeader(image, 1).csalen(), 6'291'455u * 512 + 512);
}

// Header 1 never names a file whose bytes were partly overwritten: a card that refuses a write
// is left with the area undescribed, after one message; a file that fails half-way leaves the
// area its extent, marked as used at an offset, without the name.
TEST_F(CsaInsertTest, AFailureHalfWayNamesNoFileOverTornBytes) {
  prepare("Intro", 77);
  load();
  SlotHeader undescribed = dir.header(1);
  undescribed.setCsafile("");
  undescribed.setCsalen(0);
  device->failWriteNumber = 3;  // header 1 letting go, the first run, then the second run
  EXPECT_FALSE(insert(pcFile("big.gci", Pattern(300 * 512)), 0));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Input/output error", "Error writing CSA"}));
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{0} + SectorRun(kCsa, 256));
  EXPECT_EQ(testing::ReadHeader(image, 1), undescribed);
  EXPECT_EQ(dir.header(1), undescribed);
  EXPECT_FALSE(ui.progressVisible);

  // Cancel after the first run: the area keeps its extent, without the name.
  prepare("Intro", 77);
  load();
  device->failWriteNumber = 0;
  device->writes.clear();
  ui.messages.clear();
  ui.cancelAtPosition = 256;
  EXPECT_FALSE(insert(pcFile("big.gci", Pattern(300 * 512)), 0));
  SlotHeader extent = undescribed;
  extent.setCsaflag(1);
  extent.setCsalen(77);
  EXPECT_EQ(device->writtenSectors(), std::vector<std::uint64_t>{0} + SectorRun(kCsa, 256) + std::vector<std::uint64_t>{0});
  EXPECT_EQ(testing::ReadHeader(image, 1), extent);
}

TEST_F(CsaInsertTest, FailedHeaderWriteLeavesTheCopyAheadOfTheCard) {
  load();
  const SlotHeader before = dir.header(1);
  device->failWriteNumber = 2;
  EXPECT_FALSE(insert(pcFile("title.gci", Pattern(1000)), 0));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Directory"}));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{kCsa, kCsa + 1}));
  EXPECT_EQ(testing::ReadHeader(image, 1), before);
  EXPECT_EQ(dir.header(1).csafile(), "title");
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(CsaInsertTest, FileThatCannotBeOpenedWritesNothing) {
  load();
  EXPECT_FALSE(insert(temp.file("gone.gci"), 0));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("No such file or directory"), std::string::npos);
  EXPECT_TRUE(device->writes.empty());
}

}  // namespace
}  // namespace vexo
