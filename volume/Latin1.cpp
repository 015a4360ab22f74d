#include "volume/Latin1.h"

namespace vexo {

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char lead = s[i];
    const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    char32_t code = lead & (0x3F >> extra);
    bool valid = lead < 0x80 || (extra > 0 && lead <= 0xF4 && i + extra < n);
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (s[i + k] & 0x3F);
    }
    const char32_t minimum = extra == 0 ? 0 : extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    if (valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(lead < 0x80 ? lead : code);
      i += lead < 0x80 ? 1 : extra + 1;
    } else {
      out.push_back(lead);  // not UTF-8: the byte stands for itself
      ++i;
    }
  }
  return out;
}

std::string EncodeUtf8(const std::u32string& chars) {
  std::string out;
  for (char32_t c : chars) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t length) {
  return EncodeUtf8(std::u32string(bytes, bytes + length));
}

std::string TrimBlanksAndControls(const std::string& text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string LowerAsciiLetters(std::string text) {
  for (char& c : text) c = static_cast<char>(LowerAsciiLetter(static_cast<std::uint8_t>(c)));
  return text;
}

}  // namespace vexo
