#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "tests/cli/RunVexoForTest.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

using testing::CardBuilder;

using testing::Vexo;
using Result = testing::VexoResult;

class VexoCliTest : public ::testing::Test {
 protected:
  testing::TempDir temp;
};

TEST_F(VexoCliTest, MkImageMakesASparseZeroFilledFile) {
  const std::string card = temp.file("card.img");
  ASSERT_EQ(Vexo({"mkimage", card}).status, 0);
  struct stat st {};
  ASSERT_EQ(::stat(card.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 1'140'850'688);
  EXPECT_LT(st.st_blocks * 512, 1 << 20);  // holes, not written zeros

  struct Case {
    std::string size;
    long long bytes;
  };
  for (const Case& c : {Case{"4096", 4096}, Case{"64K", 65536}, Case{"3M", 3 << 20},
                        Case{"2G", 2ll << 30}}) {
    const std::string file = temp.file("size-" + c.size);
    ASSERT_EQ(Vexo({"mkimage", file, c.size}).status, 0) << c.size;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, c.bytes) << c.size;
  }
}

TEST_F(VexoCliTest, MkImageRefusesBadSizesAndExistingFiles) {
  const std::string card = temp.file("card.img");
  for (const std::string size : {"12X", "1000", "0", "-5", "K", "1.5G"})
    EXPECT_EQ(Vexo({"mkimage", card, size}).status, 2) << size;

  testing::MakeImage(card, 4096);
  const std::uint8_t one = 1;
  testing::WriteBytes(card, 0, &one, 1);
  const Result refused = Vexo({"mkimage", card, "4096"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("already exists"), std::string::npos);
  EXPECT_EQ(testing::ReadBytes(card, 0, 1)[0], 1);

  EXPECT_EQ(Vexo({"mkimage", "--force", card, "8192"}).status, 0);
  EXPECT_EQ(testing::ReadBytes(card, 0, 1)[0], 0);
  EXPECT_EQ(Vexo({"mkimage", "--force", temp.path()}).status, 1);  // not a regular file
}

TEST_F(VexoCliTest, LsListsACategoryInChainOrderWithTabs) {
  const std::string card = testing::MakeImage(temp.file("card.img"));
  CardBuilder().add(5, "Games", "Zeta").add(2, "Games", "alpha").add(3, "", "root")
      .add(9, "Tools", "hammer").add(4, "", "Another").writeTo(card);
  SlotHeader h = testing::ReadHeader(card, 2);
  h.setDate("2026/12/10");
  h.setTime("09:30:00");
  h.setDesc1("first");
  h.setDesc3("third");
  testing::WriteHeader(card, 2, h);

  const Result games = Vexo({"ls", card, "Games"});
  EXPECT_EQ(games.status, 0);
  EXPECT_EQ(games.out, "alpha\t2026/12/10 09:30:00\tfirst\t\tthird\t\nZeta\t \t\t\t\t\n");
  EXPECT_EQ(games.err, "");

  EXPECT_EQ(Vexo({"ls", card}).out, "Another\t \t\t\t\t\nroot\t \t\t\t\t\n");
  EXPECT_EQ(Vexo({"ls", "--categories", card}).out, "Games\nTools\n");
}

TEST_F(VexoCliTest, LsReportsABrokenChainAndListsAllTheSame) {
  const std::string card = testing::MakeImage(temp.file("card.img"));
  CardBuilder().add(1, "", "a").add(2, "", "b").writeTo(card);
  SlotHeader h = testing::ReadHeader(card, 2);
  h.setPrevious(0);
  testing::WriteHeader(card, 2, h);
  const Result listed = Vexo({"ls", card});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.err, "1 Errors in Vexo File system\n");
  EXPECT_EQ(listed.out, "a\t \t\t\t\t\nb\t \t\t\t\t\n");
}

TEST_F(VexoCliTest, FailuresAndUsageErrorsHaveTheirOwnStatus) {
  const std::string blank = testing::MakeImage(temp.file("blank.img"), 1 << 20);
  const Result notVexo = Vexo({"ls", blank});
  EXPECT_EQ(notVexo.status, 1);
  EXPECT_EQ(notVexo.err, blank + " does not contain a Vexo File system\n");

  const Result missing = Vexo({"ls", temp.file("missing.img")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos);

  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"ls"}, {"ls", "a", "b", "c"}, {"ls", "--bogus", blank},
           {"--maybe", "ls", blank}, {"ls", "--categories", blank, "Games"}}) {
    const Result r = Vexo(words);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(words);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
  }
  EXPECT_EQ(Vexo({"--help"}).status, 0);
}

TEST_F(VexoCliTest, HelpAndVersionGoToStandardOutput) {
  const Result version = Vexo({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vexo (VexoExplorer) " VEXO_VERSION "\n");
  EXPECT_EQ(version.err, "");
  const Result help = Vexo({"--quiet", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: vexo ", 0), 0u);
  EXPECT_EQ(help.err, "");
}

}  // namespace
}  // namespace vexo
