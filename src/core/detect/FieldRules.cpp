// Values under field names and labels. One pass over each line collects the
// key-value separators (":", "=", ":=", "=>", XML's ">"), the CSV delimiters
// and the places where a label may stand before a value without a separator
// (digit runs, "is"/"was"/"to", salutations); each separator's key is read
// backwards a bounded distance through the key trie, and only a known key's
// value is read. Rows under a CSV header or an SQL column list, cookie pairs
// and the name under a letter's closing are read the same way. A value once
// read is never read again, so the work stays linear in the text.
#include <unicode/uchar.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>

#include "Addresses.h"
#include "Candidate.h"
#include "Clinical.h"
#include "CommandLine.h"
#include "FieldKeys.h"
#include "FieldText.h"
#include "FieldValues.h"
#include "WideScan.h"

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;

namespace fieldtext {
bool isLetterSlow(char16_t c) { return u_isalpha(c); }
bool isUpperSlow(char16_t c) { return u_isupper(c); }
bool isLowerSlow(char16_t c) { return u_islower(c); }
}  // namespace fieldtext

namespace {

using namespace fieldtext;
using fieldvalue::Mode;
using fieldvalue::Span;
using View = std::u16string_view;

// How far a "title" or "condition" may stand from the key that makes it a record.
constexpr int kContextWindow = 400;
constexpr int kMaxLabelWords = 4;

enum class Ctx : std::uint8_t {
  json,   // "key": value
  dict,   // 'key': value (Python, JS)
  query,  // ?key=value&…
  env,    // KEY=value at the start of a line
  ini,    // key = value at the start of a line (INI, TOML, or an assignment)
  code,   // key = value, key := value, key => value
  label,  // key: value (YAML, headers, prose)
};

struct Sep {
  int pos;
  int len;
  bool colon;
};

struct Key {
  const KeyRule* rule = nullptr;
  int start = -1;
  Ctx ctx = Ctx::label;
  bool label = false;  // a key-like word stands before the separator
};

struct Cell {
  int b, e;
};

// The ASCII characters for which `in` holds: a table for hot loops.
template <typename Pred>
constexpr std::array<bool, 128> asciiSet(Pred in) {
  std::array<bool, 128> t{};
  for (char16_t c = 0; c < 128; ++c) t[c] = in(c);
  return t;
}

// Read backwards from every separator: ASCII from a table.
constexpr std::array<bool, 128> kKeyChars = [] {
  std::array<bool, 128> t{};
  for (char16_t c = 0; c < 128; ++c)
    t[c] = (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z') || c == u'_' ||
           c == u'-' || c == u'.' || c == u'$' || c == u'@';
  return t;
}();

inline bool isKeyChar(char16_t c) { return c < 128 ? kKeyChars[c] : isLetterSlow(c); }

// Classes of the character before: the line loop stops at a digit only where
// a digit run starts, at "i" and "w" only after a blank ("is", "was"), and at
// the capitals of salutations only where a word starts.
enum CharClass : std::uint8_t { kOther, kBlankClass, kLetterClass, kDigitClass };

// Index 128 stands for every character past ASCII (letters, as far as the
// loop cares; they never stop it).
constexpr std::array<std::uint8_t, 129> kClass = [] {
  std::array<std::uint8_t, 129> a{};
  for (int c = 0; c < 128; ++c) {
    if (c == ' ' || c == '\t')
      a[c] = kBlankClass;
    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')
      a[c] = kLetterClass;
    else if (c >= '0' && c <= '9')
      a[c] = kDigitClass;
  }
  a[128] = kLetterClass;
  return a;
}();

constexpr std::array<std::array<bool, 129>, 4> kStops = [] {
  std::array<std::array<bool, 129>, 4> a{};
  for (int prev = 0; prev < 4; ++prev) {
    for (char c : std::string_view(":=\t,;|>")) a[prev][std::size_t(c)] = true;
    for (char c = '0'; c <= '9'; ++c) a[prev][std::size_t(c)] = prev != kDigitClass;
    for (char c : std::string_view("iwt-")) a[prev][std::size_t(c)] = prev == kBlankClass;
    for (char c : std::string_view("MDPSHFICE"))
      a[prev][std::size_t(c)] = prev == kBlankClass || prev == kOther;
  }
  return a;
}();

inline unsigned clampAscii(char16_t c) { return c < 128 ? c : 128u; }

// Which rules a digit run may start, by the character before it (index 128
// for all past ASCII): after ASCII punctuation only a house number, after a
// small letter or "_" only an account's name, after a dash a house number
// unless a capital stands before the dash ("ACC-426505"); the rest go to
// digitStart().
enum DigitRoute : std::uint8_t { kDigitStart, kStreetOnly, kAccount, kDigitDash };
constexpr std::array<std::uint8_t, 129> kDigitRoute = [] {
  std::array<std::uint8_t, 129> a{};
  for (int c = 0; c < 129; ++c) {
    if (c >= 'a' && c <= 'z')
      a[std::size_t(c)] = kAccount;
    else if (kClass[std::size_t(c)] == kOther && c != '(' && c != '_')
      a[std::size_t(c)] = kStreetOnly;
  }
  a['_'] = kAccount;
  a['-'] = kDigitDash;
  return a;
}();

// The characters before a blank and a number after which neither a label's
// word (a letter, ".", "#", a dash, a digit after a letter) nor a street's
// word (a letter, ".", ",") can end: digits and the other ASCII marks but
// blanks. Index 128, past ASCII, is false.
constexpr std::array<bool, 129> kNoWordBeforeBlank = [] {
  std::array<bool, 129> a{};
  for (int c = 0x21; c < 128; ++c)
    a[std::size_t(c)] =
        kClass[std::size_t(c)] != kLetterClass && c != '.' && c != ',' && c != '#' && c != '-';
  return a;
}();

bool allowedAfterIs(const KeyRule& r) {
  if ((r.flags & kNeedsContext) && r.kind != Kind::name) return false;
  switch (r.shape) {
    case Shape::secret:
    case Shape::personName:
    case Shape::username:
    case Shape::identifier:
    case Shape::date:
    case Shape::document:
    case Shape::nationalId:
    case Shape::cvv:
    case Shape::phone:
    case Shape::address:
      return true;
    default:
      return false;
  }
}

#if defined(CLIPVANE_WIDE_SCAN)
// Scanner::lineEnds() for sixteen characters.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i wideLineEnds(__m256i v) {
  const __m256i ctl = _mm256_cmpeq_epi16(
      _mm256_subs_epu16(_mm256_sub_epi16(v, _mm256_set1_epi16(0x0A)), _mm256_set1_epi16(3)),
      _mm256_setzero_si256());
  const __m256i nel = _mm256_cmpeq_epi16(v, _mm256_set1_epi16(0x85));
  const __m256i sep =
      _mm256_cmpeq_epi16(v & _mm256_set1_epi16(short(0xFFFE)), _mm256_set1_epi16(0x2028));
  return ctl | nel | sep;
}

// Scanner::lineEnd() 32 characters a step: the first line end from i, or -1
// with i moved to where fewer than 32 characters are left.
[[gnu::target("avx2")]] int wideLineEnd(const char16_t* p, int& i, int n) {
  using namespace wide;
  const __m256i below = _mm256_set1_epi8(0x0E);
  for (; i + 32 <= n; i += 32) {
    const __m256i a = load(p + i), b = load(p + i + 16);
    if (bits(_mm256_cmpgt_epi8(below, narrow(a, b)))) {
      const unsigned exact = inOrder(_mm256_packs_epi16(wideLineEnds(a), wideLineEnds(b)));
      if (exact) return i + std::countr_zero(exact);
    }
  }
  return -1;
}

// Bytes from `from` to `from + width`, by one signed comparison.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i within(__m256i v, char from,
                                                                  char width) {
  return _mm256_cmpgt_epi8(_mm256_set1_epi8(char(-127 + width)),
                           _mm256_add_epi8(v, _mm256_set1_epi8(char(128 - from))));
}

// Scanner::stopBits() for the 32 characters at p (p[-1] and p[32] are read too).
// Each character's classes come from two table looks, one by each half of its
// byte (the sets below are unions of such pairs); a stop is any nonzero byte
// of `hit`.
[[gnu::target("avx2"), gnu::always_inline]] inline unsigned wideStopBits(const char16_t* p) {
  using namespace wide;
  enum : char {
    kColonToGt = 1,   // ":", ";", "=", ">"
    kTab = 2,         // "\t"
    kCommaOrBar = 4,  // ",", "|"
    kCapsCtoM = 8,    // "C" to "F", "H", "I", "M"
    kCapsPS = 16,     // "P", "S"
    kDigit = 32,      // "0" to "9"
    kI = 64,          // "i"
    kTW = char(128),  // "t", "w"
  };
  // By the low half of the byte, then by the high half.
  const __m256i byLow = _mm256_setr_epi8(
      kDigit | kCapsPS, kDigit, kDigit, kDigit | kCapsCtoM | kCapsPS, kDigit | kCapsCtoM | kTW,
      kDigit | kCapsCtoM, kDigit | kCapsCtoM, kDigit | kTW, kDigit | kCapsCtoM,
      kDigit | kCapsCtoM | kTab | kI, kColonToGt, kColonToGt, kCommaOrBar, kColonToGt | kCapsCtoM,
      kColonToGt, 0, kDigit | kCapsPS, kDigit, kDigit, kDigit | kCapsCtoM | kCapsPS,
      kDigit | kCapsCtoM | kTW, kDigit | kCapsCtoM, kDigit | kCapsCtoM, kDigit | kTW,
      kDigit | kCapsCtoM, kDigit | kCapsCtoM | kTab | kI, kColonToGt, kColonToGt, kCommaOrBar,
      kColonToGt | kCapsCtoM, kColonToGt, 0);
  const __m256i byHigh = _mm256_setr_epi8(kTab, 0, kCommaOrBar, kColonToGt | kDigit, kCapsCtoM,
                                          kCapsPS, kI, kCommaOrBar | kTW, 0, 0, 0, 0, 0, 0, 0, 0,
                                          kTab, 0, kCommaOrBar, kColonToGt | kDigit, kCapsCtoM,
                                          kCapsPS, kI, kCommaOrBar | kTW, 0, 0, 0, 0, 0, 0, 0, 0);
  // The character after "i", "w" and "t" that makes "is", "was" and "to", by the low half.
  const __m256i pair = _mm256_setr_epi8(0, 0, 0, 0, 'o', 0, 0, 'a', 0, 's', 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 'o', 0, 0, 'a', 0, 's', 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i lo = load(p), hi = load(p + 16);
  const __m256i c = narrow(lo, hi);
  // The character before, past U+00FF as 0xFF: not ASCII whatever its size.
  const __m256i byteMax = _mm256_set1_epi16(0xFF);
  const __m256i prev =
      narrow(_mm256_min_epu16(load(p - 1), byteMax), _mm256_min_epu16(load(p + 15), byteMax));
  const __m256i next = narrow(load(p + 1), load(p + 17));
  const __m256i low = c & nibble;
  const __m256i cls = _mm256_shuffle_epi8(byLow, low) &
                      _mm256_shuffle_epi8(byHigh, _mm256_srli_epi16(c, 4) & nibble);
  const __m256i fullColon = _mm256_set1_epi16(short(0xFF1A));
  __m256i hit =
      _mm256_packs_epi16(_mm256_cmpeq_epi16(lo, fullColon), _mm256_cmpeq_epi16(hi, fullColon));
  hit = hit | (cls & _mm256_set1_epi8(kColonToGt | kTab | kCommaOrBar));
  const __m256i prevDigit = within(prev, '0', 9);
  hit = hit | but(cls & _mm256_set1_epi8(kDigit), prevDigit);
  const __m256i prevBlank = is(prev, ' ') | is(prev, '\t');
  const __m256i iwt = (cls & _mm256_set1_epi8(char(kI | kTW))) &
                      _mm256_cmpeq_epi8(_mm256_shuffle_epi8(pair, low), next);
  hit = hit | (prevBlank & (iwt | is(c, '-')));
  const __m256i prevLetter = within(prev | _mm256_set1_epi8(0x20), 'a', 25);
  const __m256i prevAscii = _mm256_cmpgt_epi8(prev, _mm256_set1_epi8(-1));
  const __m256i prevOther = but(prevAscii, prevLetter | prevDigit);
  const __m256i capital = within(next, 'a', 25) | but(is(c, 'I'), is(next, 'n'));
  hit = hit | (prevOther & capital & (cls & _mm256_set1_epi8(kCapsCtoM | kCapsPS)));
  return ~inOrder(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256()));
}

// The stop bits of `blocks` blocks of 32 characters from p, one word each: the
// constants are set up once for all of them.
[[gnu::target("avx2")]] void wideStopMasks(const char16_t* p, int blocks, unsigned* out) {
  for (int k = 0; k < blocks; ++k) out[k] = wideStopBits(p + 32 * k);
}
#endif

class Scanner {
 public:
  Scanner(View text, const DetectionSettings& settings, std::vector<Candidate>& out)
      : t_(text), out_(out), wide_(wideScan()) {
    for (int k = 0; k < Kind::count; ++k) {
      enabled_[k] = settings.isEnabled(Kind(static_cast<Kind::Value>(k)));
      // Custom findings come from the user's own rules, never from here.
      any_ = any_ || (enabled_[k] && k != Kind::custom);
    }
  }

  void run() {
    if (!any_) return;
    const int n = int(t_.size());
    int ls = 0;
    while (ls <= n) {
      const int le = lineEnd(ls, n);
      // The line without its outer blanks, which several rules ask for.
      const int b = skipBlanksAt(ls, le);
      int e = le;
      while (e > b && isBlank(t_[e - 1])) --e;
      if (sectionStart(ls, le, b, e)) paragraphBreaks_.push_back(ls);
      line(ls, le, b, e);
      prevLine_ = {ls, le};
      if (le >= n) break;
      ls = (t_[le] == u'\r' && le + 1 < n && t_[le + 1] == u'\n') ? le + 2 : le + 1;
    }
    clinicalNotes();
    resolvePending();
  }

 private:
  // Sixteen characters a step where the processor allows: lines are long and
  // line ends rare. Narrowed to signed bytes, every line end is below 0x0E
  // (U+0085 and U+2028 turn negative), as is little else in most text; only
  // then are the characters compared exactly.
  int lineEnd(int i, int n) const {
    const char16_t* p = t_.data();
#if defined(CLIPVANE_WIDE_SCAN)
    if (wide_)
      if (const int end = wideLineEnd(p, i, n); end >= 0) return end;
#endif
#if defined(__SSE2__)
    const __m128i below = _mm_set1_epi8(0x0E);
    while (i + 16 <= n) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
      if (_mm_movemask_epi8(_mm_cmplt_epi8(_mm_packus_epi16(a, b), below))) {
        const unsigned exact =
            unsigned(_mm_movemask_epi8(_mm_packs_epi16(lineEnds(a), lineEnds(b))));
        if (exact) return i + std::countr_zero(exact);
      }
      i += 16;
    }
#endif
    while (i < n && !isLineEnd(p[i])) ++i;
    return i;
  }

