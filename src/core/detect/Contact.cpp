// E-mail addresses and phone numbers.
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "../NetworkAddress.h"
#include "Scanner.h"

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

using namespace chars;

// The practical subset of RFC 5321 local parts that people write.
bool localChar(char16_t c) {
  return alnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

// File names such as "icon@2x.png", package pins and systemd template units
// ("getty@tty1.service") are not addresses.
bool fileExtension(std::u16string_view tld) {
  static constexpr std::array<std::u16string_view, 34> kExtensions = {
      u"png",     u"jpg",   u"jpeg",   u"gif",    u"svg",   u"webp",  u"css", u"js",   u"mjs",
      u"ts",      u"tsx",   u"jsx",    u"json",   u"html",  u"lock",  u"yml", u"yaml", u"txt",
      u"map",     u"ico",   u"pdf",    u"zip",    u"tar",   u"tgz",   u"xz",  u"log",  u"conf",
      u"service", u"timer", u"socket", u"target", u"mount", u"slice", u"lst"};
  static constexpr auto kLengths = lengthsByFirst(kExtensions);
  return mayBeAmong(kLengths, tld) &&
         std::any_of(kExtensions.begin(), kExtensions.end(),
                     [&](std::u16string_view e) { return foldedEquals(tld, e); });
}

// Addresses may hold letters of any script (RFC 6531), but text in scripts
// written without spaces runs straight into them ("联系john@example.cn谢谢"):
// a change of script between two letters ends the address there. Each
// character of a local part or label gets a group; marks and joiners belong
// to the letter before them, punctuation joins anything.
constexpr int kNone = -1, kPunct = 0, kMark = 1, kDigit = 2, kLatin = 3, kHan = 4, kScripts = 5;

bool unspaced(int g) {
  if (g == kHan) return true;
  const int script = g - kScripts;
  return script == USCRIPT_HANGUL || script == USCRIPT_THAI || script == USCRIPT_LAO ||
         script == USCRIPT_KHMER || script == USCRIPT_MYANMAR;
}

int otherGroupOf(UChar32 c) {
  if ((U_GET_GC_MASK(c) & U_GC_M_MASK) != 0 || c == 0x200c || c == 0x200d) return kMark;
  if (!u_isalnum(c)) return kNone;
  UErrorCode error = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(c, &error);
  switch (script) {
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_BOPOMOFO:
      return kHan;
    case USCRIPT_LATIN:
      return kLatin;
    case USCRIPT_COMMON:
    case USCRIPT_INHERITED:
      // The kana length mark and full-width forms live with the CJK text.
      if ((c >= 0x3000 && c < 0x3100) || (c >= 0xff00 && c < 0xfff0)) return kHan;
      return u_isdigit(c) ? kDigit : kLatin;
    default:
      return kScripts + int(script);
  }
}

// ASCII, which addresses are mostly written in, is answered inline.
inline int groupOf(UChar32 c) {
  if (c < 0x80) {
    if (digit(char16_t(c))) return kDigit;
    if (alpha(char16_t(c))) return kLatin;
    return kNone;
  }
  return otherGroupOf(c);
}

// Whether two adjacent letters (or digits) belong to different words.
inline bool boundary(int a, int b) {
  if (a == b || a <= kMark || b <= kMark) return false;
  if (a == kDigit || b == kDigit) return unspaced(a) || unspaced(b);
  return true;
}

bool letterLike(char16_t c) { return c < 0x80 ? alnum(c) : wordChar(c); }

// "ssh -p 2222 ubuntu@host", "mosh admin@host": the address follows a
// remote-login command on its line, with only options (and their values)
// between. Words such as "mail" between mean a real address. With `copy`
// (a target written "user@host:path"), files may stand between too, and git
// counts as such a command.
bool afterLoginCommand(std::u16string_view text, std::size_t start, bool copy = false) {
  static constexpr std::u16string_view kCommands[] = {
      u"ssh",    u"scp",   u"sftp",   u"rsync", u"mosh",    u"ssh-copy-id", u"autossh",
      u"slogin", u"sshfs", u"telnet", u"plink", u"sshpass", u"ssh.exe",     u"git"};
  std::size_t i = start;
  bool pendingValue = false;  // a plain word waiting for its option before it
  for (int words = 0; words < 10; ++words) {
    while (i > 0 && (text[i - 1] == ' ' || text[i - 1] == '\t')) --i;
    if (i == 0 || space(text[i - 1])) return false;
    const std::size_t wordEnd = i;
    while (i > 0 && !space(text[i - 1]) && wordEnd - i < 128) --i;
    std::size_t a = i;
    while (a < wordEnd && !alnum(text[a]) && text[a] != '-') ++a;  // "$", "`", "(", quotes
    const std::u16string_view word = text.substr(a, wordEnd - a);
    if (!word.empty() && word[0] == '-') {
      pendingValue = false;
      continue;
    }
    // The command itself, or its path ("/usr/bin/ssh"); most words end in
    // two letters no command ends in: the letters before each last letter
    // of a command, as bits.
    static constexpr auto kLastTwo = [] {
      std::array<std::uint32_t, 26> t{};
      for (auto command : kCommands)
        t[std::size_t(command.back() - 'a')] |= 1u << (command[command.size() - 2] - 'a');
      return t;
    }();
    const char16_t last = word.empty() ? char16_t(0) : fold(word.back());
    const char16_t second = word.size() < 2 ? char16_t(0) : fold(word[word.size() - 2]);
    if (lower(last) && lower(second) && ((kLastTwo[last - 'a'] >> (second - 'a')) & 1) != 0)
      for (auto command : kCommands)
        if ((command != u"git"sv || copy) &&
            (foldedEquals(word, command) ||
             (word.size() > command.size() && word[word.size() - command.size() - 1] == '/' &&
              foldedEquals(word.substr(word.size() - command.size()), command))))
          return !pendingValue || copy;
    if (copy) continue;
    if (pendingValue) return false;
    pendingValue = true;
  }
  return false;
}

}  // namespace

