#pragma once
// Text on the card is one byte per character: ISO-8859-1. Text in the program is UTF-8.

#include <cstdint>
#include <string>

namespace vexo {

// The characters of a UTF-8 text as code points; a byte that is not part of a valid UTF-8
// sequence stands for itself (file names on Linux need not be valid UTF-8).
std::u32string DecodeUtf8(const std::string& text);

// Code points back to UTF-8.
std::string EncodeUtf8(const std::u32string& chars);

// One byte per character, ISO-8859-1, to UTF-8.
std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t length);

// The text without the blanks and control characters at either end (typed answers, list lines).
std::string TrimBlanksAndControls(const std::string& text);

// Lowers A to Z only, as the card's name comparisons do.
inline std::uint8_t LowerAsciiLetter(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c - 'A' + 'a') : c;
}
std::string LowerAsciiLetters(std::string text);

}  // namespace vexo