#if defined(__SSE2__)
  // All ones in the lanes of the eight characters that end a line.
  static __m128i lineEnds(__m128i v) {
    const __m128i zero = _mm_setzero_si128();
    // 0x0A..0x0D: (v - 0x0A) saturated above 3 is not zero.
    const __m128i ctl = _mm_cmpeq_epi16(
        _mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16(0x0A)), _mm_set1_epi16(3)), zero);
    const __m128i nel = _mm_cmpeq_epi16(v, _mm_set1_epi16(0x85));
    const __m128i sep =
        _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(0xFFFE))), _mm_set1_epi16(0x2028));
    return _mm_or_si128(ctl, _mm_or_si128(nel, sep));
  }
#endif

#if defined(__SSE2__)
  // Bit mask of the sixteen characters at p where kStops holds, or the
  // full-width colon stands (p[-1] is read as the character before the
  // first, p[16] as the one after the last), less the words that wordStop()
  // would pass over by their second character. The characters are narrowed to bytes: past U+00FF
  // they saturate to 0xFF, or to 0 from U+8000 on, neither of which stops anything; whether the
  // character before is ASCII is asked of all its sixteen bits.
  static unsigned stopBits(const char16_t* p) {
    const auto* q = reinterpret_cast<const __m128i*>(p);
    const __m128i lo = _mm_loadu_si128(q), hi = _mm_loadu_si128(q + 1);
    const __m128i c = _mm_packus_epi16(lo, hi);
    const __m128i prevLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i prevHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 7));
    const __m128i prev = _mm_packus_epi16(prevLo, prevHi);
    const __m128i zero = _mm_setzero_si128();
    auto is = [](__m128i v, char x) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(x)); };
    auto inRange = [&](__m128i v, char low, char width) {
      return _mm_cmpeq_epi8(
          _mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8(low)), _mm_set1_epi8(width)), zero);
    };
    const __m128i fullColon = _mm_set1_epi16(short(0xFF1A));
    __m128i m = _mm_packs_epi16(_mm_cmpeq_epi16(lo, fullColon), _mm_cmpeq_epi16(hi, fullColon));
    // ":", ";", "=" and ">" are ":" to ">" without "<".
    const __m128i colonToGt = _mm_andnot_si128(is(c, '<'), inRange(c, ':', 4));
    m = _mm_or_si128(m, _mm_or_si128(_mm_or_si128(colonToGt, is(c, '\t')),
                                     _mm_or_si128(is(c, ','), is(c, '|'))));
    const __m128i prevDigit = inRange(prev, '0', 9);
    m = _mm_or_si128(m, _mm_andnot_si128(prevDigit, inRange(c, '0', 9)));
    // Words start a rule only as "is", "was" and "to", and a capital only
    // before a small letter, or as "I" but not "In": the character after
    // each decides too.
    const __m128i next = _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 9)));
    const __m128i prevBlank = _mm_or_si128(is(prev, ' '), is(prev, '\t'));
    const __m128i iwt = _mm_or_si128(_mm_or_si128(_mm_and_si128(is(c, 'i'), is(next, 's')),
                                                  _mm_and_si128(is(c, 'w'), is(next, 'a'))),
                                     _mm_and_si128(is(c, 't'), is(next, 'o')));
    m = _mm_or_si128(m, _mm_and_si128(prevBlank, _mm_or_si128(iwt, is(c, '-'))));
    // Before a salutation's capital: an ASCII character that is no letter or digit.
    const __m128i past = _mm_set1_epi16(short(0xFF80));
    const __m128i prevAscii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(prevLo, past), zero),
                                              _mm_cmpeq_epi16(_mm_and_si128(prevHi, past), zero));
    const __m128i prevLetter = inRange(_mm_or_si128(prev, _mm_set1_epi8(0x20)), 'a', 25);
    const __m128i prevOther = _mm_andnot_si128(_mm_or_si128(prevLetter, prevDigit), prevAscii);
    // "C" to "F", "H", "I", "M", "P", "S".
    const __m128i caps =
        _mm_or_si128(_mm_or_si128(inRange(c, 'C', 3), inRange(c, 'H', 1)),
                     _mm_or_si128(_mm_or_si128(is(c, 'M'), is(c, 'P')), is(c, 'S')));
    const __m128i capital =
        _mm_or_si128(inRange(next, 'a', 25), _mm_andnot_si128(is(next, 'n'), is(c, 'I')));
    m = _mm_or_si128(m, _mm_and_si128(_mm_and_si128(prevOther, caps), capital));
    return unsigned(_mm_movemask_epi8(m));
  }
