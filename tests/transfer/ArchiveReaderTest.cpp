// Reading archives: those 7-Zip makes with any method it uses for one file, and the 7z layout
// of our own writer, whose header bytes come from outside and are checked at every step.

#include <gtest/gtest.h>

#include <ctime>

#include "tests/transfer/ArchiveBytes.h"
#include "tests/transfer/ArchiveFixture.h"
#include "transfer/SevenZipLayout.h"

namespace vexo {
namespace {

using testing::Pattern;

// ---- Archives made by 7-Zip ----------------------------------------------------------------

struct MethodCase {
  const char* what;
  const char* switches;
  bool otherItem;  // an item "Aaa" beside "Vexo", in the same solid block or not
  std::size_t after = 0;  // text bytes after the payload
  friend void PrintTo(const MethodCase& c, std::ostream* os) { *os << c.what; }
};

class SevenZipMethodTest : public ::testing::TestWithParam<MethodCase> {
 protected:
  testing::TempDir temp;
};

TEST_P(SevenZipMethodTest, PayloadReadsWhole) {
  SKIP_WITHOUT_7ZZ();
  const MethodCase& c = GetParam();
  testing::StoredEntry e = testing::Stored("Games", "Pong", 20'000, 30'000, 400'000, 7, 5);
  e.data.gci = testing::Noise(400'000, 9);
  std::vector<std::uint8_t> payload = testing::PayloadOf({e});
  const std::vector<std::uint8_t> after = testing::Text(c.after);
  payload.insert(payload.end(), after.begin(), after.end());
  std::vector<testing::ArchiveItem> items = {{"Vexo", payload}};
  if (c.otherItem) items.push_back({"Aaa", Pattern(50'000, 3)});
  const std::string archive = temp.file("peer.VexoImage");
  testing::PackWith7zz(archive, items, c.switches);
  EXPECT_EQ(testing::ReadPayload(archive), payload);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, SevenZipMethodTest,
    ::testing::Values(MethodCase{"Lzma2", "-m0=lzma2", false},
                      MethodCase{"Lzma", "-m0=lzma", false},
                      MethodCase{"Stored", "-m0=copy", false},
                      MethodCase{"SolidWithAnotherItem", "-ms=on", true},
                      MethodCase{"NotSolidWithAnotherItem", "-ms=off", true},
                      // A plain header of the shape ours has: read by our own reader.
                      MethodCase{"Lzma2WithPlainHeader", "-m0=lzma2 -mhc=off", false},
                      // One thread: no dictionary reset for longer than a piece may grow, so
                      // our reader decodes on in one go.
                      MethodCase{"Lzma2OneLongStream", "-m0=lzma2 -mhc=off -mmt=1 -mx=1", false,
                                 20 << 20},
                      MethodCase{"Lzma2FastOnTwoThreads", "-mx=1 -mmt=2", false},
                      MethodCase{"Lzma2Ultra", "-mx=9", false}),
    testing::CaseName());

// ---- Our own layout ------------------------------------------------------------------------

class SevenZipLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteArchive(path, payload);
    bytes = testing::FileBytes(path);
  }
  testing::TempDir temp;
  std::string path = temp.file("a.VexoImage");
  std::vector<std::uint8_t> payload = Pattern(5000, 2);
  std::vector<std::uint8_t> bytes;
};

TEST_F(SevenZipLayoutTest, DescribesTheOneItem) {
  const std::time_t now = std::time(nullptr);
  const std::optional<SevenZipItem> item = ReadSevenZipLayout(bytes.data(), bytes.size());
  ASSERT_TRUE(item);
  EXPECT_EQ(item->name, "Vexo");
  EXPECT_EQ(item->size, payload.size());
  EXPECT_EQ(item->crc, lzma_crc32(payload.data(), payload.size(), 0));
  EXPECT_EQ(item->packOffset, 32u);
  EXPECT_EQ(item->packOffset + item->packSize, testing::EndHeaderAt(bytes));
  EXPECT_EQ(item->attributes, 0x81A48020u);  // archive flag, and the Unix mode -rw-r--r--
  EXPECT_NEAR(static_cast<double>(item->fileTime), static_cast<double>(FileTimeOf(now)), 1e8);
}

TEST_F(SevenZipLayoutTest, EveryShortenedArchiveIsRefused) {
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(ReadSevenZipLayout(bytes.data(), n)) << n;
}

TEST_F(SevenZipLayoutTest, ChangedSignatureHeaderIsRefused) {
  for (std::size_t i = 0; i < 32; ++i) {
    if (i == 7) continue;  // the minor version, which readers take as it comes
    std::vector<std::uint8_t> changed = bytes;
    changed[i] ^= 0x10;
    EXPECT_FALSE(ReadSevenZipLayout(changed.data(), changed.size())) << i;
  }
}

// Every byte of the end header set to every value, its CRCs made to fit: refused, or read as
// an item whose packed stream lies inside the file, before the end header.
TEST_F(SevenZipLayoutTest, NoChangedEndHeaderPointsOutsideTheFile) {
  const std::size_t end = testing::EndHeaderAt(bytes);
  int read = 0;
  for (std::size_t i = end; i < bytes.size(); ++i) {
    for (int value = 0; value < 256; ++value) {
      std::vector<std::uint8_t> changed = bytes;
      changed[i] = static_cast<std::uint8_t>(value);
      testing::Reseal(changed);
      const std::optional<SevenZipItem> item = ReadSevenZipLayout(changed.data(), changed.size());
      if (!item) continue;
      ++read;
      EXPECT_GE(item->packOffset, 32u);
      EXPECT_LE(item->packOffset + item->packSize, end) << i << " " << value;
      EXPECT_LE(item->lzma2Property, 40);
    }
  }
  EXPECT_GT(read, 0);  // the name, the times and the sizes may change
}

TEST_F(SevenZipLayoutTest, AnotherShapeIsLeftToLibarchive) {
  // One coder more than ours: the header no longer has our shape, and libarchive, which reads
  // it, finds it broken.
  const std::size_t end = testing::EndHeaderAt(bytes);
  const std::vector<std::uint8_t> folder = {0x0B, 0x01, 0x00, 0x01};  // kFolder, 1, internal, 1 coder
  auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end(),
                        folder.begin(), folder.end());
  ASSERT_NE(at, bytes.end());
  at[3] = 2;
  testing::Reseal(bytes);
  EXPECT_FALSE(ReadSevenZipLayout(bytes.data(), bytes.size()));
  testing::PutFile(path, bytes);
  std::string error;
  EXPECT_FALSE(ImageArchiveReader::Open(path, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vexo
