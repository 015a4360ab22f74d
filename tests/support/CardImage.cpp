#include "tests/support/CardImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vexo::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vexo-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string MakeImage(const std::string& path, std::uint64_t bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0)
    throw std::runtime_error("cannot make " + path);
  ::close(fd);
  return path;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path, std::uint64_t offset,
                                    std::size_t length) {
  std::vector<std::uint8_t> data(length);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::pread(fd, data.data(), length, static_cast<off_t>(offset)) !=
                    static_cast<ssize_t>(length))
    throw std::runtime_error("cannot read " + path);
  ::close(fd);
  return data;
}

void WriteBytes(const std::string& path, std::uint64_t offset, const void* data,
                std::size_t length) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 || ::pwrite(fd, data, length, static_cast<off_t>(offset)) !=
                    static_cast<ssize_t>(length))
    throw std::runtime_error("cannot write " + path);
  ::close(fd);
}

SlotHeader ReadHeader(const std::string& path, int slot) {
  SlotHeader h;
  const std::vector<std::uint8_t> data =
      ReadBytes(path, SlotFirstSector(slot) * kSectorSize, SlotHeader::kSize);
  std::copy(data.begin(), data.end(), h.bytes.begin());
  return h;
}

void WriteHeader(const std::string& path, int slot, const SlotHeader& h) {
  WriteBytes(path, SlotFirstSector(slot) * kSectorSize, h.bytes.data(), SlotHeader::kSize);
}

std::uint64_t CardDigest(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot read " + path);
  std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
  const auto mix = [&](const std::uint8_t* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) digest = (digest ^ bytes[i]) * 1099511628211ull;
  };
  std::vector<std::uint8_t> chunk(1 << 20);
  off_t data = ::lseek(fd, 0, SEEK_DATA);
  while (data >= 0) {
    const off_t hole = ::lseek(fd, data, SEEK_HOLE);
    for (off_t at = data & ~off_t{511}; at < hole;) {
      const ssize_t got = ::pread(fd, chunk.data(), chunk.size(), at);
      if (got <= 0) break;
      for (ssize_t s = 0; s + 512 <= got; s += 512) {
        const std::uint8_t* sector = chunk.data() + s;
        if (std::all_of(sector, sector + 512, [](std::uint8_t b) { return b == 0; })) continue;
        const std::uint64_t number = static_cast<std::uint64_t>(at + s) / 512;
        mix(reinterpret_cast<const std::uint8_t*>(&number), sizeof number);
        mix(sector, 512);
      }
      at += got;
    }
    data = ::lseek(fd, hole, SEEK_DATA);
  }
  ::close(fd);
  return digest;
}

std::string HeaderDump(const std::string& path) {
  static const char* const kHex = "0123456789abcdef";
  const SlotHeader free = BlankHeader(SlotState::Free);
  std::string dump;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader h = ReadHeader(path, slot);
    if (h == free) continue;
    dump += "slot " + std::to_string(slot) + "\n";
    for (std::size_t line = 0; line < SlotHeader::kSize; line += 16) {
      char offset[8];
      std::snprintf(offset, sizeof offset, "%03zx:", line);
      std::string hex = offset, text;
      for (std::size_t i = line; i < line + 16; ++i) {
        hex += ' ';
        hex += kHex[h.bytes[i] >> 4];
        hex += kHex[h.bytes[i] & 15];
        text += h.bytes[i] >= 0x20 && h.bytes[i] < 0x7F ? static_cast<char>(h.bytes[i]) : '.';
      }
      dump += hex + "  |" + text + "|\n";
    }
  }
  return dump;
}

void WriteHeaderDump(const std::string& path, const std::string& dump) {
  std::istringstream lines(dump);
  std::string line;
  int slot = 0;
  SlotHeader h;
  while (std::getline(lines, line)) {
    if (line.rfind("slot ", 0) == 0) {
      slot = std::stoi(line.substr(5));
      continue;
    }
    const std::size_t offset = std::stoul(line.substr(0, 3), nullptr, 16);
    for (std::size_t i = 0; i < 16; ++i)
      h.bytes[offset + i] = static_cast<std::uint8_t>(std::stoul(line.substr(5 + 3 * i, 2), nullptr, 16));
    if (offset + 16 == SlotHeader::kSize) WriteHeader(path, slot, h);
  }
}

void FormatImage(const std::string& path) {
  const SlotHeader blank = BlankHeader(SlotState::Free);
  for (int slot = 1; slot <= kSlotCount; ++slot) WriteHeader(path, slot, blank);
}

std::vector<SlotHeader> CardBuilder::headers() const {
  std::vector<SlotHeader> all(kSlotCount + 1, BlankHeader(SlotState::Free));
  std::vector<int> order;
  for (const auto& [slot, entry] : entries) {
    SlotHeader& h = all[static_cast<std::size_t>(slot)];
    h = BlankHeader(SlotState::InUse);
    h.setCategory(entry.category);
    h.setFilename(entry.name);
    order.push_back(slot);
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return SortKey(all[static_cast<std::size_t>(a)]) < SortKey(all[static_cast<std::size_t>(b)]);
  });
  for (std::size_t k = 0; k < order.size(); ++k) {
    SlotHeader& h = all[static_cast<std::size_t>(order[k])];
    h.setPrevious(static_cast<std::uint16_t>(k > 0 ? order[k - 1] : 0));
    h.setNext(static_cast<std::uint16_t>(k + 1 < order.size() ? order[k + 1] : 0));
  }
  all[1].setFirst(static_cast<std::uint16_t>(order.empty() ? 0 : order.front()));
  all[1].setLast(static_cast<std::uint16_t>(order.empty() ? 0 : order.back()));
  return all;
}

void CardBuilder::writeTo(const std::string& path) const {
  const std::vector<SlotHeader> all = headers();
  for (int slot = 1; slot <= kSlotCount; ++slot)
    WriteHeader(path, slot, all[static_cast<std::size_t>(slot)]);
}

}  // namespace vexo::testing
