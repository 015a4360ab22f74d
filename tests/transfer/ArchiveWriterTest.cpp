// The archive writer: the LZMA2 chunks each kind of block becomes, each block starting on its
// own; that our reader, libarchive and 7-Zip all read the payload back; progress by bytes
// compressed; and an archive given up stops at once and leaves nothing behind.

#include <gtest/gtest.h>

#include "tests/transfer/ArchiveBytes.h"
#include "tests/transfer/ArchiveFixture.h"
#include "transfer/ArchiveFile.h"
#include "transfer/Backup.h"
#include "transfer/LibarchiveItemStream.h"

namespace vexo {
namespace {

using testing::Noise;
using testing::Text;
using testing::Zeros;
using testing::operator+;

constexpr std::size_t kBlock = 64 << 10;


// Small blocks, so that a test payload spans several.
CompressionSettings SmallBlocks() {
  CompressionSettings s;
  s.blockBytes = kBlock;
  return s;
}

// What libarchive reads of the item, bypassing our own reader.
std::optional<std::vector<std::uint8_t>> ReadWithLibarchive(const std::string& path) {
  std::string error;
  std::shared_ptr<ArchiveFile> file = ArchiveFile::Open(path, error);
  std::unique_ptr<LibarchiveItemStream> stream =
      file ? LibarchiveItemStream::Open(file, kArchiveItemName, error) : nullptr;
  if (!stream) return std::nullopt;
  std::vector<std::uint8_t> all, chunk(1 << 16);
  for (;;) {
    const long long n = stream->read(chunk.data(), chunk.size(), error);
    if (n < 0) return std::nullopt;
    if (n == 0) return all;
    all.insert(all.end(), chunk.begin(), chunk.begin() + n);
  }
}

class ArchiveWriterTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    archive = temp.file("out.VexoImage");
  }
  void write(const std::vector<std::uint8_t>& payload, const CompressionSettings& settings) {
    std::string error;
    auto writer = ImageArchiveWriter::Create(archive, payload.size(), error, settings);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(payload.data(), payload.size(), error)) << error;
    ASSERT_TRUE(writer->commit(error)) << error;
  }
  std::string archive;
};

// ---- The kinds of block --------------------------------------------------------------------

enum class Kept { NoneStored, AllStored, SomeStored };

struct BlockCase {
  const char* what;
  std::vector<std::uint8_t> payload;
  Kept kept;
  double atMost;  // the packed stream's size against the payload's
  friend void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.what; }
};

class ArchiveBlockTest : public ArchiveWriterTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(ArchiveBlockTest, EachBlockStartsOnItsOwnAndEveryReaderGetsThePayload) {
  const BlockCase& c = GetParam();
  write(c.payload, SmallBlocks());
  const std::vector<std::uint8_t> bytes = testing::FileBytes(archive);
  const std::vector<testing::Chunk> chunks = testing::ChunksOf(bytes);

  std::uint64_t unpacked = 0, stored = 0, packed = 0;
  for (const testing::Chunk& chunk : chunks) {
    unpacked += chunk.unpacked;
    packed += chunk.bytes;
    if (chunk.stored) stored += chunk.unpacked;
  }
  EXPECT_EQ(unpacked, c.payload.size());
  EXPECT_LE(static_cast<double>(packed), c.atMost * static_cast<double>(c.payload.size()) + 16);
  // Every block begins with a chunk that needs nothing before it.
  for (std::uint64_t at = 0; at < c.payload.size(); at += kBlock) {
    SCOPED_TRACE(at);
    EXPECT_TRUE(std::any_of(chunks.begin(), chunks.end(), [&](const testing::Chunk& chunk) {
      return chunk.unpackedAt == at && chunk.resetsDictionary;
    }));
  }
  switch (c.kept) {
    case Kept::NoneStored: EXPECT_EQ(stored, 0u); break;
    case Kept::AllStored: EXPECT_EQ(stored, c.payload.size()); break;
    case Kept::SomeStored:
      EXPECT_GT(stored, 0u);
      EXPECT_LT(stored, c.payload.size());
      break;
  }

