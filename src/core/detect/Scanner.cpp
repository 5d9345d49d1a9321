#include "Scanner.h"

#include "KeyShapes.h"
#include "WideScan.h"

#include <unicode/uchar.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;

namespace {
bool processorHasAvx2() {
#if defined(CLIPVANE_WIDE_SCAN)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}
}  // namespace

bool wide::enabled = processorHasAvx2();
void setWideScan(bool on) { wide::enabled = on && processorHasAvx2(); }

bool chars::wordCharSlow(char16_t c) {
  if (c >= 0xd800 && c <= 0xdfff) return true;  // astral letters: never a boundary
  return u_isalnum(c);
}

static bool unspacedScript(char16_t c) {
  return (c >= 0x0e00 && c <= 0x0e7f) || (c >= 0x2e80 && c <= 0x9fff) ||
         (c >= 0xac00 && c <= 0xd7af) || (c >= 0xf900 && c <= 0xfaff);
}

static bool escapedLineEnd(std::u16string_view text, std::size_t pos) {
  return pos >= 2 && (text[pos - 1] == 'n' || text[pos - 1] == 'r' || text[pos - 1] == 't') &&
         text[pos - 2] == '\\' && (pos < 3 || text[pos - 3] != '\\');
}

bool chars::joinsBeforeSlow(std::u16string_view text, std::size_t pos) {
  if (pos == 0 || pos > text.size()) return false;
  const char16_t c = text[pos - 1];
  return wordChar(c) && !unspacedScript(c) && !escapedLineEnd(text, pos);
}

bool chars::joinsAtSlow(std::u16string_view text, std::size_t pos) {
  return pos < text.size() && wordChar(text[pos]) && !unspacedScript(text[pos]);
}

bool chars::at(std::u16string_view text, std::size_t pos, std::u16string_view lowerLiteral) {
  if (pos > text.size() || text.size() - pos < lowerLiteral.size()) return false;
  for (std::size_t k = 0; k < lowerLiteral.size(); ++k)
    if (fold(text[pos + k]) != lowerLiteral[k]) return false;
  return true;
}

Scanner::Scanner(std::u16string_view text, const DetectionSettings& settings,
                 std::vector<Candidate>& out)
    : text_(text), settings_(settings), out_(out), wide_(wideScan()) {
  for (int k = 0; k < Kind::count; ++k)
    enabled_[k] = settings.isEnabled(Kind(static_cast<Kind::Value>(k)));
  // Set up with the rest of the shared state, not at the first number met.
  if (on(Kind::phone)) preparePhonePlan();
}

void Scanner::add(Kind k, std::size_t start, std::size_t end) {
  Candidate c;
  c.kind = k;
  c.range = Range{static_cast<int>(start), static_cast<int>(end - start)};
  out_.push_back(std::move(c));
}

namespace {

constexpr std::uint32_t kPunctStart = 1, kWordStart = 2;

// Punctuation where a kind can start, and letters and digits (whose run is
// one word: only its first character starts anything).
inline constexpr auto kStartClass = [] {
  std::array<std::uint8_t, 128> t{};
  for (int c = 0; c < 128; ++c) t[std::size_t(c)] = chars::alnum(char16_t(c)) ? kWordStart : 0;
  for (char c : {'@', ':', '-', '/', '~', '+', '('}) t[std::size_t(c)] = kPunctStart;
  return t;
}();

// Whether the group of len characters that ends at e before its separator
// next can begin a MAC address: one or two characters that a second group
// follows in the same separator ("00:1a:…"), or four before a dot that four
// more and a dot follow ("0011.2233.4455").
inline bool macGroupAt(std::u16string_view text, std::size_t e, std::size_t len, char16_t next) {
  auto at = [&](std::size_t k) { return k < text.size() ? text[k] : char16_t(0); };
  if (!chars::hex(at(e + 1))) return false;
  if (next == '.') return len == 4 && at(e + 5) == '.';
  return len <= 2 && (at(e + 2) == next || (chars::hex(at(e + 2)) && at(e + 3) == next));
}

// A character after which a letter or digit goes on the same word.
inline bool wordish(char16_t c) { return chars::alnum(c) || c == '_'; }

// The numbers that numberAt() and quietNumber() turn away whatever was read
// before, 64 at a time. The classes besides letters and digits:
struct NumberEdges {
  std::uint64_t goesOn = 0;  // " ", "-", ".", ":", "(", "/": a number may go on after them
  std::uint64_t dot = 0, dash = 0, slash = 0;
};
// The runs of at most six letters and digits that end inside the block at a
// character of ends: each end reaches back over the letters and digits before
// it, 1, 2 and then 3 more at a time.
inline std::uint64_t shortRuns(std::uint64_t alnum, std::uint64_t ends) {
  const std::uint64_t run2 = alnum & (alnum >> 1), run3 = run2 & (alnum >> 2);
  ends |= (ends >> 1) & alnum;
  ends |= (ends >> 2) & run2;
  ends |= (ends >> 3) & run3;
  return ends;
}
// Numbers of at most six characters that end where a number cannot go on
// (quietNumber()), and those after a dash or after a dot that no letter leads
// ("2024-03-14", "19.99"): numberAt() runs only the keys' and addresses'
// rules there, and six characters that end at neither a dot nor a slash
// start neither. The characters before a block's first two are not known
// here: numbers there keep their start.
inline std::uint64_t quietNumbers(std::uint64_t digit, std::uint64_t alnum, const NumberEdges& c) {
  const std::uint64_t plain = shortRuns(alnum, ~alnum & ~c.goesOn);
  const std::uint64_t letterTwoBefore = ((alnum & ~digit) << 2) | 3;
  const std::uint64_t tail = ((c.dot << 1) & ~letterTwoBefore) | (c.dash << 1);
  const std::uint64_t tailShort = shortRuns(alnum, ~alnum & ~c.dot & ~c.slash);
  return digit & (plain | (tail & tailShort));
}

}  // namespace

#if defined(CLIPVANE_WIDE_SCAN)
namespace {
// The classes of 32 characters, as loadBlock() needs them.
struct WideHalf {
  std::uint32_t digit, letter, p, mark, slash, underscore, punct;
  std::uint32_t numberGoesOn, dot, dash, forwardSlash;
};
[[gnu::target("avx2"), gnu::always_inline]] inline WideHalf wideHalf(const char16_t* q) {
  using namespace wide;
  const __m256i v = narrowInOrder(load(q), load(q + 16));
  const __m256i dash = is(v, '-'), colon = is(v, ':'), underscore = is(v, '_');
  const __m256i punct =
      (is(v, '@') | colon) | (dash | is(v, '/')) | ((is(v, '~') | is(v, '+')) | is(v, '('));
  const __m256i mark = (underscore | dash) | (is(v, '.') | is(v, '$')) | (is(v, '=') | colon);
  const __m256i slash = is(v, '/'), bracket = is(v, '('), dot = is(v, '.');
  const __m256i goesOn = (is(v, ' ') | dot) | (dash | colon) | (bracket | slash);
  return {bits(inRange(v, '0', 9)),
          bits(inRange(v | _mm256_set1_epi8(0x20), 'a', 25)),
          bits(is(v, 'P')),
          bits(mark),
          bits(is(v, '\\')),
          bits(underscore),
          bits(punct),
          bits(goesOn),
          bits(dot),
          bits(dash),
          bits(slash)};
}
}  // namespace

// loadBlock()'s classes of `blocks` blocks of 64 characters from p, 32 a
// step. Each block's classes are gathered in registers and stored once;
// letters and digits, and word characters, are joined from the others' bits.
[[gnu::target("avx2")]] static void wideClasses(const char16_t* p, std::size_t blocks,
                                                std::array<std::uint64_t, 7>* classes,
                                                std::uint64_t* quiet) {
  auto join = [](std::uint32_t low, std::uint32_t high) {
    return std::uint64_t(low) | std::uint64_t(high) << 32;
  };
  for (std::size_t k = 0; k < blocks; ++k, p += 64) {
    const WideHalf lo = wideHalf(p), hi = wideHalf(p + 32);
    const std::uint64_t digit = join(lo.digit, hi.digit), letter = join(lo.letter, hi.letter);
    const std::uint64_t alnum = digit | letter;
    classes[k] = {digit,
                  letter & ~join(lo.p, hi.p),
                  join(lo.mark, hi.mark),
                  join(lo.slash, hi.slash),
                  alnum,
                  alnum | join(lo.underscore, hi.underscore),
                  join(lo.punct, hi.punct)};
    NumberEdges edges;
    edges.goesOn = join(lo.numberGoesOn, hi.numberGoesOn);
    edges.dot = join(lo.dot, hi.dot);
    edges.dash = join(lo.dash, hi.dash);
    edges.slash = join(lo.forwardSlash, hi.forwardSlash);
    quiet[k] = quietNumbers(digit, alnum, edges);
  }
}
#endif

// Most of the text is passed over a block of 64 characters at a time: the
// block holds which of them are letters or digits and which can start
// something.
void Scanner::loadBlock(std::size_t base, Block& b) {
  const std::size_t n = text_.size();
  b.base = base;
  std::uint64_t alnumBits = 0, wordBits = 0, punctBits = 0;
  // For the first look at words below: digits, letters but "P", the marks
  // after which a short word may still start something, and backslashes.
  std::uint64_t digitBits = 0, letterBits = 0, markBits = 0, slashBits = 0;
  std::uint64_t quietBits = 0;  // quietNumbers()
#if defined(CLIPVANE_WIDE_SCAN)
  // The classes are taken sixteen blocks ahead: fewer refills, fewer of their
  // mispredicted tests.
  if (wide_ && (base < classesFrom_ || base >= classesTo_) && n - base >= 64) {
    const std::size_t blocks = std::min(classes_.size(), (n - base) / 64);
    wideClasses(text_.data() + base, blocks, classes_.data(), quiet_.data());
    classesFrom_ = base;
    classesTo_ = base + 64 * blocks;
  }
  if (wide_ && base >= classesFrom_ && base < classesTo_) {
    const auto& bits = classes_[(base - classesFrom_) / 64];
    digitBits = bits[0], letterBits = bits[1], markBits = bits[2], slashBits = bits[3];
    alnumBits = bits[4], wordBits = bits[5], punctBits = bits[6];
    quietBits = quiet_[(base - classesFrom_) / 64];
  } else
#endif
#if defined(__SSE2__)
      if (n - base >= 64) {
    const auto* p = reinterpret_cast<const __m128i*>(text_.data() + base);
    const __m128i zero = _mm_setzero_si128(), caseBit = _mm_set1_epi8(0x20);
    const __m128i digit0 = _mm_set1_epi8('0'), digits = _mm_set1_epi8(9);
    const __m128i letterA = _mm_set1_epi8('a'), letters = _mm_set1_epi8(25);
    NumberEdges edges;
    for (int k = 0; k < 4; ++k) {
      // Characters past U+00FF saturate to 0 or 0xFF, which match nothing below.
      const __m128i v =
          _mm_packus_epi16(_mm_loadu_si128(p + 2 * k), _mm_loadu_si128(p + 2 * k + 1));
      auto is = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
      const __m128i digit = _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, digit0), digits), zero);
      const __m128i letter = _mm_cmpeq_epi8(
          _mm_subs_epu8(_mm_sub_epi8(_mm_or_si128(v, caseBit), letterA), letters), zero);
      const __m128i alnum = _mm_or_si128(digit, letter);
      const __m128i punct =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(is('@'), is(':')), _mm_or_si128(is('-'), is('/'))),
                       _mm_or_si128(_mm_or_si128(is('~'), is('+')), is('(')));
      const __m128i mark =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(is('_'), is('-')), _mm_or_si128(is('.'), is('$'))),
                       _mm_or_si128(is('='), is(':')));
      const auto shift = 16 * k;
      auto bits = [](__m128i m) { return std::uint64_t(unsigned(_mm_movemask_epi8(m))); };
      digitBits |= bits(digit) << shift;
      letterBits |= bits(_mm_andnot_si128(is('P'), letter)) << shift;
      markBits |= bits(mark) << shift;
      slashBits |= bits(is('\\')) << shift;
      alnumBits |= std::uint64_t(unsigned(_mm_movemask_epi8(alnum))) << shift;
      wordBits |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_or_si128(alnum, is('_'))))) << shift;
      punctBits |= std::uint64_t(unsigned(_mm_movemask_epi8(punct))) << shift;
      const __m128i goesOn =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(is(' '), is('-')), _mm_or_si128(is('.'), is(':'))),
                       _mm_or_si128(is('('), is('/')));
      edges.goesOn |= bits(goesOn) << shift;
      edges.dot |= bits(is('.')) << shift;
      edges.dash |= bits(is('-')) << shift;
      edges.slash |= bits(is('/')) << shift;
    }
    quietBits = quietNumbers(digitBits, alnumBits, edges);
  } else
