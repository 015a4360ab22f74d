// Every writing operation with the card pulled out at every moment. The operation's writes and
// flushes are journaled; the card is rebuilt as a crash could leave it: after every prefix of
// the writes, with the last write half done, and, since the page cache and the card's own
// controller put unflushed writes on the medium in their own order, with the writes since the
// last flush in ascending-offset order cut short or as random subsets. Each crashed card is
// loaded, diagnosed, repaired, and checked entry by entry: every listed entry is its old self
// or its new self (or, for an attachment being replaced, itself without it); an entry the
// operation keeps that is missing makes diagnostics alarm; header 1 never describes area bytes
// that are not there; after repair the volume is "All ok".

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <set>

#include "tests/support/JournalingDevice.h"
#include "tests/support/YesPrompter.h"
#include "tests/transfer/ArchiveFixture.h"
#include "tests/transfer/TransferFixture.h"
#include "transfer/Attach.h"
#include "transfer/CsaInsert.h"
#include "transfer/EntryCopy.h"
#include "transfer/ProgramImport.h"
#include "transfer/Restore.h"
#include "volume/Diagnostics.h"
#include "volume/EntryMaintenance.h"
#include "volume/Format.h"
#include "volume/ProgramChecks.h"
#include "volume/Repair.h"

namespace vexo {
namespace {

using testing::JournalingDevice;

std::uint16_t ByteSum(const std::vector<std::uint8_t>& bytes) { return ProgramSum(bytes.data(), bytes.size()); }

// A card in a table of its own, as a program started after the crash sees it.
struct Card {
  explicit Card(std::shared_ptr<SectorDevice> device, std::shared_ptr<SectorDevice> other = {}) {
    disk = table.AttachDevice(std::move(device));
    if (other) otherDisk = table.AttachDevice(std::move(other));
  }
  DiskTable table;
  testing::YesPrompter ui;
  testing::FakeReleaser releaser;
  DiskAccess access{table, ui, releaser};
  Directory dir{access};
  int disk = -1, otherDisk = -1;
  const std::string drive = "E:";
};

// What an entry is: its header without links and header 1's own fields, and its bytes; an
// attachment left out where `without` says so.
struct Without {
  bool sm = false, graphics = false;
};
std::vector<std::uint8_t> Identity(DiskAccess& io, int disk, int slot, SlotHeader h, Without without) {
  const auto read = [&](std::uint64_t sector, std::size_t bytes) {
    std::vector<std::uint8_t> out((bytes + kSectorSize - 1) / kSectorSize * kSectorSize);
    if (!out.empty()) {
      EXPECT_TRUE(io.ReadSectors(disk, SlotFirstSector(slot) + sector, out.size() / kSectorSize, out.data()));
    }
    out.resize(bytes);
    return out;
  };
  h.setNext(0);
  h.setPrevious(0);
  h.setFirst(0);
  h.setLast(0);
  std::fill(h.bytes.begin() + kCsaFieldsBegin, h.bytes.begin() + kCsaFieldsEnd, 0);
  if (without.sm) {
    h.setSmfile("");
    h.setSmdate("");
    h.setSmtime("");
    h.setSmlen(0);
  }
  if (without.graphics) {
    h.setGcifile("");
    h.setGcidate("");
    h.setGcitime("");
    h.setGcilen(0);
  }
  std::vector<std::uint8_t> identity(h.bytes.begin(), h.bytes.end());
  for (const auto& part : {read(kProgramSector, h.proglen()), read(kSmSector, h.smlen()),
                           read(kGciSector, h.gcilen()),
                           // The index means nothing without graphics.
                           read(kGraphicsIndexSector, h.gcilen() != 0 ? kGraphicsIndexBytes : 0)})
    identity.insert(identity.end(), part.begin(), part.end());
  return identity;
}

bool Detached(const SlotHeader& h, bool sm) {
  return sm ? h.smlen() == 0 && h.smfile().empty() : h.gcilen() == 0 && h.gcifile().empty();
}

// The listed entries by "category\name", and header 1's description of the area with the
// bytes it describes.
struct VolumeState {
  std::map<std::string, int> slots;
  std::vector<std::uint8_t> areaFields, areaBytes;
};
VolumeState StateOf(Card& card) {
  VolumeState state;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = card.dir.header(slot);
    if (!IsUsed(h)) continue;
    const bool unique = state.slots.emplace(h.category() + "\\" + h.filename(), slot).second;
    EXPECT_TRUE(unique) << "two entries " << h.category() << "\\" << h.filename();
  }
  const SlotHeader& h1 = card.dir.header(1);
  state.areaFields.assign(h1.bytes.begin() + kCsaFieldsBegin, h1.bytes.begin() + kCsaFieldsEnd);
  state.areaBytes.resize((h1.csalen() + kSectorSize - 1) / kSectorSize * kSectorSize);
  if (!state.areaBytes.empty()) {
    EXPECT_TRUE(card.access.ReadSectors(card.disk, kCsaFirstSector, state.areaBytes.size() / kSectorSize,
                                        state.areaBytes.data()));
  }
  state.areaBytes.resize(h1.csalen());
  return state;
}

// One operation of the table, on the card (disk 1, E:) and, for copies, a second card.
struct Operation {
  const char* name;
  std::function<void(const std::string& image)> prepare;  // changes to the common card
  std::function<bool(Card&, const std::string& files)> run;
};

class CrashStatesTest : public testing::TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    // The card: \Tool; Games\Alpha without attachments; Games\Pong with SM data and graphics;
    // an area holding "Map". Programs carry their right checksums.
    testing::CardBuilder().add(2, "Games", "Pong").add(3, "Games", "Alpha").add(5, "", "Tool").writeTo(image);
    put(2, testing::DataOf(3000, 1000, 5000, 3, 11));
    put(3, testing::DataOf(100, 0, 0, 0, 22));
    put(5, testing::DataOf(200, 0, 0, 0, 33));
    const std::vector<std::uint8_t> area = testing::Pattern(4000, 44);
    testing::WriteBytes(image, testing::kCsaByte, area.data(), area.size());
    SlotHeader h1 = testing::ReadHeader(image, 1);
    h1.setCsafile("Map");
    h1.setCsaflag(1);
    h1.setCsalen(4000);
    testing::WriteHeader(image, 1, h1);