#endif

  bool on(Kind k) const { return enabled_[static_cast<Kind::Value>(k)]; }

  void emit(const KeyRule& rule, Span s, bool jsonNumber, int keyAt, bool needsContext) {
    if (s.begin < 0 || s.end <= s.begin) return;
    Candidate c{rule.kind, Range{s.begin, s.end - s.begin}, true, jsonNumber, false, {}};
    if (needsContext)
      pending_.push_back({c, keyAt, neededGroup(rule)});
    else
      out_.push_back(std::move(c));
  }

  // strict: a label in running prose ("… is …"), which asks more of the value
  // and stands as context on its own.
  void value(const KeyRule& rule, int b, int e, Mode mode, bool jsonNumber, int keyAt,
             bool strict = false) {
    // "sonar.login=<40 hex digits>": a token where an account name could stand.
    if ((rule.flags & kTokenValue) && on(Kind::secret)) {
      static constexpr KeyRule kToken{u"login", Kind::secret, Shape::secret, kCompound};
      const Span token = fieldvalue::match(t_, b, e, kToken, mode);
      if (token.begin >= 0) {
        emit(kToken, token, false, keyAt, false);
        return;
      }
    }
    // "Billing address: Jane Doe": the recipient is a person, not the address.
    if (rule.shape == Shape::address && on(Kind::name) && b < e) {
      if (const Span n = fieldvalue::recipientName(t_, b, e); n.begin >= 0)
        out_.push_back({Kind::name, Range{n.begin, n.end - n.begin}, true, false, false, {}});
    }
    emit(rule, fieldvalue::match(t_, b, e, rule, mode, strict), jsonNumber, keyAt,
         !strict && !proseLabel_ && (rule.flags & kNeedsContext));
  }

  // ---- one line ------------------------------------------------------------

  // The rule of a label that ended the last line, whose value this line holds.
  const KeyRule* nextLine_ = nullptr;

  static bool nextLineShape(const KeyRule& r) {
    if (r.flags & (kNeedsContext | kWholeValue)) return false;
    switch (r.shape) {
      case Shape::secret:
      case Shape::username:
      case Shape::identifier:
      case Shape::nationalId:
      case Shape::document:
      case Shape::date:
      case Shape::phone:
      case Shape::cvv:
      case Shape::address:  // the recipient's name under it is found as a name
        return true;
      default:
        return false;
    }
  }

  void valueOnItsLine(const KeyRule& rule, int ls, int b, int e) {
    if (e <= b || !on(rule.kind)) return;
    for (int i = b; i < e; ++i)
      if (t_[i] == u':' && i + 1 < e && isBlank(t_[i + 1])) return;  // a label of its own
    value(rule, b, e, Mode::whole, false, ls, true);
  }

  // Bits of the characters from i on (width of them at most, none past le)
  // that stop the line loop; i > ls.
  std::uint64_t stopMask(int i, int ls, int le, int& width) {
#if defined(CLIPVANE_WIDE_SCAN)
    // The bits hold for any line: they are taken many blocks ahead, on a grid
    // from the text's second character, and the lines after this one read on
    // in them, up to 64 characters a step.
    if (wide_) {
      if (i < stopsFrom_ || i >= stopsTo_) {
        const int from = i - (i - 1) % 32;
        const int blocks = std::min(kStopBlocks, (int(t_.size()) - 1 - from) / 32);
        if (blocks > 0) {
          wideStopMasks(t_.data() + from, blocks, stops_.data());
          stops_[std::size_t(blocks)] = 0;  // read with the last block, and masked off
          stopsFrom_ = from;
          stopsTo_ = from + 32 * blocks;
        }
      }
      if (i >= stopsFrom_ && i < stopsTo_) {
        const int at = i - stopsFrom_;
        const std::size_t b = std::size_t(at >> 5);
        const std::uint64_t m = (stops_[b] | std::uint64_t(stops_[b + 1]) << 32) >> (at & 31);
        width = std::min(64 - (at & 31), stopsTo_ - i);
        const int keep = std::min(width, le - i);
        return keep < 64 ? m & ((std::uint64_t(1) << keep) - 1) : m;
      }
    }
#endif
    width = 16;
#if defined(__SSE2__)
    if (i + 17 <= int(t_.size())) {
      const unsigned m = stopBits(t_.data() + i);
      return le - i < 16 ? m & ((1u << (le - i)) - 1) : m;
    }
#endif
    unsigned m = 0;
    for (int k = i; k < le && k < i + 16; ++k)
      if (stopsAt(k, ls)) m |= 1u << (k - i);
    return m;
  }

  bool stopsAt(int k, int ls) const {
    return t_[k] == 0xFF1A ||
           kStops[k > ls ? kClass[clampAscii(t_[k - 1])] : unsigned(kOther)][clampAscii(t_[k])];
  }

  // Digits, "is", "was", "to" and capitals: where a value or a name may
  // start. False for the other stops.
  // Inlined into the line loop: most stops are these.
  // first: i is the line's first character, which has none before it; the
  // line loop's stops all have one.
  template <bool first = false>
  [[gnu::always_inline]] bool wordStop(int i, int ls, int le, char16_t c) {
    if (isDigit(c)) {
      // After ASCII punctuation ("10.20.30.40", "2024-03-14") digits may only
      // open a house number: the other rules want a letter, a blank or "(".
      // One table look at the character before chooses the rules.
      const unsigned route = first ? unsigned(kDigitStart) : kDigitRoute[clampAscii(t_[i - 1])];
      if (route == kStreetOnly || (route == kDigitDash && !(i - 1 > ls && isAsciiUpper(t_[i - 2]))))
        streetFrom(i, ls, le, digitsAhead(i, le));
      else if (route == kAccount)  // digitStart()'s first case, at once
        bareUsername(i, ls, le);
      else
        digitStart(i, ls, le);
      return true;
    }
    if (isAsciiUpper(c)) {
      if (i + 2 < le && (isAsciiLower(t_[i + 1]) || (c == u'I' && t_[i + 1] != u'n')))
        salutation(i, le);
      return true;
    }
    if (!isAsciiLower(c)) return false;
    if (!first && i + 1 < le) {
      const char16_t n = t_[i + 1];
      if ((c == u'i' && n == u's') || (c == u'w' && n == u'a') || (c == u't' && n == u'o'))
        afterIs(i, ls, le);
    }
    return true;
  }

  // The CSV delimiters, counted on each line for the CSV check.
  static constexpr std::array<char16_t, 4> kDelims = {u'\t', u',', u';', u'|'};

  // Each delimiter's place in kDelims, -1 for the other characters: one look
  // instead of four compares, for every stop the line loop passes here.
  static constexpr std::array<std::int8_t, 129> kDelimSlot = [] {
    std::array<std::int8_t, 129> a{};
    a.fill(-1);
    for (std::size_t k = 0; k < kDelims.size(); ++k) a[kDelims[k]] = std::int8_t(k);
    return a;
  }();

  static bool delimiter(char16_t c, std::array<int, 4>& delims) {
    const int k = kDelimSlot[clampAscii(c)];
    if (k < 0) return false;
    ++delims[std::size_t(k)];
    return true;
  }

  // A colon that is neither "::", "://" nor ":=": stopAt() takes it as it stands.
  bool plainColon(int i, int le) const {
    const char16_t next = i + 1 < le ? t_[i + 1] : u' ';
    return next != u':' && next != u'/' && next != u'=';
  }

  // A plain colon at i > 0 whose key keyAt() would find no rule for and not
  // take as a label: a digit that ends no known key before it, and no blank
  // or quote after it ("09:26:53", "user:1842:profile"). separators() does
  // nothing with such a key, so the colon is not kept.
  bool inertColon(int i) const {
    const unsigned p = unsigned(t_[i - 1]) - u'0';
    if (p > 9 || ((keyDigits_ >> p) & 1)) return false;
    const char16_t after = i + 1 < int(t_.size()) ? t_[i + 1] : u' ';
    return !isSpace(after) && !isQuote(after);
  }

  // What a separator at i starts; returns the last character it read past.
  int stopAt(int i, int ls, int le) {
    const char16_t c = t_[i];
    if (c == 0xFF1A) {  // the full-width colon of Chinese, Japanese and Korean labels
      seps_.push_back({i, 1, true});
      return i;
    }
    switch (c) {
      case u':':
        if (i + 1 < le && t_[i + 1] == u':') {  // "::" scopes, IPv6
          while (i + 1 < le && t_[i + 1] == u':') ++i;
        } else if (i + 2 < le && t_[i + 1] == u'/' && t_[i + 2] == u'/') {
          i = urlUserinfo(i, ls, le) - 1;
        } else if (i + 1 < le && t_[i + 1] == u'=') {
          seps_.push_back({i, 2, false});
          ++i;
        } else {
          seps_.push_back({i, 1, true});
        }
        break;
      case u'=': {
        char16_t p = i > ls ? t_[i - 1] : u' ';
        char16_t nx = i + 1 < le ? t_[i + 1] : u' ';
        if (nx == u'=') {
          while (i + 1 < le && t_[i + 1] == u'=') ++i;
          break;
        }
        if (p == u'!' || p == u'<' || p == u'>' || p == u'+' || p == u'-' || p == u'*' ||
            p == u'/' || p == u'%' || p == u'&' || p == u'|' || p == u'^' || p == u'~' ||
            nx == u'~')
          break;
        if (nx == u'>') {
          seps_.push_back({i, 2, false});
          ++i;
        } else {
          seps_.push_back({i, 1, false});
        }
        break;
      }
      case u'>':
        if (i > ls && isAlnum(t_[i - 1])) i = xmlElement(i, ls, le);
        break;
      case u'-':  // an option after a blank: a command may stand before it
        if (i + 1 < le && (isAsciiAlpha(t_[i + 1]) || t_[i + 1] == u'-')) options_.push_back(i);
        break;
      default:
        break;
    }
    return i;
  }

  void line(int ls, int le, int b, int e) {
    if (nextLine_) {
      const KeyRule* rule = nextLine_;
      nextLine_ = nullptr;
      valueOnItsLine(*rule, ls, b, e);
    }
    seps_.clear();
    options_.clear();
    std::array<int, 4> delims{};  // tab, comma, semicolon, pipe
    // The first character has nothing before it on its line; the blocks
    // after it read the character before each one.
    int i = ls;
    if (i < le && stopsAt(i, ls) && !wordStop<true>(i, ls, le, t_[i]) && !delimiter(t_[i], delims))
      i = stopAt(i, ls, le);
    ++i;
    // Sixteen or up to 64 characters a block: most characters stop nothing, and the
    // block's mask leads from one stop to the next. A stop that reads on
    // (a URL, an XML element) drops the bits it passed.
    while (i < le) {
      const int base = i;
      int width;
      std::uint64_t mask = stopMask(base, ls, le, width);
      i = std::min(le, base + width);
      while (mask) {
        const int k = base + std::countr_zero(mask);
        mask &= mask - 1;
        if (wordStop(k, ls, le, t_[k]) || delimiter(t_[k], delims)) continue;
        if (t_[k] == u':' && plainColon(k, le)) {  // the most common separator, at once
          if (!inertColon(k)) seps_.push_back({k, 1, true});
          continue;
        }
        const int last = stopAt(k, ls, le);
        if (last - base >= width - 1) {
          i = last + 1;
          break;
        }
        mask &= ~((std::uint64_t(2) << (last - base)) - 1);
      }
    }
    csvLine(ls, le, b, delims);
    sqlLine(b, le);
    signOff(b, e);
    CommandLine::find(t_, b, e, on(Kind::secret), on(Kind::username), out_);
    if (!options_.empty())
      CommandLine::findInline(t_, b, e, options_, on(Kind::secret), on(Kind::username), out_);
    if (!seps_.empty()) separators(ls, le);
  }

  // ---- keys before separators ------------------------------------------------

  bool hasLower(int b, int e) const {
    for (int i = b; i < e; ++i)
      if (isAsciiLower(t_[i])) return true;
    return false;
  }

  bool lineStartBefore(int at, int ls) const {
    int i = ls;
    while (i < at && isBlank(t_[i])) ++i;
    if (i == at) return true;
    // "export KEY=", "set KEY=", Dockerfile "ENV KEY="
    int w = i;
    while (w < at && isAsciiAlpha(t_[w])) ++w;
    View word = t_.substr(i, w - i);
    if (!(equalsAscii(word, "export") || equalsAscii(word, "set") || equalsAscii(word, "env") ||
          equalsAscii(word, "arg") || equalsAscii(word, "declare") || equalsAscii(word, "local")))
      return false;
    while (w < at && isBlank(t_[w])) ++w;
    return w == at;
  }

  // The known label of up to kMaxLabelWords words that ends at `end`.
  const KeyRule* labelEndingAt(int end, int ls, int* start = nullptr) {
    KeyMatch m = matchKeyBefore(t_, ls, end, kMaxLabelWords, false);
    if (start && m.rule) *start = m.start;
    return m.rule;
  }

  // The last "." after kb and before end, or a place at or before kb. Past
  // the last two characters, sixteen from one pair of loads where the
  // processor allows: most keys have no dot, and a loop would guess wrong at
  // its end.
  int lastDot(int kb, int end) const {
    int d = end - 1;
    for (int k = 0; k < 2; ++k, --d)
      if (d <= kb || t_[d] == u'.') return d;
#if defined(__SSE2__)
    if (d >= 15) {
      const int base = d - 15;
      const auto* q = reinterpret_cast<const __m128i*>(t_.data() + base);
      const __m128i dot = _mm_set1_epi16(u'.');
      unsigned m = unsigned(_mm_movemask_epi8(_mm_packs_epi16(
          _mm_cmpeq_epi16(_mm_loadu_si128(q), dot), _mm_cmpeq_epi16(_mm_loadu_si128(q + 1), dot))));
      m &= ~0u << std::clamp(kb + 1 - base, 0, 31);  // bit k: the character at base + k
      if (m) return base + 31 - std::countl_zero(m);
      d = base - 1;
    }
#endif
    while (d > kb && t_[d] != u'.') --d;
    return d;
  }

  bool laravelFormToken(int b, int e) const { return e - b == 6 && t_.substr(b, 6) == u"_token"sv; }

  Key keyAt(const Sep& s, int ls) {
    Key k;
    int j = s.pos;
    if (j == ls) return k;
    bool blankBefore = false;
    // Most keys end with a letter or digit right at their separator; only
    // other characters may stand between. Both tests at once ("|"): one
    // branch, not one for each.
    if (const char16_t last = t_[j - 1]; !(isDigit(last) | isAsciiAlpha(last))) {
      while (j > ls && isBlank(t_[j - 1]) && s.pos - j < 8) --j;
      blankBefore = j < s.pos;
      if (s.colon && j > ls && t_[j - 1] == u')') {  // "Date of Birth (MM/DD/YYYY):"
        int o = j - 1;
        while (o > ls && t_[o] != u'(' && j - o < 40) --o;
        if (t_[o] == u'(') {
          j = o;
          while (j > ls && isBlank(t_[j - 1])) --j;
        }
      }
      while (s.colon && j > ls && t_[j - 1] == u'*') --j;  // "**Name**:"
      if (s.colon && j > ls && t_[j - 1] == u'#') {        // "Passport #:"
        --j;
        while (j > ls && isBlank(t_[j - 1])) --j;
      }
      if (j == ls) return k;
    }
    const char16_t c = t_[j - 1];
    int kb = 0, ke = 0;
    char16_t quote = 0;
    const int lim = std::max(ls, j - 2 - 2 * kMaxKeyLength);
    if (isQuote(c)) {
      int o = j - 2;
      while (o >= lim && t_[o] != c) --o;
      if (o < lim) return k;
      kb = o + 1;
      ke = j - 1;
      quote = c;
      k.start = o;
    } else if (c == u']') {  // config["password"] =, user[password]=
      int o = j - 2;
      while (o >= lim && t_[o] != u'[') --o;
      if (o < lim) return k;
      kb = o + 1;
      ke = j - 1;
      if (ke - kb >= 2 && isQuote(t_[kb]) && t_[ke - 1] == t_[kb]) ++kb, --ke;
      k.start = o;
    } else {
      ke = j;
      kb = j;
      // Most keys are ASCII and shorter than sixteen: one look finds their start.
      if (const int start = runStartBefore(kb, lim, kKeyRun); start >= 0)
        kb = start;
      else
        while (kb > lim && isKeyChar(t_[kb - 1])) --kb;
      if (kb == ke) return k;
      k.start = kb;
    }
    // Nested paths compare by their last segment: "user.profile.email"; "D.O.B." is
    // an abbreviation.
    {
      const int segEnd = t_[ke - 1] == u'.' ? ke - 1 : ke;
      const int d = lastDot(kb, segEnd);
      if (d > kb && segEnd - (d + 1) >= 2) kb = d + 1;
    }
    // "_token" is the forgery guard of Laravel's forms, handed to every visitor.
    if (laravelFormToken(kb, ke)) return k;
    // Most keys start with a letter at once.
    if (!isAsciiAlpha(t_[kb])) {
      while (kb < ke && (t_[kb] == u'-' || t_[kb] == u'_' || t_[kb] == u'$' || t_[kb] == u'@'))
        ++kb;
      if (kb >= ke || !isLetter(t_[kb])) return k;
    }

    if (s.colon) {
      k.ctx = quote == u'"' ? Ctx::json : quote ? Ctx::dict : Ctx::label;
    } else {
      char16_t before = k.start > ls ? t_[k.start - 1] : u' ';
      // Query strings, and the "Server=…;Password=…;" of connection strings.
      if (before == u'?' || before == u'&' || before == u';')
        k.ctx = Ctx::query;
      else if (s.len == 1 && lineStartBefore(k.start, ls))
        // An indented "key = value" is a statement in a block of code, not INI;
        // an indented lower-case "key=value" is a keyword argument.
        k.ctx = !blankBefore    ? (k.start > ls && hasLower(k.start, s.pos) ? Ctx::code : Ctx::env)
                : k.start == ls ? Ctx::ini
                                : Ctx::code;
      else
        k.ctx = Ctx::code;
    }

    const bool dotted = kb > k.start && t_[kb - 1] == u'.';
    if (ke - kb == 5 && equalsAscii(t_.substr(kb, 5), "value")) {
      // {"name": "DB_PASSWORD", "value": …}, <add key="Password" value="…"/>,
      // and Kubernetes' "- name: DB_PASSWORD" with "value: …" on the next line.
      Cell name = namedBy(k.start, ls, lineNames_);
      if (name.b < 0 && k.ctx == Ctx::label && prevLine_.b >= 0)
        name = namedBy(prevLine_.e, prevLine_.b, prevLineNames_);
      if (name.b >= 0 && !laravelFormToken(name.b, name.e))
        k.rule = matchKeyBefore(t_, name.b, name.e, kMaxLabelWords, true).rule;
    } else if (k.ctx == Ctx::label && !dotted) {
      int start = kb;
      k.rule = labelEndingAt(ke, ls, &start);
      if (k.rule) k.start = std::min(k.start, start);
    } else {
      k.rule = matchKeyBefore(t_, kb, ke, quote ? kMaxLabelWords : 1, true).rule;
    }
    const char16_t after = s.pos + s.len < int(t_.size()) ? t_[s.pos + s.len] : u' ';
    // "example.org:81" is a host and a port.
    if (s.colon && !quote && kb > k.start && isDigit(after)) k.rule = nullptr;
    // "auth: user:pw": a colon without a blank after an unquoted word does
    // not end the value before it.
    k.label = quote != 0 || !s.colon || isSpace(after) || isQuote(after);
    return k;
  }

  // The value of the nearest "name" or "key" field before `end` on its line.
  // Text already searched on the line is not searched again.
  struct NameMemo {
    int line = -1;     // start of the line searched
    int scanned = -1;  // searched up to here
    int at = -1;       // where the nearest "name" found so far stands
    Cell value{-1, -1};
  };

  Cell namedBy(int end, int ls, NameMemo& memo) const {
    const int from = std::max(ls, end - 120);
    if (memo.line != ls) memo = {ls, ls, -1, {-1, -1}};
    const int stop = std::max(from, memo.scanned - 8);
    for (int i = end - 3; i >= stop; --i) {
      const char16_t c = t_[i] | 0x20;
      if (c != u'n' && c != u'k') continue;
      const bool name = i + 4 <= end && equalsAscii(t_.substr(i, 4), "name");
      const bool key = !name && i + 3 <= end && equalsAscii(t_.substr(i, 3), "key");
      if (!name && !key) continue;
      if (i > ls && (isAlnum(t_[i - 1]) || t_[i - 1] == u'_')) continue;
      int j = i + (name ? 4 : 3);
      if (j < end && isQuote(t_[j])) ++j;
      while (j < end && isBlank(t_[j])) ++j;
      if (j >= end || (t_[j] != u'=' && t_[j] != u':')) continue;
      j = skipBlanksAt(j + 1, end);
      Cell v{-1, -1};
      if (j < end && isQuote(t_[j])) {
        const char16_t q = t_[j];
        int e = j + 1;
        while (e < end && t_[e] != q) ++e;
        if (e < end && e > j + 1) v = {j + 1, e};
      } else {
        int e = j;
        while (e < end && isKeyChar(t_[e])) ++e;
        if (e > j) v = {j, e};
      }
      if (v.b < 0) continue;
      if (i > memo.at) memo.at = i, memo.value = v;
      break;
    }
    memo.scanned = std::max(memo.scanned, end);
    return memo.at >= from ? memo.value : Cell{-1, -1};
  }

  // ---- values after separators -----------------------------------------------

  int closingQuote(int open, int le) const {
    const char16_t q = t_[open];
    for (int i = open + 1; i < le; ++i) {
      if (t_[i] == u'\\' && q != u'`') {
        ++i;
      } else if (t_[i] == q) {
        return i;
      }
    }
    return -1;
  }

  int queryValueEnd(int b, int le) const {
    int i = b;
    while (i < le && t_[i] != u'&' && t_[i] != u'#' && t_[i] != u';' && !isBlank(t_[i]) &&
           !isQuote(t_[i]) && t_[i] != u'<' && t_[i] != u'>')
      ++i;
    return i;
  }

  // Anchors make "title" and "condition" records; they count even when the
  // value next to them is not taken.
  void anchor(const KeyRule& r, int at) {
    const unsigned groups = anchorGroups(r);
    for (unsigned g = 0; g < anchors_.size(); ++g)
      if (groups & (1u << g)) anchors_[g].push_back(at);
  }

  // ["a", "b"] and [1, 2]: each item is a value of the key.
  int arrayValues(const KeyRule& rule, int open, int le, bool json, int keyAt) {
    int i = open + 1;
    while (i < le) {
      i = skipBlanksAt(i, le);
      if (i >= le) break;
      char16_t c = t_[i];
      if (c == u']') return i + 1;
      if (isQuote(c)) {
        int close = closingQuote(i, le);
        if (close < 0) return le;
        value(rule, i + 1, close, Mode::whole, false, keyAt);
        i = close + 1;
      } else {
        int e = i;
        while (e < le && t_[e] != u',' && t_[e] != u']') ++e;
        int ne = fieldvalue::jsonNumberEnd(t_, i, e);
        if (ne > 0) value(rule, i, ne, Mode::whole, json, keyAt);
        if (ne < 0 && !json) value(rule, i, e, Mode::whole, false, keyAt);
        i = e;
      }
      i = skipBlanksAt(i, le);
      if (i < le && t_[i] == u',') ++i;
    }
    return le;
  }

  // "**Name:** …", "<b>Name:</b> …": the emphasis that closes after a label.
  int skipMarkup(int i, int le) const {
    if (i + 1 < le &&
        ((t_[i] == u'*' && t_[i + 1] == u'*') || (t_[i] == u'_' && t_[i + 1] == u'_')))
      return skipBlanksAt(i + 2, le);
    if (i + 3 < le && t_[i] == u'<' && t_[i + 1] == u'/') {
      int g = i + 2;
      while (g < le && isAsciiAlpha(t_[g]) && g - i < 10) ++g;
      if (g > i + 2 && g < le && t_[g] == u'>') return skipBlanksAt(g + 1, le);
    }
    return i;
  }

  // Lines that end a record outside {…}: a blank line, an INI "[section]", a
  // top-level YAML "docs:" with nothing after it, a Markdown heading.
  bool sectionStart(int ls, int le, int b, int e) const {
    if (b == le) return true;
    if (b != ls) return false;
    const char16_t c = t_[b];
    if (c == u'[') return t_[e - 1] == u']';
    if (c == u'#') return b + 1 < e && (t_[b + 1] == u'#' || t_[b + 1] == u' ');
    if (!isLetter(c) || t_[e - 1] != u':') return false;
    for (int i = b; i < e - 1; ++i)
      if (!isKeyChar(t_[i])) return false;
    return true;
  }

  int skipBlanksAt(int i, int le) const {
    while (i < le && isBlank(t_[i])) ++i;
    return i;
  }

  void separators(int ls, int le) {
    const std::size_t n = seps_.size();
    // Grown, never shrunk: each line writes the first n of both.
    if (keys_.size() < n) keys_.resize(n), nextLabel_.resize(n);
    for (std::size_t k = 0; k < n; ++k) keys_[k] = keyAt(seps_[k], ls);
    // Where the next label begins: an unquoted value never runs into it.
    int next = le;
    for (std::size_t k = n; k-- > 0;) {
      nextLabel_[k] = next;
      if (keys_[k].label && keys_[k].start >= 0) next = std::max(keys_[k].start, ls);
    }
    int resume = ls;
    for (std::size_t k = 0; k < n; ++k) {
      const Sep& s = seps_[k];
      const Key& key = keys_[k];
      // "Name: John Smith" written as a label in prose stands on its own; the
      // lower-case "name:" of YAML and code needs a person's record around it.
      proseLabel_ = key.ctx == Ctx::label && key.rule && key.rule->kind == Kind::name &&
                    key.start >= 0 && isUpper(t_[key.start]);
      if (s.pos < resume || !key.rule) continue;
      const KeyRule& rule = *key.rule;
      anchor(rule, key.start);
      if (rule.shape == Shape::none || !on(rule.kind)) continue;
      int vs = skipMarkup(skipBlanksAt(s.pos + s.len, le), le);
      // "Password:" alone on its line, or a YAML block ("password: |"): the
      // value is the next line.
      const bool block = vs + 2 >= le && vs < le && (t_[vs] == u'|' || t_[vs] == u'>');
      if ((vs >= le || block) && key.ctx == Ctx::label && nextLineShape(rule)) {
        nextLine_ = &rule;
        continue;
      }
      if (vs >= le) continue;
      int extent = (rule.flags & kWholeValue) ? le : std::max(vs, std::min(le, nextLabel_[k]));
      if (key.ctx == Ctx::query) extent = queryValueEnd(vs, le);
      const char16_t q = t_[vs];
      if ((rule.flags & kCookie) && key.ctx != Ctx::code && key.ctx != Ctx::dict) {
        int b = vs, e = extent;
        if (isQuote(q)) {
          const int close = closingQuote(vs, le);
          b = vs + 1;
          e = close < 0 ? le : close;
        }
        cookiePairs(b, e);
        resume = e;
        continue;
      }
      if (isQuote(q) && key.ctx != Ctx::query) {
        int close = closingQuote(vs, le);
        if (close < 0) {
          resume = le;
          continue;
        }
        // Backticks in a shell line run a command: PASSWORD=`pass show db`.
        const bool command = q == u'`' && (key.ctx == Ctx::env || key.ctx == Ctx::ini);
        if (!command) value(rule, vs + 1, close, Mode::whole, false, key.start);
        resume = close + 1;
      } else if (q == u'[' &&
                 (key.ctx == Ctx::json || key.ctx == Ctx::dict || key.ctx == Ctx::label)) {
        int close = vs + 1;
        while (close < le && t_[close] != u']' && close - vs < 64) ++close;
        if (close < le && t_[close] == u']' &&
            FieldRules::isPlaceholderValue(t_.substr(vs, close + 1 - vs))) {
          resume = close + 1;  // "[REDACTED]", "[SECRET_1]"
          continue;
        }
        resume = arrayValues(rule, vs, le, key.ctx == Ctx::json, key.start);
      } else if (q == u'{') {
        continue;
      } else if (key.ctx == Ctx::json) {
        int ne = fieldvalue::jsonNumberEnd(t_, vs, le);
        if (ne > 0) {
          value(rule, vs, ne, Mode::whole, true, key.start);
          resume = ne;
        }
      } else {
        // "user=bob&password=…" at the start of a line is a form body.
        if (key.ctx == Ctx::env && extent > vs && extent < le && t_[extent - 1] == u'&')
          extent = queryValueEnd(vs, le);
        // After a quoted key in code ('Authorization': auth) a bare word is a variable.
        // "User: thanks" is a chat turn; an account under a capitalised "User:" label
        // must look like one ("jdoe42", "m.rossi").
        const bool chatRole = key.ctx == Ctx::label && key.start >= 0 && s.pos - key.start == 4 &&
                              t_[key.start] == u'U' && equalsAscii(t_.substr(key.start, 4), "user");
        // A command's options are values, not variables: "--user=jbrown",
        // "-o username=rpatel,vers=3.0".
        // An option's value ends at its comma or blank; what follows is more options.
        const bool listed = extent < le && extent > vs && t_[extent - 1] == u',';
        const bool flag = key.start >= 0 && t_[key.start] == u'-';
        int optionEnd = extent;
        if (listed) optionEnd = extent - 1;
        if (flag) {
          int blank = vs;
          while (blank < optionEnd && !isBlank(t_[blank])) ++blank;
          optionEnd = blank;
        }
        const bool code = (key.ctx == Ctx::code && !flag && !listed) || key.ctx == Ctx::dict;
        value(rule, vs, flag || listed ? optionEnd : extent, code ? Mode::code : Mode::leading,
              false, key.start, chatRole);
        resume = extent;
      }
    }
    proseLabel_ = false;
  }

  // ---- XML elements: <password>…</password> -----------------------------------

  // Returns where the scan goes on: after the element's text when it was read.
  int xmlElement(int gt, int ls, int le) {
    int nb = gt;
    while (nb > ls && gt - nb <= kMaxKeyLength &&
           (isAlnum(t_[nb - 1]) || t_[nb - 1] == u'_' || t_[nb - 1] == u'-' || t_[nb - 1] == u'.'))
      --nb;
    if (nb == gt || nb == ls || !isLetter(t_[nb])) return gt;
    int open = nb - 1;
    if (t_[open] == u':') {  // a namespace prefix: <ns:password>
      while (open > ls && isAlnum(t_[open - 1])) --open;
      --open;
    }
    if (open < ls || t_[open] != u'<') return gt;
    const KeyRule* rule = matchKeyBefore(t_, nb, gt, 1, true).rule;
    if (!rule) return gt;
    anchor(*rule, open);
    if (rule->shape == Shape::none || !on(rule->kind)) return gt;
    int close = gt + 1;
    while (close < le && t_[close] != u'<') ++close;
    if (close + 1 >= le || t_[close + 1] != u'/') return gt;
    value(*rule, gt + 1, close, Mode::whole, false, open);
    return close - 1;
  }

  // "session_id=3b67…; theme=dark": the session, not the theme. A value is a
  // secret under a secret's name, or when it is long and random.
  void cookiePairs(int b, int e) {
    static constexpr KeyRule kRandom{u"cookie", Kind::secret, Shape::secret, kWeak};
    int i = b;
    while (i < e) {
      i = skipBlanksAt(i, e);
      const int nb = i;
      while (i < e && t_[i] != u'=' && t_[i] != u';' && t_[i] != u'"' && t_[i] != u'\'') ++i;
      if (i >= e || t_[i] != u'=') {
        while (i < e && t_[i] != u';') ++i;
        ++i;
        continue;
      }
      const int ne = i;
      int vb = i + 1, ve = vb;
      while (ve < e && t_[ve] != u';') ++ve;
      i = ve + 1;
      while (ve > vb && isBlank(t_[ve - 1])) --ve;
      if (ve - vb >= 2 && t_[vb] == u'"' && t_[ve - 1] == u'"') ++vb, --ve;
      const KeyRule* r = ne > nb ? matchKeyBefore(t_, nb, ne, 1, true).rule : nullptr;
      if (r && r->kind != Kind::secret) r = nullptr;
      if (!r && ve - vb < 16) continue;
      Span s = fieldvalue::match(t_, vb, ve, r ? *r : kRandom, Mode::whole);
      if (s.begin >= 0)
        out_.push_back({Kind::secret, Range{s.begin, s.end - s.begin}, true, false, false, {}});
    }
  }

  // ---- URLs with a password ("https://user:pw@host") -------------------------

  int urlUserinfo(int colon, int ls, int le) {
    int sb = colon;
    while (sb > ls && colon - sb < 24 &&
           (isAsciiAlpha(t_[sb - 1]) || isDigit(t_[sb - 1]) || t_[sb - 1] == u'+' ||
            t_[sb - 1] == u'.' || t_[sb - 1] == u'-'))
      --sb;
    const int a0 = colon + 3;
    if (sb == colon || !isAsciiAlpha(t_[sb])) return a0;
    int a = a0, at = -1;
    while (a < le && a - a0 < 512) {
      static constexpr auto kAuthorityEnds = asciiSet([](char16_t c) {
        return c == u'/' || c == u'?' || c == u'#' || isBlank(c) || isQuote(c) || c == u'<' ||
               c == u'>';
      });
      const char16_t c = t_[a];
      if (c < 128 ? kAuthorityEnds[c] : isBlank(c)) break;
      if (c == u'@') at = a;
      ++a;
    }
    if (at > a0 && on(Kind::secret)) {
      for (int i = a0; i < at; ++i) {
        if (t_[i] != u':') continue;
        View pw = t_.substr(i + 1, at - i - 1);
        if (!pw.empty() && !FieldRules::isStandInUrlPassword(t_.substr(a0, i - a0), pw))
          out_.push_back({Kind::secret, Range{i + 1, at - i - 1}, true, false, false, {}});
        break;
      }
    }
    return std::max(a, a0);
  }

  // ---- labels without a separator ------------------------------------------------

  // "CVV 123", "DOB 12/04/1990", "born April 12, 1990", "Passport X1234567".
  // The character before the digits decides which rules may apply at all:
  // most digit runs follow a letter, a dot or a dash and start nothing.
  [[gnu::noinline]] void digitStart(int i, int ls, int le) {
    if (i == ls) {
      const int d = digitsAhead(i, le);
      streetFrom(i, ls, le, d);
      dateAfterBirthCue(i, ls, le, d);
      return;
    }
    const char16_t p = t_[i - 1];
    if (isAsciiLower(p) || p == u'_') {
      bareUsername(i, ls, le);
      return;
    }
    // An id may open with capitals: "X1234567", "ACC-426505", "SMITH115733J86AB".
    if (isLetter(p) || (p == u'-' && i - 1 > ls && isAsciiUpper(t_[i - 2]))) {
      int ts = i;
      while (ts > ls && i - ts < 6 && (isAsciiUpper(t_[ts - 1]) || t_[ts - 1] == u'-')) --ts;
      // Inside a longer word ("UnwxLLIH00…"), the word may still be an account or a key.
      if (ts == i || !isAsciiUpper(t_[ts]) || (ts > ls && isAlnum(t_[ts - 1]))) {
        bareUsername(i, ls, le);
        return;
      }
      if (ts > ls && (isBlank(t_[ts - 1]) || t_[ts - 1] == u'(')) labelBefore(ts, ls, le);
      return;
    }
    // p is neither a letter nor a digit.
    const int d = digitsAhead(i, le);
    streetFrom(i, ls, le, d);
    // After another number and a blank ("4111 1111", "14 09:26"), or after
    // ASCII punctuation that ends no label and no street's word ("i = 0",
    // "timeout: 3000"), no word before the number opens a street, and only
    // a label that ends in a digit ("CVV2 123") can stand there.
    if (p == u' ' && i - 2 >= ls && kNoWordBeforeBlank[clampAscii(t_[i - 2])]) {
      if (isDigit(t_[i - 2]) && i - 3 >= ls && isLetter(t_[i - 3])) labelBefore(i, ls, le);
      dateAfterBirthCue(i, ls, le, d);
      return;
    }
    if (p == u' ' && on(Kind::address)) streetAfterWords(i, ls, le, d);
    if (isBlank(p) || p == u'(') {
      labelBefore(i, ls, le);
      dateAfterBirthCue(i, ls, le, d);
    }
  }

  // ---- a date of birth asked for a sentence or a line before ------------------

  // "When were you born? It's 14/03/1988.", "Date of birth\n14/03/1988": a
  // full date whose birth cue stands earlier in its sentence, in the sentence
  // before or on the line above, with nothing between that makes it the date
  // of something else.
  // A first look at the digits and what follows them: most numbers are no date.
  // d: where the digits from i end (digitsAhead).
  [[gnu::always_inline]] void dateAfterBirthCue(int i, int ls, int le, int d) {
    if (!on(Kind::birthDate)) return;
    const int n = d - i;
    if (n != 1 && n != 2 && n != 4 && n != 8) return;
    const char16_t next = d < le ? t_[d] : u' ', after = d + 1 < le ? t_[d + 1] : u' ';
    // A day or a year goes on with a blank, a comma, a date's mark or an
    // ordinal's letters; not "14:30", "18ms".
    if (n != 8 && !(next == u' ' || next == u',' || next == u'-' || next == u'/' || next == u'.' ||
                    (n <= 2 && (next == u's' || next == u'n' || next == u'r' || next == u't'))))
      return;
    // "14 March", "March 14, 1988", "4th of May", "14/03/1988", "19880314"
    if (next == u' ' && !isLetter(after) &&
        !(i - 2 >= ls && (isAsciiAlpha(t_[i - 2]) || t_[i - 2] == u'.')))
      return;
    if (isDigit(next) || (n == 4 && next != u'-' && next != u'/' && next != u'.')) return;
    // "19.99", "2.4.1", "10.20.30.40": a mark after a day or a year that no
    // month and the same mark follow.
    const bool marked = next == u'-' || next == u'/' || next == u'.';
    if (marked && n != 8 && !sameMarkAgain(d, n, le)) return;
    birthDateAt(i, ls, le, d, marked);
  }

  // "14/03/1988", "1988-03-14", "14-Mar-1988": after the n digits that end
  // at d, a mark, a month and the same mark again, then a year of two or four
  // digits or a day of one or two, and no further mark and digit.
  bool sameMarkAgain(int d, int n, int le) const {
    const char16_t mark = t_[d];
    int m = d + 1;
    while (m < le && (isDigit(t_[m]) || isAsciiAlpha(t_[m])) && m - d <= 9) ++m;
    if (!(m > d + 1 && m - d <= 10 && m < le && t_[m] == mark)) return false;
    int y = m + 1;
    while (y < le && isDigit(t_[y]) && y - m <= 5) ++y;
    const int last = y - m - 1;
    if (n == 4 ? last < 1 || last > 2 : last != 2 && last != 4) return false;
    return !(y + 1 < le && t_[y] == mark && isDigit(t_[y + 1]));
  }

  // The digits [i, d) that may begin a date; marked when the date's marks
  // follow them ("14/03/1988", "1988-03-14").
  [[gnu::noinline]] void birthDateAt(int i, int ls, int le, int d, bool marked) {
    const int n = d - i;
    const char16_t next = d < le ? t_[d] : u' ', after = d + 1 < le ? t_[d + 1] : u' ';
    int ds = i;
    if (n == 4) {
      if (!marked) return;
      // "2024-03-14T09:26:53", "2024-03-14 09:26": a log's time stamp.
      const int q = i + 10;
      if (q + 3 < le && (t_[q] == u'T' || t_[q] == u' ') && isDigit(t_[q + 1]) &&
          (t_[q + 2] == u':' || t_[q + 3] == u':'))
        return;
    } else if (n <= 2 && !marked) {
      bool shape = false;
      if (isAsciiAlpha(next) && isAsciiAlpha(after)) {  // "4th of May"
        const View ord = t_.substr(d, 2);
        shape = equalsAscii(ord, "st") || equalsAscii(ord, "nd") || equalsAscii(ord, "rd") ||
                equalsAscii(ord, "th");
      } else if (next == u' ' && isLetter(after)) {  // "14 March", "3 de mayo"
        int w = d + 1;
        while (w < le && isLetter(t_[w]) && w - d < 11) ++w;
        const View word = t_.substr(d + 1, w - d - 1);
        shape = fieldvalue::isMonthName(word) || equalsAscii(word, "of") || equalsAscii(word, "de");
      }
      // "March 14, 1988", "Mar. 14 1988": a word before the day; not a
      // log's "Mar 14 09:26:54".
      if (!shape && (next == u',' || next == u' ') && i - 2 >= ls && isBlank(t_[i - 1]) &&
          (isAsciiAlpha(t_[i - 2]) || t_[i - 2] == u'.') &&
          !(isDigit(after) && d + 3 < le && (t_[d + 2] == u':' || t_[d + 3] == u':'))) {
        int j = i - 1;
        while (j > ls && isBlank(t_[j - 1]) && i - j < 3) --j;
        const int monthEnd = j > ls && t_[j - 1] == u'.' ? j - 1 : j;
        const int w = monthEnd - asciiLettersBefore(monthEnd, ls, 10);
        if (monthEnd - w >= 3 && (w == ls || !isAlnum(t_[w - 1])) &&
            fieldvalue::isMonthName(t_.substr(w, monthEnd - w))) {
          ds = w;
          shape = true;
        }
      }
      if (!shape) return;
    }
    const int de = fieldvalue::dateEnd(t_, ds, le);
    if (de < 0) return;
    // "14/03/2024 09:26:53", "…T09:26": a log's time stamp.
    const int te = de < le && (t_[de] == u' ' || t_[de] == u'T') ? de + 1 : de;
    if (te + 2 < le && isDigit(t_[te]) && (t_[te + 1] == u':' || t_[te + 2] == u':')) return;
    if (!birthCueBefore(ds)) return;
    static constexpr KeyRule kBirth{u"born", Kind::birthDate, Shape::date, 0};
    value(kBirth, ds, le, Mode::leading, false, ds, true);
  }

  // Whether a birth cue ("born", "date of birth", "DOB", "Geburtsdatum")
  // stands a few words before `at`, at most one sentence end or line end
  // away, with no number, other label or other event between.
  bool birthCueBefore(int at) const {
    constexpr int kReach = 240, kMaxWords = 8;
    // Words that make the date another event's.
    static constexpr std::array<std::string_view, 60> kOtherEvents = {
        "died",       "death",     "deceased",    "passed",   "married",   "hired",     "joined",
        "started",    "admitted",  "discharged",  "issued",   "issue",     "expires",   "expiry",
        "expiration", "valid",     "appointment", "visit",    "visited",   "arrived",   "moved",
        "registered", "graduated", "today",       "since",    "until",     "diagnosed", "surgery",
        "meeting",    "due",       "deadline",    "updated",  "signed",    "effective", "show",
        "tour",       "released",  "launched",    "shipped",  "published", "opened",    "founded",
        "ended",      "held",      "event",       "concert",  "ordered",   "paid",      "delivered",
        "booked",     "release",   "fixed",       "party",    "recorded",  "created",   "modified",
        "sent",       "received",  "renewed",     "cancelled"};
    // A speaker's mark in a transcript is no other label: "Caller: 14/03/1988".
    static constexpr std::array<std::string_view, 8> kSpeakers = {
        "answer", "customer", "caller", "client", "patient", "user", "reply", "response"};
    const int from = std::max(0, at - kReach);
    int p = at, words = 0, boundaries = 0, lineEnds = 0;
    bool gap = false;
    while (true) {
      while (p > from && isSpace(t_[p - 1])) {
        gap = gap || isLineEnd(t_[p - 1]);
        // "\r\n" is one line end; a blank line between a label and a date is two.
        if (words == 0 && isLineEnd(t_[p - 1]) && !(t_[p - 1] == u'\r' && p < at && t_[p] == u'\n'))
          ++lineEnds;
        --p;
      }
      if (p <= from) return false;
      int ws = p;
      while (ws > from && !isSpace(t_[ws - 1])) --ws;
      if (ws == from && from > 0) return false;  // a word the reach cuts
      // Trailing punctuation: a sentence's end, a label's colon.
      int e = p;
      bool colon = false;
      while (e > ws && !isAlnum(t_[e - 1])) {
        const char16_t c = t_[e - 1];
        gap = gap || c == u'?' || c == u'!' || c == u'.';
        colon = colon || c == u':' || c == 0xFF1A;
        --e;
      }
      if (gap) {
        if (++boundaries > 1) return false;
        gap = false;
      }
      if (e > ws) {
        const KeyRule* r = matchKeyBefore(t_, from, e, 4, false).rule;
        if (r && r->kind == Kind::birthDate) {
          // Right after its label ("DOB 14/03/1988", "DOB:\n14/03/1988") the
          // label rules take the date already; not across a blank line.
          const bool labelled =
              words == 0 && (colon ? boundaries == 0 || (p == e + 1 && lineEnds <= 1)
                                   : boundaries == 0 && p == e && (r->flags & kBare));
          return !labelled;
        }
        for (int k = ws; k < e; ++k)
          if (isDigit(t_[k])) return false;  // another number or date between
        const View word = t_.substr(ws, e - ws);
        // "Q: … A: 14/03/1988": an answer's mark is no other label.
        if (colon && e - ws > 2 &&
            std::none_of(kSpeakers.begin(), kSpeakers.end(),
                         [&](std::string_view w) { return equalsAscii(word, w); }))
          return false;
        for (std::string_view w : kOtherEvents)
          if (equalsAscii(word, w)) return false;
      }
      if (++words > kMaxWords) return false;
      p = ws;
    }
  }

  // "221B Baker Street": a house number first.
  // d: where the digits from i end (digitsAhead).
  [[gnu::always_inline]] void streetFrom(int i, int ls, int le, int d) {
    if (!on(Kind::address)) return;
    // mayBeStreet()'s first look, inline: most numbers are long or end at
    // another mark ("10.20", "14:30", "2024-03-14T…" after its dash), and
    // the character after that mark rules out most others ("1842, \"",
    // "3000 }", "18ms", "9fceb0…").
    if (d - i > 5 || d + 1 >= le) return;
    const char16_t c = t_[d], n = t_[d + 1];
    // After a blank, a digit opens only an ordinal of one to three digits
    // ("350 5th Ave"), as mayBeStreet() asks: "1 2 3" and a card's "4111 1111"
    // are no street.
    const bool may = c == u' '   ? isAsciiAlpha(n) || (isDigit(n) && ordinalAfter(d + 2, le))
                     : c == u'-' ? isDigit(n) && blankAfterRange(d + 1, le)
                     : c == u',' ? n == u' ' && d + 2 < le && isAsciiLower(t_[d + 2])
                                 : isAsciiAlpha(c) && (n == u' ' || n == u',');
    if (!may) return;
    const StreetStart start = mayBeStreet(i, d, le);
    if (start == kStreet)
      streetAt(i, ls, le);
    else if (start == kLowerStreet)
      lowerStreetAt(i, ls, le);
  }

  // A range's second number from r ("12-14"), up to five digits as
  // mayBeStreet() reads it: a street goes on only with a blank or a comma
  // after it, which no date ("2024-03-14") or phone ("415-555-2671") has.
  bool blankAfterRange(int r, int le) const {
    int e = r;
    while (e < le && isDigit(t_[e]) && e - r < 5) ++e;
    return e + 1 < le && (t_[e] == u' ' || t_[e] == u',');
  }

  // Whether a small letter follows the digit before o within the first three
  // digits: the only way mayBeStreet() takes a number that a blank and a
  // digit follow.
  bool ordinalAfter(int o, int le) const {
    for (const int end = std::min(le, o + 3); o < end; ++o)
      if (!isDigit(t_[o])) return isAsciiLower(t_[o]);
    return false;
  }

  // An address with the unit and place lines around it.
  void addAddress(Span a, int ls, int le, bool lower = false) {
    addressFound(address::block(t_, a, ls, le, lower));
  }

  // A free-text address, found without a label.
  void addressFound(Span a) {
    out_.push_back({Kind::address, Range{a.begin, a.end - a.begin}, false, false, false, {}});
  }

  [[gnu::noinline]] void streetAt(int i, int ls, int le) {
    bool withPlace = false, weak = false;
    Span a = fieldvalue::streetAddress(t_, i, le, &withPlace, false, &weak);
    if (a.begin < 0) return;
    // A bare "5 Stars Road" needs a word that introduces a place.
    const int unit = fieldvalue::unitBefore(t_, ls, i);
    if (unit >= 0) {
      a.begin = unit;
    } else if (const int stray = strayNumberBefore(i, ls); stray >= 0) {
      a.begin = stray;
    }
    const Span whole = address::block(t_, a, ls, le, false, !weak);
    // "12 Harbor View" needs its place, on its line or on the next.
    if (weak ? withPlace || whole.end > le : withPlace || placeCueBefore(a.begin, ls))
      addressFound(whole);
  }

  // "4 742 Maple Avenue": a number of its own before the house number, where
  // an address may begin.
  int strayNumberBefore(int i, int ls) const {
    if (i - 2 < ls || t_[i - 1] != u' ' || !isAlnum(t_[i - 2])) return -1;
    int k = i - 1;
    if (isAsciiAlpha(t_[k - 1])) --k;  // "4B"
    const int d = k;
    while (k > ls && isDigit(t_[k - 1]) && d - k < 4) --k;
    if (k == d || (k > ls && !isBlank(t_[k - 1]) && t_[k - 1] != u':' && t_[k - 1] != u'('))
      return -1;
    return placeCueBefore(k, ls) ? k : -1;
  }

  // "221b baker street, london nw1 6xe": an address all in lower case is one
  // only with a place and postcode after it.
  [[gnu::noinline]] void lowerStreetAt(int i, int ls, int le) {
    // Not the digits after a decimal point, a range's dash or a fraction's
    // slash ("0.42 for key", "2.4.1 of the app").
    if (i > ls && (t_[i - 1] == u'.' || t_[i - 1] == u'-' || t_[i - 1] == u'/')) return;
    // The place after the street starts with a comma, soon after it and
    // before any sentence's end or other number.
    {
      // A street's own kind among the first few words ("baker street").
      int c = skipDigits(i, le);
      if (c < le && isAsciiLower(t_[c])) ++c;  // "221b"
      bool kind = false;
      for (int words = 0; words < 5 && !kind && c < le && t_[c] == u' '; ++words) {
        const int w = ++c;
        c = letterRunEnd(t_, w, le, 16, true);
        if (c == w) return;
        const View word = t_.substr(w, c - w);
        // The street's reading stops at a word of a sentence ("1 for the refund").
        if (fieldvalue::isSentenceWord(word)) return;
        kind = words > 0 && fieldvalue::isStreetSuffix(word);
        if (c < le && t_[c] == u'.') ++c;  // "st."
      }
      if (!kind) return;
    }
    Span a = fieldvalue::streetAddress(t_, i, le, nullptr, true);
    if (a.begin < 0) return;
    for (int k = a.begin; k < a.end; ++k)
      if (isUpper(t_[k])) return;
    const int end = address::lowerPlaceEnd(t_, a.end, le);
    if (end < 0) return;
    a.end = end;
    addAddress(a, ls, le, true);
  }

  // "P.O. Box 1234", "Hauptstraße 5", "Calle Mayor 12": the number after a
  // blank that follows words.
  void streetAfterWords(int i, int ls, int le, int d) {
    if (i - 4 >= ls && (t_[i - 2] | 0x20) == u'x') {
      bool withPlace = false;
      Span a = fieldvalue::poBox(t_, ls, i, le, &withPlace);
      if (a.begin >= 0 && !withPlace) {  // "p.o. box 1234, springfield, il 62704"
        const int end = address::lowerPlaceEnd(t_, a.end, le);
        withPlace = end > 0;
        if (withPlace) a.end = end;
      }
      if (a.begin >= 0 && (withPlace || placeCueBefore(a.begin, ls))) {
        addAddress(a, ls, le);
        return;
      }
    }
    if (i - 1 <= ls) return;
    const char16_t p = t_[i - 2];
    if (isLetter(p) || p == u'.') {
      // "Hauptstraße 5", "Karl-Marx-Straße 5", "Schmidtstr. 12"
      int w = i - 1;
      // Most words are ASCII and shorter than sixteen: one look finds their start.
      if (const int start = runStartBefore(w, ls, kStreetWordRun); start >= 0)
        w = start;
      else
        while (w > ls && (isLetter(t_[w - 1]) || t_[w - 1] == u'.' || t_[w - 1] == u'-') &&
               i - w < 40)
          --w;
      const View word = t_.substr(w, i - 1 - w);
      const bool named = fieldvalue::isStreetWord(word);
      // "HAUPTSTRASSE", "storgatan": one case throughout.
      const bool oneCase = !named && (isLower(word[0]) || (word.size() > 1 && isUpper(word[1])));
      if (named || (oneCase && fieldvalue::isStreetWord(word, true))) {
        Span a = fieldvalue::streetFirstAddress(t_, w, i, le);
        if (a.begin >= 0) {
          address::Place place;
          a.end = std::max(a.end, address::namedStreetEnd(t_, i, le, &place));
          const Span whole = address::block(t_, a, ls, le, !named);
          // "HAUPTSTRASSE 5", "storgatan 12": in one case only with a place after.
          if (named || place == address::Place::place || whole.end > le) {
            addressFound(whole);
            return;
          }
        }
      } else if (const int sb =
                     isUpper(word[0]) || (word.size() <= 6 && fieldvalue::isStreetParticle(word))
                         ? fieldvalue::typeFirstStreetStart(t_, ls, i)
                         : -1;
                 sb >= 0) {
        // "Calle Mayor 12, 28013 Madrid": a postcode and city, or a word that
        // introduces a place, tell it from "Via Verde 3 stars".
        Span a = fieldvalue::streetFirstAddress(t_, sb, i, le);
        const int numberEnd = skipDigits(i, le);
        const Span whole = a.begin >= 0 ? address::block(t_, a, ls, le, false) : a;
        if (a.begin >= 0 &&
            (a.end > numberEnd + 1 || whole.end > le || (sb > ls && placeCueBefore(sb, ls)))) {
          addressFound(whole);
          return;
        }
      }
    }
    if (isLetter(p) || p == u'.' || p == u',') otherStreetForms(i, ls, le, d);
  }

  // Military addresses, a unit line above a street line, and streets named
  // before their number in the ways of other countries and scripts; the
  // digits from i end at digitsEnd.
  // Most numbers follow a word in lower case ("at 10", "version 2"): the
  // word before tells which of them can apply at all.
  // The first look inline: most numbers after a word go on with a small
  // letter or a word in lower case ("at 10 am", "version 2 is").
  [[gnu::always_inline]] void otherStreetForms(int i, int ls, int le, int digitsEnd) {
    if (digitsEnd + 1 < le && isAsciiLower(t_[digitsEnd]) && isAsciiAlpha(t_[digitsEnd + 1]))
      return;
    if (digitsEnd + 1 < le && t_[digitsEnd] == u' ' && isAsciiLower(t_[digitsEnd + 1])) return;
    otherStreetFormsAt(i, ls, le, digitsEnd);
  }

  [[gnu::noinline]] void otherStreetFormsAt(int i, int ls, int le, int digitsEnd) {
    // A house number, box or postcode ends its address or stands before a
    // comma, a full stop, a slash or a capital: "Váci u. 19,", "84/92",
    // "ul. Tverskaya, д. 7", "APO AE 09204".
    {
      int d = digitsEnd;
      if (d < le && isLetter(t_[d]) && !(d + 1 < le && isLetter(t_[d + 1])))
        d = skipDigits(d + 1, le);  // "12a", "7к2"
      const char16_t next = d < le ? t_[d] : u' ', after = d + 1 < le ? t_[d + 1] : u' ';
      const bool ends = d >= le || next == u',' || next == u';' || next == u')' || next == u'/' ||
                        next == u'-' || next == u'\r' || (next == u'.' && !isDigit(after)) ||
                        (isBlank(next) && (isUpper(after) || isDigit(after) || after == u'(' ||
                                           d + 1 >= le || isLineEnd(after)));
      if (!ends) return;
    }
    int we = i - 1;
    while (we > ls && isBlank(t_[we - 1])) --we;
    int wb = we;
    while (wb > ls && (isLetter(t_[wb - 1]) || t_[wb - 1] == u'.' || t_[wb - 1] == u',') &&
           we - wb < 24)
      --wb;
    if (wb == we) return;
    const char16_t first = t_[wb], last = t_[we - 1];
    const View word = t_.substr(wb, we - wb - (last == u',' ? 1 : 0));
    // "PSC 1234", "Unit 2050", "CMR 410", "APO AE 09204"
    const bool military = equalsAscii(word, "ae") || equalsAscii(word, "aa") ||
                          equalsAscii(word, "ap") || equalsAscii(word, "psc") ||
                          equalsAscii(word, "unit") || equalsAscii(word, "cmr");
    if (military) {
      if (Span m = address::military(t_, ls, le, i); m.begin >= 0) {
        addressFound(m);
        return;
      }
    }
    // "Flat 3B" opening its line.
    int lineStart = ls;
    while (lineStart < wb && isBlank(t_[lineStart])) ++lineStart;
    if (lineStart == wb &&
        address::unitWord(word.back() == u'.' ? word.substr(0, word.size() - 1) : word)) {
      if (Span u = address::unitAboveStreet(t_, ls, le, i); u.begin >= 0) {
        addressFound(u);
        return;
      }
    }
    // A name's capital, an abbreviation's full stop, a comma ("Тверская, 7"),
    // or a kind of street after the name ("Karl Johans gate 22").
    bool standsAlone = true;
    int sb = -1;
    if (!isLower(first) || last == u'.' || last == u',' || address::mayBeTypeAfterName(first))
      sb = address::namedStreetStart(t_, ls, i, &standsAlone);
    // "via roma 15, 00184 roma", "ul. długa 5, 80-827 gdańsk": all in lower
    // case, with its kind of street and a postcode after a comma.
    bool lower = false;
    if (sb < 0) {
      if (!isLower(first)) return;
      const int d = digitsEnd;
      if (!(d < le && t_[d] == u',') && !(d + 1 < le && isLetter(t_[d]) && t_[d + 1] == u','))
        return;
      sb = address::namedStreetStart(t_, ls, i, &standsAlone, true);
      if (sb < 0) return;
      for (int k = sb; k < i; ++k)
        if (isUpper(t_[k])) return;
      lower = true;
    }
    address::Place place;
    const int end = address::namedStreetEnd(t_, i, le, &place);
    if (end < 0 || (lower && place != address::Place::place)) return;
    const Span whole = address::block(t_, {sb, end}, ls, le, lower);
    if (whole.end > le) place = address::Place::place;  // the place on the line below
    // Greek and Cyrillic names without a kind of street need their postcode.
    const bool greek = t_[sb] >= 0x370 && t_[sb] < 0x530;
    if (!standsAlone &&
        !(greek ? place == address::Place::place
                : place != address::Place::none || (sb > ls && placeCueBefore(sb, ls))))
      return;
    addressFound(whole);
  }

  // How many ASCII letters (`most` at most, sixteen at most) stand right before
  // `end` and after ls. From one pair of loads where the processor allows: the
  // length of the word before is unpredictable, and a loop would guess wrong at its end.
  int asciiLettersBefore(int end, int ls, int most) const {
    if (end == ls || !isAsciiAlpha(t_[end - 1])) return 0;  // no word: most digits in a list
#if defined(__SSE2__)
    if (end >= 16) {
      const auto* q = reinterpret_cast<const __m128i*>(t_.data() + end - 16);
      auto letters = [](__m128i v) {
        const __m128i lower =
            _mm_sub_epi16(_mm_or_si128(v, _mm_set1_epi16(0x20)), _mm_set1_epi16(u'a'));
        return _mm_cmpeq_epi16(_mm_subs_epu16(lower, _mm_set1_epi16(25)), _mm_setzero_si128());
      };
      // Bit k: the character at end - 16 + k; the run of ones from the top bit is the word.
      const auto m = std::uint16_t(_mm_movemask_epi8(
          _mm_packs_epi16(letters(_mm_loadu_si128(q)), letters(_mm_loadu_si128(q + 1)))));
      return std::min({int(std::countl_one(m)), most, end - ls});
    }
#endif
    int w = end;
    while (w > ls && isAsciiAlpha(t_[w - 1]) && end - w < most) --w;
    return end - w;
  }

  // A bare label before the value that starts at ts ("CVV 123", "DOB 12/04/1990").
  // The first look, inline: most numbers follow another number or a mark.
  [[gnu::always_inline]] void labelBefore(int ts, int ls, int le) {
    int j = ts > ls && t_[ts - 1] == u'(' ? ts - 1 : ts;  // "driver's license (D1234567)"
    const int open = j;
    while (j > ls && isBlank(t_[j - 1]) && open - j < 3) --j;
    if (j == ts || j == ls) return;
    // A label, a month or "the" ends with a letter, a full stop or a digit
    // after a letter ("CVV2 123"), or stands before "#" or a dash. After
    // another number ("4111 1111", "1 2 3") none can stand.
    const char16_t c = t_[j - 1];
    if (isLetter(c) || c == u'.' || c == u'#' || c == u'-' || c == 0x2013 || c == 0x2014 ||
        (isDigit(c) && j - 1 > ls && isLetter(t_[j - 2])))
      labelBefore(ts, ls, le, j, open);
  }

  [[gnu::noinline]] void labelBefore(int ts, int ls, int le, int j, const int open) {
    int valueStart = ts;
    // A month name before the day belongs to the date.
    int w = j;
    const int monthEnd = j > ls && t_[j - 1] == u'.' ? j - 1 : j;  // "Apr. 4, 1990"
    w = monthEnd - asciiLettersBefore(monthEnd, ls, 10);
    if (monthEnd - w >= 3 && fieldvalue::isMonthName(t_.substr(w, monthEnd - w))) {
      valueStart = w;
      j = w;
      while (j > ls && isBlank(t_[j - 1]) && w - j < 3) --j;
      if (j == w || j == ls) return;
    } else if (j - w == 3 && equalsAscii(t_.substr(w, 3), "the") && w > ls && isBlank(t_[w - 1])) {
      // "born on the 4th of April, 1990"
      j = w;
      while (j > ls && isBlank(t_[j - 1]) && w - j < 3) --j;
    }
    // "Passport # X1234567", "DOB - 04/12/1990", "DOB – 04/12/1990"
    if (t_[j - 1] == u'#' || ((t_[j - 1] == u'-' || t_[j - 1] == 0x2013 || t_[j - 1] == 0x2014) &&
                              j - 1 > ls && isBlank(t_[j - 2]))) {
      --j;
      while (j > ls && isBlank(t_[j - 1])) --j;
    }
    // Labels end with a letter ("CVV"), a full stop ("No.") or a digit after a letter ("CVV2").
    if (j == ls || !(isLetter(t_[j - 1]) || t_[j - 1] == u'.' ||
                     (isDigit(t_[j - 1]) && j - 1 > ls && isLetter(t_[j - 2]))))
      return;
    const KeyRule* r = labelEndingAt(j, ls);
    if (r && r->kind == Kind::secret && !(r->flags & kBare) && valueStart == open) {
      bareSecret(*r, valueStart, false, j, le);
      return;
    }
    if (!r || !(r->flags & kBare) || r->shape == Shape::none || !on(r->kind)) return;
    value(*r, valueStart, le, Mode::leading, false, j, true);
  }

  // "heroku api key 9f3c…", "--token Qw8E…", "twilio auth token 3f9a…": a
  // value after a secret's name and a blank, whose word starts at tb (after
  // the quote at tb - 1 when quoted). A password's name takes a
  // random-looking value, any other name a generated one.
  void bareSecret(const KeyRule& r, int tb, bool quoted, int keyAt, int le) {
    if (!on(Kind::secret) || r.shape != Shape::secret ||
        (r.flags & (kWholeValue | kDigitsOnly | kCookie)))
      return;
    int te = tb;
    while (te < le && te - tb < 4096 && !isSpace(t_[te]) && !isQuote(t_[te])) ++te;
    if (quoted && (te >= le || t_[te] != t_[tb - 1])) return;
    const Mode mode = quoted ? Mode::whole : Mode::leading;
    const int end = quoted ? te : le;
    Span s{-1, -1};
    if (r.flags & kBare) {  // a password's name
      s = fieldvalue::match(t_, tb, end, r, mode, true);
    } else {
      const KeyRule generated{r.key, Kind::secret, Shape::secret, kCompound};
      s = fieldvalue::match(t_, tb, end, generated, mode);
      // A UUID under a name of its own ("api key", "auth token"), not under "token" or "key".
      if (s.begin < 0 && !(r.flags & (kWeak | kCompound)) && te - tb == 36 &&
          fieldvalue::generatedValue(t_.substr(tb, 36), true))
        s = {tb, te};
    }
    emit(r, s, false, keyAt, false);
  }

  // The ASCII classes runStartBefore() reads runs of.
  enum Run { kKeyRun, kNameRun, kStreetWordRun };

  // Where the run of `run` characters that ends at `end` starts, from one
  // look at the sixteen characters before `end`; a run that reaches lim
  // starts there, as a walk back that stops at lim would have it. -1 when
  // the look cannot tell: a longer run, or one that a character past ASCII
  // ends, which the caller's own walk judges.
  int runStartBefore(int end, int lim, Run run) const {
#if defined(__SSE2__)
    if (end < 16) return -1;
    const char16_t* p = t_.data() + end - 16;
    const unsigned bits = run == kStreetWordRun ? streetWordChars(p) : nameChars(p, run == kKeyRun);
    const int length = std::countl_one(std::uint16_t(bits));
    if (end - length <= lim) return lim;
    if (length < 16 && t_[end - 1 - length] < 128) return end - length;
#else
    (void)end, (void)lim, (void)run;
#endif
    return -1;
  }