void Scanner::email(std::size_t at) {
  // No local part: "@@", " @x", "(@user".
  if (at == 0 || (text_[at - 1] < 0x80 && !localChar(text_[at - 1]) && text_[at - 1] != '\''))
    return;
  // Local part, read backwards (at most 64 characters).
  std::size_t start = at;
  int later = kPunct;  // group of the nearest letter or digit after the one read
  // The marks of a local part; an apostrophe between letters belongs to the
  // name ("o'connor@…"), one at either end is a quote around the address.
  auto localMark = [&](UChar32 c, std::size_t k) {
    return localChar(char16_t(c)) || (c == '\'' && k > 0 && k + 1 < at &&
                                      letterLike(text_[k - 1]) && letterLike(text_[k + 1]));
  };
  while (start > 0) {
    std::size_t k = start;
    // ASCII before letters and digits of ASCII never parts words: it is taken
    // without decoding or asking for its script.
    if (const char16_t u = text_[k - 1]; u < 0x80 && later <= kLatin) {
      const int g = digit(u) ? kDigit : alpha(u) ? kLatin : localMark(u, k - 1) ? kPunct : kNone;
      if (g == kNone) break;
      if (at - (k - 1) > 64) return;  // longer than any local part
      start = k - 1;
      if (g > kMark) later = g;
      continue;
    }
    UChar32 c;
    U16_PREV(text_.data(), 0, k, c);
    int g = groupOf(c);
    if (g == kNone && localMark(c, k)) g = kPunct;
    if (g == kNone || (g != kMark && boundary(g, later))) break;
    if (at - k > 64) return;  // longer than any local part
    start = k;
    if (g > kMark) later = g;  // punctuation sits between words of either
  }
  while (start < at && (text_[start] == '.' || text_[start] == '-' || text_[start] == '+' ||
                        groupOf(text_[start]) == kMark))
    ++start;
  if (start == at || text_[at - 1] == '.') return;
  for (std::size_t k = start; k + 1 < at; ++k)
    if (text_[k] == '.' && text_[k + 1] == '.') return;
  const char16_t prev = before(start);
  if (prev == '@') return;
  // Message ids ("<20191119204459.312927aa@host>") are stamped with a time.
  if (std::count_if(text_.begin() + std::ptrdiff_t(start), text_.begin() + std::ptrdiff_t(at),
                    digit) >= 14)
    return;
  // The user part of a URL ("https://user:pw@host", "ftp://user@host") is no address.
  for (std::size_t k = start; k >= 3 && start - k < 256; --k) {
    const char16_t c = text_[k - 1];
    if (space(c) || c == '"' || c == '\'' || c == '<' || c == '/' || c == '?' || c == '#') {
      if (c == '/' && text_[k - 2] == '/' && text_[k - 3] == ':') return;
      break;
    }
  }

  // Domain: labels of letters, digits and hyphens; the last one letters only.
  std::size_t end = at + 1, lastLabel = end;
  int labels = 0;
  while (end < text_.size() && end - at <= 254) {
    const std::size_t labelStart = end;
    int earlier = kPunct;
    while (end < text_.size()) {
      // ASCII letters, digits and hyphens after others of ASCII never part
      // words: they are taken without decoding or asking for their script.
      if (const char16_t u = text_[end]; u < 0x80 && earlier <= kLatin) {
        if (!alnum(u) && u != '-') break;
        if (end + 1 - labelStart > 63) return;
        ++end;
        if (u != '-') earlier = digit(u) ? kDigit : kLatin;
        continue;
      }
      std::size_t k = end;
      UChar32 c;
      U16_NEXT(text_.data(), k, text_.size(), c);
      const int g = c == '-' ? kPunct : groupOf(c);
      if (g == kNone || (g != kMark && boundary(earlier, g))) break;
      if (k - labelStart > 63) return;
      end = k;
      if (g > kMark) earlier = g;
    }
    if (end == labelStart || text_[labelStart] == '-' || text_[end - 1] == '-') return;
    ++labels;
    lastLabel = labelStart;
    if (end + 1 < text_.size() && text_[end] == '.' && letterLike(text_[end + 1])) {
      ++end;
      continue;
    }
    break;
  }
  // "ssh jdoe@203.0.113.10": the address is the IPv4 rule's, the account a user name.
  if (digit(ch(at + 1)) && on(Kind::username) && afterLoginCommand(text_, start)) {
    std::size_t e = at + 1;
    while (e < text_.size() && (digit(text_[e]) || text_[e] == '.') && e - at <= 16) ++e;
    if (e - at >= 8 && NetworkAddress::parseIPv4(text_.substr(at + 1, e - at - 1)) &&
        !joinsAt(text_, e) && FieldRules::isAccountName(text_.substr(start, at - start))) {
      add(Kind::username, start, at);
      out_.back().contextual = true;
      return;
    }
  }
  if (labels < 2) {
    // "ssh root@web01": a machine of the local network by its bare name.
    const char16_t next = ch(end);
    const bool path =
        next == ':' && (alnum(ch(end + 1)) || ch(end + 1) == '/' || ch(end + 1) == '~');
    if (labels == 1 && !joinsAt(text_, end) && next != '@' && next != '-' && next != '.' &&
        afterLoginCommand(text_, start, path))
      loginTarget(start, at, end, true);
    return;
  }
  // The top-level domain: letters (2 to 63 of them), or its ASCII form "xn--…".
  const std::u16string_view tld = text_.substr(lastLabel, end - lastLabel);
  int letters = 0;
  bool onlyLetters = true, ascii = true;
  for (std::size_t k = 0; k < tld.size();) {
    UChar32 c;
    U16_NEXT(tld.data(), k, tld.size(), c);
    if (groupOf(c) == kMark) continue;
    ++letters;
    onlyLetters = onlyLetters && (c < 0x80 ? alpha(char16_t(c)) : u_isalpha(c));
    ascii = ascii && c < 0x80;
  }
  const bool punycode = tld.size() > 4 && chars::at(tld, 0, u"xn--"sv);
  if (!punycode && (!onlyLetters || letters < 2)) return;
  const char16_t next = ch(end);
  if (next == '@' || next == '-') return;
  if (ascii && fileExtension(tld)) return;

  // Login targets of ssh and its kin ("ssh ubuntu@ec2-….amazonaws.com",
  // "git@github.com:owner/repo", "scp f user@host:/srv") name an account on a
  // machine, not a mailbox: an internal host's is an internal address.
  const bool remote =
      (next == ':' && (alnum(ch(end + 1)) || ch(end + 1) == '/' || ch(end + 1) == '~')) ||
      afterLoginCommand(text_, start);
  if (remote) {
    loginTarget(start, at, end, false);
    return;
  }
  if (on(Kind::email)) add(Kind::email, start, end);
}

// "user@host" of a remote login: an internal address when the host is
// inside the organisation (with singleLabel, also a bare name such as
// "ssh root@web01"), and nothing at all for this machine itself.
void Scanner::loginTarget(std::size_t start, std::size_t at, std::size_t end, bool singleLabel) {
  // A person's account ("jdoe@…") is a user name of its own; a built-in one
  // ("root@…", "git@…") stays with its host.
  const bool account =
      on(Kind::username) && FieldRules::isAccountName(text_.substr(start, at - start));
  if (account) {
    add(Kind::username, start, at);
    out_.back().contextual = true;
  }
  if (!on(Kind::internalUrl)) return;
  std::u16string host(text_.substr(at + 1, end - at - 1));
  for (auto& c : host) c = fold(c);
  if (host == u"localhost"sv || host.starts_with(u"localhost."sv) ||
      host.ends_with(u".localhost"sv))
    return;
  if (internalHost(host, settings_, singleLabel))
    add(Kind::internalUrl, account ? at + 1 : start, end);
}

// ---------------------------------------------------------------------------
// Phone numbers: a shape scan first, then the number plan.