    other = testing::MakeImage(temp.file("other.img"));
    testing::CardBuilder().add(7, "Games", "Pong").add(8, "Games", "Extra").writeTo(other);
    put(7, testing::DataOf(2500, 700, 3000, 2, 55), other);
    put(8, testing::DataOf(900, 0, 0, 0, 66), other);

    pcFile("New.vxe", testing::Pattern(1500, 77));
    pcFile("Pong.vxe", testing::Pattern(2000, 88));
    pcFile("save.pdata", testing::Pattern(3000, 99));
    pcFile("art.gci", testing::Pattern(70'000, 111));
    pcFile("title.gci", testing::Pattern(6000, 122));
    // The archive: Games\Pong and \Tool replace the card's, Games\New1 is new, and an area.
    testing::StoredEntry pong = testing::Stored("Games", "Pong", 1200, 300, 9000, 2, 133);
    pong.header.setProgsum(ByteSum(pong.data.program));
    pong.header.setCsafile("Atlas");
    pong.header.setCsaflag(1);
    pong.header.setCsalen(7000);
    testing::StoredEntry fresh = testing::Stored("Games", "New1", 400, 0, 0, 0, 144);
    fresh.header.setProgsum(ByteSum(fresh.data.program));
    testing::StoredEntry tool = testing::Stored("", "Tool", 50, 20, 0, 0, 155);
    tool.header.setProgsum(ByteSum(tool.data.program));
    testing::WriteArchive(temp.file("in.VexoImage"),
                          testing::PayloadOf({pong, fresh, tool}, 1, testing::Pattern(7000, 166)));
  }

  void put(int slot, const testing::EntryData& data, const std::string& where = {}) {
    const std::string& path = where.empty() ? image : where;
    SlotHeader h = testing::PutEntryData(path, slot, data, static_cast<std::uint8_t>(slot));
    if (data.sm.empty()) {
      h.setSmfile("");
      h.setSmdate("");
      h.setSmtime("");
    }
    if (data.gci.empty()) {
      h.setGcifile("");
      h.setGcidate("");
      h.setGcitime("");
    }
    h.setProgsum(ByteSum(data.program));
    testing::WriteHeader(path, slot, h);
  }

  // Loads a card and checks what it lists against the card before and after the operation.
  // Returns whether an entry the operation keeps is missing.
  struct Checked {
    bool missing = false;
  };
  Checked check(Card& card, Card& before, Card& after, const std::string& what) {
    SCOPED_TRACE(what);
    Checked result;
    const VolumeState now = StateOf(card), old = StateOf(before), fresh = StateOf(after);
    for (const auto& [key, slot] : now.slots) {
      const SlotHeader& h = card.dir.header(slot);
      bool whole = false;
      for (const Without without : {Without{}, Without{true, false}, Without{false, true}, Without{true, true}}) {
        if ((without.sm && !Detached(h, true)) || (without.graphics && !Detached(h, false))) continue;
        const std::vector<std::uint8_t> mine = Identity(card.access, card.disk, slot, h, without);
        for (Card* reference : {&before, &after}) {
          const auto& slots = reference == &before ? old.slots : fresh.slots;
          const auto found = slots.find(key);
          if (found == slots.end()) continue;
          const SlotHeader& r = reference->dir.header(found->second);
          if (Identity(reference->access, reference->disk, found->second, r, without) == mine) whole = true;
        }
        // Only an attachment being replaced may be detached: the same entry with it attached
        // before and after.
        if (whole && (without.sm || without.graphics) && !fresh.slots.contains(key)) whole = false;
        if (whole) break;
      }
      EXPECT_TRUE(whole) << key << " in slot " << slot << " is neither its old nor its new self";
    }
    for (const auto& [key, slot] : old.slots)
      if (fresh.slots.contains(key) && !now.slots.contains(key)) result.missing = true;
    // An entry that the chain walk of a listing passes by is never hidden silently.
    std::set<int> walked;
    for (int slot = LinkTarget(card.dir.header(1).first()); slot != 0 && walked.size() <= kSlotCount;
         slot = LinkTarget(card.dir.header(slot).next())) {
      if (!walked.insert(slot).second) break;
    }
    const bool hidden = std::any_of(now.slots.begin(), now.slots.end(),
                                    [&](const auto& entry) { return !walked.contains(entry.second); });
    if (hidden) {
      EXPECT_NE(card.dir.CountChainErrors(), 0) << "a listing would hide an entry without a word";
    }
    const bool areaAsBefore = now.areaFields == old.areaFields && now.areaBytes == old.areaBytes;
    const bool areaAsAfter = now.areaFields == fresh.areaFields && now.areaBytes == fresh.areaBytes;
    EXPECT_TRUE(now.areaBytes.empty() || areaAsBefore || areaAsAfter)
        << "header 1 describes area bytes that are not on the card";
    return result;
  }

  std::string other;
};

const std::vector<Operation>& Operations() {
  const auto entry = [](Card& c, const std::string& category, const std::string& name) {
    const int slot = c.dir.FindEntry(category, name);
    return Selection{c.disk, c.drive, category, name, slot};
  };
  static const std::vector<Operation> operations = {
      {"ImportNew", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return ImportProgram(c.dir, buffers, {c.disk, c.drive, "Games"}, files + "/New.vxe", {"-", "."});
       }},
      {"ImportReplace", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return ImportProgram(c.dir, buffers, {c.disk, c.drive, "Games"}, files + "/Pong.vxe", {"-", "."});
       }},
      {"AttachSmNew", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return AttachFile(c.dir, buffers, {c.disk, c.drive, "Games"}, std::string("Alpha"),
                           files + "/save.pdata", Attachment::SmFile, {"-", "."});
       }},
      {"AttachSmReplace", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return AttachFile(c.dir, buffers, {c.disk, c.drive, "Games"}, std::string("Pong"),
                           files + "/save.pdata", Attachment::SmFile, {"-", "."});
       }},
      {"AttachGraphicsNew", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return AttachFile(c.dir, buffers, {c.disk, c.drive, "Games"}, std::string("Alpha"),
                           files + "/art.gci", Attachment::Graphics, {"-", "."});
       }},
      {"AttachGraphicsReplace", {}, [](Card& c, const std::string& files) {
         TransferBuffers buffers;
         return AttachFile(c.dir, buffers, {c.disk, c.drive, "Games"}, std::string("Pong"),
                           files + "/art.gci", Attachment::Graphics, {"-", "."});
       }},
      {"CsaOverItsFile", {}, [](Card& c, const std::string& files) {
         return InsertIntoCsa(c.dir, {c.disk, c.drive, ""}, files + "/title.gci", 0);
       }},
      {"CsaAtAnOffset", {}, [](Card& c, const std::string& files) {
         return InsertIntoCsa(c.dir, {c.disk, c.drive, ""}, files + "/title.gci", 100);
       }},
      {"CopyToAnotherCardNew", {}, [](Card& c, const std::string&) {
         return CopyEntry(c.dir, {c.otherDisk, "Games", "Extra", 8}, {c.disk, c.drive, "Games"});
       }},
      {"CopyToAnotherCardReplace", {}, [](Card& c, const std::string&) {
         return CopyEntry(c.dir, {c.otherDisk, "Games", "Pong", 7}, {c.disk, c.drive, "Games"});
       }},
      {"CopyOnTheSameCard", {}, [](Card& c, const std::string&) {
         return CopyEntry(c.dir, {c.disk, "Games", "Alpha", 3}, {c.disk, c.drive, "Games"});
       }},
      {"Rename", {}, [entry](Card& c, const std::string&) {
         return RenameEntry(c.dir, entry(c, "Games", "Alpha"), {"Omega", "d1", "", "", ""});
       }},
      {"Delete", {}, [entry](Card& c, const std::string&) {
         return DeleteEntry(c.dir, entry(c, "Games", "Pong"));
       }},
      {"Format", {}, [](Card& c, const std::string&) {
         return FormatDrive(c.dir, c.disk, c.drive, FormatCompletion::Silent);
       }},
      {"Repair",
       [](const std::string& image) {  // a chain that lost its order
         SlotHeader h1 = testing::ReadHeader(image, 1);
         h1.setFirst(3);
         testing::WriteHeader(image, 1, h1);
         SlotHeader pong = testing::ReadHeader(image, 2);
         pong.setNext(5);
         testing::WriteHeader(image, 2, pong);
       },
       [](Card& c, const std::string&) { return RepairChain(c.dir, c.disk, c.drive); }},
      {"RestoreMerge", {}, [](Card& c, const std::string& files) {
         return RestoreImage(c.dir, {c.disk, c.drive, ""}, files + "/in.VexoImage",
                             [](RestoreList& list) {
                               if (list.csa) list.csa->checked = true;
                               return true;
                             });
       }},
      {"RestoreWithFormat", {}, [](Card& c, const std::string& files) {
         return RestoreImage(c.dir, {c.disk, c.drive, ""}, files + "/in.VexoImage",
                             [](RestoreList&) { return true; },
                             [&c] { return FormatDrive(c.dir, c.disk, c.drive, FormatCompletion::Silent); });
       }},
  };
  return operations;
}