#if defined(__SSE2__)
  // Bit k set when the character at p + k is an ASCII letter, digit, "_", "."
  // or "-": bareUsernameWord()'s name characters, sixteen at once; with
  // keys, "$" and "@" too, as kKeyChars holds them.
  static unsigned nameChars(const char16_t* p, bool keys = false) {
    const __m128i c = asciiBytes(p);
    const __m128i folded = _mm_or_si128(c, _mm_set1_epi8(0x20));  // letters to small ones
    __m128i name =
        _mm_or_si128(_mm_or_si128(bytesWithin(folded, 'a', 'z'), bytesWithin(c, '0', '9')),
                     _mm_or_si128(bytesWithin(c, '-', '.'), _mm_cmpeq_epi8(c, _mm_set1_epi8('_'))));
    if (keys)
      name = _mm_or_si128(name, _mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8('$')),
                                             _mm_cmpeq_epi8(c, _mm_set1_epi8('@'))));
    return unsigned(_mm_movemask_epi8(name));
  }
#endif

#if defined(__SSE2__)
  // Bit k set when the character at p + k is an ASCII letter, "." or "-", the
  // ASCII characters of the word before a house number in streetAfterWords().
  static unsigned streetWordChars(const char16_t* p) {
    const __m128i c = asciiBytes(p);
    const __m128i letter = bytesWithin(_mm_or_si128(c, _mm_set1_epi8(0x20)), 'a', 'z');
    const __m128i marks =
        _mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8('.')), _mm_cmpeq_epi8(c, _mm_set1_epi8('-')));
    return unsigned(_mm_movemask_epi8(_mm_or_si128(letter, marks)));
  }
