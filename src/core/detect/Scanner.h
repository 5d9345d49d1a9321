#pragma once
// The detector's one pass over the text: it finds the places where a
// pattern kind can start ("@", "://", digit runs, "-----BEGIN", issuer
// prefixes, path prefixes) and runs only that kind's rule there. Every rule
// that reads ahead further than a fixed bound remembers how far it read, so
// that the whole pass stays linear in the text.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "../Settings.h"
#include "Candidate.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace clipvane::detect {

namespace chars {
constexpr bool digit(char16_t c) { return c >= '0' && c <= '9'; }
constexpr bool upper(char16_t c) { return c >= 'A' && c <= 'Z'; }
constexpr bool lower(char16_t c) { return c >= 'a' && c <= 'z'; }
// The hot loops ask for letters and digits once per character: one look-up.
inline constexpr std::array<std::uint8_t, 128> kAsciiClass = [] {
  std::array<std::uint8_t, 128> t{};
  for (char16_t c = 0; c < 128; ++c)
    t[c] = std::uint8_t((digit(c) ? 1 : 0) | (upper(c) || lower(c) ? 2 : 0));
  return t;
}();
constexpr bool alpha(char16_t c) { return c < 128 && (kAsciiClass[c] & 2); }
constexpr bool alnum(char16_t c) { return c < 128 && kAsciiClass[c] != 0; }
constexpr bool hex(char16_t c) {
  return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
constexpr char16_t fold(char16_t c) { return upper(c) ? char16_t(c + 32) : c; }
// Letters and digits of any script count as word characters for boundaries;
// ASCII is answered inline.
bool wordCharSlow(char16_t c);
inline bool wordChar(char16_t c) { return c < 0x80 ? alnum(c) || c == '_' : wordCharSlow(c); }
constexpr bool space(char16_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0xa0;
}
// Whether the character before pos (or at pos) runs into a number or token
// there: letters and digits do, except those of scripts written without
// blanks (ideographs, kana, hangul, Thai: "卡号4111…"), and so does the "n"
// of an escaped line end ("\n4111…") only when no backslash leads it.
// Most rules ask at every candidate: ASCII is answered inline.
bool joinsBeforeSlow(std::u16string_view text, std::size_t pos);
bool joinsAtSlow(std::u16string_view text, std::size_t pos);
inline bool joinsBefore(std::u16string_view text, std::size_t pos) {
  if (pos == 0 || pos > text.size()) return false;
  const char16_t c = text[pos - 1];
  if (c < 0x80 && c != 'n' && c != 'r' && c != 't') return alnum(c) || c == '_';
  return joinsBeforeSlow(text, pos);
}
inline bool joinsAt(std::u16string_view text, std::size_t pos) {
  if (pos >= text.size()) return false;
  if (text[pos] < 0x80) return alnum(text[pos]) || text[pos] == '_';
  return joinsAtSlow(text, pos);
}
// Hex digits, colons and dots, the characters of an IPv6 address, as one
// look-up: read around every colon.
inline constexpr std::array<bool, 128> kIpv6Chars = [] {
  std::array<bool, 128> t{};
  for (char16_t c = 0; c < 128; ++c) t[c] = hex(c) || c == ':' || c == '.';
  return t;
}();
constexpr bool ipv6Char(char16_t c) { return c < 128 && kIpv6Chars[c]; }
// ASCII case-insensitive comparison of text at pos with a lower-case literal.
bool at(std::u16string_view text, std::size_t pos, std::u16string_view lowerLiteral);
// ASCII case-insensitive equality with a lower-case word, without a folded copy.
inline bool foldedEquals(std::u16string_view s, std::u16string_view lowerCase) {
  return s.size() == lowerCase.size() &&
         std::equal(s.begin(), s.end(), lowerCase.begin(),
                    [](char16_t a, char16_t b) { return fold(a) == b; });
}
// The lengths of a list's lower-case words by their first letter (the last
// entry for other first characters), as bits (the last for 31 and more):
// most words are told apart from all of a list's without comparing.
using WordLengths = std::array<std::uint32_t, 27>;
template <class List>
constexpr WordLengths lengthsByFirst(const List& words) {
  WordLengths t{};
  for (std::u16string_view w : words)
    if (!w.empty()) t[lower(w[0]) ? w[0] - 'a' : 26] |= 1u << std::min<std::size_t>(w.size(), 31);
  return t;
}
// Whether word may be one of the words whose lengths are in t (ASCII case
// folded).
inline bool mayBeAmong(const WordLengths& t, std::u16string_view word) {
  if (word.empty()) return false;
  const char16_t first = fold(word[0]);
  return ((t[lower(first) ? first - 'a' : 26] >> std::min<std::size_t>(word.size(), 31)) & 1) != 0;
}
// The end of the run of ASCII digits from pos (pos itself when none), eight
// characters a look: the readers of digit groups stop without a branch per
// digit.
inline std::size_t digitsEnd(std::u16string_view text, std::size_t pos) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), nine = _mm_set1_epi16(9), d0 = _mm_set1_epi16('0');
  while (pos <= text.size() && text.size() - pos >= 8) {
    // c - '0' wraps past 9 for every character but a digit.
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
    const __m128i digit = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, d0), nine), zero);
    const unsigned other = ~unsigned(_mm_movemask_epi8(digit)) & 0xFFFFu;  // two bits each
    if (other != 0) return pos + std::size_t(std::countr_zero(other)) / 2;
    pos += 8;
  }
