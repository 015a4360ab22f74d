// Cards and archives a reader can look at, under tests/golden: what a scripted set of vexo
// commands leaves in the headers, what diag and repair make of a card with a broken chain, and
// what an archive made by 7-Zip restores to. The files change only on purpose, with
// scripts/update-golden.sh (VEXO_UPDATE_GOLDEN=1), never silently.

#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/cli/RunVexoForTest.h"
#include "tests/transfer/ArchiveFixture.h"

namespace vexo {
namespace {

using testing::Vexo;

const std::string kGolden = VEXO_GOLDEN_DIR;

bool Updating() {
  const char* update = std::getenv("VEXO_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

std::string Golden(const std::string& name) {
  std::ifstream in(kGolden + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Compares with the golden file, or writes it when updating.
void ExpectGolden(const std::string& name, const std::string& actual) {
  if (Updating()) {
    std::ofstream(kGolden + "/" + name, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(actual, Golden(name)) << "tests/golden/" << name
                                  << " differs; scripts/update-golden.sh makes it anew on purpose";
}

class GoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Dates of PC files in a fixed zone; the C locale's "/" and ":".
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    card = testing::MakeImage(temp.file("card.img"));
    ASSERT_EQ(Vexo({"--quiet", "format", card}).status, 0);
  }
  // A PC file with known bytes, last written on 2024-05-06 07:08:09 UTC.
  std::string pcFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = temp.file(name);
    testing::PutFile(path, bytes);
    const timeval times[2] = {{1'714'979'289, 0}, {1'714'979'289, 0}};
    ::utimes(path.c_str(), times);
    return path;
  }
  void run(const std::vector<std::string>& words) {
    const testing::VexoResult result = Vexo(words);
    ASSERT_EQ(result.status, 0) << words[0] << " " << words[1] << ": " << result.err;
  }

  testing::TempDir temp;
  std::string card;
};

TEST_F(GoldenTest, HeadersAfterAScriptOfCommands) {
  run({"--quiet", "import", card, pcFile("Pong.vxe", testing::Pattern(1000, 1)), "-c", "Games"});
  run({"--quiet", "import", card, pcFile("Clock.vxe", testing::Pattern(300, 2))});
  run({"--quiet", "import", card, pcFile("Breakout.vxe", testing::Pattern(28'160, 3)), "-c", "Games"});
  run({"--quiet", "attach", card, "Pong", pcFile("hiscores.pdata", testing::Pattern(700, 4)), "-c", "Games"});
  const std::string dat = "\"Ball\" 0000 0000 16 16\n\"Paddle\" 0002 0000 64 8\n";
  pcFile("sprites.dat", std::vector<std::uint8_t>(dat.begin(), dat.end()));
  run({"--quiet", "attach", card, "Pong", pcFile("sprites.gci", testing::Pattern(70'000, 5)), "-c", "Games"});
  run({"--quiet", "rename", card, "Pong", "-c", "Games", "--desc1", "The classic", "--desc2", "Two players"});
  run({"--quiet", "csa", card, pcFile("world.gci", testing::Pattern(5000, 6)), "0"});
  run({"--quiet", "--yes", "rm", card, "Clock"});
  ExpectGolden("scripted-card.hex", testing::HeaderDump(card));
}

// Programs whose bytes sum to what the headers record, so that only the chain is wrong.
void WriteMatchingPrograms(const std::string& card) {
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader h = testing::ReadHeader(card, slot);
    if (!IsUsed(h) || h.proglen() == 0) continue;
    std::vector<std::uint8_t> program(h.proglen(), 0);
    for (unsigned rest = h.progsum(), i = 0; rest > 0 && i < program.size(); ++i) {
      program[i] = static_cast<std::uint8_t>(std::min(rest, 255u));
      rest -= program[i];
    }
    testing::WriteBytes(card, (SlotFirstSector(slot) + kProgramSector) * kSectorSize, program.data(),
                        program.size());
  }
}

TEST_F(GoldenTest, DiagnosticsAndRepairOfABrokenChain) {
  testing::WriteHeaderDump(card, Golden("broken-chain.hex"));
  WriteMatchingPrograms(card);
  const testing::VexoResult diag = Vexo({"diag", card});
  EXPECT_EQ(diag.status, 1);
  ExpectGolden("broken-chain.diag.txt", diag.out);
  const testing::VexoResult repair = Vexo({"--yes", "repair", card});
  EXPECT_EQ(repair.status, 0);
  ExpectGolden("broken-chain.repair.txt", repair.err);
  ExpectGolden("broken-chain.repaired.hex", testing::HeaderDump(card));
  EXPECT_EQ(Vexo({"diag", card}).status, 0);
}

// The archive is one 7-Zip made (LZMA2, its defaults) from a payload of two entries and a Common
// Storage Area.
TEST_F(GoldenTest, AnArchiveMadeBySevenZipRestores) {
  const std::string archive = kGolden + "/sample.VexoImage";
  if (Updating()) {
    SKIP_WITHOUT_7ZZ();
    testing::StoredEntry pong = testing::Stored("Games", "Pong", 600, 100, 3000, 2, 7);
    testing::StoredEntry notes = testing::Stored("", "Notes", 50, 0, 0, 0, 8);
    pong.header.setCsalen(4000);
    std::filesystem::remove(archive);
    testing::PackWith7zz(archive, {{"Vexo", testing::PayloadOf({pong, notes}, 1, testing::Pattern(4000, 9))}});
  }
  const testing::VexoResult list = Vexo({"restore", "--list", archive});
  EXPECT_EQ(list.status, 0);
  ExpectGolden("sample.list.txt", list.out);
  run({"--quiet", "restore", card, archive});
  ExpectGolden("sample.restored.hex", testing::HeaderDump(card));
}

}  // namespace
}  // namespace vexo
