// The card commands of vexo end to end on real card images.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/cli/RunVexoForTest.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

using testing::Vexo;
using Result = testing::VexoResult;

class CardCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card = testing::MakeImage(temp.file("card.img"));
    ASSERT_EQ(Vexo({"format", card}).status, 0);
  }
  std::string file(const std::string& name, const std::string& content) {
    const std::string path = temp.file(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  testing::TempDir temp;
  std::string card;
};

TEST_F(CardCommandsTest, FormatAsksBeforeReformattingAndSaysWhenDone) {
  const Result again = Vexo({"format", card});  // no terminal: the default, Cancel
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("do you realy want to reformat?\nVexo 1 (E:) \u2014 card.img\n"
                           "It holds no entries. [Yes/Cancel, default Cancel] Cancel"),
            std::string::npos);
  const Result yes = Vexo({"--yes", "format", card});
  EXPECT_EQ(yes.status, 0);
  EXPECT_NE(yes.err.find("Format complete"), std::string::npos);
}

TEST_F(CardCommandsTest, ImportAttachListInfoRenameAndDelete) {
  ASSERT_EQ(Vexo({"import", card, file("Pong.vxe", "abc"), "-c", "Games"}).status, 0);
  ASSERT_EQ(Vexo({"import", card, file("Alpha.vxe", "xyz"), "-c", "Games"}).status, 0);
  ASSERT_EQ(Vexo({"attach", card, "Pong", file("hiscore.PDATA", "12345"), "-c", "Games"}).status, 0);
  file("art.dat", "\"Logo\" 1200 0001 10 20\n");
  ASSERT_EQ(Vexo({"attach", card, "Pong", file("art.gci", std::string(1000, 'g')), "-c", "Games"}).status, 0);

  Result ls = Vexo({"ls", card, "Games"});
  EXPECT_EQ(ls.out.substr(0, 6), "Alpha\t");
  EXPECT_NE(ls.out.find("\nPong\t"), std::string::npos);

  const Result info = Vexo({"info", card, "Pong", "-c", "Games"});
  EXPECT_NE(info.out.find("GCI File:\tart\n"), std::string::npos);
  EXPECT_NE(info.out.find("SM File:\thiscore\n"), std::string::npos);
  const SlotHeader h = testing::ReadHeader(card, 1);
  EXPECT_EQ(h.smlen(), 5);
  EXPECT_EQ(h.gcilen(), 1000u);

  ASSERT_EQ(Vexo({"rename", card, "Pong", "-c", "Games", "--name", "Zap", "--desc1", "fast"}).status, 0);
  EXPECT_EQ(testing::ReadHeader(card, 1).filename(), "Zap");
  EXPECT_EQ(testing::ReadHeader(card, 1).desc1(), "fast");
  EXPECT_EQ(testing::ReadHeader(card, 1).gcifile(), "art");  // what is not given keeps its value

  EXPECT_EQ(Vexo({"rm", card, "Zap", "-c", "Games"}).status, 1);  // default answer: No
  EXPECT_EQ(Vexo({"--yes", "rm", card, "Zap", "-c", "Games"}).status, 0);
  EXPECT_EQ(Vexo({"ls", card, "Games"}).out.find("Zap"), std::string::npos);
  const Result missing = Vexo({"rm", card, "Zap", "-c", "Games"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "No entry 'Zap' in category 'Games'\n");
}

TEST_F(CardCommandsTest, DiagAndRepair) {
  ASSERT_EQ(Vexo({"import", card, file("a.vxe", "1")}).status, 0);
  ASSERT_EQ(Vexo({"import", card, file("b.vxe", "2")}).status, 0);
  Result diag = Vexo({"diag", card});
  EXPECT_EQ(diag.status, 0);
  std::istringstream rows(diag.out);
  std::string row;
  int count = 0;
  std::string last;
  while (std::getline(rows, row)) {
    ++count;
    last = row;
  }
  EXPECT_EQ(count, 513);  // 512 rows and the summary
  EXPECT_EQ(last, "All ok");
  EXPECT_EQ(diag.out.substr(0, 2), "1\t");

  SlotHeader h2 = testing::ReadHeader(card, 2);
  h2.setPrevious(0);
  testing::WriteHeader(card, 2, h2);
  diag = Vexo({"diag", card});
  EXPECT_EQ(diag.status, 1);
  EXPECT_NE(diag.out.find("\n1 Errors\n"), std::string::npos);
  EXPECT_EQ(Vexo({"--yes", "repair", card}).status, 0);
  EXPECT_EQ(Vexo({"diag", card}).status, 0);

  // A program whose bytes no longer sum to its checksum (torn, or rotted) passes every chain
  // check: diag reads it back and says so after the summary, and in --json.
  testing::WriteBytes(card, (SlotFirstSector(2) + kProgramSector) * kSectorSize, "X", 1);
  diag = Vexo({"diag", card});
  EXPECT_EQ(diag.status, 1);
  EXPECT_NE(diag.out.find("\nAll ok\nSlot 2 (b): the program does not match its checksum\n"),
            std::string::npos)
      << diag.out.substr(diag.out.size() - 200);
  const Result json = Vexo({"--json", "diag", card});
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find(R"("finding": "Slot 2 (b): the program does not match its checksum")"),
            std::string::npos);
  EXPECT_NE(json.out.find(R"("all_ok": false)"), std::string::npos);
}