#endif

  // "Username jsmith88 has been locked": an account name with digits after its label.
  // Each word is judged at its first digit ("a1b2c3d4…" asks at every digit):
  // a digit inside the word judged last returns at once.
  [[gnu::always_inline]] void bareUsername(int i, int ls, int le) {
    if (nameLine_ == ls && i >= nameBegin_ && i < nameEnd_) return;
    bareUsernameWord(i, ls, le);
  }

  [[gnu::noinline]] void bareUsernameWord(int i, int ls, int le) {
    if (!on(Kind::username) && !on(Kind::secret)) return;
    static constexpr auto kNameChars = asciiSet([](char16_t c) {
      return isAsciiAlpha(c) || isDigit(c) || c == u'_' || c == u'.' || c == u'-';
    });
    auto nameChar = [](char16_t c) { return c < 128 && kNameChars[c]; };
    // The word around i, read once: sixteen characters a step where the
    // text allows, the rest one by one.
    int tb = i, we = i + 1;
#if defined(__SSE2__)
    // Past ASCII nothing is a name character, so each look is exact; a look
    // may reach past the line, where the walk stops at its ends all the same.
    while (tb >= 16) {
      const int run = std::countl_one(std::uint16_t(nameChars(t_.data() + tb - 16)));
      if (tb - run <= ls) {
        tb = ls;
        break;
      }
      tb -= run;
      if (run < 16) break;
    }
    while (we + 16 <= int(t_.size())) {
      const int run = std::countr_one(nameChars(t_.data() + we));
      if (we + run >= le) {
        we = le;
        break;
      }
      we += run;
      if (run < 16) break;
    }
#endif
    while (tb > ls && nameChar(t_[tb - 1])) --tb;
    while (we < le && nameChar(t_[we])) ++we;
    nameLine_ = ls;
    nameBegin_ = tb;
    nameEnd_ = we;
    if (i - tb > 32) return;            // no more than 32 characters before the digit
    if (!isAsciiAlpha(t_[tb])) return;  // "0x4" is a number
    // "Login failed for user 'jdoe42'": the name in quotes.
    const bool quoted = tb > ls && (t_[tb - 1] == u'\'' || t_[tb - 1] == u'"');
    const int before = quoted ? tb - 1 : tb;
    if (before == ls || !isBlank(t_[before - 1])) return;
    int j = before;
    while (j > ls && isBlank(t_[j - 1]) && before - j < 3) --j;
    if (j == ls || !isLetter(t_[j - 1])) return;
    const KeyRule* r = labelEndingAt(j, ls);
    if (r && r->kind == Kind::secret) {
      bareSecret(*r, tb, quoted, j, le);
      return;
    }
    if (!r || r->kind != Kind::username || !(r->flags & kBare) || !on(Kind::username)) return;
    if (quoted) {
      const int close = closingQuote(before, le);
      if (close > tb) value(*r, tb, close, Mode::whole, false, j);
      return;
    }
    value(*r, tb, le, Mode::leading, false, j, true);
  }

  // A house number followed by a capitalised word, before the full parse:
  // kStreet; kLowerStreet when a word in lower case follows ("221b baker
  // street"), which is an address only with its place after it.
  enum StreetStart { kNoStreet, kStreet, kLowerStreet };
  // Where the digits from i end, eight at most (more digits follow then):
  // from one load where the text allows it; the line end is no digit.
  [[gnu::always_inline]] int digitsAhead(int i, int le) const {
#if defined(__SSE2__)
    if (i + 8 <= int(t_.size())) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t_.data() + i));
      const __m128i digit =
          _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16(u'0')), _mm_set1_epi16(9)),
                          _mm_setzero_si128());
      const unsigned other = ~unsigned(_mm_movemask_epi8(digit)) & 0xFFFFu;
      return other ? i + std::countr_zero(other) / 2 : i + 8;
    }
