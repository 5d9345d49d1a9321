#include "JSRegex.h"

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>

namespace clipvane {

namespace {

// ICU refuses repeat counts above 2^24 - 1; larger ECMAScript counts are
// clamped to it (no text the program scans holds that many repetitions).
constexpr int kMaxCount = 16777215;
// ICU needs look-behind of bounded length; an unbounded repeat inside one is
// capped at this many repetitions ("(?<=key:\s*)" stays usable). ICU tries
// every length up to the cap at each position, so the cap is also the cost.
constexpr int kLookbehindCap = 64;
// All finds of one matches() call together stop after this long, so that a
// pattern that is merely slow per match (thousands of linear scans) cannot
// stall a scan either.
constexpr auto kScanBudget = std::chrono::milliseconds(1000);
// Groups nest no deeper than this: the parser recurses once per level (and
// ICU gives up on far fewer levels anyway).
constexpr int kMaxDepth = 200;

// ECMAScript's character class escapes, which are ASCII or fixed sets.
constexpr std::u16string_view kDigit = u"0-9";
constexpr std::u16string_view kWord = u"A-Za-z0-9_";
constexpr std::u16string_view kSpace =
    u"\\x{9}-\\x{D}\\x{20}\\x{A0}\\x{1680}\\x{2000}-\\x{200A}\\x{2028}\\x{2029}\\x{202F}"
    u"\\x{205F}\\x{3000}\\x{FEFF}";
constexpr std::u16string_view kLineEnd = u"\\x{A}\\x{D}\\x{2028}\\x{2029}";
constexpr std::u16string_view kAnyChar = u"[\\x{0}-\\x{10FFFF}]";
constexpr std::u16string_view kNoChar = u"[^\\x{0}-\\x{10FFFF}]";

bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isOctal(char32_t c) { return c >= '0' && c <= '7'; }
bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int hexValue(char32_t c) {
  if (c >= '0' && c <= '9') return int(c - '0');
  if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
  return -1;
}

void appendAscii(std::u16string& out, std::string_view s) { out.append(s.begin(), s.end()); }

// A code point as an ICU escape that means the same inside and outside sets.
void appendEscaped(std::u16string& out, char32_t c) {
  if (isAsciiLetter(c) || isDigit(c)) {
    out.push_back(char16_t(c));
    return;
  }
  static constexpr char hex[] = "0123456789ABCDEF";
  appendAscii(out, "\\x{");
  char buf[8];
  int n = 0;
  do {
    buf[n++] = hex[c & 0xF];
    c >>= 4;
  } while (c != 0);
  while (n > 0) out.push_back(char16_t(buf[--n]));
  out.push_back(u'}');
}

// One item of a character class: a code point or the set of a class escape.
struct ClassAtom {
  char32_t cp = 0;
  const icu::UnicodeSet* set = nullptr;
};

std::u16string bracket(std::u16string_view body, bool negate) {
  std::u16string s = negate ? u"[^" : u"[";
  s.append(body);
  s.push_back(u']');
  return s;
}

class Translator {
 public:
  Translator(std::u16string_view pattern, bool ignoreCase) : ignoreCase_(ignoreCase) {
    for (std::size_t i = 0; i < pattern.size();) {
      char32_t c;
      U16_NEXT(pattern.data(), i, pattern.size(), c);
      p_.push_back(c);
    }
  }

  std::u16string run() {
    countGroups();
    disjunction();
    if (!atEnd()) fail("unmatched ')'");
    return std::move(out_);
  }

 private:
  std::vector<char32_t> p_;
  std::size_t i_ = 0;
  std::u16string out_;
  int groupCount_ = 0;
  std::vector<int> icuGroup_, marker_;  // by JavaScript group number
  std::map<std::u16string, int> names_;
  int lookbehindDepth_ = 0;
  int depth_ = 0;
  bool multiline_ = false;
  bool dotAll_ = false;
  bool ignoreCase_;

  [[noreturn]] static void fail(const char* what) {
    throw JSRegex::Error(std::string("Invalid regular expression: ") + what);
  }