#endif
  {
    const std::size_t size = std::min<std::size_t>(64, n - base);
    NumberEdges edges;
    for (std::size_t k = 0; k < size; ++k) {
      const char16_t c = text_[base + k];
      if (c >= 0x80) continue;
      const std::uint8_t cls = kStartClass[c];
      digitBits |= std::uint64_t(chars::digit(c)) << k;
      letterBits |= std::uint64_t(chars::alpha(c) && c != 'P') << k;
      markBits |=
          std::uint64_t(c == '_' || c == '-' || c == '.' || c == '$' || c == '=' || c == ':') << k;
      slashBits |= std::uint64_t(c == '\\') << k;
      alnumBits |= std::uint64_t(cls == kWordStart) << k;
      punctBits |= std::uint64_t(cls == kPunctStart) << k;
      wordBits |= std::uint64_t(cls == kWordStart || c == '_') << k;
      const bool goesOn = c == ' ' || c == '-' || c == '.' || c == ':' || c == '(' || c == '/';
      edges.goesOn |= std::uint64_t(goesOn) << k;
      edges.dot |= std::uint64_t(c == '.') << k;
      edges.dash |= std::uint64_t(c == '-') << k;
      edges.slash |= std::uint64_t(c == '/') << k;
    }
    quietBits = quietNumbers(digitBits, alnumBits, edges);
  }
  const std::uint64_t prevWord =
      (wordBits << 1) | std::uint64_t(base > 0 && wordish(text_[base - 1]));
  b.alnum = alnumBits;
  // Most words are short words of prose and code: a word of letters (not
  // "P") with no digit as its third character that ends within seven
  // characters at a blank or other mark after which no issuer's key, MAC
  // group or host name goes on. quietLetters() turns each of them away,
  // whatever was read before: they are dropped here, 64 at a time. Words
  // running past the block and words after a backslash ("\\nabc") keep
  // their start.
  // The words that end so within seven characters: each plain end reaches
  // back over the letters and digits before it, 1, 2 and then 4 more at a
  // time.
  std::uint64_t shortPlain = ~alnumBits & ~markBits;
  const std::uint64_t run1 = alnumBits, run2 = run1 & (run1 >> 1), run4 = run2 & (run2 >> 2);
  shortPlain |= (shortPlain >> 1) & run1;
  shortPlain |= (shortPlain >> 2) & run2;
  shortPlain |= (shortPlain >> 4) & run4;
  const std::uint64_t afterSlash =
      (slashBits << 1) | std::uint64_t(base > 0 && text_[base - 1] == '\\');
  const std::uint64_t quietWord = letterBits & ~(digitBits >> 2) & shortPlain & ~afterSlash;
  b.starts = (((alnumBits & ~prevWord) & ~quietWord) | punctBits) & ~quietBits;
}

