#pragma once
// Card images for tests: sparse files in a temporary folder, written and read back directly
// (not through the code under test), and a builder for directories with a consistent chain.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "volume/SlotHeader.h"

namespace vexo::testing {

inline constexpr std::uint64_t kOneGiB = 1ull << 30;
inline constexpr std::uint64_t kCardBytes = kOneGiB + (64ull << 20);

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A sparse, zero-filled file of `bytes`.
std::string MakeImage(const std::string& path, std::uint64_t bytes = kCardBytes);

std::vector<std::uint8_t> ReadBytes(const std::string& path, std::uint64_t offset,
                                    std::size_t length);
void WriteBytes(const std::string& path, std::uint64_t offset, const void* data,
                std::size_t length);
SlotHeader ReadHeader(const std::string& path, int slot);
void WriteHeader(const std::string& path, int slot, const SlotHeader& h);

// A digest of every sector of a card that is not all zeros, with its number: equal digests mean
// equal cards. Reads only the parts of a sparse image that hold data.
std::uint64_t CardDigest(const std::string& path);

// The headers of a card that differ from a formatted card's free header, as a hex dump a person
// can read: "slot N" and 32 lines of 16 bytes with their characters. WriteHeaderDump writes such a
// dump back onto a (formatted) card.
std::string HeaderDump(const std::string& path);
void WriteHeaderDump(const std::string& path, const std::string& dump);

// Writes the 512 free blank headers a formatted card has.
void FormatImage(const std::string& path);

// Entries to put on a formatted card: category and name per slot. `build` links them in sort
// order, as a consistent volume has them, and writes every header.
struct CardBuilder {
  struct Entry {
    std::string category;
    std::string name;
  };
  std::map<int, Entry> entries;

  CardBuilder& add(int slot, std::string category, std::string name) {
    entries[slot] = {std::move(category), std::move(name)};
    return *this;
  }
  // The 512 headers (index 1 to 512; 0 unused) of the card.
  std::vector<SlotHeader> headers() const;
  void writeTo(const std::string& path) const;
};

}  // namespace vexo::testing