TEST_F(CardCommandsTest, CsaTakesTheOffsetAsTyped) {
  const std::string gci = file("big.gci", std::string(1000, 'c'));
  ASSERT_EQ(Vexo({"csa", card, gci, " 0x64 "}).status, 0);
  EXPECT_EQ(testing::ReadBytes(card, (2'097'152ull + 100) * 512, 1)[0], 'c');
  EXPECT_EQ(testing::ReadHeader(card, 1).csaflag(), 1);
  EXPECT_EQ(testing::ReadHeader(card, 1).csalen(), 100u * 512 + 1000);
  EXPECT_EQ(Vexo({"csa", card, gci, "-1"}).status, 2);
  EXPECT_EQ(Vexo({"csa", card, gci, "abc"}).status, 2);
}

// What would fail half-way through its writes is refused before the first: an image that ends
// inside the last slot, and a Common Storage Area file whose length cannot be known.
TEST_F(CardCommandsTest, ShortImagesAndPipesAreRefusedBeforeAnyWrite) {
  const std::string shortCard = testing::MakeImage(temp.file("short.img"), (511ull * 4096 + 10) * 512);
  testing::CardBuilder full;
  for (int slot = 1; slot <= 511; ++slot) full.add(slot, "", "e" + std::to_string(slot));
  full.writeTo(shortCard);
  const std::string fifo = temp.file("world.gci");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::uint64_t shortBefore = testing::CardDigest(shortCard), before = testing::CardDigest(card);

  const Result import = Vexo({"import", shortCard, file("Pong.vxe", "abc")});
  EXPECT_EQ(import.status, 1);
  EXPECT_NE(import.err.find("E: is too short for a Vexo volume"), std::string::npos) << import.err;
  EXPECT_EQ(testing::CardDigest(shortCard), shortBefore);

  const Result csa = Vexo({"csa", card, fifo, "0"});
  EXPECT_EQ(csa.status, 1);
  EXPECT_NE(csa.err.find("world.gci: it is not a regular file"), std::string::npos) << csa.err;
  EXPECT_EQ(testing::CardDigest(card), before);
}

// What cannot be known is not said: a card held by another program says so once for one
// command, and a card that could not be read is not said to hold no volume.
TEST_F(CardCommandsTest, AHeldOrUnreadableCardSaysWhatHappenedOnce) {
  const int holder = ::open(card.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const std::uint64_t before = testing::CardDigest(card);
  const Result held = Vexo({"import", card, file("Pong.vxe", "abc"), "-c", "Games"});
  EXPECT_EQ(held.status, 1);
  EXPECT_EQ(held.err,
            "Pysical drive lock failed, do you have this drive open in a disk editor?\n"
            "Error writing Vexo Program\n");  // the program is the first write
  EXPECT_EQ(testing::CardDigest(card), before);
  ::close(holder);

  const std::string cut = testing::MakeImage(temp.file("cut.img"));
  testing::CardBuilder().add(1, "", "One").add(2, "", "Two").writeTo(cut);
  ASSERT_EQ(::truncate(cut.c_str(), 4096 * 512 * 3), 0);  // ends after slot 3
  const Result listed = Vexo({"ls", cut});
  EXPECT_EQ(listed.status, 1);
  EXPECT_EQ(listed.err, "Failed to Read E: Sector 12288 Message The disk ends before this sector.\n");
}

TEST_F(CardCommandsTest, VerifyReadsBackWhatACommandWrote) {
  const Result verified = Vexo({"--verify", "import", card, file("Pong.vxe", std::string(3000, 'p'))});
  EXPECT_EQ(verified.status, 0) << verified.err;
  EXPECT_EQ(verified.err, "");
  EXPECT_EQ(Vexo({"ls", card}).out.find("Pong\t"), 0u);
}

TEST_F(CardCommandsTest, CopyOnTheSameCardAndToAnother) {
  ASSERT_EQ(Vexo({"import", card, file("Pong.vxe", "abc")}).status, 0);
  ASSERT_EQ(Vexo({"copy", card, "Pong", card}).status, 0);
  ASSERT_EQ(Vexo({"copy", card, "Pong", card, "--to-category", "Games"}).status, 0);
  EXPECT_EQ(Vexo({"ls", card}).out.find("Copy of Pong\t"), 0u);
  EXPECT_EQ(Vexo({"ls", card, "Games"}).out.find("Pong\t"), 0u);

  const std::string other = testing::MakeImage(temp.file("other.img"));
  ASSERT_EQ(Vexo({"format", other}).status, 0);
  ASSERT_EQ(Vexo({"copy", card, "Pong", other}).status, 0);
  const Result replace = Vexo({"copy", card, "Pong", other});
  EXPECT_EQ(replace.status, 1);
  EXPECT_NE(replace.err.find("Replace 'F:\\Pong'?"), std::string::npos);
  EXPECT_EQ(Vexo({"--yes", "copy", card, "Pong", other}).status, 0);
  EXPECT_EQ(Vexo({"copy", card, "Nope", other}).status, 1);
}

}  // namespace
}  // namespace vexo