// The first tests of the rules that can start at a number, a word of
// letters or a mark, widened: whether none of them can.
// A word before ":", "-" or ".": the same tests, exactly, and the host
// names' only where no host name was read over the word yet.
bool Scanner::quietBeforeSeparator(std::size_t i, std::size_t e) const {
  const std::size_t len = e - i;
  const char16_t next = ch(e), after = ch(e + 1);
  const bool macGroup = (len <= 2 && next != '.') || (len == 4 && next == '.' && chars::hex(after));
  const bool hostName = next != ':' && chars::alnum(after) && i >= hostSkip_;
  return !macGroup && !hostName;
}

// ":", "-" and ".", after which a word may go on as a MAC group or a host
// name: one look-up, not a branch for each.
inline constexpr auto kGroupSeparator = [] {
  std::array<bool, 128> t{};  // 127 stands for characters past ASCII
  t[':'] = t['-'] = t['.'] = true;
  return t;
}();

// A first part of a key that its issuer marks after it, or a key of a set
// length that carries its issuer's mark inside (Azure DevOps' 84 characters).
constexpr bool suffixedKey(std::size_t len, char16_t next) {
  return (len == 14 && next == '.') || (len == 32 && next == '-') || len == 84;
}

inline bool Scanner::quietNumber(std::size_t i, std::size_t e) const {
  // Cards, MAC addresses and plain phones are seven digits or longer; the
  // rest need a separator after them.
  const char16_t next = ch(e);
  return e - i < 7 && next != ' ' && next != '-' && next != '.' && next != ':' && next != '(' &&
         next != '/';
}

