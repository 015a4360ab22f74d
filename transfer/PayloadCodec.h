#pragma once
// The payload of an image archive (laid out in ImagePayload.h) encoded and decoded in one
// place, so that a backup writes exactly what a restore reads. Decoding takes plain bytes, or
// a payload read in order from wherever it comes: an archive, or bytes in memory.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "transfer/ImagePayload.h"

namespace vexo {

// ---- the preamble ---------------------------------------------------------------------------
struct PayloadPreamble {
  std::uint16_t entrycount = 0;
  bool hascsa = false;
};

std::array<std::uint8_t, kPayloadPreamble> EncodePreamble(const PayloadPreamble& preamble);
bool HasPayloadSignature(std::span<const std::uint8_t> bytes);
// Nothing when the bytes are not a preamble, or count more headers than a volume has slots.
// Any hascsa but 1 means no Common Storage Area.
std::optional<PayloadPreamble> DecodePreamble(std::span<const std::uint8_t> bytes);

// ---- the stored headers ---------------------------------------------------------------------

// Whether the data a header announces stays inside its slot: a region beyond its room would
// run into the regions after it, or into the next slot. A backup refuses to store such an
// entry and a restore to write one.
bool EntryFitsSlot(const SlotHeader& h);

// The header as stored: the first one carries header 1's Common Storage Area fields, whichever
// slot it came from.
SlotHeader EncodeStoredHeader(const SlotHeader& entry, const SlotHeader& header1, bool first);
// The Common Storage Area fields, from the first stored header to header 1 and back.
void CopyCsaFields(const SlotHeader& from, SlotHeader& to);
// What a restored entry takes of its stored header: its own fields, category to smlen. The
// target keeps its chain links, the padding between the fields, and the bytes after them.
void CopyEntryFields(const SlotHeader& from, SlotHeader& to);

// ---- the entry blocks -----------------------------------------------------------------------

// The bytes of one entry block.
inline std::uint64_t EntryBlockBytes(const SlotHeader& h, std::uint64_t gfxcount) {
  return std::uint64_t{h.proglen()} + 2 + 32 * gfxcount + h.smlen() + h.gcilen();
}

std::array<std::uint8_t, 2> EncodeGfxcount(std::uint16_t gfxcount);
// Nothing beyond the records a graphics index holds.
std::optional<std::uint16_t> DecodeGfxcount(std::span<const std::uint8_t, 2> bytes);

// ---- reading a payload in order -------------------------------------------------------------

class PayloadSource {
 public:
  virtual ~PayloadSource() = default;
  // Exactly `length` bytes; false at the payload's end or on an error, which the source keeps.
  virtual bool read(void* data, std::size_t length) = 0;
  virtual bool pass(std::uint64_t length) = 0;
  // The payload's size as declared before it is read, 0 when nothing says.
  virtual std::uint64_t size() const = 0;
};

// The payload's bytes in memory.
class PayloadBytes : public PayloadSource {
 public:
  explicit PayloadBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool read(void* data, std::size_t length) override;
  bool pass(std::uint64_t length) override;
  std::uint64_t size() const override { return bytes_.size(); }
  std::uint64_t position() const { return position_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
};

// The stored headers and what follows from them.
struct StoredHeaders {
  bool hascsa = false;
  std::vector<SlotHeader> headers;
  // csalen of the first stored header; with no header, not known until the payload has ended.
  std::uint64_t csaBytes = 0;
};

// The preamble and stored headers, all that the restore list needs; nothing when they cannot
// be read, a header does not fit its slot, or the declared size cannot hold what they say.
std::optional<StoredHeaders> ReadStoredHeaders(PayloadSource& in);
// After the stored headers: passes over one entry block, or every block and the Common Storage
// Area behind them. False when the payload ends early or a graphics count is beyond its index.
bool PassOverEntryBlock(PayloadSource& in, const SlotHeader& h);
bool PassOverEntryBlocks(PayloadSource& in, const StoredHeaders& stored);
// The graphics count at the start of an entry block's records.
std::optional<std::uint16_t> ReadGfxcount(PayloadSource& in);

}  // namespace vexo
