#pragma once
// Image archives for the archive and restore tests: entries with data in every region of their
// slot, the payload that stores them put together byte by byte, archives made by our writer or
// by the 7-Zip command line, and a device with sectors that never read.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/transfer/TransferFixture.h"
#include "transfer/ImageArchive.h"
#include "transfer/ImagePayload.h"
#include "volume/GraphicsIndex.h"

namespace vexo::testing {

inline constexpr std::uint64_t S(int slot) { return SlotFirstSector(slot); }
inline constexpr std::uint64_t kCsaByte = kCsaFirstSector * kSectorSize;

// Names the cases of a parameterised test after their `what`.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return info.param.what;
  }
};

// ---- Entry data ----------------------------------------------------------------------------

// What one entry holds besides its header: the bytes of its regions and its whole graphics
// index (256 records).
struct EntryData {
  std::vector<std::uint8_t> program, sm, gci;
  std::vector<GraphicsRecord> index;
};

// Bytes that do not compress.
inline std::vector<std::uint8_t> Noise(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& b : bytes) {
    seed = seed * 1'664'525u + 1'013'904'223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return bytes;
}

// Text-like bytes, and zeros: what compresses well.
inline std::vector<std::uint8_t> Text(std::size_t size) {
  static const std::string words = "the quick brown fox jumps over a lazy dog ";
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(words[(i * 7 + i / 97) % words.size()]);
  return bytes;
}

inline std::vector<std::uint8_t> Zeros(std::size_t size) { return std::vector<std::uint8_t>(size, 0); }

// Record k (from 1) of a test index: a name, a sector, the two values and, in the last four
// bytes that should be zero, a mark that shows the record is carried as raw bytes.
inline GraphicsRecord NamedRecord(std::size_t k, std::uint8_t seed) {
  GraphicsRecord r = GraphicsRecord::Empty();
  r.setName("gfx" + std::to_string(k) + "-" + std::to_string(seed));
  r.setSector(static_cast<std::uint32_t>(0x10000 * k + seed));
  r.setValue1(static_cast<std::uint16_t>(k));
  r.setValue2(static_cast<std::uint16_t>(seed));
  r.bytes[31] = seed;
  return r;
}

// `named` named records, then empty ones.
inline std::vector<GraphicsRecord> GraphicsIndexOf(std::size_t named, std::uint8_t seed) {
  std::vector<GraphicsRecord> index(kGraphicsRecords, GraphicsRecord::Empty());
  for (std::size_t k = 0; k < named; ++k) index[k] = NamedRecord(k + 1, seed);
  return index;
}

inline EntryData DataOf(std::size_t program, std::size_t sm, std::size_t gci, std::size_t named,
                        std::uint8_t seed) {
  return {Pattern(program, seed), Pattern(sm, static_cast<std::uint8_t>(seed + 1)),
          Pattern(gci, static_cast<std::uint8_t>(seed + 2)), GraphicsIndexOf(named, seed)};
}

inline std::vector<std::uint8_t> IndexBytes(const std::vector<GraphicsRecord>& records) {
  std::vector<std::uint8_t> bytes;
  for (const GraphicsRecord& r : records) bytes.insert(bytes.end(), r.bytes.begin(), r.bytes.end());
  return bytes;
}

// Gives the entry already in `slot` of a card image its data: the header's lengths and other
// fields, then every region. Returns the header as written.
inline SlotHeader PutEntryData(const std::string& image, int slot, const EntryData& d,
                               std::uint8_t seed) {
  SlotHeader h = ReadHeader(image, slot);
  h.setDate("2020-01-0" + std::to_string(seed % 10));
  h.setTime("03.04.05");
  h.setGcifile("art" + std::to_string(seed));
  h.setGcidate("2019-12-31");
  h.setGcitime("23.59.58");
  h.setDesc1("first line " + std::to_string(seed));
  h.setDesc3("third line");
  h.setSmfile("save");
  h.setSmdate("2018-07-06");
  h.setSmtime("05.04.03");
  h.setProglen(static_cast<std::uint16_t>(d.program.size()));
  h.setProgsum(static_cast<std::uint16_t>(0x1000 + seed));
  h.setSmlen(static_cast<std::uint16_t>(d.sm.size()));
  h.setGcilen(static_cast<std::uint32_t>(d.gci.size()));
  WriteHeader(image, slot, h);
  const std::vector<std::uint8_t> index = IndexBytes(d.index);
  WriteBytes(image, (S(slot) + kGraphicsIndexSector) * kSectorSize, index.data(), index.size());
  // A region of zero bytes writes nothing.
  const auto region = [&](std::uint64_t first, const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty())
      WriteBytes(image, (S(slot) + first) * kSectorSize, bytes.data(), bytes.size());
  };
  region(kProgramSector, d.program);
  region(kSmSector, d.sm);
  region(kGciSector, d.gci);
  return h;
}