// Whether a key can start at the word [i, e) by its first two characters:
// prefix and body run on in one long word ("AKIA…", "AIzaSy…") or the word
// ends at a mark that a prefix or a body goes on after ("ghp_", "api_org_",
// "sk.", "jdbc:", "AIzaSy-…"). Most words that begin like a prefix ("api",
// "session", "access") are short and end otherwise.
[[gnu::always_inline]] inline bool Scanner::keyWord(std::size_t i, std::size_t e) const {
  const char16_t c = text_[i], next = ch(e);
  if (((kKeyPairs[c] >> (ch(i + 1) & 63)) & 1) == 0 || i < keySkip_) return false;
  return e - i >= 8 || next == '_' || next == '-' || next == '.' || next == '$' || next == '=' ||
         (next == ':' && c == 'j');
}

[[gnu::always_inline]] inline bool Scanner::quietLetters(std::size_t i, std::size_t e) const {
  using namespace chars;
  const char16_t c = text_[i];
  const std::size_t len = e - i;
  // Issuer prefixes (where no key was read over the word; a word of one
  // letter only before a dot, as Vault's "s."), IBANs, PuTTY key files,
  // twelve-digit MAC addresses.
  if (keyWord(i, e) || c == 'P' || len == 12 || (len >= 4 && digit(text_[i + 2]))) return false;
  // MAC address groups ("ab:", "ab-", "abcd.") and dotted or dashed hosts;
  // keys whose first part has a set length (Terraform's "….atlasv1.…",
  // Mailchimp's "…-us21").
  const char16_t next = ch(e);
  if (suffixedKey(len, next)) return false;
  if (kGroupSeparator[std::min<char16_t>(next, 127)]) {
    if (len > 4 && (next == ':' || !alnum(ch(e + 1)))) return true;
    return !(len <= 2 && next != '.') && quietBeforeSeparator(i, e);
  }
  return true;
}