  bool atEnd(std::size_t ahead = 0) const { return i_ + ahead >= p_.size(); }
  char32_t peek(std::size_t ahead = 0) const { return atEnd(ahead) ? 0 : p_[i_ + ahead]; }
  bool eat(char32_t c) {
    if (atEnd() || p_[i_] != c) return false;
    ++i_;
    return true;
  }

  // ---- pre-pass: capture groups and their names --------------------------

  // Numbers the capture groups and their ICU counterparts. Each group gets
  // an empty marker group before its ')': ICU fails a back-reference to a
  // group that has not matched, ECMAScript matches the empty string, and
  // "the marker is unset" is what tells the two apart.
  void countGroups() {
    bool inClass = false;
    int icuCount = 0;
    std::vector<int> open;  // JavaScript group number, 0: not capturing
    icuGroup_.push_back(0);
    marker_.push_back(0);
    for (std::size_t k = 0; k < p_.size(); ++k) {
      const char32_t c = p_[k];
      if (c == '\\') {
        ++k;
      } else if (inClass) {
        inClass = c != ']';
      } else if (c == '[') {
        inClass = true;
      } else if (c == ')') {
        if (open.empty()) continue;  // reported by the parser
        if (open.back() > 0) marker_[std::size_t(open.back())] = ++icuCount;
        open.pop_back();
      } else if (c == '(') {
        bool capture = true;
        if (k + 1 < p_.size() && p_[k + 1] == '?') {
          capture = k + 3 < p_.size() && p_[k + 2] == '<' && p_[k + 3] != '=' && p_[k + 3] != '!';
          if (capture) {
            std::size_t save = i_;
            i_ = k + 3;
            std::u16string name = groupName();
            i_ = save;
            if (!names_.emplace(name, groupCount_ + 1).second) fail("duplicate capture group name");
          }
        }
        if (capture) {
          open.push_back(++groupCount_);
          icuGroup_.push_back(++icuCount);
          marker_.push_back(0);
        } else {
          open.push_back(0);
        }
      }
    }
  }

  // A back-reference that, like ECMAScript's, matches nothing when its group
  // has not taken part in the match.
  void backReference(int group) {
    const auto g = std::size_t(group);
    appendAscii(out_, "(?:\\" + std::to_string(icuGroup_[g]) + "|(?!\\" +
                          std::to_string(marker_[g]) + "))");
  }

  // RegExpIdentifierName followed by '>'; i_ is just after '<'.
  std::u16string groupName() {
    std::u16string name;
    for (bool first = true;; first = false) {
      if (atEnd()) fail("invalid capture group name");
      char32_t c = p_[i_++];
      if (c == '>' && !first) break;
      if (c == '\\') {
        if (!eat('u')) fail("invalid capture group name");
        c = unicodeEscape();
        if (c == char32_t(-1)) fail("invalid capture group name");
      }
      const bool ok = c == '$' || c == '_' ||
                      u_hasBinaryProperty(UChar32(c), first ? UCHAR_ID_START : UCHAR_ID_CONTINUE) ||
                      (!first && (c == 0x200C || c == 0x200D));
      if (!ok) fail("invalid capture group name");
      if (c > 0xFFFF) {
        name.push_back(char16_t(U16_LEAD(c)));
        name.push_back(char16_t(U16_TRAIL(c)));
      } else {
        name.push_back(char16_t(c));
      }
    }
    return name;
  }

  // ---- disjunctions, terms and quantifiers --------------------------------

  void disjunction() {
    alternative();
    while (eat('|')) {
      out_.push_back(u'|');
      alternative();
    }
  }

  void alternative() {
    while (!atEnd() && peek() != '|' && peek() != ')') term();
  }

  void term() {
    const bool quantifiable = atom();
    int min = 0, max = 0;
    if (!quantifier(min, max)) return;
    if (!quantifiable) fail("nothing to repeat");
    const bool lazy = eat('?');
    if (lookbehindDepth_ > 0 && max < 0) max = std::max(min, kLookbehindCap);
    if (min == 0 && max < 0)
      out_.push_back(u'*');
    else if (min == 1 && max < 0)
      out_.push_back(u'+');
    else if (min == 0 && max == 1)
      out_.push_back(u'?');
    else {
      appendAscii(out_, "{" + std::to_string(min));
      if (max != min) appendAscii(out_, max < 0 ? "," : "," + std::to_string(max));
      out_.push_back(u'}');
    }
    if (lazy) out_.push_back(u'?');
  }

