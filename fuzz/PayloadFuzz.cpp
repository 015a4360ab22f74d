// The payload of an image archive as a restore reads it, without the archive around it: the
// preamble, the stored headers, the restore list made of them, and the walk over the entry
// blocks and the Common Storage Area behind them. The walk is checked against offsets worked
// out here from the bytes alone.

#include <cstdlib>
#include <span>

#include "transfer/PayloadCodec.h"
#include "transfer/Restore.h"

namespace vexo::fuzz {
namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

// Where the entry blocks end and the Common Storage Area begins, or nothing when the bytes end
// before; from the lengths in the headers and the graphics counts at their places.
std::optional<std::uint64_t> EntryBlocksEnd(std::span<const std::uint8_t> bytes,
                                            const StoredHeaders& stored) {
  std::uint64_t at = kPayloadPreamble + 512ull * stored.headers.size();
  for (const SlotHeader& h : stored.headers) {
    at += h.proglen();
    if (at > bytes.size() || bytes.size() - at < 2) return std::nullopt;
    const std::optional<std::uint16_t> gfxcount = DecodeGfxcount(bytes.subspan(at).first<2>());
    if (!gfxcount) return std::nullopt;
    at += EntryBlockBytes(h, *gfxcount) - h.proglen();
  }
  if (at > bytes.size()) return std::nullopt;
  return at;
}

}  // namespace
}  // namespace vexo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexo;
  using namespace vexo::fuzz;
  const std::span<const std::uint8_t> bytes(data, size);
  const std::optional<PayloadPreamble> preamble = DecodePreamble(bytes);
  PayloadBytes in(bytes);
  const std::optional<StoredHeaders> stored = ReadStoredHeaders(in);
  if (!stored) return 0;

  // What was read is the preamble and the headers, each within its slot, and the payload is
  // long enough for what they say.
  Require(preamble && preamble->entrycount == stored->headers.size() &&
          preamble->hascsa == stored->hascsa);
  const auto encoded = EncodePreamble(*preamble);
  Require(std::equal(encoded.begin(), encoded.end() - 1, bytes.begin()));
  Require(in.position() == kPayloadPreamble + 512ull * stored->headers.size());
  std::uint64_t least = in.position() + stored->csaBytes;
  for (const SlotHeader& h : stored->headers) {
    Require(EntryFitsSlot(h));
    least += EntryBlockBytes(h, 0);
  }
  Require(least <= size);

  std::vector<RestoreItem> items;
  for (const SlotHeader& h : stored->headers)
    items.push_back({RestoreList::Join(h.category(), h.filename()), true,
                     static_cast<int>(items.size()) + 1});
  RestoreList list(std::move(items));
  for (const RestoreItem& item : list.items()) RestoreList::Split(item.text);
  list.ProposedCategory();

  // The walk ends where the offsets say, or fails where they run past the bytes.
  const bool walked = PassOverEntryBlocks(in, *stored);
  const std::optional<std::uint64_t> blocksEnd = EntryBlocksEnd(bytes, *stored);
  const bool csaFollows = stored->hascsa && !stored->headers.empty();
  const bool fits = blocksEnd && (!csaFollows || size - *blocksEnd >= stored->csaBytes);
  Require(walked == fits);
  if (walked) Require(in.position() == *blocksEnd + (csaFollows ? stored->csaBytes : 0));
  Require(in.position() <= size);
  return 0;
}