namespace {
// The characters after which a mark may start something, a bit for each
// kind of mark: a dash starts a key block only in "-----BEGIN", a bracket or
// plus sign a phone only before a digit ("(+44)") or a plus sign, a slash a
// home folder only in "/Users/" and "/home/", a tilde only before a letter.
// Looked up together, most marks are turned away by one branch.
enum : std::uint8_t { kAfterDash = 1, kAfterBracket = 2, kAfterSlash = 4, kAfterTilde = 8 };
inline constexpr auto kMarkNeeds = [] {
  std::array<std::uint8_t, 128> t{};
  t['-'] = kAfterDash, t['('] = kAfterBracket, t['+'] = kAfterBracket;
  t['/'] = kAfterSlash, t['~'] = kAfterTilde;
  return t;
}();
inline constexpr auto kMarkGoesOn = [] {
  std::array<std::uint8_t, 128> t{};  // none past ASCII: 127 stands for them
  for (char16_t c = 0; c < 127; ++c)
    t[c] = std::uint8_t(
        (c == '-' ? kAfterDash : 0) | (chars::digit(c) || c == '+' ? kAfterBracket : 0) |
        (c == 'U' || c == 'h' ? kAfterSlash : 0) | (chars::alpha(c) ? kAfterTilde : 0));
  return t;
}();
}  // namespace

inline bool Scanner::quietMark(std::size_t i) const {
  const char16_t c = text_[i], next = ch(i + 1);  // starts are ASCII
  if (const std::uint8_t needs = kMarkNeeds[c]; needs != 0)
    return (kMarkGoesOn[std::min<char16_t>(next, 127)] & needs) == 0;
  // A colon inside an IPv6 run already read starts nothing but a URL or a
  // drive letter ("C:\\Users").
  if (c == ':' && next != '/' && i < ipv6Skip_) {
    const char16_t before2 = i >= 2 ? text_[i - 2] : char16_t(0);
    return !chars::alpha(before(i)) || chars::wordChar(before2);
  }
  return false;
}

void Scanner::run() {
  // Custom findings come from the user's own rules, never from here.
  bool any = false;
  for (int k = 0; k < Kind::count; ++k) any = any || (enabled_[k] && k != Kind::custom);
  if (!any) return;
  const std::size_t n = text_.size();
  Block block;
  std::size_t from = 0;  // where the next start is looked for
  while (from < n) {
    const std::size_t base = from & ~std::size_t(63);
    if (block.base != base) loadBlock(base, block);
    std::uint64_t starts = block.starts & (~std::uint64_t(0) << (from - base));
    from = base + 64;
    while (starts != 0) {
      // Most starts are words and marks that no rule can start at: they are
      // turned away by their rules' first tests, widened, without reading on.
      const std::size_t k = std::size_t(std::countr_zero(starts));
      starts &= starts - 1;
      const std::size_t i = base + k;
      const std::uint8_t cls = chars::kAsciiClass[text_[i]];  // starts are ASCII
      std::size_t next;
      if (cls == 0) {
        if (quietMark(i)) continue;
        next = mark(i);
      } else if (const std::uint64_t rest = ~block.alnum >> k; rest == 0) {
        next = word(i, block);  // runs on into the next block
      } else if (const std::size_t e = i + std::size_t(std::countr_zero(rest)); cls == 1) {
        if (quietNumber(i, e)) continue;
        next = numberAt(i, e);
      } else if (before(i) == '\\') {
        next = word(i, block);  // "\\n4111…"
      } else {
        if (quietLetters(i, e)) continue;
        next = lettersAt(i, e);
      }
      if (next >= base + 64 || block.base != base) {
        from = next;
        break;
      }
      starts = block.starts & (~std::uint64_t(0) << (next - base));
    }
  }
}