  // A quantifier at i_ (consumed); max -1 means unbounded.
  bool quantifier(int& min, int& max) {
    switch (peek()) {
      case '*':
        ++i_, min = 0, max = -1;
        return true;
      case '+':
        ++i_, min = 1, max = -1;
        return true;
      case '?':
        ++i_, min = 0, max = 1;
        return true;
      case '{': {
        std::size_t end = 0;
        if (!bracedQuantifier(i_, min, max, end)) return false;
        i_ = end;
        if (max >= 0 && min > max) fail("numbers out of order in {} quantifier");
        return true;
      }
      default:
        return false;
    }
  }

  // "{n}", "{n,}" or "{n,m}" starting at pos; otherwise the brace is a literal.
  bool bracedQuantifier(std::size_t pos, int& min, int& max, std::size_t& end) const {
    auto number = [&](std::size_t& k, int& value) {
      if (k >= p_.size() || !isDigit(p_[k])) return false;
      long long v = 0;
      while (k < p_.size() && isDigit(p_[k]))
        v = std::min<long long>(v * 10 + (p_[k++] - '0'), 1LL << 40);
      value = int(std::min<long long>(v, kMaxCount));
      return true;
    };
    std::size_t k = pos + 1;
    if (!number(k, min)) return false;
    max = min;
    if (k < p_.size() && p_[k] == ',') {
      ++k;
      if (!number(k, max)) max = -1;
    }
    if (k >= p_.size() || p_[k] != '}') return false;
    end = k + 1;
    return true;
  }

  // Emits one atom or assertion; returns whether a quantifier may follow it.
  bool atom() {
    const char32_t c = p_[i_++];
    switch (c) {
      case '^':
        if (multiline_)
          out_ += u"(?<![^" + std::u16string(kLineEnd) + u"])";
        else
          appendAscii(out_, "\\A");
        return false;
      case '$':
        // ICU's own "$" also matches before a final line end.
        if (multiline_)
          out_ += u"(?![^" + std::u16string(kLineEnd) + u"])";
        else
          appendAscii(out_, "\\z");
        return false;
      case '.':
        out_ += dotAll_ ? std::u16string(kAnyChar) : bracket(kLineEnd, true);
        return true;
      case '(':
        return group();
      case '[':
        characterClass();
        return true;
      case '\\':
        return atomEscape();
      case '*':
      case '+':
      case '?':
        fail("nothing to repeat");
      case '{': {
        int min, max;
        std::size_t end;
        if (bracedQuantifier(i_ - 1, min, max, end)) fail("nothing to repeat");
        appendEscaped(out_, c);
        return true;
      }
      default:  // including a lone ']' or '}'
        appendEscaped(out_, c);
        return true;
    }
  }

  bool group() {
    if (++depth_ > kMaxDepth) fail("groups nested too deeply");
    bool quantifiable = true;
    const bool savedMultiline = multiline_, savedDotAll = dotAll_, savedIgnoreCase = ignoreCase_;
    bool lookbehind = false, capture = false;
    if (!eat('?')) {
      capture = true;
      out_.push_back(u'(');
    } else if (eat(':')) {
      appendAscii(out_, "(?:");
    } else if (peek() == '=' || peek() == '!') {
      // Annex B lets a look-ahead be repeated; ICU wants it wrapped for that.
      appendAscii(out_, peek() == '=' ? "(?:(?=" : "(?:(?!");
      ++i_;
      disjunction();
      if (!eat(')')) fail("unterminated group");
      appendAscii(out_, "))");
      --depth_;
      return true;
    } else if (peek() == '<' && (peek(1) == '=' || peek(1) == '!')) {
      appendAscii(out_, peek(1) == '=' ? "(?<=" : "(?<!");
      i_ += 2;
      lookbehind = true;
      ++lookbehindDepth_;
      quantifiable = false;
    } else if (eat('<')) {
      groupName();  // validated and numbered in the pre-pass
      capture = true;
      out_.push_back(u'(');
    } else {
      modifiers();
    }
    disjunction();
    if (!eat(')')) fail("unterminated group");
    appendAscii(out_, capture ? "())" : ")");
    if (lookbehind) --lookbehindDepth_;
    multiline_ = savedMultiline;
    dotAll_ = savedDotAll;
    ignoreCase_ = savedIgnoreCase;
    --depth_;
    return quantifiable;
  }

