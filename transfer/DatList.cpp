#include "transfer/DatList.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "volume/Latin1.h"

namespace vexo {
namespace {

// Splits off the word up to the first blank; the rest loses its leading blanks.
std::string NextWord(std::string& rest) {
  const std::size_t blank = rest.find(' ');
  std::string word = rest.substr(0, blank);
  rest = blank == std::string::npos ? std::string() : rest.substr(blank);
  const std::size_t start = rest.find_first_not_of(' ');
  rest = start == std::string::npos ? std::string() : rest.substr(start);
  return word;
}

// The first four characters of a word as upper-case hexadecimal digits.
std::optional<std::uint32_t> HexWord(const std::string& word) {
  static const std::string kDigits = "0123456789ABCDEF";
  if (word.size() < 4) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t digit = kDigits.find(word[i]);
    if (digit == std::string::npos) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

// A number from 0 to 65535; a word that is no integer (an empty one too) stands for 0.
std::optional<std::uint16_t> NumberWord(const std::string& word) {
  std::size_t i = word.empty() || (word[0] != '-' && word[0] != '+') ? 0 : 1;
  if (i == word.size()) return 0;
  for (std::size_t k = i; k < word.size(); ++k)
    if (word[k] < '0' || word[k] > '9') return 0;
  if (word[0] == '-') {
    if (word.find_first_not_of('0', 1) == std::string::npos) return 0;
    return std::nullopt;
  }
  // Leading zeros do not make a value larger.
  const std::size_t significant = word.find_first_not_of('0', i);
  const std::string digits = significant == std::string::npos ? "0" : word.substr(significant);
  if (digits.size() > 5 || std::stoul(digits) > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(std::stoul(digits));
}

}  // namespace

GraphicsIndex EmptyGraphicsIndex() {
  GraphicsIndex index;
  index.fill(GraphicsRecord::Empty());
  return index;
}

std::optional<GraphicsIndex> ParseDatList(const std::string& text, std::string& error) {
  GraphicsIndex index = EmptyGraphicsIndex();
  std::istringstream lines(text);
  std::string line;
  for (std::size_t j = 0; j < kGraphicsRecords && std::getline(lines, line); ++j) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string where = "line " + std::to_string(j + 1) + ": ";
    const std::string rest = line.empty() ? std::string() : line.substr(1);
    const std::size_t quote = rest.find('"');
    if (quote == std::string::npos) {
      error = where + "the name does not end with a double quote";
      return std::nullopt;
    }
    GraphicsRecord& record = index[j];
    // The list is in the card's 8-bit code page: its bytes are the name's bytes.
    const std::size_t nameBytes = std::min<std::size_t>(quote, kGraphicsNameWidth);
    std::copy_n(rest.begin(), nameBytes, record.bytes.begin());

    std::string words =
        quote + 2 <= rest.size() ? TrimBlanksAndControls(rest.substr(quote + 2)) : std::string();
    const std::string lowWord = NextWord(words);
    const std::string highWord = NextWord(words);
    const std::optional<std::uint32_t> low = HexWord(lowWord);
    const std::optional<std::uint32_t> high = HexWord(highWord);
    if (!low || !high) {
      error = where + "the byte offset must be two words of four hexadecimal digits " +
              "(0123456789ABCDEF), not \"" + (low ? highWord : lowWord) + "\"";
      return std::nullopt;
    }
    const std::string firstWord = NextWord(words);
    const std::string secondWord = NextWord(words);
    const std::optional<std::uint16_t> first = NumberWord(firstWord);
    const std::optional<std::uint16_t> second = NumberWord(secondWord);
    if (!first || !second) {
      error = where + "the value " + (first ? secondWord : firstWord) +
              " lies outside 0 to 65535";
      return std::nullopt;
    }
    record.setSector((*low + *high * 65'536) / 512);
    record.setValue1(*first);
    record.setValue2(*second);
  }
  return index;
}

}  // namespace vexo