std::size_t Scanner::word(std::size_t i, Block& block) {
  using namespace chars;
  const std::size_t n = text_.size();
  // The letter of an escaped line end ("\\n4111…") is no part of the word
  // after it. The word may begin in the next block, whose bits tell where
  // it runs.
  if (before(i) == '\\' && escapedLineEnd(text_, i + 1) && alnum(ch(i + 1))) {
    ++i;
    if ((i & ~std::size_t(63)) != block.base) loadBlock(i & ~std::size_t(63), block);
  }
  // A word or number starts here; nothing starts again inside it.
  std::size_t e = i + std::size_t(std::countr_zero(~block.alnum >> (i & 63)));
  if (e >= block.base + 64) {
    e = block.base + 64;
    while (e < n && alnum(text_[e])) ++e;
  }
  if (digit(text_[i])) return quietNumber(i, e) ? e : numberAt(i, e);
  return quietLetters(i, e) ? e : lettersAt(i, e);
}

// MAC addresses ("00:1a:…", "0011.2233.4455", "001122334455") and host
// names start at words of either kind.
inline void Scanner::macAt(std::size_t i, std::size_t e) {
  const std::size_t len = e - i;
  const char16_t next = ch(e);
  if (on(Kind::macAddress) &&
      (((next == ':' || next == '-' || next == '.') && macGroupAt(text_, e, len, next)) ||
       len == 12))
    mac(i);
}

namespace {
// Whether a bare host name may start at start: not in the middle of a path,
// an address or a longer name. Asked before bareHost() is called: most starts
// inside a dotted or dashed name are turned away without its set-up.
inline bool hostMayStart(std::u16string_view text, std::size_t start) {
  const char16_t prev = start > 0 ? text[start - 1] : char16_t(0);
  return !(prev == '/' || prev == '@' || prev == '.' || prev == ':' || prev == '\\' ||
           prev == '-' || chars::joinsBefore(text, start));
}
}  // namespace

inline void Scanner::host(std::size_t i, std::size_t e) {
  using namespace chars;
  const bool hostLike = (ch(e) == '.' || ch(e) == '-') && alnum(ch(e + 1));
  if (hostLike && on(Kind::internalUrl) && i >= hostSkip_ && hostMayStart(text_, i)) bareHost(i, e);
}

// Seven digits at least from start, counted over what the phone reading can
// pass (digits, brackets, separators, at most three of those in a row, and a
// leading "+"): most numbers in text are shorter ("19.99", "12.5 MB").
// Sixteen characters are looked at together where the text allows: the
// reading stops at the first character it cannot pass or after the fourth
// separator in a row.
// Asked before phone() is called, at most digit runs, and inlined there:
// most are turned away without the call.
[[gnu::always_inline]] inline bool Scanner::sevenDigitsAhead(std::size_t start) const {
#if defined(__SSE2__)
  if (text_.size() - start >= 16) {
    const auto* p = reinterpret_cast<const __m128i*>(text_.data() + start);
    // Characters past U+00FF saturate to 0 or 0xFF, which match nothing below.
    const __m128i v = _mm_packus_epi16(_mm_loadu_si128(p), _mm_loadu_si128(p + 1));
    auto is = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i digit = _mm_cmpeq_epi8(
        _mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8('0')), _mm_set1_epi8(9)), _mm_setzero_si128());
    const __m128i other = _mm_or_si128(_mm_or_si128(_mm_or_si128(is(' '), is('-')), is('.')),
                                       _mm_or_si128(_mm_or_si128(is('/'), is('(')), is(')')));
    const unsigned digits = unsigned(_mm_movemask_epi8(digit));
    const unsigned others =
        unsigned(_mm_movemask_epi8(other)) | (unsigned(_mm_movemask_epi8(is('+'))) & 3u);
    const unsigned stops = ~(digits | others) & 0xFFFFu;
    const unsigned fourOthers = others & (others >> 1) & (others >> 2) & (others >> 3);
    const int read = std::min(
        {std::countr_zero(stops | 0x10000u), std::countr_zero(fourOthers | 0x10000u) + 4, 16});
    // Seven bits at least, counted a byte at a time by table (std::popcount
    // is a library call on processors without the instruction).
    static constexpr auto kBits = [] {
      std::array<std::uint8_t, 256> t{};
      for (unsigned b = 1; b < 256; ++b) t[b] = std::uint8_t(t[b >> 1] + (b & 1));
      return t;
    }();
    const unsigned seen = digits & ((1u << read) - 1);
    if (kBits[seen & 0xFF] + kBits[seen >> 8] >= 7) return true;
    if (read < 16) return false;
  }
