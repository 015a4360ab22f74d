#include "transfer/StoredStretches.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vexo {
namespace {

// Judged 4 KiB at a time: small enough to find the edges of a random asset among zeros and
// text, large enough for a fair count of 256 byte values.
constexpr std::size_t kSegment = 4096;
// 7.9 of 8 bits a byte: order-0 coding alone could save at most 1.25 %.
constexpr double kEvenBits = 7.9;
// Shorter even stretches are compressed with their neighbours, so they keep their context.
constexpr std::size_t kMinStretch = 2 * kSegment;

// c × log2(c) for every count a segment can hold.
const std::array<float, kSegment + 1>& CountLogs() {
  static const std::array<float, kSegment + 1> table = [] {
    std::array<float, kSegment + 1> t{};
    for (std::size_t c = 1; c <= kSegment; ++c)
      t[c] = static_cast<float>(static_cast<double>(c) * std::log2(static_cast<double>(c)));
    return t;
  }();
  return table;
}

bool IsEven(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint32_t, 256> counts{};
  for (std::size_t i = 0; i < size; ++i) ++counts[data[i]];
  const auto& logs = CountLogs();
  double sum = 0;
  for (std::uint32_t c : counts) sum += logs[c];
  const double n = static_cast<double>(size);
  return std::log2(n) - sum / n >= kEvenBits;  // the order-0 entropy in bits a byte
}

// A gear hash of the last 64 bytes at content-chosen anchors (about one in 256 positions):
// the same bytes give the same anchors wherever they stand, so a repeat shows as a hash seen
// twice.
constexpr std::array<std::uint64_t, 256> kGear = [] {
  std::array<std::uint64_t, 256> g{};
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (std::uint64_t& v : g) {  // splitmix64
    x += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    v = z ^ (z >> 31);
  }
  return g;
}();

void AddAnchors(const std::uint8_t* data, std::size_t size, std::vector<std::uint64_t>& anchors) {
  std::uint64_t h = 0;
  for (std::size_t i = 0; i < size; ++i) {
    h = (h << 1) + kGear[data[i]];
    if (i >= 64 && (h >> 56) == 0) anchors.push_back(h);
  }
}

}  // namespace

std::vector<Stretch> StoredStretches(const std::uint8_t* data, std::size_t size) {
  std::vector<Stretch> stretches;
  std::vector<std::uint64_t> anchors;
  for (std::size_t at = 0; at + kSegment <= size; at += kSegment) {
    if (!IsEven(data + at, kSegment)) continue;
    if (!stretches.empty() && stretches.back().end == at) stretches.back().end += kSegment;
    else stretches.push_back({at, at + kSegment});
  }
  std::erase_if(stretches, [](const Stretch& s) { return s.end - s.begin < kMinStretch; });
  for (const Stretch& s : stretches) AddAnchors(data + s.begin, s.end - s.begin, anchors);
  std::sort(anchors.begin(), anchors.end());
  if (std::adjacent_find(anchors.begin(), anchors.end()) != anchors.end()) return {};
  return stretches;
}

}  // namespace vexo