#endif
  while (pos < text.size() && digit(text[pos])) ++pos;
  return pos;
}
}  // namespace chars

// The parts of a URL the rules and skips look at (offsets into the URL).
struct UrlParts {
  std::u16string_view scheme;
  std::u16string_view host;  // without brackets and port
  std::size_t passwordStart = 0;
  std::size_t passwordLength = 0;  // 0: no password in the user part
  std::size_t userStart = 0;
  std::size_t userLength = 0;  // 0: no user part
};
UrlParts splitUrl(std::u16string_view url);

// A lower-case host name inside the organisation: one of the internal
// domains, a private suffix (.internal, .local, .corp, …), a private or local
// address, or (when allowed) a single label such as "jenkins".
bool internalHost(std::u16string_view host, const DetectionSettings& settings, bool singleLabel);

class Scanner {
 public:
  Scanner(std::u16string_view text, const DetectionSettings& settings, std::vector<Candidate>& out);
  void run();

 private:
  bool on(Kind k) const { return enabled_[static_cast<Kind::Value>(k)]; }
  void add(Kind k, std::size_t start, std::size_t end);

  // 64 characters from base, a multiple of 64: bit k stands for text_[base + k].
  struct Block {
    std::size_t base = ~std::size_t(0);
    std::uint64_t alnum = 0;   // letters and digits
    std::uint64_t starts = 0;  // first characters of words, and punctuation that starts a kind
  };
  void loadBlock(std::size_t base, Block& b);
  // Whether nothing can start at the number or word [i, e) or the mark at i,
  // by a first look.
  bool quietNumber(std::size_t i, std::size_t e) const;
  bool keyWord(std::size_t i, std::size_t e) const;
  bool quietLetters(std::size_t i, std::size_t e) const;
  bool quietBeforeSeparator(std::size_t i, std::size_t e) const;
  bool quietMark(std::size_t i) const;
  // Run the rules that can start at the word, number or mark at i; return
  // where the next start is looked for (past the word or block read).
  std::size_t word(std::size_t i, Block& b);
  std::size_t numberAt(std::size_t i, std::size_t e);
  std::size_t lettersAt(std::size_t i, std::size_t e);
  void macAt(std::size_t i, std::size_t e);
  void host(std::size_t i, std::size_t e);
  std::size_t mark(std::size_t i);
  void colon(std::size_t i);
  std::size_t dashes(std::size_t i);
  void phoneMark(std::size_t i);
  char16_t ch(std::size_t i) const { return i < text_.size() ? text_[i] : char16_t(0); }
  char16_t before(std::size_t i) const { return i > 0 ? text_[i - 1] : char16_t(0); }