namespace {

// A few characters kept in place, without allocating: the phone scan runs
// at every digit run of the text. Only the first count items are set
// ("Small<…> s{}" clears them all).
template <class T, std::size_t N>
struct Small {
  std::array<T, N> items;
  std::size_t count = 0;
  bool push(T v) {
    if (count == N) return false;
    items[count++] = v;
    return true;
  }
  // Where the caller keeps count below N.
  void put(T v) { items[count++] = v; }
  std::size_t size() const { return count; }
  bool empty() const { return count == 0; }
  T operator[](std::size_t i) const { return items[i]; }
  T front() const { return items[0]; }
  T back() const { return items[count - 1]; }
};

struct PhoneShape {
  Small<char, 16> digits;    // as written, at most 15
  Small<int, 16> groups;     // digit counts of the groups
  Small<char16_t, 16> seps;  // separator before each group (0 for none)
  bool plus = false;
  bool bracket = false;  // a group in brackets
  bool bracketFirst = false;
  char16_t sep = 0;  // the separator between groups, '?' when mixed
  std::string_view digitView(std::size_t from = 0) const {
    return {digits.items.data() + from, digits.size() - from};
  }
  // Blanks first, then only dashes: "8 912 345-67-89", "11 98765-4321".
  bool blankThenDashes() const {
    bool dashes = false;
    for (std::size_t k = 1; k < seps.size(); ++k) {
      if (seps[k] == '-')
        dashes = true;
      else if (seps[k] != ' ' || dashes)
        return false;
    }
    return dashes;
  }
  // A dash after the area code, then blanks: "08-123 456 78", "020-123 4567".
  bool dashThenBlanks() const {
    if (seps.size() < 3 || seps[1] != '-') return false;
    for (std::size_t k = 2; k < seps.size(); ++k)
      if (seps[k] != ' ') return false;
    return true;
  }
  // "612 345 678", "1.234.567": how amounts and counts are grouped, in
  // threes after the first group.
  bool thousands() const {
    if (plus || bracket || groups.size() < 2 || groups[0] > 3 || (sep != ' ' && sep != '.'))
      return false;
    for (std::size_t k = 1; k < groups.size(); ++k)
      if (groups[k] != 3) return false;
    return true;
  }
};

// Well-formed North American numbers: (NPA) NXX-XXXX with an optional 1.
bool northAmerican(const PhoneShape& s) {
  std::size_t g = 0, d = 0;  // first group and digit of the ten
  if (s.groups.size() >= 1 && s.groups[0] == 1 && s.digits[0] == '1') {
    g = 1;
    d = 1;
  } else if (s.plus) {
    return false;
  }
  if (s.digits.size() - d != 10) return false;
  const std::size_t rest = s.groups.size() - g;
  const bool shape = (rest == 3 && s.groups[g] == 3 && s.groups[g + 1] == 3) ||
                     (rest == 2 && s.groups[g] == 3 && s.groups[g + 1] == 7 && s.bracket);
  if (!shape) return false;
  // "555-010-9999" and "(012) 345-6789" are written as phone numbers whatever
  // the plan says of their digits; blank-separated groups must also fit the
  // plan (area and exchange codes start with 2-9; no service code like 411).
  if (s.bracket || s.sep == '-' || s.sep == '.') return true;
  const char* n = s.digits.items.data() + d;
  const bool fictional = n[0] == '5' && n[1] == '5' && n[2] == '5';  // "555 123 4567"
  return n[0] >= '2' && !(n[1] == '1' && n[2] == '1') && (n[3] >= '2' || fictional);
}

bool looksLikeDate(const PhoneShape& s) {
  if (s.plus || s.bracket || s.groups.size() != 3 || s.sep == '?') return false;
  const auto& g = s.groups;
  if (g[0] == 4 && g[1] <= 2 && g[2] <= 2) return true;                 // 2024-01-31
  if (g[0] <= 2 && g[1] <= 2 && (g[2] == 4 || g[2] == 2)) return true;  // 31.01.2024
  return false;
}

// "1995-2015": a range of years.
bool yearRange(const PhoneShape& s) {
  if (s.plus || s.bracket || s.groups.size() != 2 || s.groups[0] != 4 || s.groups[1] != 4)
    return false;
  auto year = [&](std::size_t k) {
    const char* d = s.digits.items.data() + k;
    return (d[0] == '1' && d[1] == '9') || (d[0] == '2' && d[1] == '0');
  };
  return year(0) && year(4);
}

bool groupsAre(const PhoneShape& s, std::initializer_list<int> sizes) {
  if (s.groups.size() != sizes.size()) return false;
  std::size_t k = 0;
  for (int n : sizes)
    if (s.groups[k++] != n) return false;
  return true;
}

// "01.23.45.67.89": the one national style written with dots.
bool frenchStyle(const PhoneShape& s) { return groupsAre(s, {2, 2, 2, 2, 2}); }

// The number plans the national forms are checked against, looked up once:
// a number is given to the plans whose lengths it fits, never parsed.
class NumberPlan {
 public:
  using Util = i18n::phonenumbers::PhoneNumberUtil;
  using Number = i18n::phonenumbers::PhoneNumber;

  // Which plans a national number is checked against.
  enum Plans : unsigned {
    trunkZero = 1,  // a 0 in front: most of Europe, Asia and Oceania
    france = 32,    // with a 0 in front, written in pairs
    spain = 2,
    poland = 4,
    russia = 8,  // an 8 in front
    chinaMobile = 16,
    tenDigits = 64,     // no trunk prefix, ten digits: Italian mobiles, Greece
    indiaMobile = 128,  // written without the trunk 0, in two groups of five
    norway = 256,
    locale = 512,  // the region of the user's locale, whatever the shape
  };

  // Whether the user's locale names a region of its own plan (not North
  // America, whose shapes are known already).
  bool hasLocale() const { return hasLocale_; }

  static const NumberPlan& instance() {
    static const NumberPlan plan;
    return plan;
  }

  // Digits after "+": valid in the plan of their country code, or with
  // possibleWillDo of a possible length there (fictional and new ranges).
  bool international(std::string_view digits, bool possibleWillDo) const {
    for (std::size_t k = 1; k <= 3 && k < digits.size(); ++k) {
      const int code = toInt(digits.substr(0, k));
      std::string region;
      util_.GetRegionCodeForCountryCode(code, &region);
      if (region == "ZZ") continue;
      const std::string_view rest = digits.substr(k);
      // "+44 (0)20 …" keeps the trunk 0 in sight.
      const bool trunk = rest.size() > 1 && rest[0] == '0';
      const Number literal = number(code, rest);
      const Number stripped = trunk ? number(code, rest.substr(1)) : literal;
      // A possible length costs a fraction of the plan's patterns, and every
      // valid number has one (an Italian "+39 06 …" keeps its 0).
      if (possibleWillDo && util_.IsPossibleNumber(stripped)) return true;
      if (possibleWillDo && !trunk) return false;
      return util_.IsValidNumber(literal) || (trunk && util_.IsValidNumber(stripped));
    }
    return false;
  }