  // "(?ims-ims:" modifier groups.
  void modifiers() {
    bool seen[2][3] = {};
    int side = 0;
    bool any = false;
    for (;;) {
      const char32_t c = atEnd() ? 0 : p_[i_++];
      if (c == ':') break;
      if (c == '-' && side == 0) {
        side = 1;
        continue;
      }
      const int f = c == 'i' ? 0 : c == 'm' ? 1 : c == 's' ? 2 : -1;
      if (f < 0 || seen[0][f] || seen[1][f]) fail("invalid group");
      seen[side][f] = true;
      any = true;
    }
    if (!any) fail("invalid group");
    if (seen[0][1]) multiline_ = true;
    if (seen[1][1]) multiline_ = false;
    if (seen[0][2]) dotAll_ = true;
    if (seen[1][2]) dotAll_ = false;
    if (seen[0][0]) ignoreCase_ = true;
    if (seen[1][0]) ignoreCase_ = false;
    appendAscii(out_, seen[0][0] ? "(?i:" : seen[1][0] ? "(?-i:" : "(?:");
  }

  // ---- escapes ------------------------------------------------------------

  bool atomEscape() {
    if (atEnd()) fail("\\ at end of pattern");
    const char32_t c = p_[i_];
    switch (c) {
      case 'b':
      case 'B': {
        ++i_;
        const std::u16string w = bracket(kWord, false);
        // ASCII word characters only; the (?-i:) keeps case folding from
        // adding the long s and the Kelvin sign.
        if (c == 'b')
          out_ += u"(?-i:(?<=" + w + u")(?!" + w + u")|(?<!" + w + u")(?=" + w + u"))";
        else
          out_ += u"(?-i:(?<=" + w + u")(?=" + w + u")|(?<!" + w + u")(?!" + w + u"))";
        return false;
      }
      case 'k':
        if (!names_.empty()) {
          ++i_;
          if (!eat('<')) fail("invalid named reference");
          const auto it = names_.find(groupName());
          if (it == names_.end()) fail("invalid named capture referenced");
          backReference(it->second);
          return true;
        }
        break;
      case 'd':
      case 'D':
      case 'w':
      case 'W':
      case 's':
      case 'S':
        ++i_;
        out_ += u"(?-i:" + classEscapeSet(c) + u")";
        return true;
      default:
        if (c >= '1' && c <= '9') {
          std::size_t k = i_;
          long long n = 0;
          while (k < p_.size() && isDigit(p_[k]))
            n = std::min<long long>(n * 10 + (p_[k++] - '0'), 1 << 30);
          if (n <= groupCount_) {
            i_ = k;
            backReference(int(n));
            return true;
          }
        }
        break;
    }
    // A single character; "\c" without a control letter is a lone backslash.
    if (c == 'c' && !isAsciiLetter(peek(1))) {
      appendEscaped(out_, '\\');
      return true;
    }
    appendEscaped(out_, characterEscape());
    return true;
  }

  static const icu::UnicodeSet& escapeSet(char32_t c) {
    static const auto sets = [] {
      std::array<icu::UnicodeSet, 6> all;
      const char32_t names[] = {'d', 'D', 'w', 'W', 's', 'S'};
      for (std::size_t k = 0; k < all.size(); ++k) {
        UErrorCode status = U_ZERO_ERROR;
        const std::u16string text = classEscapeSet(names[k]);
        all[k].applyPattern(icu::UnicodeString(false, text.data(), int32_t(text.size())), status);
        all[k].freeze();
      }
      return all;
    }();
    const std::size_t k = c == 'd'   ? 0
                          : c == 'D' ? 1
                          : c == 'w' ? 2
                          : c == 'W' ? 3
                          : c == 's' ? 4
                                     : 5;
    return sets[k];
  }