  EXPECT_EQ(testing::ReadPayload(archive), c.payload);
  EXPECT_EQ(ReadWithLibarchive(archive), c.payload);
  if (testing::Have7zz()) {
    EXPECT_EQ(testing::Shell("7zz t -bd -bso0 -bse0 " + testing::Quoted(archive)), 0);
    EXPECT_EQ(testing::ExtractWith7zz(archive), c.payload);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveBlockTest,
    ::testing::Values(
        // Three full blocks and a short last one.
        BlockCase{"Compressed", Text(3 * kBlock + 5000), Kept::NoneStored, 0.05},
        BlockCase{"Stored", Noise(3 * kBlock + 8192, 1), Kept::AllStored, 1.001},
        BlockCase{"StoredAndCompressedInOneBlock",
                  Zeros(8192) + Noise(24 * 1024, 2) + Text(16 * 1024), Kept::SomeStored, 0.6},
        // Random bytes that repeat are LZMA's to find.
        BlockCase{"RepeatedNoiseIsCompressed", Noise(24 * 1024, 3) + Noise(24 * 1024, 3),
                  Kept::NoneStored, 0.55},
        BlockCase{"LastBlockShortAfterStoredOnes", Noise(2 * kBlock, 4) + Text(1000),
                  Kept::SomeStored, 1.0},
        BlockCase{"SmallerThanOneBlock", Text(10'000), Kept::NoneStored, 0.1},
        // Too short to compress: LZMA2 keeps it as it is.
        BlockCase{"SevenBytesOfAnEmptyVolume", {'D', 'M', 'L', 'E', 0, 0, 0}, Kept::AllStored, 2.0}),
    testing::CaseName());

// ---- Progress ------------------------------------------------------------------------------

TEST_F(ArchiveWriterTest, ProgressCountsBytesCompressedNotHandedOver) {
  const std::vector<std::uint8_t> payload = Text(3 * kBlock + 100);
  std::string error;
  auto writer = ImageArchiveWriter::Create(archive, payload.size(), error, SmallBlocks());
  ASSERT_TRUE(writer) << error;
  int waits = 0;
  writer->whileWaiting([&] { ++waits; });
  // Less than a block is only held: nothing of it has been compressed.
  ASSERT_TRUE(writer->write(payload.data(), kBlock - 1, error)) << error;
  EXPECT_EQ(writer->compressedBytes(), 0u);
  ASSERT_TRUE(writer->write(payload.data() + kBlock - 1, payload.size() - kBlock + 1, error));
  EXPECT_LE(writer->compressedBytes(), payload.size());
  ASSERT_TRUE(writer->commit(error)) << error;
  EXPECT_EQ(writer->compressedBytes(), payload.size());
}

// ---- Giving up -----------------------------------------------------------------------------

TEST_F(ArchiveWriterTest, ArchiveGivenUpStopsAtOnceAndLeavesTheFolderAsItWas) {
  const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
  testing::PutFile(archive, old);
  const std::set<std::string> before = testing::FolderNames(temp.path());
  // Announced far beyond what is written: a writer that padded the rest, or went on
  // compressing, would not come back.
  const std::uint64_t tebibyte = 1ull << 40;
  const std::vector<std::uint8_t> data = Text(10 * kBlock);
  for (const bool explicitly : {true, false}) {
    SCOPED_TRACE(explicitly ? "abandon" : "destructor");
    std::string error;
    auto writer = ImageArchiveWriter::Create(archive, tebibyte, error, SmallBlocks());
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->write(data.data(), data.size(), error)) << error;
    EXPECT_NE(testing::FolderNames(temp.path()), before);  // the partial file
    if (explicitly) {
      writer->abandon();
      EXPECT_EQ(testing::FolderNames(temp.path()), before);
      EXPECT_FALSE(writer->write(data.data(), 1, error));
      EXPECT_FALSE(writer->commit(error));
      EXPECT_FALSE(error.empty());
    }
    writer.reset();
    EXPECT_EQ(testing::FolderNames(temp.path()), before);
    EXPECT_EQ(testing::FileBytes(archive), old);
  }
}

// A Common Storage Area that runs past the card: the read fails at once, and so does the rest.
TEST_F(ArchiveWriterTest, BackupWhoseCsaRunsPastTheCardStopsAtTheFirstSectorThatIsNot) {
  image = testing::MakeImage(temp.file("small.img"), testing::kOneGiB + (1 << 20));
  testing::CardBuilder().add(1, "", "a").writeTo(image);
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsalen(0xFFFFFFFF);
  testing::WriteHeader(image, 1, h1);
  load();
  const std::set<std::string> before = testing::FolderNames(temp.path());

  EXPECT_FALSE(WriteImageArchive(dir, disk, drive, BackupSlots(dir), true, archive));

  EXPECT_EQ(ui.messages, std::vector<std::string>{"Failed to Read E: Sector " +
                                                  std::to_string(kCsaFirstSector + 2048)});
  EXPECT_EQ(testing::FolderNames(temp.path()), before);
  EXPECT_FALSE(ui.progressVisible);
}

}  // namespace
}  // namespace vexo