  // A national number as written (its trunk prefix included), valid in one of
  // the given plans.
  bool national(std::string_view digits, unsigned plans) const {
    for (const Region& r : regions_) {
      if (!(r.plans & plans)) continue;
      std::string_view nsn = digits;
      if (!r.trunk.empty()) {
        if (!nsn.starts_with(r.trunk)) continue;
        nsn.remove_prefix(r.trunk.size());
      }
      if (nsn.empty() || nsn.size() >= 32 || !(r.lengths & (1u << nsn.size()))) continue;
      if (util_.IsValidNumberForRegion(number(r.countryCode, nsn), r.code)) return true;
    }
    return false;
  }

 private:
  struct Region {
    std::string code;
    int countryCode;
    std::string trunk;  // the national prefix written in front
    unsigned plans;
    unsigned lengths = 0;  // bit n: a national number of n digits is possible
  };

  NumberPlan() : util_(*Util::GetInstance()) {
    // Most written first: the first plan that knows the number ends the search.
    static constexpr std::pair<const char*, char> kTrunkZero[] = {
        {"GB", '0'}, {"DE", '0'}, {"NL", '0'}, {"IT", 0},   {"AU", '0'}, {"IN", '0'},
        {"BE", '0'}, {"CH", '0'}, {"AT", '0'}, {"IE", '0'}, {"SE", '0'}, {"FI", '0'},
        {"BR", '0'}, {"JP", '0'}, {"KR", '0'}, {"CN", '0'}, {"ZA", '0'}, {"NZ", '0'},
        {"VN", '0'}, {"TR", '0'}, {"TW", '0'}, {"TH", '0'}, {"MY", '0'}, {"PH", '0'},
        {"ID", '0'}, {"PK", '0'}, {"IL", '0'}, {"UA", '0'}, {"EG", '0'}};
    for (const auto& [code, trunk] : kTrunkZero)
      add(code, trunk ? std::string(1, trunk) : "", trunkZero);
    add("FR", "0", france);
    add("ES", "", spain);
    add("PL", "", poland);
    add("RU", "8", russia);
    add("CN", "", chinaMobile);
    add("IT", "", tenDigits);
    add("GR", "", tenDigits);
    add("IN", "", indiaMobile);
    add("NO", "", norway);
    // The locale's region: its people write their numbers in its own ways.
    const std::string region = icu::Locale::getDefault().getCountry();
    if (region.size() == 2 && util_.GetCountryCodeForRegion(region) > 1) {
      std::string trunk;
      util_.GetNddPrefixForRegion(region, true, &trunk);
      add(region.c_str(), trunk, locale);
      hasLocale_ = true;
    }
  }

  void add(const char* code, std::string trunk, unsigned plans) {
    Region r{code, util_.GetCountryCodeForRegion(code), std::move(trunk), plans};
    for (unsigned len = 2; len < 18; ++len) {
      Number n;
      n.set_country_code(r.countryCode);
      n.set_national_number(1);
      for (unsigned k = 1; k < len; ++k) n.set_national_number(n.national_number() * 10);
      if (util_.IsPossibleNumberWithReason(n) == Util::IS_POSSIBLE) r.lengths |= 1u << len;
    }
    regions_.push_back(std::move(r));
  }

  static int toInt(std::string_view d) {
    int v = 0;
    for (char c : d) v = v * 10 + (c - '0');
    return v;
  }

  // Leading zeros of a national number are kept as the plan's own ("06 …" in Italy).
  static Number number(int countryCode, std::string_view nsn) {
    Number n;
    n.set_country_code(countryCode);
    std::uint64_t v = 0;
    for (char c : nsn) v = v * 10 + std::uint64_t(c - '0');
    n.set_national_number(v);
    std::size_t zeros = 0;
    while (zeros + 1 < nsn.size() && nsn[zeros] == '0') ++zeros;
    if (zeros > 0) {
      n.set_italian_leading_zero(true);
      n.set_number_of_leading_zeros(int(zeros));
    }
    return n;
  }

