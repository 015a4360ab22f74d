#include "transfer/PayloadCodec.h"

#include <algorithm>
#include <cstring>

namespace vexo {
namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// ---- the fields a restored entry takes ----

struct FieldBytes {
  std::size_t offset;
  std::size_t width;
};
constexpr FieldBytes Text(TextField f) { return {f.offset, f.width}; }
constexpr FieldBytes U16At(std::size_t at) { return {at, 2}; }
constexpr FieldBytes U32At(std::size_t at) { return {at, 4}; }

// The entry's own fields in the slot header's order, from category to smlen.
constexpr FieldBytes kEntryFields[] = {
    Text(kCategory), Text(kFilename), Text(kDate),       Text(kTime),       Text(kGciFile),
    Text(kGciDate),  Text(kGciTime),  U16At(kProgLenAt), U16At(kProgSumAt), Text(kDesc1),
    Text(kDesc2),    Text(kDesc3),    Text(kDesc4),      Text(kSmFile),     Text(kSmDate),
    Text(kSmTime),   U32At(kGciLenAt), U16At(kSmLenAt)};

// Between the fields lies only the pad byte that follows each date and time field (dates are
// the fields 11 wide, times 9): the table leaves no field out, and reaches the CSA fields.
constexpr bool OnlyPadBytesLeftOut() {
  std::size_t at = kCategory.offset;
  std::size_t before = 0;  // the width of the field before
  for (const FieldBytes& f : kEntryFields) {
    const bool padded = before == kDate.width || before == kTime.width;
    if (f.offset != at + (padded ? 1 : 0)) return false;
    at = f.offset + f.width;
    before = f.width;
  }
  return at == kCsaFieldsBegin;
}
static_assert(OnlyPadBytesLeftOut());

}  // namespace

// ---- the preamble ---------------------------------------------------------------------------

std::array<std::uint8_t, kPayloadPreamble> EncodePreamble(const PayloadPreamble& preamble) {
  return {static_cast<std::uint8_t>(kPayloadSignature[0]),
          static_cast<std::uint8_t>(kPayloadSignature[1]),
          static_cast<std::uint8_t>(kPayloadSignature[2]),
          static_cast<std::uint8_t>(kPayloadSignature[3]),
          static_cast<std::uint8_t>(preamble.entrycount),
          static_cast<std::uint8_t>(preamble.entrycount >> 8),
          static_cast<std::uint8_t>(preamble.hascsa ? 1 : 0)};
}

bool HasPayloadSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= sizeof kPayloadSignature &&
         std::equal(kPayloadSignature, kPayloadSignature + sizeof kPayloadSignature, bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::optional<PayloadPreamble> DecodePreamble(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kPayloadPreamble || !HasPayloadSignature(bytes)) return std::nullopt;
  const PayloadPreamble preamble{U16(bytes.data() + 4), bytes[6] == 1};
  if (preamble.entrycount > kSlotCount) return std::nullopt;
  return preamble;
}

// ---- the stored headers ---------------------------------------------------------------------

bool EntryFitsSlot(const SlotHeader& h) {
  return h.proglen() <= kMaxProgramBytes && h.smlen() <= kMaxSmBytes && h.gcilen() <= kGciCapacity;
}

SlotHeader EncodeStoredHeader(const SlotHeader& entry, const SlotHeader& header1, bool first) {
  SlotHeader stored = entry;
  if (first) CopyCsaFields(header1, stored);
  return stored;
}

void CopyCsaFields(const SlotHeader& from, SlotHeader& to) {
  std::copy(from.bytes.begin() + kCsaFieldsBegin, from.bytes.begin() + kCsaFieldsEnd,
            to.bytes.begin() + kCsaFieldsBegin);
}

void CopyEntryFields(const SlotHeader& from, SlotHeader& to) {
  for (const FieldBytes& f : kEntryFields)
    std::copy_n(from.bytes.begin() + f.offset, f.width, to.bytes.begin() + f.offset);
}

// ---- the entry blocks -----------------------------------------------------------------------

std::array<std::uint8_t, 2> EncodeGfxcount(std::uint16_t gfxcount) {
  return {static_cast<std::uint8_t>(gfxcount), static_cast<std::uint8_t>(gfxcount >> 8)};
}

std::optional<std::uint16_t> DecodeGfxcount(std::span<const std::uint8_t, 2> bytes) {
  const std::uint16_t count = U16(bytes.data());
  if (count > kMaxGraphicsCount) return std::nullopt;
  return count;
}

// ---- reading a payload in order -------------------------------------------------------------

bool PayloadBytes::read(void* data, std::size_t length) {
  if (length > bytes_.size() - position_) return false;
  if (length > 0) std::memcpy(data, bytes_.data() + position_, length);
  position_ += length;
  return true;
}

bool PayloadBytes::pass(std::uint64_t length) {
  if (length > bytes_.size() - position_) return false;
  position_ += length;
  return true;
}

std::optional<StoredHeaders> ReadStoredHeaders(PayloadSource& in) {
  std::array<std::uint8_t, kPayloadPreamble> bytes;
  // The signature alone first: what does not begin with it is refused before more is read.
  if (!in.read(bytes.data(), sizeof kPayloadSignature) || !HasPayloadSignature(bytes) ||
      !in.read(bytes.data() + sizeof kPayloadSignature, kPayloadPreamble - sizeof kPayloadSignature))
    return std::nullopt;
  const std::optional<PayloadPreamble> preamble = DecodePreamble(bytes);
  if (!preamble) return std::nullopt;

  StoredHeaders stored;
  stored.hascsa = preamble->hascsa;
  stored.headers.resize(preamble->entrycount);
  std::uint64_t least = kPayloadPreamble + 512ull * preamble->entrycount;
  for (SlotHeader& h : stored.headers) {
    if (!in.read(h.bytes.data(), h.bytes.size()) || !EntryFitsSlot(h)) return std::nullopt;
    least += EntryBlockBytes(h, 0);  // with no graphics records
  }
  if (stored.hascsa && !stored.headers.empty()) stored.csaBytes = stored.headers[0].csalen();
  if (in.size() != 0 && in.size() < least + stored.csaBytes) return std::nullopt;
  return stored;
}

std::optional<std::uint16_t> ReadGfxcount(PayloadSource& in) {
  std::array<std::uint8_t, 2> bytes;
  if (!in.read(bytes.data(), bytes.size())) return std::nullopt;
  return DecodeGfxcount(bytes);
}

bool PassOverEntryBlock(PayloadSource& in, const SlotHeader& h) {
  if (!in.pass(h.proglen())) return false;
  const std::optional<std::uint16_t> gfxcount = ReadGfxcount(in);
  return gfxcount && in.pass(32ull * *gfxcount + h.smlen() + h.gcilen());
}

bool PassOverEntryBlocks(PayloadSource& in, const StoredHeaders& stored) {
  for (const SlotHeader& h : stored.headers)
    if (!PassOverEntryBlock(in, h)) return false;
  return !stored.hascsa || stored.headers.empty() || in.pass(stored.csaBytes);
}

}  // namespace vexo