  static std::u16string classEscapeSet(char32_t c) {
    switch (c) {
      case 'd':
        return bracket(kDigit, false);
      case 'D':
        return bracket(kDigit, true);
      case 'w':
        return bracket(kWord, false);
      case 'W':
        return bracket(kWord, true);
      case 's':
        return bracket(kSpace, false);
      default:
        return bracket(kSpace, true);
    }
  }

  // The character of an escape whose backslash is consumed and which is not
  // a class, a boundary or a back-reference.
  char32_t characterEscape() {
    const char32_t c = p_[i_++];
    switch (c) {
      case 'f':
        return 0x0C;
      case 'n':
        return 0x0A;
      case 'r':
        return 0x0D;
      case 't':
        return 0x09;
      case 'v':
        return 0x0B;
      case 'c':  // the caller checked what follows
        return p_[i_++] % 32;
      case 'x': {
        const int h = hexValue(peek()), l = hexValue(peek(1));
        if (h < 0 || l < 0) return 'x';
        i_ += 2;
        return char32_t(h * 16 + l);
      }
      case 'u': {
        const char32_t u = unicodeEscape();
        return u == char32_t(-1) ? 'u' : u;
      }
      case 'k':
        if (!names_.empty()) fail("invalid escape");
        return 'k';
      default:
        break;
    }
    if (isOctal(c)) {
      // Legacy octal: up to three digits when the first is 0-3, else two.
      char32_t v = c - '0';
      const int maxDigits = c <= '3' ? 3 : 2;
      for (int n = 1; n < maxDigits && isOctal(peek()); ++n) v = v * 8 + (p_[i_++] - '0');
      return v;
    }
    return c;  // identity escape
  }

  // After "\u": "XXXX" (a surrogate pair of two such escapes joined) or
  // "{X…}"; -1 when neither follows (nothing consumed).
  char32_t unicodeEscape() {
    auto four = [&](std::size_t at) -> int {
      int v = 0;
      for (std::size_t k = 0; k < 4; ++k) {
        const int h = at + k < p_.size() ? hexValue(p_[at + k]) : -1;
        if (h < 0) return -1;
        v = v * 16 + h;
      }
      return v;
    };
    if (peek() == '{') {
      std::size_t k = i_ + 1;
      long long v = 0;
      while (k < p_.size() && hexValue(p_[k]) >= 0 && v <= 0x10FFFF) v = v * 16 + hexValue(p_[k++]);
      if (k > i_ + 1 && k < p_.size() && p_[k] == '}' && v <= 0x10FFFF) {
        i_ = k + 1;
        return char32_t(v);
      }
      return char32_t(-1);
    }
    const int v = four(i_);
    if (v < 0) return char32_t(-1);
    i_ += 4;
    if (U16_IS_LEAD(v) && peek() == '\\' && peek(1) == 'u') {
      const int t = four(i_ + 2);
      if (t >= 0 && U16_IS_TRAIL(t)) {
        i_ += 6;
        return char32_t(U16_GET_SUPPLEMENTARY(v, t));
      }
    }
    return char32_t(v);
  }

  // ---- character classes ----------------------------------------------------