  const Util& util_;
  std::vector<Region> regions_;
  bool hasLocale_ = false;
};

// plain: a phone unless the words around make it another number (blank
// groups without a trunk prefix read like ids and counts too).
enum class Verdict { phone, plain, withCue, no };

// Whether a number read as s is a phone number: its written shape, then the
// number plan (library) when allowed. Shapes that only a word in front can
// make a phone ("call 555-0100") answer withCue.
Verdict acceptable(const PhoneShape& s, bool usePlan, bool whole) {
  const std::size_t n = s.digits.size();
  if (looksLikeDate(s) || yearRange(s)) return Verdict::no;
  // "0.20020811-1" is a version; blanks then dashes are a way of writing numbers.
  if (s.sep == '?' && !s.plus && !s.bracket && !s.blankThenDashes() &&
      !(s.dashThenBlanks() && s.digits[0] == '0'))
    return Verdict::no;
  // "0069 0307 0301": a row of zero-padded code points or ids.
  if (s.groups.size() >= 3 && !s.plus && !s.bracket) {
    bool padded = true;
    std::size_t first = 0;
    for (std::size_t k = 0; k < s.groups.size(); ++k) {
      padded = padded && s.groups[k] == 4 && s.digits[first] == '0';
      first += std::size_t(s.groups[k]);
    }
    if (padded) return Verdict::no;
  }
  // Addresses and versions; nine digits in dotted threes ("612.448.903")
  // are a number of Spain or Poland only with a cue or label.
  if (s.sep == '.' && (s.groups.size() == 4 || s.groups.size() == 3) && !s.bracket && !s.plus &&
      s.groups.front() <= 3 && s.groups.back() <= 3 && !groupsAre(s, {3, 3, 3}))
    return Verdict::no;
  if (s.sep == '.' && groupsAre(s, {3, 3, 3}) && !s.bracket && !s.plus) {
    if (!usePlan) return Verdict::no;
    return NumberPlan::instance().national(s.digitView(), NumberPlan::spain | NumberPlan::poland)
               ? Verdict::withCue
               : Verdict::no;
  }
  if (s.groups.size() == 1 && !s.plus) {
    // Plain digit runs, but no date such as "20240131".
    const auto two = [&](std::size_t k) {
      return (s.digits[k] - '0') * 10 + (s.digits[k + 1] - '0');
    };
    const bool date = n == 8 && (two(0) == 19 || two(0) == 20) && two(4) >= 1 && two(4) <= 12 &&
                      two(6) >= 1 && two(6) <= 31;
    return date ? Verdict::no : Verdict::withCue;
  }

  // Blank-separated, ten digits read like an order or account number too.
  if (northAmerican(s))
    return s.sep == ' ' && !s.bracket && !s.plus && s.groups.size() == 3 ? Verdict::plain
                                                                         : Verdict::phone;
  const NumberPlan& plan = NumberPlan::instance();
  const bool zero = s.digits[0] == '0', doubleZero = zero && n > 2 && s.digits[1] == '0';
  if (s.plus) {
    // Written with separators, "+" and a country code say phone clearly enough.
    if (!usePlan) return Verdict::no;
    return plan.international(s.digitView(), whole && s.groups.size() > 1) ? Verdict::phone
                                                                           : Verdict::withCue;
  }
  if (doubleZero && !s.bracketFirst) {
    // "0044 20 7946 0958", "001-555-123-4567": the international call prefix.
    if (s.digits[2] == '0' || s.groups[0] < 2 || s.groups[0] > 5) return Verdict::no;
    // Built item by item: only the filled items of s are set.
    PhoneShape dialled;
    dialled.plus = true;
    dialled.bracket = s.bracket;
    dialled.bracketFirst = s.bracketFirst;
    dialled.sep = s.sep;
    for (char c : s.digitView(2)) dialled.digits.put(c);
    for (std::size_t k = 0; k < s.seps.size(); ++k) dialled.seps.put(s.seps[k]);
    if (s.groups[0] > 2) dialled.groups.put(s.groups[0] - 2);
    for (std::size_t k = 1; k < s.groups.size(); ++k) dialled.groups.put(s.groups[k]);
    if (northAmerican(dialled)) return Verdict::phone;
    if (!usePlan) return Verdict::no;
    return plan.international(dialled.digitView(), false) ? Verdict::phone : Verdict::withCue;
  }

  // Shapes that only phone numbers take.
  const auto& g = s.groups;
  if (s.bracketFirst) {
    // "(020) 7946 0958", "(0161) 496 0000", "(02) 9123 4567": a trunk prefix and area code.
    if (zero && !doubleZero && g[0] >= 2 && g[0] <= 5 && n >= 9 && n <= 12) return Verdict::phone;
    // "(11) 98765-4321", "(55) 5555 1234": a two-digit area code.
    if (!zero && g[0] == 2 && (n == 10 || n == 11)) return Verdict::phone;
  }
  // "8 (912) 345-67-89", "0 (532) 123 45 67": a trunk prefix before the area code.
  if (g.size() >= 3 && g[0] == 1 && (s.digits[0] == '8' || zero) && s.bracket && !s.bracketFirst &&
      g[1] == 3 && n == 11)
    return Verdict::phone;
  // "11 98765-4321", "21 3456-7890", "55 5555 1234": a Brazilian or Mexican
  // area code, then the number.
  if (g.size() == 3 && g[0] == 2 && !zero && s.digits[1] != '0' && g[2] == 4 &&
      ((s.blankThenDashes() && (g[1] == 4 || (g[1] == 5 && s.digits[2] == '9'))) ||
       (s.sep == ' ' && g[1] == 4)))
    return Verdict::phone;
  // "01632 960123", "030 12345678", "0171-1234567": trunk 0 and area code, then the number.
  if (zero && !doubleZero && g.size() == 2 && g[0] >= 3 && g[0] <= 5 && (n == 10 || n == 11) &&
      (g[1] >= 6 || (g[1] == 5 && s.sep != '-')) && s.sep != '.')
    return Verdict::phone;
  // "090-1234-5678", "03-1234-5678", "010-1234-5678": dashed Asian national forms.
  if (zero && !doubleZero && g.size() == 3 && s.sep == '-' && g[2] == 4 && g[1] >= 2 && g[1] <= 4 &&
      n >= 9 && n <= 11)
    return Verdict::phone;

  if (!usePlan) return Verdict::no;
  unsigned plans = 0;
  // National numbers with a trunk prefix. Twelve digits only for the German
  // mobile ranges ("0151 23456789"); rows of ids come that long too. Dashed
  // groups end in four digits ("03-1234-5678"), not like "02-13075-224".
  // Indonesian mobiles are twelve digits in fours ("0812-3456-7890").
  const bool longMobile = (s.digits[1] == '1' && s.digits[2] >= '5' && s.digits[2] <= '7') ||
                          (groupsAre(s, {4, 4, 4}) && s.sep == '-');
  if (zero && !doubleZero && n >= 9 && (n <= 11 || longMobile) && g[0] >= 2 &&
      !(s.sep == '-' && g.size() == 3 && g[1] >= 5 && g[2] < 4) &&
      (g.size() > 2 || s.bracketFirst || (g[0] <= 5 && !(g[0] == 5 && g[1] == 4))) &&
      (s.sep == ' ' || s.sep == '-' || s.sep == '/' || s.bracket || s.blankThenDashes() ||
       s.dashThenBlanks() ||
       (s.sep == '.' &&
        (frenchStyle(s) || (n == 10 && (groupsAre(s, {2, 4, 4}) || groupsAre(s, {4, 3, 3})))))))
    plans |= NumberPlan::trunkZero;  // dots: "07.1234.5678", "0412.345.678" in Australia
  if (zero && !doubleZero && n == 10 && (frenchStyle(s) || groupsAre(s, {2, 8})))
    plans |= NumberPlan::france;
  if (n == 9 && s.sep == ' ' && groupsAre(s, {3, 2, 2, 2}) && s.digits[0] >= '6')
    plans |= NumberPlan::spain;
  if (n == 9 && s.sep == ' ' && groupsAre(s, {2, 3, 2, 2})) plans |= NumberPlan::poland;
  if (n == 11 && s.digits[0] == '8' && g[0] == 1) plans |= NumberPlan::russia;
  if (n == 11 && s.digits[0] == '1' && groupsAre(s, {3, 4, 4}) && s.sep != '.')
    plans |= NumberPlan::chinaMobile;
  if (plans != 0 && plan.national(s.digitView(), plans)) return Verdict::phone;
  plans = 0;
  const bool plainSep = s.sep == ' ' || s.sep == '-';
  // "347 123 4567", "347 1234567", "210 123 4567": ten digits and no trunk prefix.
  if (n == 10 && !zero && plainSep && (groupsAre(s, {3, 3, 4}) || groupsAre(s, {3, 7})))
    plans |= NumberPlan::tenDigits;
  // "98765 43210": an Indian mobile.
  if (n == 10 && s.sep == ' ' && groupsAre(s, {5, 5}) && s.digits[0] >= '6')
    plans |= NumberPlan::indiaMobile;
  if (n == 8 && s.sep == ' ' && groupsAre(s, {3, 2, 3})) plans |= NumberPlan::norway;
  // In the locale's own region, any grouping but that of amounts.
  if (plan.hasLocale() && n >= 8 && n <= 12 && g.size() >= 2 && !s.thousands() &&
      (s.sep != '?' || s.blankThenDashes() || s.dashThenBlanks()))
    plans |= NumberPlan::locale;
  if (plans != 0 && plan.national(s.digitView(), plans)) return Verdict::plain;
  return Verdict::withCue;
}

template <std::size_t N>
bool oneOf(std::u16string_view word, const std::array<std::u16string_view, N>& list) {
  return std::any_of(list.begin(), list.end(),
                     [&](std::u16string_view w) { return foldedEquals(word, w); });
}

// Words that say a phone number follows: "call me at", "reach me on",
// "not answering at", "tel.", "mobile", "fax".
// Also the commonest of other languages: "llámame al", "appelez le", "ruf …
// an", "chiamami al", "bel".
constexpr std::array<std::u16string_view, 58> kPhoneCues = {
    u"answering", u"answers",  u"reachable", u"contactable", u"phoning",  u"rang",      u"call",
    u"called",    u"calling",  u"phone",     u"phoned",      u"tel",      u"telephone", u"mobile",
    u"mob",       u"cell",     u"cellphone", u"fax",         u"reach",    u"ring",      u"text",
    u"txt",       u"sms",      u"whatsapp",  u"dial",        u"contact",  u"hotline",   u"helpline",
    u"ph",        u"tele",     u"llama",     u"llámame",     u"llamar",   u"teléfono",  u"telefono",
    u"móvil",     u"celular",  u"appelle",   u"appelez",     u"appeler",  u"téléphone", u"portable",
    u"anrufen",   u"handy",    u"telefon",   u"chiama",      u"chiamami", u"cellulare", u"bel",
    u"telefoon",  u"telefonu", u"telefone",  u"telemóvel",   u"komórka",  u"mobiel",    u"mobil",
    u"puhelin",   u"zadzwoń"};
// Labels written after a number: "612 448 903 (office)", "0612 345 678 mobile";
// in brackets any of them, bare after a blank only those that name a phone.
// Before a number with a colon, as signatures write them: "M: 0612 345 678".
// Single letters after a number only for mobile, home and work: "(c)" is a
// copyright, "(p)" a recording's.
constexpr std::array<std::u16string_view, 29> kPhoneLabels = {
    u"mobile", u"cell", u"landline", u"fax",    u"whatsapp", u"tel",      u"phone", u"office",
    u"home",   u"work", u"direct",   u"main",   u"private",  u"business", u"desk",  u"m",
    u"h",      u"w",    u"móvil",    u"bureau", u"handy",    u"privat",   u"casa",  u"ufficio",
    u"o",      u"c",    u"t",        u"p",      u"f"};
constexpr std::size_t kBarePhoneLabels = 7;    // the first ones
constexpr std::size_t kAfterPhoneLabels = 24;  // the first ones
// The cues written with a full stop ("Tel. 555-0100").
constexpr std::array<std::u16string_view, 4> kPhoneAbbreviations = {u"tel", u"ph", u"mob", u"tele"};
constexpr std::array<std::u16string_view, 3> kNumberWords = {u"number", u"num", u"no"};
constexpr std::array<std::u16string_view, 6> kPossessives = {u"my",  u"our",  u"his",
                                                             u"her", u"your", u"their"};
// Words between a cue and the number that make the number something else:
// "call count 1234567", "phone order 555-0100".
constexpr std::array<std::u16string_view, 18> kOtherNumbers = {
    u"id",   u"order", u"ticket", u"case",    u"ref",   u"invoice", u"account", u"code", u"pin",
    u"room", u"count", u"times",  u"version", u"build", u"serial",  u"model",   u"item", u"box"};

// Letters of the cue words: ASCII and the accented Latin ones ("llámame").
bool cueLetter(char16_t c) {
  return alpha(c) || (c >= 0xC0 && c < 0x250 && c != 0xD7 && c != 0xF7);
}

}  // namespace

