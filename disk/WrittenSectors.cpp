#include "disk/WrittenSectors.h"

#include <lzma.h>

#include "disk/SectorDevice.h"

namespace vexo {

std::uint32_t WrittenSectors::Checksum(const std::uint8_t* sector) {
  return lzma_crc32(sector, kSectorSize, 0);
}

void WrittenSectors::add(std::uint64_t first, std::size_t count, const std::uint8_t* data) {
  if (count == 0) return;
  const std::uint64_t end = first + count;
  // Earlier pieces lose what this run writes again: the part before it stays, and so does the
  // part after it, as a piece of its own.
  auto it = pieces_.lower_bound(first);
  if (it != pieces_.begin()) {
    auto before = std::prev(it);
    const std::uint64_t beforeEnd = before->first + before->second.count;
    if (beforeEnd > first) {
      if (beforeEnd > end)
        pieces_[end] = {static_cast<std::size_t>(beforeEnd - end),
                        before->second.at + static_cast<std::size_t>(end - before->first)};
      before->second.count = static_cast<std::size_t>(first - before->first);
    }
  }
  it = pieces_.lower_bound(first);
  while (it != pieces_.end() && it->first < end) {
    const std::uint64_t pieceEnd = it->first + it->second.count;
    if (pieceEnd > end)
      pieces_[end] = {static_cast<std::size_t>(pieceEnd - end),
                      it->second.at + static_cast<std::size_t>(end - it->first)};
    it = pieces_.erase(it);
  }
  pieces_[first] = {count, checksums_.size()};
  for (std::size_t i = 0; i < count; ++i) checksums_.push_back(Checksum(data + i * kSectorSize));
}

void WrittenSectors::clear() {
  pieces_.clear();
  checksums_.clear();
}

std::vector<WrittenSectors::Run> WrittenSectors::runs() const {
  std::vector<Run> out;
  for (const auto& [first, piece] : pieces_)
    if (piece.count > 0) out.push_back({first, piece.count, checksums_.data() + piece.at});
  return out;
}

}  // namespace vexo