  void characterClass() {
    const bool negate = eat('^');
    // Literals take the case closure, class escapes keep their exact sets:
    // with the case flag, [\W] must not match "s" by way of the long s.
    icu::UnicodeSet literals, escapes;
    auto add = [&](const ClassAtom& a) {
      if (a.set)
        escapes.addAll(*a.set);
      else
        literals.add(UChar32(a.cp));
    };
    for (;;) {
      if (atEnd()) fail("unterminated character class");
      if (eat(']')) break;
      const ClassAtom a = classAtom();
      if (peek() == '-' && !atEnd(1) && peek(1) != ']') {
        ++i_;
        const ClassAtom b = classAtom();
        if (a.set || b.set) {
          // Annex B: a class escape at either end makes the '-' literal.
          add(a);
          add(ClassAtom{'-'});
          add(b);
          continue;
        }
        if (a.cp > b.cp) fail("range out of order in character class");
        literals.add(UChar32(a.cp), UChar32(b.cp));
        continue;
      }
      add(a);
    }
    if (ignoreCase_) literals.closeOver(USET_CASE_INSENSITIVE).removeAllStrings();
    literals.addAll(escapes);
    if (negate) literals.complement();
    // ICU has no empty set: "[]" never matches and "[^]" matches anything.
    if (literals.isEmpty()) {
      out_ += kNoChar;
      return;
    }
    icu::UnicodeString pattern;
    literals.toPattern(pattern, true);
    const std::u16string_view set(pattern.getBuffer(), std::size_t(pattern.length()));
    if (ignoreCase_)
      out_ += u"(?-i:" + std::u16string(set) + u")";
    else
      out_ += set;
  }

  ClassAtom classAtom() {
    const char32_t c = p_[i_++];
    if (c != '\\') return {c, {}};
    if (atEnd()) fail("\\ at end of pattern");
    const char32_t e = peek();
    switch (e) {
      case 'b':
        ++i_;
        return {0x08, {}};
      case '-':
        ++i_;
        return {'-', {}};
      case 'c': {
        const char32_t n = peek(1);
        if (isAsciiLetter(n) || isDigit(n) || n == '_') {
          i_ += 2;
          return {n % 32, {}};
        }
        return {'\\', {}};  // the 'c' is read as the next atom
      }
      case 'd':
      case 'D':
      case 'w':
      case 'W':
      case 's':
      case 'S':
        ++i_;
        return {0, &escapeSet(e)};
      default:
        return {characterEscape(), {}};
    }
  }
};

struct Budget {
  std::chrono::steady_clock::time_point deadline;
  bool over() const { return std::chrono::steady_clock::now() >= deadline; }
};

UBool keepGoing(const void* context, int32_t /*steps*/) {
  return !static_cast<const Budget*>(context)->over();
}

}  // namespace

JSRegex JSRegex::compile(std::u16string_view pattern, bool ignoreCase) {
  JSRegex re;
  re.icuPattern_ = Translator(pattern, ignoreCase).run();
  UErrorCode status = U_ZERO_ERROR;
  UParseError where;
  const icu::UnicodeString source(false, re.icuPattern_.data(),
                                  static_cast<int32_t>(re.icuPattern_.size()));
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(source, ignoreCase ? UREGEX_CASE_INSENSITIVE : 0, where, status));
  if (U_FAILURE(status) || !compiled)
    throw Error(std::string("Invalid regular expression: ") + u_errorName(status));
  re.pattern_ = std::move(compiled);
  return re;
}

std::vector<Range> JSRegex::matches(std::u16string_view text) const {
  std::vector<Range> found;
  if (!pattern_) return found;
  static const char16_t empty[] = u"";
  const icu::UnicodeString subject(false, text.empty() ? empty : text.data(),
                                   static_cast<int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return found;
  Budget budget{std::chrono::steady_clock::now() + kScanBudget};
  matcher->setTimeLimit(timeLimitMilliseconds, status);
  matcher->setMatchCallback(keepGoing, &budget, status);
  if (U_FAILURE(status)) return found;
  // find(from) resets the matcher, and with it ICU's step count: the time
  // limit holds for each match, the budget for the whole text.
  const int32_t length = subject.length();
  int32_t from = 0;
  while (from <= length && matcher->find(from, status) && U_SUCCESS(status)) {
    const int32_t start = matcher->start(status), end = matcher->end(status);
    if (U_FAILURE(status)) break;
    if (end > start) {
      found.push_back(Range{start, end - start});
      from = end;
    } else {
      from = end < length ? subject.moveIndex32(end, 1) : length + 1;
    }
    if (budget.over()) break;
  }
  return found;
}

}  // namespace clipvane