void preparePhonePlan() { NumberPlan::instance(); }

// A label after the number that ends at end: "(office)", "[mobile]", " mobile".
bool Scanner::phoneLabelAfter(std::size_t end) const {
  std::size_t k = end;
  if (ch(k) == ',' || ch(k) == ';') ++k;
  if (ch(k) != ' ') return false;
  while (ch(k) == ' ' && k - end < 3) ++k;
  const char16_t open = ch(k);
  const bool bracket = open == '(' || open == '[';
  if (bracket) ++k;
  const std::size_t w = k;
  while (k < text_.size() && cueLetter(text_[k]) && k - w < 12) ++k;
  if (k == w || (k < text_.size() && wordChar(text_[k]))) return false;
  if (bracket && ch(k) != (open == '(' ? ')' : ']')) return false;
  const std::u16string_view word = text_.substr(w, k - w);
  const std::size_t labels = bracket ? kAfterPhoneLabels : kBarePhoneLabels;
  return std::any_of(kPhoneLabels.begin(), kPhoneLabels.begin() + std::ptrdiff_t(labels),
                     [&](std::u16string_view l) { return foldedEquals(word, l); });
}

// "Order 347 123 4567", "€612 448 903", "98765 43210 units": a word before
// or after that makes digit groups another number.
bool Scanner::otherNumberAround(std::size_t start, std::size_t end) const {
  static constexpr std::array<std::u16string_view, 22> kOtherBefore = {
      u"no",    u"nr",     u"ids",   u"items",      u"isbn",       u"batch",
      u"total", u"totals", u"sum",   u"score",      u"population", u"coordinates",
      u"grid",  u"lot",    u"sku",   u"part",       u"tracking",   u"reference",
      u"nhs",   u"policy", u"claim", u"transaction"};
  static constexpr std::array<std::u16string_view, 24> kUnitsAfter = {
      u"units", u"items",   u"pieces", u"pcs",    u"people", u"euros", u"eur",   u"usd",
      u"gbp",   u"dollars", u"pounds", u"bytes",  u"kb",     u"mb",    u"gb",    u"km",
      u"kg",    u"ms",      u"times",  u"points", u"votes",  u"views", u"users", u"rows"};
  std::size_t k = start;
  for (int words = 0; words < 3; ++words) {
    while (k > 0 && (text_[k - 1] == ' ' || text_[k - 1] == '\t' || text_[k - 1] == ':' ||
                     text_[k - 1] == '#' || (text_[k - 1] == '.' && words > 0)))
      --k;
    // An element's end stands before a link's text: ">303 380 6714</a>".
    if (k > 0 && !cueLetter(text_[k - 1]) && !space(text_[k - 1]) && text_[k - 1] != '(' &&
        text_[k - 1] != '"' && text_[k - 1] != '\'' && text_[k - 1] != ',' &&
        !(text_[k - 1] == '>' && words == 0))
      return true;  // a currency sign, a code's mark, or a row of numbers ("40 380 40 480")
    const std::size_t e = k;
    while (k > 0 && cueLetter(text_[k - 1]) && e - k < 12) --k;
    if (k == e) break;
    const std::u16string_view word = text_.substr(k, e - k);
    if (oneOf(word, kOtherBefore) || oneOf(word, kOtherNumbers)) return true;
    if (k > 0 && text_[k - 1] != ' ' && text_[k - 1] != '\t') break;
  }
  std::size_t a = end;
  while (ch(a) == ' ') ++a;
  if (a == end) return false;
  if (digit(ch(a))) return true;  // the row goes on
  std::size_t w = a;
  while (w < text_.size() && cueLetter(text_[w]) && w - a < 12) ++w;
  return w > a && oneOf(text_.substr(a, w - a), kUnitsAfter);
}

