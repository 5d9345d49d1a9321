#pragma once
// Character classes of the field rules. ASCII is answered inline; other code
// units go to ICU, which the hot loops rarely reach.
#include <algorithm>
#include <bit>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// The sixteen characters at p as bytes. Signed saturation keeps ASCII as it
// is and turns everything else to bytes that no ASCII class holds.
inline __m128i asciiBytes(const char16_t* p) {
  const auto* q = reinterpret_cast<const __m128i*>(p);
  return _mm_packs_epi16(_mm_loadu_si128(q), _mm_loadu_si128(q + 1));
}

// All ones in the bytes of v from `from` to `to`, both included.
inline __m128i bytesWithin(__m128i v, char from, char to) {
  return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(from - 1))),
                       _mm_cmplt_epi8(v, _mm_set1_epi8(char(to + 1))));
}
#endif

// Where the run of ASCII letters (small ones only when `small`) from i ends:
// at le, at the first other character or after `most` letters (at most 16).
// Sixteen characters at one look where the text holds them: a loop over a
// word guesses wrong at its end.
inline int letterRunEnd(std::u16string_view t, int i, int le, int most, bool small = false) {
#if defined(__SSE2__)
  if (i >= 0 && std::size_t(i) + 16 <= t.size()) {
    const __m128i c = asciiBytes(t.data() + i);
    const __m128i in = bytesWithin(small ? c : _mm_or_si128(c, _mm_set1_epi8(0x20)), 'a', 'z');
    const int run = std::countr_one(unsigned(_mm_movemask_epi8(in)));
    return i + std::max(0, std::min({run, le - i, most}));
  }
#endif
  int e = i;
  while (e < le && e - i < most && (small ? isAsciiLower(t[e]) : isAsciiAlpha(t[e]))) ++e;
  return e;
}

}  // namespace clipvane::detect::fieldtext
