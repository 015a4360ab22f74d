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
// A stretch's edges are found to 512 bytes: the random bytes left to LZMA cost the most time
// both ways.
constexpr std::size_t kEdgeStep = 512;
// Shorter even stretches are compressed with their neighbours, so they keep their context.
constexpr std::size_t kMinStretch = kSegment;

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

struct Anchor {
  std::uint64_t hash;
  std::size_t segment;
  bool operator<(const Anchor& o) const {
    return hash != o.hash ? hash < o.hash : segment < o.segment;
  }
};

// Random bytes show about 221 different values in 512, text a few dozen.
bool IsVariedEdge(const std::uint8_t* data) {
  std::array<std::uint64_t, 4> seen{};
  for (std::size_t i = 0; i < kEdgeStep; ++i) seen[data[i] >> 6] |= std::uint64_t{1} << (data[i] & 63);
  int distinct = 0;
  for (std::uint64_t bits : seen) distinct += __builtin_popcountll(bits);
  return distinct >= 160;
}

// Random bytes show about 56 different values in 64; text and runs far fewer. Only such
// windows count as repeats worth compressing: the same text at the edges of two random
// stretches is not.
bool IsVaried(const std::uint8_t* window) {
  std::array<std::uint64_t, 4> seen{};
  for (int i = 0; i < 64; ++i) seen[window[i] >> 6] |= std::uint64_t{1} << (window[i] & 63);
  int distinct = 0;
  for (std::uint64_t bits : seen) distinct += __builtin_popcountll(bits);
  return distinct >= 40;
}

void AddAnchors(const std::uint8_t* data, std::size_t begin, std::size_t end,
                std::vector<Anchor>& anchors) {
  std::uint64_t h = 0;
  for (std::size_t i = begin; i < end; ++i) {
    h = (h << 1) + kGear[data[i]];
    if (i >= begin + 64 && (h >> 56) == 0 && IsVaried(data + i - 63))
      anchors.push_back({h, i / kSegment});
  }
}

}  // namespace

std::vector<Stretch> StoredStretches(const std::uint8_t* data, std::size_t size) {
  const std::size_t segments = size / kSegment;
  std::vector<bool> even(segments);
  for (std::size_t k = 0; k < segments; ++k) even[k] = IsEven(data + k * kSegment, kSegment);

  // Bytes that repeat are LZMA's to find: every segment from a repeat's first place to its
  // last is compressed, in one run.
  std::vector<Anchor> anchors;
  for (std::size_t k = 0; k < segments;) {
    std::size_t end = k;
    while (end < segments && even[end]) ++end;
    if (end > k) AddAnchors(data, k * kSegment, end * kSegment, anchors);
    k = end + 1;
  }
  std::sort(anchors.begin(), anchors.end());
  for (std::size_t i = 0; i < anchors.size();) {
    std::size_t j = i + 1;
    while (j < anchors.size() && anchors[j].hash == anchors[i].hash) ++j;
    if (j - i > 1)
      std::fill(even.begin() + static_cast<std::ptrdiff_t>(anchors[i].segment),
                even.begin() + static_cast<std::ptrdiff_t>(anchors[j - 1].segment) + 1, false);
    i = j;
  }

  std::vector<Stretch> stretches;
  for (std::size_t k = 0; k < segments; ++k) {
    if (!even[k]) continue;
    const std::size_t at = k * kSegment;
    if (!stretches.empty() && stretches.back().end == at) stretches.back().end += kSegment;
    else stretches.push_back({at, at + kSegment});
  }
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    Stretch& s = stretches[i];
    const std::size_t low = i == 0 ? 0 : stretches[i - 1].end;
    const std::size_t high = i + 1 == stretches.size() ? size : stretches[i + 1].begin;
    while (s.begin >= low + kEdgeStep && IsVariedEdge(data + s.begin - kEdgeStep)) s.begin -= kEdgeStep;
    while (s.end + kEdgeStep <= high && IsVariedEdge(data + s.end)) s.end += kEdgeStep;
  }
  std::erase_if(stretches, [](const Stretch& s) { return s.end - s.begin < kMinStretch; });
  return stretches;
}

}  // namespace vexo