// A phone cue among the few words before start, on the same line and in the
// same sentence.
bool Scanner::phoneCue(std::size_t start) const {
  std::size_t k = start;
  int sinceNumber = -1;  // words read after "number" (-1: none yet)
  for (int words = 0; words < 5; ++words) {
    while (k > 0 && (text_[k - 1] == ' ' || text_[k - 1] == '\t')) --k;
    const bool colon = k > 0 && text_[k - 1] == ':' && words == 0;
    if (colon) --k;
    while (k > 0 && (text_[k - 1] == ' ' || text_[k - 1] == '\t')) --k;
    // "Tel. 555-0100"; after any other word a full stop ends the sentence.
    const bool stop = k > 0 && text_[k - 1] == '.' && words == 0;
    if (stop) --k;
    const std::size_t end = k;
    while (k > 0 && cueLetter(text_[k - 1]) && end - k < 12) --k;
    if (k == end || (k > 0 && wordChar(text_[k - 1]))) return false;
    const std::u16string_view word = text_.substr(k, end - k);
    if (stop) return oneOf(word, kPhoneAbbreviations);
    if (oneOf(word, kPhoneCues)) return true;
    // "Office: 612 448 903", "M: 0612 345 678": a signature's labels.
    if (colon && oneOf(word, kPhoneLabels)) return true;
    if (oneOf(word, kOtherNumbers)) return false;
    // "my number is 555-0100", "my registered number is …": a number of
    // one's own is a phone number.
    if (oneOf(word, kPossessives) && (sinceNumber == 0 || sinceNumber == 1)) return true;
    sinceNumber = oneOf(word, kNumberWords) ? 0 : sinceNumber >= 0 ? sinceNumber + 1 : -1;
  }
  return false;
}

// "2024-03-14", "14.03.2024": three groups of a date in one dash or dot,
// after which no further group is read. Every reading of them below is a
// date (or too short), so they are told by their shape before the groups
// and readings are set up.
// Inlined into phone(), the only caller, like sevenDigitsAhead().
[[gnu::always_inline]] inline bool Scanner::dateAlone(std::size_t start) const {
  // The groups are all within sixteen characters, looked at together where
  // the text allows: digits, dashes and dots as bits.
  const auto shape = [](int g0, int g1, int g2) {
    return (g0 == 4 && g1 <= 2 && g2 <= 2) || (g0 <= 2 && g1 <= 2 && (g2 == 4 || g2 == 2));
  };
  const auto goesOn = [&](std::size_t end) {
    const char16_t next = ch(end), after = ch(end + 1);
    return (next == '(' && digit(after)) || ((next == ' ' || next == '-' || next == '.') &&
                                             (digit(after) || (after == '(' && next == ' ')));
  };
#if defined(__SSE2__)
  if (text_.size() - start >= 16) {
    const auto* p = reinterpret_cast<const __m128i*>(text_.data() + start);
    // Characters past U+00FF saturate to 0 or 0xFF, which match nothing below.
    const __m128i v = _mm_packus_epi16(_mm_loadu_si128(p), _mm_loadu_si128(p + 1));
    const unsigned digits = unsigned(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8('0')), _mm_set1_epi8(9)),
                       _mm_setzero_si128())));
    const unsigned dashes = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('-'))));
    const unsigned dots = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))));
    // A run reaching the sixteenth character is longer than any group here.
    const int g0 = std::countr_one(digits);
    if (g0 == 0 || g0 > 4) return false;
    const unsigned sep = (dashes >> g0) & 1 ? dashes : (dots >> g0) & 1 ? dots : 0u;
    const int g1 = std::countr_one(digits >> (g0 + 1));
    if (sep == 0 || g1 == 0 || ((sep >> (g0 + 1 + g1)) & 1) == 0) return false;
    const int g2 = std::countr_one(digits >> (g0 + g1 + 2));
    return g2 > 0 && shape(g0, g1, g2) && !goesOn(start + std::size_t(g0 + g1 + g2 + 2));
  }
#endif
  auto runEnd = [&](std::size_t k) {
    while (k < text_.size() && digit(text_[k])) ++k;
    return k;
  };
  const std::size_t e1 = runEnd(start);
  const char16_t sep = ch(e1);
  if ((sep != '-' && sep != '.') || e1 - start > 4) return false;
  const std::size_t e2 = runEnd(e1 + 1);
  if (e2 == e1 + 1 || ch(e2) != sep) return false;
  const std::size_t e3 = runEnd(e2 + 1);
  if (e3 == e2 + 1) return false;
  return shape(int(e1 - start), int(e2 - e1 - 1), int(e3 - e2 - 1)) && !goesOn(e3);
}

void Scanner::phone(std::size_t start) {
  const char16_t prev = before(start);
  if (wordChar(prev) || prev == '.' || prev == '-' || prev == '/' || prev == '+' || prev == '\\' ||
      prev == '#' || prev == '$' || prev == '%' || prev == '&' || prev == 0x20AC || prev == 0xA3 ||
      prev == 0xA5 || prev == 0x20B9)
    return;
  // "8 079 592 927", "978 3 049 51924 2": the middle of a longer row of digit
  // groups that was no phone read from its start.
  if (prev == ' ' && digit(before(start - 1)) && phoneEnd_ != start - 1) {
    std::size_t q = start - 1;
    while (q > 0 && digit(text_[q - 1])) --q;
    const char16_t lead = before(q);
    if (lead == 0 || space(lead) || lead == '(' || lead == '+' || lead == '"' || lead == '\'' ||
        lead == ',' || lead == '>' || lead == '=')
      return;
  }

  // Its callers have asked sevenDigitsAhead() already.
  if (prev == ' ' && insideIbanShape(start)) return;  // the tail of an account number
  if (dateAlone(start)) return;
  phoneReading(start);
}

// The groups of a phone number from start and the readings of them; most
// starts are turned away before, without setting up what this keeps.
[[gnu::noinline]] void Scanner::phoneReading(std::size_t start) {
  // The groups as written: digits, optionally bracketed, joined by single
  // separators. At most a phone's 15 digits are read.
  struct Group {
    int digits;
    std::size_t end;  // after the group (and its closing bracket)
    char16_t before;  // separator before the group, 0 for none
    bool bracket;
  };
  Small<Group, 16> groups;
  // As written: a group's digits are copied eight a step, and the step past
  // a phone's 15 has room here.
  std::array<char, 24> digits;
  std::size_t count = 0;
  auto copyDigits = [&](std::size_t from, std::size_t end) {  // end - from <= 15 - count
    for (std::size_t k = from; k < end; k += 8) {
#if defined(__SSE2__)
      if (text_.size() - k >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + k));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(digits.data() + count + (k - from)),
                         _mm_packus_epi16(v, v));
        continue;
      }
