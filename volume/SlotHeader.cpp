#include "volume/SlotHeader.h"

#include <algorithm>

#include "volume/Latin1.h"

namespace vexo {

std::string PutField(const std::string& text, std::size_t width) {
  std::string field(width, ' ');
  field[width - 1] = '\0';
  const std::u32string chars = DecodeUtf8(text);
  const std::size_t kept = std::min(chars.size(), width - 1);
  for (std::size_t i = 0; i < kept; ++i) field[i] = static_cast<char>(chars[i] & 0xFF);
  return field;
}

namespace {

std::size_t FieldLength(const std::uint8_t* bytes, std::size_t width) {
  std::size_t end = width;
  while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == 0)) --end;
  return end;
}

}  // namespace

std::string GetField(const std::uint8_t* bytes, std::size_t width) {
  return Latin1ToUtf8(bytes, FieldLength(bytes, width));
}

// A byte above 127 is two in UTF-8, neither of them ASCII: such a field matches no ASCII text
// either way.
bool FieldIsLoweredAscii(const std::uint8_t* bytes, std::size_t width, const std::string& text) {
  const std::size_t length = FieldLength(bytes, width);
  if (length != text.size()) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (LowerAsciiLetter(bytes[i]) != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

void SlotHeader::setText(TextField f, const std::string& t) {
  const std::string field = PutField(t, f.width);
  std::copy(field.begin(), field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(f.offset));
}

std::string SlotHeader::rawText(TextField f) const {
  return Latin1ToUtf8(bytes.data() + f.offset, f.width);
}

std::string SortKey(const SlotHeader& h) {
  const auto part = [&](TextField f) {
    return std::string(reinterpret_cast<const char*>(h.bytes.data() + f.offset), f.width - 1);
  };
  return LowerAsciiLetters(part(kCategory) + part(kFilename));
}

bool SortsBefore(const SlotHeader& a, const SlotHeader& b) {
  for (TextField f : {kCategory, kFilename}) {
    for (std::size_t i = f.offset; i < f.offset + f.width - 1; ++i) {
      const std::uint8_t x = LowerAsciiLetter(a.bytes[i]), y = LowerAsciiLetter(b.bytes[i]);
      if (x != y) return x < y;
    }
  }
  return false;
}

SlotHeader BlankHeader(SlotState state) {
  SlotHeader h;
  h.setMagic(kMagic);
  for (TextField f : {kCategory, kFilename, kDate, kTime, kGciFile, kGciDate, kGciTime, kDesc1,
                      kDesc2, kDesc3, kDesc4, kSmFile, kSmDate, kSmTime, kCsaFile}) {
    h.setText(f, {});
  }
  if (state == SlotState::Free) h.bytes[kFilename.offset] = 0;
  return h;
}

void SetTimestamp(SlotHeader& h, TextField dateField, TextField timeField,
                  const std::string& stamp) {
  const std::u32string chars = DecodeUtf8(stamp);
  h.setText(dateField, EncodeUtf8(chars.substr(0, 10)));
  h.setText(timeField, EncodeUtf8(chars.substr(std::min<std::size_t>(10, chars.size()), 8)));
}

}  // namespace vexo