// The crash states of a journal, each as the writes that reached the medium (index, sectors).
using CrashState = std::vector<std::pair<std::size_t, std::size_t>>;
std::vector<std::pair<std::string, CrashState>> CrashStates(const std::vector<JournalingDevice::Event>& journal) {
  std::vector<std::pair<std::string, CrashState>> states;
  std::vector<std::size_t> writes;
  for (std::size_t i = 0; i < journal.size(); ++i)
    if (!journal[i].flush) writes.push_back(i);
  const auto whole = [&](std::size_t i) { return std::pair{i, journal[i].bytes.size() / kSectorSize}; };
  // In the program's order, and with the next write half done.
  for (std::size_t k = 0; k <= writes.size(); ++k) {
    CrashState state;
    for (std::size_t j = 0; j < k; ++j) state.push_back(whole(writes[j]));
    states.emplace_back("first " + std::to_string(k) + " writes", state);
    if (k < writes.size() && journal[writes[k]].bytes.size() >= 2 * kSectorSize) {
      state.emplace_back(writes[k], journal[writes[k]].bytes.size() / kSectorSize / 2);
      states.emplace_back("first " + std::to_string(k) + " writes and half the next", state);
    }
  }
  // What was written since a flush reaches the medium in any order until the next one.
  std::mt19937 random(2026);
  CrashState flushed;
  for (std::size_t begin = 0; begin < journal.size();) {
    std::size_t end = begin;
    while (end < journal.size() && !journal[end].flush) ++end;
    std::vector<std::size_t> epoch;
    for (std::size_t i = begin; i < end; ++i) epoch.push_back(i);
    std::vector<std::size_t> ascending = epoch;
    std::stable_sort(ascending.begin(), ascending.end(),
                     [&](std::size_t a, std::size_t b) { return journal[a].sector < journal[b].sector; });
    const std::string where = "after " + std::to_string(begin) + " events, ";
    for (std::size_t k = 1; k < ascending.size(); ++k) {
      CrashState state = flushed;
      for (std::size_t j = 0; j < k; ++j) state.push_back(whole(ascending[j]));
      states.emplace_back(where + "the " + std::to_string(k) + " lowest writes", state);
    }
    for (int n = 0; n < (epoch.size() > 2 ? 24 : 0); ++n) {
      CrashState state = flushed;
      for (std::size_t i : epoch)
        if (random() % 2 == 0) state.push_back(whole(i));
      states.emplace_back(where + "random subset " + std::to_string(n), state);
    }
    for (std::size_t i : epoch) flushed.push_back(whole(i));
    begin = end + 1;
  }
  return states;
}