#endif
      for (std::size_t q = k; q < end; ++q) digits[count + (q - from)] = char(text_[q]);
      break;
    }
    count += end - from;
  };
  std::size_t i = start;
  bool plus = false;
  if (text_[start] == '+') {
    plus = true;
    ++i;
  } else if (text_[start] == '(' && ch(start + 1) == '+') {
    // "(+44) 20 7946 0958": the country code in brackets.
    std::size_t j = start + 2;
    while (digit(ch(j)) && j - start < 6) ++j;
    if (j == start + 2 || j - start > 5 || ch(j) != ')') return;
    for (std::size_t k = start + 2; k < j; ++k) digits[count++] = char(text_[k]);
    groups.push(Group{int(j - start - 2), j + 1, 0, false});
    plus = true;
    i = j + 1;
    if (ch(i) != ' ' && ch(i) != '-') return;
  }
  char16_t pending = 0;  // separator read before the next group
  if (!groups.empty()) pending = text_[i++];
  bool overflow = false;
  while (i < text_.size() && !overflow) {
    const char16_t c = text_[i];
    const bool open = c == '(' && digit(ch(i + 1));
    if (digit(c) || open) {
      std::size_t j = open ? i + 1 : i;
      const std::size_t g = j;
      j = digitsEnd(text_, j);
      if (open && (ch(j) != ')' || j - g > 5)) break;
      // "+44 (0)20 …": the trunk 0 written after the country code is no digit of the number.
      const bool trunk = open && plus && groups.size() == 1 && j - g == 1 && text_[g] == '0';
      if (!trunk) {
        if (count + (j - g) > 15 || groups.size() == 15) {
          overflow = true;
          break;
        }
        copyDigits(g, j);
      }
      if (open) ++j;
      if (!trunk) groups.put(Group{int(j - g - (open ? 1 : 0)), j, pending, open});  // < 15
      i = j;
      if (!trunk) pending = 0;
      // "(555)123-4567": a group may follow a bracket directly.
      if (open && (ch(i) == ' ' || ch(i) == '-' || ch(i) == '.') &&
          (digit(ch(i + 1)) || ch(i + 1) == '(')) {
        pending = ch(i);
        ++i;
      }
      if (open && pending == 0 && !digit(ch(i))) break;
      continue;
    }
    // "030/12345678": a slash after a trunk-prefixed area code.
    const bool slash = c == '/' && groups.size() == 1 && !plus && digits[0] == '0' &&
                       groups[0].digits >= 2 && groups[0].digits <= 5 && !groups[0].bracket;
    if (!groups.empty() && pending == 0 && (c == ' ' || c == '-' || c == '.' || slash) &&
        (digit(ch(i + 1)) || (ch(i + 1) == '(' && c == ' '))) {
      pending = c;
      ++i;
      continue;
    }
    break;
  }
  if (groups.empty()) return;
  if (overflow) {
    // More digits than one phone has: a table of numbers unless the groups
    // are mixed. Its later groups are not tried again one by one.
    char16_t sep = 0;
    bool mixed = false;
    for (std::size_t k = 1; k < groups.size(); ++k) {
      if (sep != 0 && groups[k].before != sep) mixed = true;
      sep = groups[k].before;
    }
    if (!mixed) phoneSkip_ = i;
  }

  if (count < 7) return;  // too few digits for any reading

  // The longest reading first; shorter ones only drop groups that follow
  // after a blank (the next number on the line).
  int cue = -1;  // not looked for yet
  for (std::size_t take = groups.size(); take >= 1; --take) {
    const bool whole = take == groups.size() && !overflow;
    const char16_t after = take < groups.size() ? groups[take].before : pending;
    if (!whole && after != ' ') continue;
    // Not cleared: only the items its counts say are filled are ever read.
    PhoneShape s;
    s.plus = plus;
    std::size_t used = 0;
    for (std::size_t k = 0; k < take; ++k) {
      used += std::size_t(groups[k].digits);
      s.groups.put(groups[k].digits);  // take <= 15
      s.seps.put(k == 0 ? char16_t(0) : groups[k].before);
      s.bracket = s.bracket || groups[k].bracket;
      const char16_t b = groups[k].before;
      if (k > 0 && b != 0) {
        // A blank after dashed or dotted groups starts the next number, but
        // for the dash after a trunk-prefixed area code ("08-123 456 78").
        const bool areaDash = k == 2 && s.sep == '-' && !plus && digits[0] == '0' &&
                              groups[0].digits <= 4 && !groups[0].bracket;
        if (b == ' ' && (s.sep == '-' || s.sep == '.') && !areaDash) s.sep = u'!';
        if (s.sep != u'!') s.sep = (s.sep == 0 || s.sep == b) ? b : u'?';
      }
    }
    s.bracketFirst = groups[0].bracket;
    if (used < 7) return;
    if (s.sep == u'!') continue;
    std::copy_n(digits.begin(), used, s.digits.items.begin());  // used <= 15
    s.digits.count = used;
    std::size_t end = groups[take - 1].end;
    if (whole) {
      // The number must end here: no letters, no further dotted or dashed digits.
      const char16_t next = ch(end);
      if ((next == '.' || next == '-' || next == '/' || next == ':') && digit(ch(end + 1))) return;
      end = extension(end);
      if (wordChar(ch(end))) return;
    }
    // Shorter readings are checked by shape, or by the plan when "+" leads.
    const Verdict v =
        acceptable(s, whole || plus || (s.digits[0] == '0' && s.digits[1] == '0'), whole);
    // A plain shape stands on its own unless a word around makes it another
    // number; then, like the shapes that need one, a phone word decides.
    const bool plain = v == Verdict::plain && !otherNumberAround(start, end);
    bool contextual = false;
    if ((v == Verdict::withCue || (v == Verdict::plain && !plain)) && whole) {
      if (cue < 0) cue = phoneCue(start) || phoneLabelAfter(end) ? 1 : 0;
      contextual = cue == 1;
    }
    if (v == Verdict::phone || plain || contextual) {
      add(Kind::phone, start, end);
      if (contextual) out_.back().contextual = true;
      phoneSkip_ = std::max(phoneSkip_, end);
      phoneEnd_ = end;
      return;
    }
    if (!whole && take + 3 <= groups.size()) return;
  }
}

// Extensions after a number: "x123", " x123", " ext. 123", " ext 123".
std::size_t Scanner::extension(std::size_t end) const {
  std::size_t e = end;
  if (ch(e) == 'x' && digit(ch(e + 1))) {
    ++e;
  } else if (ch(e) == ' ' && ch(e + 1) == 'x' && digit(ch(e + 2))) {
    e += 2;
  } else {
    std::size_t k = e;
    if (ch(k) == ' ') ++k;
    if (!at(text_, k, u"ext"sv)) return end;
    k += 3;
    if (ch(k) == '.') ++k;
    if (ch(k) == ' ') ++k;
    if (!digit(ch(k))) return end;
    e = k;
  }
  std::size_t d = e;
  while (d < text_.size() && digit(text_[d]) && d - e < 6) ++d;
  return digit(ch(d)) || wordChar(ch(d)) ? end : d;
}

}  // namespace clipvane::detect