// ---- Payloads ------------------------------------------------------------------------------

// One stored entry: its header as stored, its data, and how many index records it stores.
struct StoredEntry {
  SlotHeader header;
  EntryData data;
  std::size_t gfxcount = 0;
};

// A header as a card holds it for a stored entry of this name.
inline SlotHeader StoredHeader(const std::string& category, const std::string& name) {
  SlotHeader h = BlankHeader();
  h.setCategory(category);
  h.setFilename(name);
  h.setDate("2022-02-02");
  h.setTime("12.00.00");
  h.setDesc2("stored " + name);
  return h;
}

// An entry to store with data of these sizes; the header's lengths follow the data.
inline StoredEntry Stored(const std::string& category, const std::string& name, std::size_t program,
                          std::size_t sm, std::size_t gci, std::size_t gfxcount,
                          std::uint8_t seed) {
  StoredEntry e{StoredHeader(category, name), DataOf(program, sm, gci, gfxcount, seed), gfxcount};
  e.header.setProglen(static_cast<std::uint16_t>(program));
  e.header.setSmlen(static_cast<std::uint16_t>(sm));
  e.header.setGcilen(static_cast<std::uint32_t>(gci));
  return e;
}

inline void PutU16(std::vector<std::uint8_t>& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// The payload that stores these entries (headers byte for byte as given) and, when `hascsa`
// is 1, the Common Storage Area bytes after them.
inline std::vector<std::uint8_t> PayloadOf(const std::vector<StoredEntry>& entries,
                                           std::uint8_t hascsa = 0,
                                           const std::vector<std::uint8_t>& csa = {}) {
  std::vector<std::uint8_t> out = {'D', 'M', 'L', 'E'};
  PutU16(out, entries.size());
  out.push_back(hascsa);
  for (const StoredEntry& e : entries)
    out.insert(out.end(), e.header.bytes.begin(), e.header.bytes.end());
  for (const StoredEntry& e : entries) {
    Append(out, e.data.program);
    PutU16(out, e.gfxcount);
    for (std::size_t k = 0; k < e.gfxcount; ++k)
      out.insert(out.end(), e.data.index[k].bytes.begin(), e.data.index[k].bytes.end());
    Append(out, e.data.sm);
    Append(out, e.data.gci);
  }
  if (hascsa == 1) Append(out, csa);
  return out;
}

// ---- A card to back up --------------------------------------------------------------------

// Three entries with data in every region, at the slots given, and a used Common Storage Area:
//   Games\Pong   program 600, SM 1,000, GCI 5,000, 3 graphics
//   \Notes       program 28,160 (full), no SM, no GCI, although its index holds 5 names
//   Tools\Edit   program 3, SM 32,768 (full), GCI 2,027,519 (the largest), 256 graphics
//   CSA          70,000 bytes, csafile "Map", csaflag 1
struct SampleCard {
  std::map<int, EntryData> data;
  std::map<int, std::size_t> gfxcount;  // what a backup stores of each index
  std::vector<std::uint8_t> csa;
};

inline SampleCard MakeSampleCard(const std::string& image, int pong, int notes, int edit) {
  CardBuilder()
      .add(pong, "Games", "Pong")
      .add(notes, "", "Notes")
      .add(edit, "Tools", "Edit")
      .writeTo(image);
  SampleCard card;
  card.data[pong] = DataOf(600, 1000, 5000, 3, 11);
  card.data[notes] = DataOf(28'160, 0, 0, 5, 22);
  card.data[edit] = DataOf(3, 32'768, kGciCapacity - 1, 256, 33);
  card.gfxcount = {{pong, 3}, {notes, 0}, {edit, 256}};
  for (const auto& [slot, d] : card.data)
    PutEntryData(image, slot, d, static_cast<std::uint8_t>(slot));
  card.csa = Pattern(70'000, 44);
  WriteBytes(image, kCsaByte, card.csa.data(), card.csa.size());
  SlotHeader h1 = ReadHeader(image, 1);
  h1.setCsafile("Map");
  h1.setCsaflag(1);
  h1.setCsalen(70'000);
  WriteHeader(image, 1, h1);
  return card;
}

// The payload a backup of the card's `slots` stores, from the card's own bytes: the headers
// as they are (the first one with header 1's CSA fields), then the data.
inline std::vector<std::uint8_t> ExpectedPayload(const std::string& image, const SampleCard& card,
                                                 const std::vector<int>& slots, bool withCsa) {
  const SlotHeader h1 = ReadHeader(image, 1);
  std::vector<StoredEntry> entries;
  for (int slot : slots) {
    StoredEntry e{ReadHeader(image, slot), card.data.at(slot), card.gfxcount.at(slot)};
    if (entries.empty())
      std::copy(h1.bytes.begin() + kCsaFieldsBegin, h1.bytes.begin() + kCsaFieldsEnd,
                e.header.bytes.begin() + kCsaFieldsBegin);
    entries.push_back(e);
  }
  return withCsa ? PayloadOf(entries, 1, card.csa) : PayloadOf(entries);
}

// ---- Archives ------------------------------------------------------------------------------

// An archive of ours holding `payload`.
inline void WriteArchive(const std::string& path, const std::vector<std::uint8_t>& payload) {
  std::string error;
  std::unique_ptr<ImageArchiveWriter> writer =
      ImageArchiveWriter::Create(path, payload.size(), error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(writer->write(payload.data(), payload.size(), error)) << error;
  ASSERT_TRUE(writer->commit(error)) << error;
}

// The whole payload an archive gives our reader; nothing when it cannot be read.
inline std::optional<std::vector<std::uint8_t>> ReadPayload(const std::string& path) {
  std::string error;
  std::unique_ptr<ImageArchiveReader> reader = ImageArchiveReader::Open(path, error);
  if (!reader) return std::nullopt;
  std::vector<std::uint8_t> payload;
  std::vector<std::uint8_t> chunk(1 << 16);
  for (;;) {
    const std::uint64_t before = reader->position();
    const bool full = reader->read(chunk.data(), chunk.size(), error);
    payload.insert(payload.end(), chunk.begin(),
                   chunk.begin() + static_cast<std::ptrdiff_t>(reader->position() - before));
    if (!error.empty()) return std::nullopt;
    if (!full) return payload;
  }
}

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder.
inline std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.insert(e.path().filename().string());
  return names;
}

// ---- The 7-Zip command line ----------------------------------------------------------------

inline bool Have7zz() { return std::system("command -v 7zz >/dev/null 2>&1") == 0; }

#define SKIP_WITHOUT_7ZZ() \
  if (!::vexo::testing::Have7zz()) GTEST_SKIP() << "the 7-Zip command line 7zz is not installed"

// Runs a shell command; its exit status.
inline int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

struct ArchiveItem {
  std::string name;
  std::vector<std::uint8_t> content;
};

// An archive that 7-Zip makes with its default settings from files of these names, in a
// folder of its own beside `archive`.
inline void PackWith7zz(const std::string& archive, const std::vector<ArchiveItem>& items,
                        const std::string& switches = {}) {
  const std::string folder = archive + ".items";
  std::filesystem::create_directory(folder);
  std::string names;
  for (const ArchiveItem& item : items) {
    PutFile(folder + "/" + item.name, item.content);
    names += " " + Quoted(item.name);
  }
  ASSERT_EQ(Shell("cd " + Quoted(folder) + " && 7zz a -bd -bso0 -bse0 " + switches + " " +
                  Quoted(archive) + names),
            0);
  std::filesystem::remove_all(folder);
}

// The content 7-Zip extracts for item "Vexo".
inline std::vector<std::uint8_t> ExtractWith7zz(const std::string& archive) {
  const std::string out = archive + ".extracted";
  EXPECT_EQ(Shell("7zz e -so " + Quoted(archive) + " Vexo > " + Quoted(out) + " 2>/dev/null"), 0);
  std::vector<std::uint8_t> bytes = FileBytes(out);
  std::filesystem::remove(out);
  return bytes;
}

// What 7-Zip lists about an archive's items, one "Key = value" a line.
inline std::string ListWith7zz(const std::string& archive) {
  const std::string out = archive + ".listing";
  EXPECT_EQ(Shell("7zz l -slt -ba " + Quoted(archive) + " > " + Quoted(out) + " 2>/dev/null"), 0);
  const std::vector<std::uint8_t> bytes = FileBytes(out);
  std::filesystem::remove(out);
  return {bytes.begin(), bytes.end()};
}

// ---- A card with sectors that cannot be read -----------------------------------------------

// Every read that touches one of `bad` fails, as often as it is tried.
class BadSectorDevice : public RecordingDevice {
 public:
  BadSectorDevice(const std::string& path, std::set<std::uint64_t> bad)
      : RecordingDevice(path), bad_(std::move(bad)) {}
  int readAt(std::uint64_t offset, void* data, std::size_t length) override {
    const std::uint64_t first = offset / kSectorSize;
    const auto hit = bad_.lower_bound(first);
    if (hit != bad_.end() && *hit < first + length / kSectorSize) return EIO;
    return RecordingDevice::readAt(offset, data, length);
  }

 private:
  std::set<std::uint64_t> bad_;
};

}  // namespace vexo::testing