TEST_F(CrashStatesTest, EveryOperationLeavesEveryEntryWholeAtEveryMoment) {
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    const std::string base = temp.file(std::string(op.name) + ".img");
    ASSERT_EQ(std::system(("cp --sparse=always " + image + " " + base).c_str()), 0);
    if (op.prepare) op.prepare(base);

    // The operation, as one command runs it.
    auto journaled = std::make_shared<JournalingDevice>(base);
    Card after(journaled, std::make_shared<JournalingDevice>(other));
    ASSERT_TRUE(after.dir.LoadDirectory(after.disk, after.drive, DirectoryLoad::Keep));
    {
      OperationScope operation(after.access);
      ASSERT_TRUE(op.run(after, temp.path())) << "the operation itself failed";
      ASSERT_TRUE(operation.finish());
    }
    ASSERT_TRUE(after.dir.LoadDirectory(after.disk, after.drive, DirectoryLoad::Keep));
    Card before(std::make_shared<JournalingDevice>(base));
    ASSERT_TRUE(before.dir.LoadDirectory(before.disk, before.drive, DirectoryLoad::Keep));
    if (std::string(op.name) != "Repair") {
      EXPECT_FALSE(Diagnose(before.dir).alarming);
    }

    const std::vector<JournalingDevice::Event>& journal = journaled->journal;
    const auto flushes = std::count_if(journal.begin(), journal.end(), [](const auto& e) { return e.flush; });
    EXPECT_LE(flushes, 3) << "flushes are few, whatever the number of entries";
    const auto states = CrashStates(journal);
    for (const auto& [what, writes] : states) {
      auto crashedDevice = std::make_shared<JournalingDevice>(base);
      for (const auto& [index, sectors] : writes) crashedDevice->apply(journal[index], sectors);
      Card crashed(crashedDevice);
      ASSERT_TRUE(crashed.dir.LoadDirectory(crashed.disk, crashed.drive, DirectoryLoad::Keep)) << what;
      const Checked found = check(crashed, before, after, what);
      if (found.missing && std::string(op.name) != "Format" && std::string(op.name) != "RestoreWithFormat") {
        EXPECT_TRUE(Diagnose(crashed.dir).alarming) << what << ": an entry is gone and diagnostics is silent";
      }
      ASSERT_TRUE(RepairChain(crashed.dir, crashed.disk, crashed.drive)) << what;
      ASSERT_TRUE(crashed.dir.LoadDirectory(crashed.disk, crashed.drive, DirectoryLoad::Keep));
      EXPECT_EQ(Diagnose(crashed.dir).summary, "All ok") << what << ", repaired";
      check(crashed, before, after, what + ", repaired");
    }
    std::cout << op.name << ": " << std::count_if(journal.begin(), journal.end(), [](const auto& e) { return !e.flush; })
              << " writes, " << flushes << " flushes, " << states.size() << " crash states\n";
  }
}

}  // namespace
}  // namespace vexo
