#include <gtest/gtest.h>

#include "tests/transfer/TransferFixture.h"
#include "transfer/Attach.h"
#include "transfer/DatList.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Pattern;
using testing::SectorRun;
using testing::operator+;

constexpr std::uint64_t S(int slot) { return SlotFirstSector(slot); }
constexpr std::uint64_t kSlot = S(3);  // the slot of Games\Pong

// One index record as it stands on the card.
std::vector<std::uint8_t> Record(const std::string& name, std::uint16_t high, std::uint16_t low,
                                 std::uint16_t v1, std::uint16_t v2) {
  std::vector<std::uint8_t> r(32, 0);
  std::fill_n(r.begin(), 20, ' ');
  std::copy(name.begin(), name.end(), r.begin());
  const std::uint16_t words[] = {high, low, v1, v2};
  for (std::size_t i = 0; i < 4; ++i) {
    r[20 + 2 * i] = static_cast<std::uint8_t>(words[i]);
    r[21 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  return r;
}

std::vector<std::uint8_t> EmptyRecords(std::size_t count) {
  std::vector<std::uint8_t> all;
  const std::vector<std::uint8_t> empty = Record("", 0, 0, 0, 0);
  for (std::size_t i = 0; i < count; ++i) all.insert(all.end(), empty.begin(), empty.end());
  return all;
}

class AttachTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    CardBuilder().add(2, "Games", "Alpha").add(3, "Games", "Pong").add(4, "", "Pong")
        .writeTo(image);
    SlotHeader h = testing::ReadHeader(image, 3);
    h.setDesc1("Bat and ball");
    h.setProglen(1234);
    h.setProgsum(4321);
    h.setSmfile("oldsave");  // what an attachment of the other kind must leave alone
    h.setSmlen(77);
    h.setGcifile("oldpics");
    h.setGcilen(88);
    testing::WriteHeader(image, 3, h);
    load();
  }
  bool attachFile(const std::string& path, Attachment kind,
                  const std::optional<std::string>& caption = "Pong",
                  const std::string& category = "Games") {
    return AttachFile(dir, buffers, target(category), caption, path, kind, separators);
  }
  // The header after an attachment: the one before with the fields of that kind set.
  SlotHeader withSm(SlotHeader h, const std::string& name, std::size_t bytes) const {
    h.setSmfile(name);
    h.setSmdate(testing::kFileDate);
    h.setSmtime(testing::kFileClock);
    h.setSmlen(static_cast<std::uint16_t>(bytes));
    return h;
  }
  SlotHeader withGci(SlotHeader h, const std::string& name, std::size_t bytes) const {
    h.setGcifile(name);
    h.setGcidate(testing::kFileDate);
    h.setGcitime(testing::kFileClock);
    h.setGcilen(static_cast<std::uint32_t>(bytes));
    return h;
  }
  // The header while an attachment of that kind is replaced: detached, the rest as it was.
  static SlotHeader detached(SlotHeader h, Attachment kind) {
    if (kind == Attachment::SmFile) {
      h.setSmfile("");
      h.setSmdate("");
      h.setSmtime("");
      h.setSmlen(0);
    } else {
      h.setGcifile("");
      h.setGcidate("");
      h.setGcitime("");
      h.setGcilen(0);
    }
    return h;
  }
};

// ---- SM files ------------------------------------------------------------------------------