#endif
  enum : std::uint8_t { stop, digitChar, other, plusSign };
  static constexpr auto kPassed = [] {
    std::array<std::uint8_t, 128> t{};
    for (char c = '0'; c <= '9'; ++c) t[std::size_t(c)] = digitChar;
    for (char c : {' ', '-', '.', '/', '(', ')'}) t[std::size_t(c)] = other;
    t['+'] = plusSign;
    return t;
  }();
  int digits = 0, others = 0;
  for (std::size_t k = start; k < text_.size() && digits < 7 && others <= 3; ++k) {
    const char16_t c = text_[k];
    const std::uint8_t kind = c < 128 ? kPassed[c] : std::uint8_t(stop);
    if (kind == digitChar) {
      ++digits;
      others = 0;
    } else if (kind == other || (kind == plusSign && k <= start + 1)) {
      ++others;
    } else {
      break;
    }
  }
  return digits >= 7;
}

// Inlined into run() and word(): a call for each digit run cost more than
// most runs' tests.
[[gnu::always_inline]] inline std::size_t Scanner::numberAt(std::size_t i, std::size_t e) {
  using namespace chars;
  // What can start at a run of len digits, by what follows it; the rules run
  // in this order.
  const std::size_t len = e - i;
  const char16_t next = ch(e), after = ch(e + 1);
  // Keys read by hand from a number: a Telegram bot's ("123456789:AA…"),
  // those whose first part's length and mark decide, Asana's ("1/…:…",
  // "2/…/…:…") and Google's refresh tokens ("1//0…").
  auto keys = [&] {
    if (!on(Kind::apiKey) || i < keySkip_) return;
    if (next == ':' && len >= 8 && len <= 10) apiKey(i);
    if (suffixedKey(len, next)) suffixedApiKey(i, e);
    if (len == 1 && next == '/' && (text_[i] == '1' || text_[i] == '2')) asanaToken(i);
  };
  // After a dot that follows no letter ("19.99", "203.0.113.45", "2.4.1") a
  // number is the tail of a decimal, version or address: every rule but the
  // keys' turns it away by the character before it.
  const char16_t prev = before(i);
  if (prev == '.' && !alpha(before(i - 1))) {
    keys();
    return e;
  }
  // After a dash ("2024-03-14", "AB-1123") only an address may still start
  // ("-10.0.0.1").
  if (prev == '-') {
    keys();
    if (next == '.' && len <= 3 && on(Kind::ipv4)) ipv4(i);
    return e;
  }
  // An SSN's three digits go on with two more after the same separator; a
  // card's first four with a group of three or more (shorter ones make too
  // few digits); an address's first part with a second and a dot.
  auto ssnShape = [&] { return len == 3 && digit(after) && ch(e + 3) == next; };
  auto cardGroup = [&] { return len == 4 && digit(after) && digit(ch(e + 2)) && digit(ch(e + 3)); };
  auto quadPart = [&] {
    return len <= 3 && digit(after) &&
           (ch(e + 2) == '.' || ch(e + 3) == '.' || ch(e + 4) == '.' || ch(e + 5) == '.');
  };
  bool macAddress = len == 12, cardNumber = len >= 12 && len <= 19, ssnNumber = false;
  bool quad = false, hostName = false;
  bool phoneNumber = len >= 7;  // plain runs are phones only after a cue ("call 5551234567")
  switch (next) {
    case ' ':
      cardNumber = cardNumber || cardGroup();
      ssnNumber = ssnShape();
      phoneNumber = phoneNumber || digit(after) || after == '(';
      break;
    case '-':
      macAddress = macAddress || macGroupAt(text_, e, len, next);
      cardNumber = cardNumber || cardGroup();
      ssnNumber = ssnShape();
      phoneNumber = phoneNumber || digit(after) || after == '(';
      hostName = alnum(after);
      break;
    case '.':
      macAddress = macAddress || macGroupAt(text_, e, len, next);
      ssnNumber = ssnShape();
      quad = quadPart();
      phoneNumber = phoneNumber || digit(after) || after == '(';
      hostName = alnum(after);
      break;
    case ':':
      macAddress = macAddress || macGroupAt(text_, e, len, next);
      break;
    case '(':
      phoneNumber = true;
      break;
    case '/':
      phoneNumber = phoneNumber || (text_[i] == '0' && digit(after));  // "030/12345678"
      break;
    default:
      phoneNumber = phoneNumber && !wordChar(next);
      break;
  }
  if (macAddress && on(Kind::macAddress)) mac(i);
  if (cardNumber && on(Kind::card)) card(i);
  if (ssnNumber && on(Kind::ssn)) ssn(i);
  keys();
  if (quad && on(Kind::ipv4)) ipv4(i);
  if (phoneNumber && len <= 15 && on(Kind::phone) && i >= phoneSkip_ && sevenDigitsAhead(i))
    phone(i);
  if (hostName && on(Kind::internalUrl) && i >= hostSkip_ && hostMayStart(text_, i)) bareHost(i, e);
  return e;
}