  // Contact
  void email(std::size_t at);
  void loginTarget(std::size_t start, std::size_t at, std::size_t end, bool singleLabel);
  void phone(std::size_t start);
  void phoneReading(std::size_t start);
  bool sevenDigitsAhead(std::size_t start) const;
  bool dateAlone(std::size_t start) const;
  bool phoneCue(std::size_t start) const;
  bool phoneLabelAfter(std::size_t end) const;
  bool otherNumberAround(std::size_t start, std::size_t end) const;
  std::size_t extension(std::size_t end) const;
  // Financial
  void card(std::size_t start);
  enum class NumberCue { none, card, other };
  NumberCue cueBefore(std::size_t pos) const;
  void iban(std::size_t start);
  bool insideIbanShape(std::size_t start) const;
  // Secrets
  // Adds the key block starting at start, returns its end (start when none).
  std::size_t privateKeyEnd(std::size_t start);
  std::size_t puttyKeyEnd(std::size_t start);
  void apiKey(std::size_t start);
  void discordToken(std::size_t start);
  // Keys read by hand: their first part's length and the mark after it
  // decide, or their parts are told apart by their own separators.
  void suffixedApiKey(std::size_t start, std::size_t wordEnd);
  void asanaToken(std::size_t start);
  bool mapboxToken(std::size_t start);
  bool base64JsonToken(std::size_t start);
  bool repeatedAToken(std::size_t start);
  void url(std::size_t colon);
  void jdbc(std::size_t start);
  // Network
  void ipv4(std::size_t start);
  void ipv4Quad(std::size_t start, std::size_t end);
  void ipv6(std::size_t colon);
  void ipv6Run(std::size_t colon, std::size_t b, std::size_t e);
  void mac(std::size_t start);
  // A host name from start, whose first word ends at wordEnd.
  void bareHost(std::size_t start, std::size_t wordEnd);
  void internalHostName(std::size_t start, std::size_t end);
  // Identity
  void ssn(std::size_t start);
  void userPath(std::size_t start);

  // A URL from its scheme's start; its end (exclusive), after trailing
  // punctuation is dropped.
  std::size_t urlEnd(std::size_t from) const;
  void classifyUrl(std::size_t start, std::size_t end, bool database);

  std::u16string_view text_;
  const DetectionSettings& settings_;
  std::vector<Candidate>& out_;
  std::array<bool, Kind::count> enabled_{};
  bool wide_;  // 32 characters a step (WideScan.h)
  // loadBlock()'s classes of the blocks in [classesFrom_, classesTo_).
  std::array<std::array<std::uint64_t, 7>, 16> classes_;
  std::size_t classesFrom_ = 0, classesTo_ = 0;
  // The numbers of those blocks that nothing can start at (quietNumbers()).
  std::array<std::uint64_t, 16> quiet_{};

  // How far each unbounded reader has read: positions before these are not
  // started again.
  std::size_t urlSkip_ = 0;
  std::size_t ipv6Skip_ = 0;
  std::size_t keySkip_ = 0;
  std::size_t hostSkip_ = 0;
  std::size_t phoneSkip_ = 0;
  std::size_t phoneEnd_ = std::size_t(-1);  // where the last phone found ends

  // A URL's scheme and host in small letters, kept to reuse their storage.
  std::u16string scheme_, host_;
  // The last END line looked for: its label, where the search began and
  // where it was found (npos: nowhere after).
  std::u16string endLabel_;
  std::size_t endFrom_ = 0, endAt_ = 0;
};

// Looks up the number plans the phone rule checks national numbers against
// (once per process; later calls return at once).
void preparePhonePlan();

namespace PatternRules {
// Candidates of every enabled pattern kind.
void find(std::u16string_view text, const DetectionSettings& settings, std::vector<Candidate>& out);
}  // namespace PatternRules

}  // namespace clipvane::detect
