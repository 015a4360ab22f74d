// Backup and restore of whole cards through the archive writer and reader, and the check that
// reads a whole archive before a restore writes anything, while the list needs only the
// stored headers.

#include <gtest/gtest.h>

#include "tests/transfer/ArchiveBytes.h"
#include "tests/transfer/ArchiveFixture.h"
#include "transfer/Backup.h"
#include "transfer/Restore.h"

namespace vexo {
namespace {

using testing::CardBuilder;
using testing::Noise;
using testing::Text;
using testing::Zeros;
using testing::operator+;


class RestoreCheckTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    archive = temp.file("card.VexoImage");
  }
  bool restore() {
    return RestoreImage(dir, target(), archive, [&](RestoreList&) { return ++chooserCalls, true; });
  }
  std::string archive;
  int chooserCalls = 0;
};

// ---- Round trips ---------------------------------------------------------------------------

struct CardCase {
  const char* what;
  std::vector<std::uint8_t> csa;
  friend void PrintTo(const CardCase& c, std::ostream* os) { *os << c.what; }
};

class RoundTripTest : public RestoreCheckTest, public ::testing::WithParamInterface<CardCase> {};

// Entries from all-zero to text to random, and a Common Storage Area that spans blocks.
TEST_P(RoundTripTest, CardComesBackByteForByte) {
  const std::vector<std::uint8_t>& csa = GetParam().csa;
  CardBuilder().add(1, "", "zeros").add(2, "Games", "text").add(3, "Games", "noise").writeTo(image);
  const std::map<int, testing::EntryData> data = {
      {1, {Zeros(28'160), Zeros(32'768), Zeros(100'000), testing::GraphicsIndexOf(2, 1)}},
      {2, {Text(9000), Text(700), Text(kGciCapacity - 1), testing::GraphicsIndexOf(256, 2)}},
      {3, {Noise(3, 1), Noise(32'768, 2), Noise(1'500'000, 3), testing::GraphicsIndexOf(9, 3)}},
  };
  for (const auto& [slot, d] : data)
    testing::PutEntryData(image, slot, d, static_cast<std::uint8_t>(slot));
  testing::WriteBytes(image, testing::kCsaByte, csa.data(), csa.size());
  SlotHeader h1 = testing::ReadHeader(image, 1);
  h1.setCsalen(static_cast<std::uint32_t>(csa.size()));
  testing::WriteHeader(image, 1, h1);
  load();
  ASSERT_TRUE(WriteImageArchive(dir, disk, drive, BackupSlots(dir), true, archive));

  const std::string copy = testing::MakeImage(temp.file("copy.img"));
  testing::FormatImage(copy);
  const int copyDisk = table.AttachDevice(std::make_shared<testing::RecordingDevice>(copy));
  ASSERT_TRUE(dir.LoadDirectory(copyDisk, "F:", DirectoryLoad::Keep));
  ASSERT_TRUE(RestoreImage(dir, {copyDisk, "F:", ""}, archive, [](RestoreList&) { return true; }));

  EXPECT_TRUE(ui.messages.empty());
  for (int slot = 1; slot <= kSlotCount; ++slot)
    ASSERT_EQ(testing::ReadHeader(copy, slot), testing::ReadHeader(image, slot)) << slot;
  for (const auto& [slot, d] : data) {
    SCOPED_TRACE(slot);
    const auto region = [&, s = slot](const std::string& path, std::uint64_t sector, std::size_t n) {
      return testing::ReadBytes(path, (testing::S(s) + sector) * kSectorSize, n);
    };
    EXPECT_EQ(region(copy, kProgramSector, d.program.size()), d.program);
    EXPECT_EQ(region(copy, kSmSector, d.sm.size()), d.sm);
    EXPECT_EQ(region(copy, kGciSector, d.gci.size()), d.gci);
    EXPECT_EQ(region(copy, kGraphicsIndexSector, 8192), region(image, kGraphicsIndexSector, 8192));
  }
  EXPECT_EQ(testing::ReadBytes(copy, testing::kCsaByte, csa.size()), csa);
}

INSTANTIATE_TEST_SUITE_P(
    Restore, RoundTripTest,
    ::testing::Values(CardCase{"MixedCsa", Zeros(3 << 20) + Noise(3 << 20, 7) + Text(3 << 20)},
                      // Compressed assets over several blocks of the default size, stored.
                      CardCase{"RandomCsa", Noise(9 << 20, 8)}),
    testing::CaseName());

// ---- The check before anything is written --------------------------------------------------

const testing::Chunk& LastStored(const std::vector<testing::Chunk>& chunks) {
  return *std::find_if(chunks.rbegin(), chunks.rend(), [](const auto& c) { return c.stored; });
}

// "Games\Pong" and a Common Storage Area, in an archive of small blocks with `damage` done.
void PutDamagedArchive(const std::string& archive,
                       const std::function<void(std::vector<std::uint8_t>&)>& damage) {
  testing::StoredEntry e = testing::Stored("Games", "Pong", 600, 0, 0, 0, 1);
  e.data.program = Text(600);
  // Beyond the first few MiB a reader decodes at once.
  const std::vector<std::uint8_t> csa = Noise(3 << 20, 3) + Text(3 << 20);
  e.header.setCsalen(static_cast<std::uint32_t>(csa.size()));
  const std::vector<std::uint8_t> payload = testing::PayloadOf({e}, 1, csa);
  CompressionSettings blocks;
  blocks.blockBytes = 64 << 10;
  std::string error;
  auto writer = ImageArchiveWriter::Create(archive, payload.size(), error, blocks);
  ASSERT_TRUE(writer && writer->write(payload.data(), payload.size(), error) &&
              writer->commit(error)) << error;
  std::vector<std::uint8_t> bytes = testing::FileBytes(archive);
  damage(bytes);
  testing::PutFile(archive, bytes);
}

struct DamageCase {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> damage;
  friend void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.what; }
};

class RestoreDamageTest : public RestoreCheckTest,
                          public ::testing::WithParamInterface<DamageCase> {};

// Damage to the file far behind the stored headers: the list shows the entries, and the
// restore refuses the archive before it writes anything, onto an empty card too.
TEST_P(RestoreDamageTest, ListsTheEntriesButRestoresNothing) {
  PutDamagedArchive(archive, GetParam().damage);
  testing::FormatImage(image);
  load();

  const std::optional<RestoreList> list = ReadRestoreList(ui, archive);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->items().size(), 1u);
  EXPECT_EQ(list->items()[0].text, "Games\\Pong");
  EXPECT_FALSE(restore());
  EXPECT_EQ(chooserCalls, 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("Damaged 7-Zip archive", 0), 0u) << ui.messages[0];
  EXPECT_TRUE(device->writes.empty());
  EXPECT_EQ(ui.progressShown, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Restore, RestoreDamageTest,
    ::testing::Values(
        DamageCase{"CrcOfThePackedStream", testing::ChangeThePackedCrc},
        // Stored bytes decode whatever they are: only a CRC finds the change.
        DamageCase{"ByteOfStoredData",
                   [](std::vector<std::uint8_t>& a) {
                     a[LastStored(testing::ChunksOf(a)).at + 100] ^= 0x40;
                   }},
        DamageCase{"ControlByteOfTheLastChunk",
                   [](std::vector<std::uint8_t>& a) { a[testing::ChunksOf(a).back().at] = 0x03; }}),
    testing::CaseName());

// An archive cut short (a copy or download that stopped) is named so, ours and 7-Zip's alike,
// not as whatever the bytes left make the reader say; nothing is written.
TEST_F(RestoreCheckTest, ArchiveCutShortIsNamedSo) {
  testing::FormatImage(image);
  load();
  const auto cutAndTry = [&](std::size_t keep) {
    const std::vector<std::uint8_t> whole = testing::FileBytes(archive);
    testing::PutFile(archive, {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep)});
    ui.messages.clear();
    EXPECT_FALSE(ReadRestoreList(ui, archive));
    EXPECT_FALSE(restore());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "Damaged 7-Zip archive: the file ends before the archive does (" +
                                  std::to_string(keep) + " of " + std::to_string(whole.size()) +
                                  " bytes); was it copied whole?");
    EXPECT_EQ(ui.messages[1], ui.messages[0]);
    EXPECT_TRUE(device->writes.empty());
  };
  {
    SCOPED_TRACE("ours");
    PutDamagedArchive(archive, [](std::vector<std::uint8_t>&) {});
    cutAndTry(testing::FileBytes(archive).size() / 2);
  }
  if (testing::Have7zz()) {
    SCOPED_TRACE("7-Zip's");
    std::filesystem::remove(archive);
    testing::PackWith7zz(archive, {{"Vexo", testing::PayloadOf({}, 0, Text(100'000))}});
    cutAndTry(testing::FileBytes(archive).size() - 1);
  }
}

// A payload CRC that does not fit a packed stream that does: the writer's own fault. Where an
// entry would be replaced, or a Common Storage Area in use written over, the archive is read
// through before anything is written; onto an empty card it is decoded once, while written,
// and the fault found at its end lists nothing it brought, since the headers come only after
// the payload's checks: the card's directory stays as it was.
TEST_F(RestoreCheckTest, PayloadCrcThatDoesNotFitIsFoundWhereTheCardStaysWhole) {
  PutDamagedArchive(archive, testing::ChangeThePayloadCrc);
  const std::string crcError = "Damaged 7-Zip archive: CRC error";
  {
    SCOPED_TRACE("replacing");
    CardBuilder().add(1, "Games", "Pong").writeTo(image);
    load();
    const SlotHeader before = dir.header(1);
    ui.answers = {Answer::Yes};
    EXPECT_FALSE(restore());
    EXPECT_EQ(ui.messages, std::vector<std::string>{crcError});
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(testing::ReadHeader(image, 1), before);
  }
  {
    SCOPED_TRACE("onto an empty card");
    testing::FormatImage(image);
    ui.messages.clear();
    load();
    EXPECT_FALSE(restore());
    EXPECT_EQ(ui.messages, std::vector<std::string>{crcError});
    ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep));
    EXPECT_EQ(dir.CheckChain(), 0);
    EXPECT_FALSE(IsUsed(dir.header(1)));
    EXPECT_EQ(dir.header(1).csalen(), 0u);
  }
}

}  // namespace
}  // namespace vexo