#endif
    int d = i;
    const int digitsEnd = std::min(le, i + 8);
    while (d < digitsEnd && isDigit(t_[d])) ++d;
    return d;
  }

  [[gnu::noinline]] StreetStart mayBeStreet(int i, int d, int le) const {
    const char16_t* t = t_.data();
    if (d - i > 5) return kNoStreet;
    if (d < le && t[d] == u'-') {  // "12-14"
      int r = ++d;
      while (d < le && isDigit(t[d]) && d - r < 5) ++d;
      if (d == r) return kNoStreet;
    } else if (d < le && isAsciiAlpha(t[d])) {  // "221B", "12a"
      ++d;
    }
    if (d + 2 < le && t[d] == u',' && t[d + 1] == u' ' && isAsciiLower(t[d + 2])) ++d;  // "12, rue"
    if (d + 1 >= le || t[d] != u' ') return kNoStreet;
    if (isAsciiUpper(t[d + 1])) return kStreet;
    if (isAsciiLower(t[d + 1])) {  // "27 rue de la Paix"
      const int w = letterRunEnd(t_, d + 1, le, 11);
      if (fieldvalue::isLeadingStreetType(t_.substr(d + 1, w - d - 1))) return kStreet;
      if (w - d > 2 && t[d - 1] != u',') return kLowerStreet;
    }
    int o = d + 1;  // "350 5th Ave", not "200 18ms"
    while (o < le && isDigit(t[o]) && o - d < 4) ++o;
    if (o == d + 1 || o + 1 >= le) return kNoStreet;
    const char16_t a = t[o], b = t[o + 1];
    return (a == u's' && b == u't') || (a == u'n' && b == u'd') || (a == u'r' && b == u'd') ||
                   (a == u't' && b == u'h')
               ? kStreet
               : kNoStreet;
  }

  int skipDigits(int i, int le) const {
    while (i < le && isDigit(t_[i])) ++i;
    return i;
  }

  bool placeCueBefore(int i, int ls) const {
    int j = i;
    while (j > ls && isBlank(t_[j - 1])) --j;
    if (j == ls) return true;
    const char16_t c = t_[j - 1];
    if (c == u':' || c == u'(' || c == u'"' || c == u'\'' || c == u',') return true;
    int w = j;
    while (w > ls && isAsciiAlpha(t_[w - 1]) && j - w < 10) --w;
    static constexpr std::array<std::string_view, 14> kCues = {
        "at",   "to",    "on",      "in",    "from", "near",    "address",
        "live", "lives", "located", "visit", "ship", "deliver", "mail"};
    const View word = t_.substr(w, j - w);
    for (std::string_view cue : kCues)
      if (equalsAscii(word, cue)) return true;
    return false;
  }

  // "my password is hunter2", "the patient's name is John Smith", "password to …".
  void afterIs(int i, int ls, int le) {
    int len = 0;
    if (i + 2 <= le && t_[i] == u'i' && t_[i + 1] == u's') len = 2;
    if (i + 3 <= le && t_[i] == u'w' && t_[i + 1] == u'a' && t_[i + 2] == u's') len = 3;
    // "changed your password to …", "set the PIN to 4821"
    if (i + 2 <= le && t_[i] == u't' && t_[i + 1] == u'o') len = 2;
    if (len == 0 || i + len >= le || t_[i + len] != u' ') return;
    int j = i;
    while (j > ls && isBlank(t_[j - 1])) --j;
    if (j > ls && t_[j - 1] == u'#') {  // "My passport # is …"
      --j;
      while (j > ls && isBlank(t_[j - 1])) --j;
    }
    if (j == ls) return;
    const KeyRule* r = labelEndingAt(j, ls);
    if (!r || r->shape == Shape::none || !allowedAfterIs(*r) || !on(r->kind)) return;
    int vs = skipBlanksAt(i + len, le);
    value(*r, vs, le, Mode::leading, false, j, true);
  }

  // "Mr. John Smith", "Dr Jane Doe".
  void salutation(int i, int le) {
    // Every word below is a capital and a lower-case letter, or "I am", "I'm".
    if (!on(Kind::name) || i + 2 >= le ||
        !(isAsciiLower(t_[i + 1]) || (t_[i] == u'I' && t_[i + 1] != u'n')))
      return;
    if (introducedName(i, le)) return;
    if (t_[i] == u'D' && le - i > 5 && t_.substr(i, 5) == u"Dear "sv) {
      greeting(i + 5, le);
      return;
    }
    int w = letterRunEnd(t_, i, le, 5);
    // A title is two to four letters before "." or a blank.
    if (w - i > 4 || w >= le || (t_[w] != u'.' && t_[w] != u' ')) return;
    // The word's letters, one byte each, against the titles': one number each.
    auto packed = [](auto word) {
      std::uint32_t n = 0;
      for (std::size_t k = 0; k < word.size(); ++k) n |= std::uint32_t(word[k] & 0xFF) << (8 * k);
      return n;
    };
    static constexpr std::array<std::string_view, 12> kTitles = {
        "Mr", "Mrs", "Ms", "Mx", "Miss", "Dr", "Prof", "Sir", "Herr", "Frau", "Mme", "Mlle"};
    static constexpr auto kPacked = [&] {
      std::array<std::uint32_t, kTitles.size()> a{};
      for (std::size_t k = 0; k < a.size(); ++k) a[k] = packed(kTitles[k]);
      return a;
    }();
    const std::uint32_t word = packed(t_.substr(i, w - i));
    if (std::find(kPacked.begin(), kPacked.end(), word) == kPacked.end()) return;
    if (w < le && t_[w] == u'.') ++w;
    if (w >= le || t_[w] != u' ') return;
    int n = w + 1;
    Span s = fieldvalue::nameAfterSalutation(t_, n, le);
    if (s.begin >= 0)
      out_.push_back({Kind::name, Range{s.begin, s.end - s.begin}, true, false, false, {}});
  }

  // "I am Jane Doe", "I'm Jane Doe", "Patient Jane Doe was seen": a name of two
  // words at least ("I am Groot" may be anything).
  // A person's role before the name ("Customer Jane Doe (ID: …)") asks more of
  // what follows than "I am" does.
  bool introducedName(int i, int le) {
    struct Intro {
      std::u16string_view words;
      bool role;
    };
    // Grouped by their first letter, which chooses the group at once.
    static constexpr std::array<Intro, 10> kIntros = {{{u"I am ", false},
                                                       {u"I'm ", false},
                                                       {u"I\u2019m ", false},
                                                       {u"Patient ", true},
                                                       {u"Passenger ", true},
                                                       {u"Customer ", true},
                                                       {u"Client ", true},
                                                       {u"Candidate ", true},
                                                       {u"Member ", true},
                                                       {u"Employee ", true}}};
    // Each first letter's group, from "C" to "P": [from, to) in kIntros.
    static constexpr auto kGroups = [] {
      std::array<std::pair<std::size_t, std::size_t>, 14> g{};
      for (std::size_t k = 0; k < kIntros.size(); ++k) {
        auto& [from, to] = g[std::size_t(kIntros[k].words[0] - u'C')];
        if (to == 0) from = k;
        to = k + 1;
      }
      return g;
    }();
    const char16_t c = t_[i];
    if (c < u'C' || c > u'P') return false;
    const auto [from, to] = kGroups[std::size_t(c - u'C')];
    for (std::size_t k = from; k < to; ++k) {
      const Intro& intro = kIntros[k];
      if (le - i < int(intro.words.size()) || t_[i + 1] != intro.words[1] ||
          t_.substr(i, intro.words.size()) != intro.words)
        continue;
      const int n = skipBlanksAt(i + int(intro.words.size()), le);
      Span s = fieldvalue::nameAfterSalutation(t_, n, le);
      if (s.begin >= 0 && t_.substr(s.begin, s.end - s.begin).find(u' ') != View::npos &&
          endsIntroducedName(s.end, le, intro.role))
        out_.push_back({Kind::name, Range{s.begin, s.end - s.begin}, true, false, false, {}});
      return true;
    }
    return false;
  }

  // What may follow a name so introduced: the sentence's end, an age, or a
  // word that goes on about the person ("I'm Back Online now" is no name).
  bool endsIntroducedName(int end, int le, bool role) const {
    const int n = skipBlanksAt(end, le);
    if (n >= le) return !role;
    const char16_t c = t_[n];
    if (c == u',' || c == u'(' || isDigit(c) || (c == u';' && role)) return true;
    if (c == u'.' || c == u'!' || c == u';' || c == u':' || c == u')') return !role;
    int w = n;
    while (w < le && isAsciiLower(t_[w])) ++w;
    static constexpr std::array<std::string_view, 22> kNext = {
        "and",    "from",      "with",      "was",     "is",       "has",
        "had",    "presented", "presents",  "reports", "reported", "denies",
        "states", "underwent", "complains", "here",    "calling",  "writing",
        "who",    "aged",      "age",       "at"};
    const View word = t_.substr(n, w - n);
    for (std::string_view k : kNext)
      if (equalsAscii(word, k)) return true;
    return false;
  }

  // "Dear Jane Doe," and "Dear Jane,": the name a letter opens with ("Dear Mr.
  // Smith" is the salutation's).
  void greeting(int n, int le) {
    n = skipBlanksAt(n, le);
    Span s = fieldvalue::nameAfterSalutation(t_, n, le);
    if (s.begin < 0) return;
    const int after = skipBlanksAt(s.end, le);
    if (after < le && t_[after] != u',' && t_[after] != u'!' && t_[after] != u':') return;
    out_.push_back({Kind::name, Range{s.begin, s.end - s.begin}, true, false, false, {}});
  }

  // ---- SQL: INSERT INTO t (name, email) VALUES ('Ada Lovelace', …) -------------------

  // Known columns of the insert whose rows are being read; empty when none.
  std::vector<const KeyRule*> sqlCols_;

  void sqlLine(int first, int le) {
    int i = first;
    if (i + 6 <= le && equalsAscii(t_.substr(i, 6), "insert")) {
      sqlCols_.clear();
      int open = i;
      while (open < le && t_[open] != u'(' && open - i < 200) ++open;
      if (open >= le || t_[open] != u'(') return;
      std::vector<const KeyRule*> cols;
      int known = 0;
      unsigned groups = 0;
      int c = open + 1;
      while (c < le && t_[c] != u')') {
        c = skipBlanksAt(c, le);
        int b = c;
        while (c < le && t_[c] != u',' && t_[c] != u')') ++c;
        int e = c;
        while (e > b && isBlank(t_[e - 1])) --e;
        if (e > b && (t_[b] == u'`' || t_[b] == u'"' || t_[b] == u'[')) ++b, --e;
        const KeyRule* r = e > b ? matchKeyBefore(t_, b, e, 1, true).rule : nullptr;
        if (r) groups |= anchorGroups(*r);
        if (r && r->shape == Shape::none) r = nullptr;
        known += r != nullptr;
        cols.push_back(r);
        if (c < le && t_[c] == u',') ++c;
      }
      if (known == 0 || c >= le) return;
      if (known >= 2) groups |= kPerson;
      for (auto& r : cols)
        if (r && (r->flags & kNeedsContext) && !(groups & neededGroup(*r))) r = nullptr;
      sqlCols_ = std::move(cols);
      i = c + 1;  // the rows may follow VALUES on this line
    } else if (sqlCols_.empty()) {
      return;
    }
    // Each "( … )" on the line is one row.
    bool row = false;
    while (i < le) {
      while (i < le && t_[i] != u'(' && t_[i] != u';') ++i;
      if (i >= le) break;
      if (t_[i] == u';') {
        sqlCols_.clear();
        return;
      }
      row = true;
      i = sqlRow(i + 1, le);
    }
    // A line that is neither the INSERT, nor VALUES, nor a row ends the statement.
    const View head = t_.substr(first, std::min(6, le - first));
    if (!row && first < le && !equalsAscii(head, "insert") && !equalsAscii(head, "values"))
      sqlCols_.clear();
  }

  int sqlRow(int i, int le) {
    for (std::size_t col = 0; i < le; ++col) {
      i = skipBlanksAt(i, le);
      int b = i, e = i;
      if (i < le && t_[i] == u'\'') {
        int j = i + 1;
        while (j < le && !(t_[j] == u'\'' && !(j + 1 < le && t_[j + 1] == u'\'')))
          j += t_[j] == u'\'' ? 2 : 1;
        b = i + 1;
        e = std::min(j, le);
        i = std::min(j + 1, le);
      } else {
        while (i < le && t_[i] != u',' && t_[i] != u')') ++i;
        e = i;
        while (e > b && isBlank(t_[e - 1])) --e;
      }
      if (col < sqlCols_.size() && sqlCols_[col] && on(sqlCols_[col]->kind) && e > b) {
        Span s = fieldvalue::match(t_, b, e, *sqlCols_[col], Mode::whole);
        if (s.begin >= 0)
          out_.push_back(
              {sqlCols_[col]->kind, Range{s.begin, s.end - s.begin}, true, false, false, {}});
      }
      while (i < le && t_[i] != u',' && t_[i] != u')') ++i;
      if (i >= le) return le;
      if (t_[i] == u')') return i + 1;
      ++i;
    }
    return le;
  }

  // ---- a letter's closing: "Best regards,\nIngrid Smith" -----------------------------

  // 1: the last line closed a letter, a name may follow; 2: the last line was
  // that name, "Account Manager, Acme Ltd." may follow.
  int signature_ = 0;

  void signOff(int b, int e) {
    const int state = signature_;
    signature_ = 0;
    if (state == 1 && e > b) {
      Span n = fieldvalue::nameAfterSalutation(t_, b, e);
      if (n.begin >= 0 && n.end == e && t_.substr(b, e - b).find(u' ') != View::npos) {
        if (on(Kind::name))
          out_.push_back({Kind::name, Range{n.begin, n.end - n.begin}, true, false, false, {}});
        signature_ = 2;
        return;
      }
    }
    if (state == 2 && e > b) {
      jobAndEmployer(b, e);
      return;
    }
    if (e - b < 4 || e - b > 24 || t_[e - 1] != u',') return;
    static constexpr std::array<std::string_view, 12> kClosings = {
        "best regards", "kind regards", "regards",     "best",
        "thanks",       "thank you",    "sincerely",   "yours sincerely",
        "cheers",       "warm regards", "many thanks", "all the best"};
    const View words = t_.substr(b, e - 1 - b);
    for (std::string_view c : kClosings)
      if (equalsAscii(words, c)) signature_ = 1;
  }

  // "Account Manager, Northwind Traders Ltd." under a signature's name.
  void jobAndEmployer(int b, int e) {
    if (!on(Kind::organization)) return;
    int comma = b;
    while (comma < e && t_[comma] != u',') ++comma;
    if (comma >= e || comma - b > 48) return;
    static constexpr std::array<std::string_view, 24> kJobWords = {
        "manager",       "engineer",
        "director",      "officer",
        "lead",          "head",
        "specialist",    "consultant",
        "analyst",       "developer",
        "designer",      "president",
        "ceo",           "cto",
        "cfo",           "vp",
        "founder",       "partner",
        "associate",     "coordinator",
        "administrator", "representative",
        "executive",     "assistant"};
    bool job = false;
    for (int w = b; w < comma;) {
      int x = w;
      while (x < comma && isLetter(t_[x])) ++x;
      for (std::string_view j : kJobWords) job = job || equalsAscii(t_.substr(w, x - w), j);
      w = x + 1;
    }
    if (!job) return;
    const int ob = skipBlanksAt(comma + 1, e);
    static constexpr KeyRule kEmployer{u"employer", Kind::organization, Shape::organization, 0};
    Span o = fieldvalue::match(t_, ob, e, kEmployer, Mode::whole);
    if (o.begin >= 0)
      out_.push_back({Kind::organization, Range{o.begin, o.end - o.begin}, true, false, false, {}});
  }

  // ---- CSV with a header row --------------------------------------------------------

  // Cells of a line, honouring double quotes; false past maxCells.
  bool splitCells(int ls, int le, char16_t d, std::vector<Cell>& cells) {
    cells.clear();
    int i = skipBlanksAt(ls, le);
    bool edges = d == u'|' && i < le && t_[i] == u'|';
    if (edges) ++i;
    while (true) {
      i = d == u'\t' ? i : skipBlanksAt(i, le);
      int b = i, e = i;
      if (i < le && t_[i] == u'"') {
        int j = i + 1;
        while (j < le) {
          if (t_[j] == u'"') {
            if (j + 1 < le && t_[j + 1] == u'"') {
              j += 2;
              continue;
            }
            break;
          }
          ++j;
        }
        b = i + 1;
        e = std::min(j, le);
        i = std::min(j + 1, le);
        while (i < le && t_[i] != d) ++i;
      } else {
        while (i < le && t_[i] != d) ++i;
        e = i;
        while (e > b && isBlank(t_[e - 1])) --e;
      }
      cells.push_back({b, e});
      if (cells.size() > 64) return false;
      if (i >= le) break;
      ++i;  // the delimiter
    }
    if (edges && !cells.empty() && cells.back().b == cells.back().e) cells.pop_back();
    return true;
  }

  static constexpr auto kHeaderChars = asciiSet([](char16_t c) {
    return isAlnum(c) || std::u16string_view(u"_-. '#/()").find(c) != std::u16string_view::npos;
  });

  static bool headerChar(char16_t ch) {
    return ch < 128 ? kHeaderChars[ch] : ch == 0x2019 || isLetter(ch);
  }

  // What a character does to csvLine()'s first look at a cell: a space counts
  // one towards the three that make it a sentence, another blank all three
  // (headerCell() takes no such blank).
  enum : std::uint8_t { kCellEnd = 0, kCellSpace = 1, kCellOtherBlank = 3, kCellHeader = 4 };
  static_assert((kCellHeader & 3) == 0 && (kCellSpace & 3) == kCellSpace &&
                (kCellOtherBlank & 3) == kCellOtherBlank);
  static constexpr std::array<std::uint8_t, 128> kCellChars = [] {
    std::array<std::uint8_t, 128> t{};
    for (char16_t c = 0; c < 128; ++c)
      t[c] = c == u' '         ? kCellSpace
             : c == u'\t'      ? kCellOtherBlank
             : kHeaderChars[c] ? kCellHeader
                               : kCellEnd;
    return t;
  }();
  // The same where the tab is the delimiter.
  static constexpr std::array<std::uint8_t, 128> kCellCharsTabbed = [] {
    std::array<std::uint8_t, 128> t = kCellChars;
    t[u'\t'] = kCellEnd;
    return t;
  }();
  static std::uint8_t cellCharSlow(char16_t ch) {
    return isBlank(ch) ? kCellOtherBlank : headerChar(ch) ? kCellHeader : kCellEnd;
  }

  bool headerCell(const Cell& c) const {
    if (c.e - c.b < 1 || c.e - c.b > kMaxKeyLength || !isLetter(t_[c.b])) return false;
    int blanks = 0;
    for (int i = c.b; i < c.e; ++i) {
      if (t_[i] == u' ' && ++blanks >= 3) return false;  // a sentence, not a column
      if (!headerChar(t_[i])) return false;
    }
    return true;
  }

  void csvLine(int ls, int le, int first, const std::array<int, 4>& delims) {
    if (csvActive_) {
      if (splitCells(ls, le, csvDelim_, cells_) && cells_.size() == csvCols_.size()) {
        bool rule = true;  // a Markdown table's |---|---| line
        for (const Cell& c : cells_)
          for (int i = c.b; i < c.e; ++i) rule = rule && (t_[i] == u'-' || t_[i] == u':');
        if (rule) return;
        for (std::size_t k = 0; k < cells_.size(); ++k) {
          const KeyRule* r = csvCols_[k];
          if (r && on(r->kind)) {
            Span s = fieldvalue::match(t_, cells_[k].b, cells_[k].e, *r, Mode::whole);
            if (s.begin >= 0)
              out_.push_back({r->kind, Range{s.begin, s.end - s.begin}, true, false, false, {}});
          }
        }
        return;
      }
      csvActive_ = false;
    }
    if ((delims[0] | delims[1] | delims[2] | delims[3]) == 0) return;
    // The most frequent delimiter, the first of equals; some count is above 0.
    std::size_t best = 0;
    for (std::size_t k = 1; k < 4; ++k) best = delims[k] > delims[best] ? k : best;
    const char16_t d = kDelims[best];
    // Most lines with a comma are prose: the first cell already tells, most
    // often at its first character that no column name holds or at the
    // third word. The look is headerCell()'s, made as the cell is read: a
    // character after three spaces or after another blank fails it.
    if (d != u'|') {
      const auto& classes = d == u'\t' ? kCellCharsTabbed : kCellChars;
      // Where the cell from b (a letter) ends, at its delimiter, a quote or
      // its 49th character; -1 when it holds what no column name does.
      auto cellEnd = [&](int b) {
        const int limit = std::min(le, b + kMaxKeyLength + 1);
        int e = b, blanks = 0;
        for (; e < limit; ++e) {
          const char16_t ch = t_[e];
          const std::uint8_t c = ch < 128 ? classes[ch] : cellCharSlow(ch);
          if (c == kCellEnd) break;
          // Blanks and header characters take one path, where a branch
          // between them would guess wrong at every word: a header
          // character adds nothing, and matters only after three blanks.
          if (blanks >= 3) [[unlikely]]
            if (c == kCellHeader) return -1;
          blanks += c & 3;
        }
        return e < limit && t_[e] != d && t_[e] != u'"' ? -1 : e;
      };
      // The cell's length without its trailing blanks, from b (a letter) to e.
      auto trimmed = [&](int b, int e) {
        while (isBlank(t_[e - 1])) --e;
        return e - b;
      };
      const int b = first < le && (t_[first] == u'"' || t_[first] == u'|') ? first + 1 : first;
      if (b >= le || !isLetter(t_[b])) return;
      int e = cellEnd(b);
      if (e < 0 || trimmed(b, e) > kMaxKeyLength) return;
      // The other cells the same way, up to a quoted one or one too long to
      // judge here: "def connect(host, port=5432):" is turned away before
      // its cells are split.
      for (int cells = 2; d != u'\t' && e < le && t_[e] == d; ++cells) {
        if (cells > 64) return;  // more than splitCells() takes
        const int cb = skipBlanksAt(e + 1, le);
        if (cb < le && t_[cb] == u'"') break;
        if (cb >= le || !isLetter(t_[cb])) return;
        e = cellEnd(cb);
        if (e < 0 || (e < le && t_[e] == u'"')) return;  // a quote inside an unquoted cell
        if (e < le && t_[e] != d) break;                 // its 49th character
        if (trimmed(cb, e) > kMaxKeyLength) return;
      }
    }
    if (!splitCells(ls, le, d, cells_) || cells_.size() < 2) return;
    // Tabs: only a value that cannot be a column's name ("Date of Birth\t04/12/1990").
    if ((d == u'|' || (d == u'\t' && !headerCell(cells_[1]))) && cells_.size() == 2 &&
        keyValueRow(cells_[0], cells_[1]))
      return;
    std::vector<const KeyRule*>& cols = headerCols_;  // reused: most lines are no header
    cols.assign(cells_.size(), nullptr);
    int known = 0;
    unsigned groups = 0;
    // Every cell a column's name before any is looked up: most lines that
    // get this far are code or prose with a word before their first comma.
    for (const Cell& c : cells_)
      if (!headerCell(c)) return;
    for (std::size_t k = 0; k < cells_.size(); ++k) {
      const Cell& c = cells_[k];
      const KeyRule* r = matchKeyBefore(t_, c.b, c.e, kMaxLabelWords, true).rule;
      if (!r) continue;
      groups |= anchorGroups(*r);
      if (r->shape == Shape::none) continue;
      cols[k] = r;
      ++known;
    }
    if (known == 0) return;
    if (known >= 2) groups |= kPerson;  // "Name,Company,Title": a list of people
    // The header is the record: "title" needs a "department" column beside it.
    for (auto& r : cols)
      if (r && (r->flags & kNeedsContext) && !(groups & neededGroup(*r))) r = nullptr;
    csvActive_ = true;
    csvDelim_ = d;
    csvCols_.swap(cols);
  }

  // "| Date of Birth | 1990-04-12 |": a table of fields and their values. A row
  // of two field names is a header instead.
  bool keyValueRow(const Cell& key, const Cell& val) {
    if (!headerCell(key)) return false;
    const KeyRule* r = matchKeyBefore(t_, key.b, key.e, kMaxLabelWords, true).rule;
    if (!r || r->shape == Shape::none) return false;
    if (headerCell(val) && matchKeyBefore(t_, val.b, val.e, kMaxLabelWords, true).rule)
      return false;
    anchor(*r, key.b);
    if (on(r->kind) && val.e > val.b) value(*r, val.b, val.e, Mode::whole, false, key.b);
    return true;
  }

  // ---- records that need a neighbouring key -----------------------------------------

  // A record is the innermost {…} object around a key, or, outside objects, the
  // block of lines between blank lines: "title" three paragraphs below an
  // employee's department is a heading, not the employee's title.
  struct Object {
    int open, close, parent;
  };

  void buildObjects() {
    if (objectsBuilt_) return;
    objectsBuilt_ = true;
    std::vector<int> stack;
    const int n = int(t_.size());
    for (int i = 0; i < n; ++i) {
      if (t_[i] == u'{') {
        stack.push_back(int(objects_.size()));
        objects_.push_back({i, n, stack.size() > 1 ? stack[stack.size() - 2] : -1});
      } else if (t_[i] == u'}' && !stack.empty()) {
        objects_[std::size_t(stack.back())].close = i;
        stack.pop_back();
      }
    }
  }

  int innermostObject(int at) const {
    auto it = std::lower_bound(objects_.begin(), objects_.end(), at,
                               [](const Object& o, int x) { return o.open < x; });
    int k = int(it - objects_.begin()) - 1;
    for (int steps = 0; k >= 0 && objects_[std::size_t(k)].close < at; ++steps)
      k = steps < 64 ? objects_[std::size_t(k)].parent : -1;
    return k;
  }

  bool within(int inner, int outer) const {
    if (outer < 0) return true;
    if (inner < 0) return false;
    const Object &i = objects_[std::size_t(inner)], &o = objects_[std::size_t(outer)];
    return o.open <= i.open && i.close <= o.close;
  }

  bool sameRecord(int a, int b) const {
    const int oa = innermostObject(a), ob = innermostObject(b);
    if (oa == ob && oa >= 0) return true;
    if (!within(oa, ob) && !within(ob, oa)) return false;
    auto gap = std::upper_bound(paragraphBreaks_.begin(), paragraphBreaks_.end(), std::min(a, b));
    return gap == paragraphBreaks_.end() || *gap >= std::max(a, b);
  }

  // "DOB: 04/12/1961 … Presented with chest pain": the conditions a note
  // names after its clinical phrases, near a field of a patient's record
  // (a medical key, a date of birth or a record number taken).
  void clinicalNotes() {
    if (!on(Kind::medicalRecord)) return;
    std::vector<int> fields = anchors_[std::size_t(std::countr_zero(unsigned(kMedical)))];
    for (const Candidate& c : out_)
      if (c.contextual && (c.kind == Kind::birthDate || c.kind == Kind::medicalRecord))
        fields.push_back(c.range.location);
    if (fields.empty()) return;
    std::sort(fields.begin(), fields.end());
    const int n = int(t_.size());
    std::vector<fieldvalue::Span> found;
    int scanned = 0;
    for (const int a : fields) {
      const int from = std::max({scanned, a - kContextWindow, 0});
      const int to = std::min(n, a + kContextWindow);
      if (from < to) Clinical::find(t_, from, to, found);
      scanned = std::max(scanned, to);
    }
    if (found.empty()) return;
    buildObjects();
    for (const fieldvalue::Span& s : found) {
      const auto mid = std::lower_bound(fields.begin(), fields.end(), s.begin);
      const bool after =
          mid != fields.end() && *mid - s.begin <= kContextWindow && sameRecord(*mid, s.begin);
      const bool before = mid != fields.begin() && s.begin - *(mid - 1) <= kContextWindow &&
                          sameRecord(*(mid - 1), s.begin);
      if (after || before)
        out_.push_back(
            {Kind::medicalRecord, Range{s.begin, s.end - s.begin}, true, false, false, {}});
    }
  }

  void resolvePending() {
    if (pending_.empty()) return;
    for (auto& a : anchors_) std::sort(a.begin(), a.end());
    buildObjects();
    for (Pending& p : pending_) {
      const std::vector<int>& anchors = anchors_[std::size_t(std::countr_zero(p.group))];
      const auto mid = std::lower_bound(anchors.begin(), anchors.end(), p.at);
      // The nearest few anchors on either side decide.
      bool found = false;
      for (auto it = mid; !found && it != anchors.end() && it - mid < 4; ++it)
        found = *it <= p.at + kContextWindow && sameRecord(*it, p.at);
      for (auto it = mid; !found && it != anchors.begin() && mid - it < 4;) {
        --it;
        found = *it >= p.at - kContextWindow && sameRecord(*it, p.at);
      }
      if (found) out_.push_back(std::move(p.c));
    }
  }

  struct Pending {
    Candidate c;
    int at;
    unsigned group;
  };

  View t_;
  std::vector<Candidate>& out_;
  bool wide_;  // 32 characters a step (WideScan.h)
  std::array<bool, Kind::count> enabled_{};
  bool any_ = false;
  std::vector<Sep> seps_;
  const unsigned keyDigits_ = keyEndingDigits();
  std::vector<int> options_;  // dashes after a blank on the line ("-u", "--user")
  std::vector<Key> keys_;
  int nameLine_ = -1, nameBegin_ = 0, nameEnd_ = 0;  // the word bareUsername() judged last
  static constexpr int kStopBlocks = 64;
  // stopMask()'s bits of [stopsFrom_, stopsTo_), and a word after them.
  std::array<unsigned, kStopBlocks + 1> stops_{};
  int stopsFrom_ = 0, stopsTo_ = 0;
  std::vector<int> nextLabel_;
  std::array<std::vector<int>, 3> anchors_;  // key positions by ContextGroup bit
  std::vector<Pending> pending_;
  std::vector<Object> objects_;
  bool objectsBuilt_ = false;
  std::vector<int> paragraphBreaks_;  // starts of blank lines
  std::vector<Cell> cells_;
  bool csvActive_ = false;
  bool proseLabel_ = false;
  Cell prevLine_{-1, -1};
  NameMemo lineNames_, prevLineNames_;
  char16_t csvDelim_ = u',';
  std::vector<const KeyRule*> csvCols_, headerCols_;
};

}  // namespace

namespace FieldRules {

void find(std::u16string_view text, const DetectionSettings& settings,
          std::vector<Candidate>& out) {
  Scanner(text, settings, out).run();
}

}  // namespace FieldRules
}  // namespace clipvane::detect