// Inlined into run() and word(), like numberAt().
[[gnu::always_inline]] inline std::size_t Scanner::lettersAt(std::size_t i, std::size_t e) {
  using namespace chars;
  macAt(i, e);
  const std::size_t len = e - i;
  const char16_t c = text_[i];
  if (keyWord(i, e) && keyStart(c, ch(i + 1)) && (on(Kind::apiKey) || on(Kind::databaseUrl)))
    apiKey(i);
  if (suffixedKey(len, ch(e)) && i >= keySkip_ && on(Kind::apiKey)) suffixedApiKey(i, e);
  if (on(Kind::iban) && len >= 4 && digit(ch(i + 2)) &&
      ((upper(c) && upper(ch(i + 1))) || (lower(c) && lower(ch(i + 1)))))
    iban(i);
  if (c == 'P' && on(Kind::privateKey) && at(text_, i, u"putty-user-key-file-"sv)) {
    const std::size_t end = puttyKeyEnd(i);
    if (end > i) return end;  // nothing inside a key file outranks it
  }
  host(i, e);
  return e;
}

// Marks go to their rules by small steps: most of them start nothing. Inlined
// into run(), its only caller, with the colon rule.
[[gnu::always_inline]] inline std::size_t Scanner::mark(std::size_t i) {
  switch (text_[i]) {
    case '@':
      if (on(Kind::email) || on(Kind::internalUrl) || on(Kind::username)) email(i);
      return i + 1;
    case ':':
      colon(i);
      return i + 1;
    case '-':
      return dashes(i);
    case '/':
    case '~':
      if (on(Kind::userPath)) userPath(i);
      return i + 1;
    default:  // "+" and "("
      if (on(Kind::phone) && i >= phoneSkip_) phoneMark(i);
      return i + 1;
  }
}

// Inlined into mark(), its only caller: most colons are turned away at once.
[[gnu::always_inline]] inline void Scanner::colon(std::size_t i) {
  using namespace chars;
  if (ch(i + 1) == '/' && ch(i + 2) == '/') {
    const bool anyUrl = on(Kind::databaseUrl) || on(Kind::internalUrl) || on(Kind::secret) ||
                        on(Kind::apiKey) || on(Kind::username);
    if (anyUrl && i >= urlSkip_) url(i);
  } else if (on(Kind::ipv6) && i >= ipv6Skip_ && (ipv6Char(before(i)) || ipv6Char(ch(i + 1)))) {
    // A colon between two characters no address holds ("key: value",
    // "\"id\": 1") stands alone.
    ipv6(i);
  }
  // A drive letter ("C:\\Users\\…") alone in its word.
  if (on(Kind::userPath) && alpha(before(i))) {
    const char16_t c = before(i - 1);
    if (!wordChar(c)) userPath(i - 1);
  }
}

std::size_t Scanner::dashes(std::size_t i) {
  static constexpr std::u16string_view kBegin = u"-----begin ";
  if (on(Kind::privateKey) && ch(i + 1) == '-' && chars::at(text_, i, kBegin)) {
    const std::size_t end = privateKeyEnd(i);
    if (end > i) return end;  // nothing inside a key block outranks it
  }
  return i + 1;
}

void Scanner::phoneMark(std::size_t i) {
  using namespace chars;
  const char16_t c = text_[i], prev = before(i);
  if (!wordChar(prev) && (digit(ch(i + 1)) || (c == '(' && ch(i + 1) == '+' && digit(ch(i + 2)))) &&
      sevenDigitsAhead(i))
    phone(i);
}

namespace PatternRules {
void find(std::u16string_view text, const DetectionSettings& settings,
          std::vector<Candidate>& out) {
  Scanner(text, settings, out).run();
}
}  // namespace PatternRules

}  // namespace clipvane::detect