TEST_F(AttachTest, SmFileFillsTheSmRegionThenTheHeaderSaysSo) {
  struct Case {
    std::size_t bytes;
    std::uint64_t sectors;
  };
  for (const Case c : {Case{32'768, 64}, Case{513, 2}, Case{1, 1}, Case{0, 0}}) {
    SCOPED_TRACE(c.bytes);
    device->writes.clear();
    ui.progressLabels.clear();
    const SlotHeader before = dir.header(3);
    const std::vector<std::uint8_t> data = Pattern(c.bytes, 9);

    ASSERT_TRUE(attachFile(pcFile("save.pdata", data), Attachment::SmFile));
    // The SM data it had are detached first, and flushed; the new ones described after.
    EXPECT_EQ(device->writtenSectors(), std::vector{kSlot} + SectorRun(kSlot + 72, c.sectors) + std::vector{kSlot});
    EXPECT_EQ(sectors(kSlot + 72, c.sectors), Padded(data));
    const SlotHeader expected = withSm(before, "save", c.bytes);
    EXPECT_EQ(testing::ReadHeader(image, 3), expected);
    EXPECT_EQ(dir.header(3), expected);
    EXPECT_EQ(ui.progressLabels, std::vector<std::string>{"Inserting save.pdata into Pong"});
    EXPECT_EQ(ui.progressMaximum, c.sectors);
    EXPECT_FALSE(ui.progressVisible);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(AttachTest, SmFileLargerThanItsRegionIsRefused) {
  EXPECT_FALSE(attachFile(pcFile("X.pdata", Pattern(32'769)), Attachment::SmFile));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Error X.pdata is too large to be a SM File"});
  EXPECT_TRUE(device->writes.empty());
  EXPECT_EQ(dir.header(3).smfile(), "oldsave");
}

TEST_F(AttachTest, SmFileLeavesTheGraphicsOfTheEntryAlone) {
  ASSERT_TRUE(attachFile(pcFile("pics.gci", Pattern(2000)), Attachment::Graphics));
  const SlotHeader before = dir.header(3);
  device->writes.clear();

  ASSERT_TRUE(attachFile(pcFile("save.pdata", Pattern(600)), Attachment::SmFile));
  EXPECT_EQ(device->writtenSectors(), std::vector{kSlot} + SectorRun(kSlot + 72, 2) + std::vector{kSlot});
  const SlotHeader after = testing::ReadHeader(image, 3);
  EXPECT_EQ(after, withSm(before, "save", 600));
  EXPECT_EQ(after.gcifile(), "pics");
  EXPECT_EQ(after.gcilen(), 2000u);
}

// ---- Graphics ------------------------------------------------------------------------------

TEST_F(AttachTest, LargestGraphicsFillsTheSlotThenIndexThenHeader) {
  const SlotHeader before = dir.header(3);
  const std::vector<std::uint8_t> data = Pattern(2'027'519, 5);
  ASSERT_TRUE(attachFile(pcFile("pics.gci", data), Attachment::Graphics));

  EXPECT_EQ(device->writtenSectors(),
            std::vector{kSlot} + SectorRun(kSlot + 136, 3960) + SectorRun(kSlot + 56, 16) + std::vector{kSlot});
  EXPECT_EQ(sectors(kSlot + 136, 3960), Padded(data));
  EXPECT_EQ(device->writes.size(), 1u + 16u + 1u + 1u);  // detached, runs of up to 256 sectors, index, header
  EXPECT_EQ(sectors(kSlot + 56, 16), EmptyRecords(256));  // no pics.dat beside it
  EXPECT_EQ(testing::ReadHeader(image, 3), withGci(before, "pics", 2'027'519));
  EXPECT_EQ(dir.header(3), withGci(before, "pics", 2'027'519));
  EXPECT_EQ(ui.progressMaximum, 3960u + 64u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AttachTest, GraphicsThatFillTheBufferAreRefused) {
  for (std::size_t bytes : {std::size_t{2'027'520}, std::size_t{3'000'000}}) {
    SCOPED_TRACE(bytes);
    ui.messages.clear();
    EXPECT_FALSE(attachFile(pcFile("X.gci", Pattern(bytes)), Attachment::Graphics));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Error X.gci is too large to be a Vexo Graphics"});
    EXPECT_TRUE(device->writes.empty());
  }
}

TEST_F(AttachTest, GraphicsIndexComesFromTheDatListBesideTheFile) {
  textFile("pics.dat", "\"Logo\" 1200 0001 10 20\n\"Ball\" 0400 0000 0 65535\n");
  const SlotHeader before = dir.header(4);  // the Pong of the blank category
  ASSERT_TRUE(attachFile(pcFile("pics.gci", Pattern(1000)), Attachment::Graphics, "Pong", ""));

  constexpr std::uint64_t slot = S(4);
  EXPECT_EQ(device->writtenSectors(),
            (std::vector<std::uint64_t>{slot + 136, slot + 137}) + SectorRun(slot + 56, 16) +
                std::vector{slot});
  // Logo: byte offset 0x1200 + 0x0001 × 65,536 = 70,144, so sector 137.
  EXPECT_EQ(sectors(slot + 56, 16),
            Record("Logo", 0, 137, 10, 20) + Record("Ball", 0, 2, 0, 65535) + EmptyRecords(254));
  EXPECT_EQ(testing::ReadHeader(image, 4), withGci(before, "pics", 1000));
  EXPECT_EQ(ui.progressLabels, std::vector<std::string>{"Inserting pics.gci into Pong"});
}

TEST_F(AttachTest, MissingDatListGivesEmptyRecordsOverWhateverWasThere) {
  const std::vector<std::uint8_t> stale(16 * 512, 0xEE);
  testing::WriteBytes(image, (kSlot + 56) * 512, stale.data(), stale.size());
  ASSERT_TRUE(attachFile(pcFile("art.gci", Pattern(10)), Attachment::Graphics));
  EXPECT_EQ(sectors(kSlot + 56, 16), EmptyRecords(256));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AttachTest, MalformedDatListWritesNothingAtAll) {
  const char* const lines[] = {
      "Logo 1200 0001 10 20",           // no closing double quote after the first character
      "\"Logo 1200 0001 10 20",         // opened but never closed
      "",                               // an empty line
      "\"",                             // the first character only
      "\"Logo\"",                       // no byte offset
      "\"Logo\" 1200",                  // no high word
      "\"Logo\" 120 0001 10 20",        // a word shorter than four digits
      "\"Logo\" 1200 001 10 20",
      "\"Logo\" 12a0 0001 10 20",       // lower-case digits are not digits here
      "\"Logo\" 1200 0G01 10 20",
      "\"Logo\" 1200 0001 65536 20",    // values lie in 0 to 65535
      "\"Logo\" 1200 0001 10 -1",
      "\"Logo\" 1200 0001 99999999999 20",
  };
  const std::string gci = pcFile("pics.gci", Pattern(1000));
  const SlotHeader before = dir.header(3);
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    ui.messages.clear();
    textFile("pics.dat", std::string("\"Fine\" 0000 0000 1 2\n") + line + "\n\"After\" 0000 0000 1 2\n");
    EXPECT_FALSE(attachFile(gci, Attachment::Graphics));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("pics.dat"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("line 2"), std::string::npos) << ui.messages[0];
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(dir.header(3), before);
    EXPECT_EQ(ui.progressShown, 0);
  }
}

// ---- Where the file goes, and failures -----------------------------------------------------

TEST_F(AttachTest, NoItemUnderTheDropPointDoesNothing) {
  EXPECT_FALSE(attachFile(pcFile("save.pdata", Pattern(10)), Attachment::SmFile, std::nullopt));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(device->writes.empty());
}

TEST_F(AttachTest, EntryIsLookedUpInTheTargetCategoryWhateverTheCase) {
  const std::string path = pcFile("save.pdata", Pattern(10));
  EXPECT_FALSE(attachFile(path, Attachment::SmFile, "Pong", "Tools"));
  EXPECT_FALSE(attachFile(path, Attachment::Graphics, "Nope"));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Cannot find program in directory",
                                                   "Cannot find program in directory"}));
  EXPECT_TRUE(device->writes.empty());

  ASSERT_TRUE(attachFile(path, Attachment::SmFile, "PONG", "games"));
  EXPECT_EQ(device->writtenSectors(), (std::vector<std::uint64_t>{kSlot, kSlot + 72, kSlot}));
}

TEST_F(AttachTest, FileThatCannotBeOpenedShowsTheSystemText) {
  EXPECT_FALSE(attachFile(temp.file("gone.pdata"), Attachment::SmFile));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"No such file or directory"});
  EXPECT_TRUE(device->writes.empty());
}

struct FailedWrite {
  const char* what;
  int failingWrite;
  std::vector<std::uint64_t> written;
};

class AttachFailureTest : public AttachTest, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(AttachFailureTest, FailedGraphicsOrIndexWriteLeavesTheHeader) {
  const FailedWrite& c = GetParam();
  const SlotHeader before = dir.header(3);
  device->failWriteNumber = c.failingWrite;
  EXPECT_FALSE(attachFile(pcFile("f.gci", Pattern(300 * 512)), Attachment::Graphics));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Graphics"}));
  EXPECT_EQ(device->writtenSectors(), std::vector{kSlot} + c.written);
  // The entry stays whole, without the graphics it had: they were detached before the first
  // byte of the new ones was written.
  EXPECT_EQ(dir.header(3), detached(before, Attachment::Graphics));
  EXPECT_EQ(testing::ReadHeader(image, 3), detached(before, Attachment::Graphics));
  EXPECT_FALSE(ui.progressVisible);
}

// The old graphics are detached (write 1); 300 sectors of graphics go in two runs (256 and
// 44), then the index in one.
INSTANTIATE_TEST_SUITE_P(
    Writes, AttachFailureTest,
    ::testing::Values(FailedWrite{"FirstRun", 2, {}},
                      FailedWrite{"SecondRun", 3, SectorRun(kSlot + 136, 256)},
                      FailedWrite{"Index", 4, SectorRun(kSlot + 136, 300)}),
    [](const ::testing::TestParamInfo<FailedWrite>& param) { return param.param.what; });

TEST_F(AttachTest, FailedSmWriteIsAGraphicsError) {
  device->failWriteNumber = 2;  // the SM data, after their old ones were detached
  const SlotHeader before = dir.header(3);
  EXPECT_FALSE(attachFile(pcFile("save.pdata", Pattern(1000)), Attachment::SmFile));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Graphics"}));
  EXPECT_EQ(device->writtenSectors(), std::vector{kSlot});
  EXPECT_EQ(dir.header(3), detached(before, Attachment::SmFile));
  EXPECT_FALSE(ui.progressVisible);
}

TEST_F(AttachTest, FailedHeaderWriteLeavesTheCopyAheadOfTheCard) {
  device->failWriteNumber = 3;  // write 1 detaches the old SM data, write 2 is the new one
  const SlotHeader before = dir.header(3);
  EXPECT_FALSE(attachFile(pcFile("save.pdata", Pattern(100)), Attachment::SmFile));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Input/output error", "Error writing Vexo Directory"}));
  EXPECT_EQ(testing::ReadHeader(image, 3), detached(before, Attachment::SmFile));
  EXPECT_EQ(dir.header(3), withSm(before, "save", 100));
}

// ---- The ".dat" list -----------------------------------------------------------------------

std::vector<std::uint8_t> RawIndex(const GraphicsIndex& index, std::size_t records) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < records; ++i)
    bytes.insert(bytes.end(), index[i].bytes.begin(), index[i].bytes.end());
  return bytes;
}

GraphicsIndex Parsed(const std::string& text) {
  std::string error;
  const std::optional<GraphicsIndex> index = ParseDatList(text, error);
  EXPECT_TRUE(index.has_value()) << error;
  EXPECT_EQ(error, "");
  return index.value_or(EmptyGraphicsIndex());
}

TEST(DatListTest, NoTextGivesEmptyRecords) {
  EXPECT_EQ(RawIndex(Parsed(""), 256), EmptyRecords(256));
}

TEST(DatListTest, NameKeepsItsFirstTwentyBytesAndTheWordsAfterItsQuote) {
  const GraphicsIndex index =
      Parsed("\"ABCDEFGHIJKLMNOPQRSTUVWXY\" 0002 0000 7 8\r\n"  // 25 characters, CRLF
             "\"Caf\xE9\" 0400 0000 1 2\n"                      // bytes of the 8-bit code page
             "\"\" 0000 0000 0 0\n"                             // an empty name
             "'Odd\"_FFFF FFFF   3    4 \t\n");                 // any opening and skipped char
  EXPECT_EQ(RawIndex(index, 4), Record("ABCDEFGHIJKLMNOPQRST", 0, 0, 7, 8) +
                                    Record("Caf\xE9", 0, 2, 1, 2) + Record("", 0, 0, 0, 0) +
                                    Record("Odd", 0x7F, 0xFFFF, 3, 4));
}

TEST(DatListTest, ByteOffsetIsTwoHexWordsLowFirstTakenAsSectors) {
  struct Case {
    const char* words;
    std::uint16_t high, low;
  };
  const Case cases[] = {
      {"1200 0001", 0, 137},        // 70,144 bytes
      {"01FF 0000", 0, 0},          // rounded down
      {"FFFF FFFF", 0x7F, 0xFFFF},  // 4 GiB − 1 bytes
      {"0000 0002", 0, 256},
      {"1200XYZ 0001ABC", 0, 137},  // only the first four characters of a word count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    const GraphicsIndex index = Parsed(std::string("\"G\" ") + c.words + " 5 6");
    EXPECT_EQ(RawIndex(index, 1), Record("G", c.high, c.low, 5, 6));
  }
}

TEST(DatListTest, NumericValuesThatAreNoIntegersStandForZero) {
  struct Case {
    const char* values;
    std::uint16_t v1, v2;
  };
  const Case cases[] = {
      {"", 0, 0},          {"12", 12, 0},        {"abc 1x", 0, 0},   {"+7 -0", 7, 0},
      {"0 65535", 0, 65535}, {"000010 0065535", 10, 65535}, {"  9   10  ", 9, 10},
      {"1 2 3 4", 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    const GraphicsIndex index = Parsed(std::string("\"G\" 0000 0000 ") + c.values);
    EXPECT_EQ(RawIndex(index, 1), Record("G", 0, 0, c.v1, c.v2));
  }
}

TEST(DatListTest, OnlyTheFirst256LinesAreRead) {
  std::string text;
  for (int line = 1; line <= 256; ++line)
    text += "\"g" + std::to_string(line) + "\" 0000 0000 " + std::to_string(line) + " 0\n";
  text += "not a line of the list\n";
  for (int line = 258; line <= 300; ++line) text += "\"late\" 0000 0000 1 1\n";
  const GraphicsIndex index = Parsed(text);
  EXPECT_EQ(RawIndex(index, 1), Record("g1", 0, 0, 1, 0));
  EXPECT_EQ(index[255].name(), "g256");
  EXPECT_EQ(index[255].value1(), 256);
}

}  // namespace
}  // namespace vexo
