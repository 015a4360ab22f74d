#pragma once
// The restore tests' card and archive: a card to restore onto, the archive the payload goes
// into, a chooser that records the list it is shown, and an observer of the volume tree.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/transfer/ArchiveFixture.h"
#include "transfer/Backup.h"
#include "transfer/Restore.h"

namespace vexo::testing {

// The header without its chain links, which a restore sets as the target card wants.
inline SlotHeader WithoutLinks(SlotHeader h) {
  h.setNext(0);
  h.setPrevious(0);
  h.setFirst(0);
  h.setLast(0);
  return h;
}

// The list's items as it shows them.
inline std::vector<std::string> Texts(const RestoreList& list) {
  std::vector<std::string> texts;
  for (const RestoreItem& item : list.items()) texts.push_back(item.text);
  return texts;
}

// `bytes` without their last `n`.
inline std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t n) {
  bytes.resize(bytes.size() - n);
  return bytes;
}

// The volume tree's side of a restore: the categories it is asked to show, and a refusal.
struct RecordingObserver : VolumeObserver {
  std::vector<std::string> categories;
  int refuseAt = 0;  // 1-based call that answers false; 0: none
  int changes = 0;
  bool showCategory(const std::string& category) override {
    categories.push_back(category);
    return static_cast<int>(categories.size()) != refuseAt;
  }
  void entriesChanged() override { ++changes; }
};

class RestoreTest : public TransferFixture {
 protected:
  void SetUp() override {
    TransferFixture::SetUp();
    archive = temp.file("in.VexoImage");
    dir.observer = &observer;
  }
  void put(const std::vector<std::uint8_t>& payload) { WriteArchive(archive, payload); }
  bool restore(const std::function<void(RestoreList&)>& choose = [](RestoreList&) {}) {
    return RestoreImage(dir, target(), archive, [&](RestoreList& list) {
      ++chooserCalls;
      shown = Texts(list);
      choose(list);
      return true;
    });
  }
  void reload() { ASSERT_TRUE(dir.LoadDirectory(disk, drive, DirectoryLoad::Keep)); }
  // Fills the data sectors of a slot, so that what a restore leaves in them shows.
  void soil(int slot) {
    const std::vector<std::uint8_t> junk(4095 * kSectorSize, 0xEE);
    WriteBytes(image, (S(slot) + 1) * kSectorSize, junk.data(), junk.size());
  }
  std::vector<std::uint8_t> at(int slot, std::uint64_t sector, std::size_t bytes) const {
    return ReadBytes(image, (S(slot) + sector) * kSectorSize, bytes);
  }
  // The entry's data is in the slot, its index as stored and filled up with empty records.
  void expectData(int slot, const StoredEntry& e) const {
    SCOPED_TRACE("slot " + std::to_string(slot));
    EXPECT_EQ(at(slot, kProgramSector, e.data.program.size()), e.data.program);
    EXPECT_EQ(at(slot, kSmSector, e.data.sm.size()), e.data.sm);
    EXPECT_EQ(at(slot, kGciSector, e.data.gci.size()), e.data.gci);
    std::vector<GraphicsRecord> index(
        e.data.index.begin(), e.data.index.begin() + static_cast<std::ptrdiff_t>(e.gfxcount));
    index.resize(kGraphicsRecords, GraphicsRecord::Empty());
    EXPECT_EQ(at(slot, kGraphicsIndexSector, 8192), IndexBytes(index));
  }
  std::vector<std::pair<std::uint64_t, std::size_t>> writes() const {
    std::vector<std::pair<std::uint64_t, std::size_t>> out;
    for (const auto& w : device->writes) out.emplace_back(w.sector, w.count);
    return out;
  }

  std::string archive;
  RecordingObserver observer;
  int chooserCalls = 0;
  std::vector<std::string> shown;
};


}  // namespace vexo::testing
