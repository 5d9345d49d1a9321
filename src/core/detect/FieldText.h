#pragma once
// Character classes of the field rules. ASCII is answered inline; other code
// units go to ICU, which the hot loops rarely reach.
#include <string_view>

namespace clipvane::detect::fieldtext {

bool isLetterSlow(char16_t c);
bool isUpperSlow(char16_t c);
bool isLowerSlow(char16_t c);

constexpr bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool isAsciiAlpha(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }
constexpr bool isAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
constexpr bool isAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
constexpr bool isLetter(char16_t c) { return c < 0x80 ? isAsciiAlpha(c) : isLetterSlow(c); }
constexpr bool isUpper(char16_t c) { return c < 0x80 ? isAsciiUpper(c) : isUpperSlow(c); }
constexpr bool isLower(char16_t c) { return c < 0x80 ? isAsciiLower(c) : isLowerSlow(c); }
constexpr bool isAlnum(char16_t c) { return isDigit(c) || isLetter(c); }
// ASCII first: the other line ends and blanks are rare.
constexpr bool isLineEnd(char16_t c) {
  if (c < 0x85) return c >= u'\n' && c <= u'\r';
  return c == 0x85 || c == 0x2028 || c == 0x2029;
}
// Blanks inside a line.
constexpr bool isBlank(char16_t c) {
  if (c < 0xA0) return c == u' ' || c == u'\t';
  return c == 0xA0 || c == 0x202F || c == 0x3000 || (c >= 0x2000 && c <= 0x200A);
}
constexpr bool isSpace(char16_t c) { return isBlank(c) || isLineEnd(c); }
constexpr bool isQuote(char16_t c) { return c == u'"' || c == u'\'' || c == u'`'; }
constexpr char16_t lowerAscii(char16_t c) { return isAsciiUpper(c) ? char16_t(c | 0x20) : c; }

// Case-insensitive comparison of text with an ASCII word.
inline bool equalsAscii(std::u16string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lowerAscii(text[i]) != char16_t(word[i])) return false;
  return true;
}

}  // namespace clipvane::detect::fieldtext
