// E-mail addresses and phone numbers.
#include <phonenumbers/phonenumberutil.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <array>
#include <string>

#include "Scanner.h"

namespace clipvane::detect {
namespace {

using namespace chars;

// The practical subset of RFC 5321 local parts that people write.
bool localChar(char16_t c) {
  return alnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

// File names such as "icon@2x.png" and package pins are not addresses.
bool fileExtension(std::u16string_view tld) {
  static constexpr std::array<std::u16string_view, 22> kExtensions = {
      u"png", u"jpg",  u"jpeg", u"gif",  u"svg", u"webp", u"css", u"js",  u"mjs", u"ts",  u"tsx",
      u"jsx", u"json", u"html", u"lock", u"yml", u"yaml", u"txt", u"map", u"ico", u"pdf", u"zip"};
  std::u16string lower(tld);
  for (auto& c : lower) c = fold(c);
  for (auto e : kExtensions)
    if (lower == e) return true;
  return false;
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

int groupOf(UChar32 c) {
  if (c < 0x80) {
    if (digit(char16_t(c))) return kDigit;
    if (alpha(char16_t(c))) return kLatin;
    return kNone;
  }
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

// Whether two adjacent letters (or digits) belong to different words.
bool boundary(int a, int b) {
  if (a == b || a <= kMark || b <= kMark) return false;
  if (a == kDigit || b == kDigit) return unspaced(a) || unspaced(b);
  return true;
}

bool letterLike(char16_t c) { return c < 0x80 ? alnum(c) : wordChar(c); }

// "ssh -p 2222 ubuntu@host", "mosh admin@host": the address follows a
// remote-login command on its line, with only options (and their values)
// between. Words such as "mail" between mean a real address.
bool afterLoginCommand(std::u16string_view text, std::size_t start) {
  static constexpr std::u16string_view kCommands[] = {
      u"ssh",    u"scp",   u"sftp",   u"rsync", u"mosh",    u"ssh-copy-id", u"autossh",
      u"slogin", u"sshfs", u"telnet", u"plink", u"sshpass", u"ssh.exe"};
  std::size_t i = start;
  bool pendingValue = false;  // a plain word waiting for its option before it
  for (int words = 0; words < 10; ++words) {
    while (i > 0 && (text[i - 1] == ' ' || text[i - 1] == '\t')) --i;
    if (i == 0 || space(text[i - 1])) return false;
    const std::size_t wordEnd = i;
    while (i > 0 && !space(text[i - 1]) && wordEnd - i < 128) --i;
    std::size_t a = i;
    while (a < wordEnd && !alnum(text[a]) && text[a] != '-') ++a;  // "$", "`", "(", quotes
    std::u16string word(text.substr(a, wordEnd - a));
    for (auto& c : word) c = fold(c);
    if (!word.empty() && word[0] == '-') {
      pendingValue = false;
      continue;
    }
    for (auto command : kCommands)
      if (word == command ||
          (word.ends_with(command) && word[word.size() - command.size() - 1] == '/'))
        return !pendingValue;
    if (pendingValue) return false;
    pendingValue = true;
  }
  return false;
}

}  // namespace

void Scanner::email(std::size_t at) {
  // Local part, read backwards (at most 64 characters).
  std::size_t start = at;
  int later = kPunct;  // group of the character after the one read
  while (start > 0) {
    std::size_t k = start;
    UChar32 c;
    U16_PREV(text_.data(), 0, k, c);
    int g = groupOf(c);
    // An apostrophe between letters belongs to the name ("o'connor@…"); one at
    // either end is a quote around the address.
    if (g == kNone &&
        (localChar(char16_t(c)) || (c == '\'' && k > 0 && k + 1 < at && letterLike(text_[k - 1]) &&
                                    letterLike(text_[k + 1]))))
      g = kPunct;
    if (g == kNone || (g != kMark && boundary(g, later))) break;
    if (at - k > 64) return;  // longer than any local part
    start = k;
    if (g != kMark) later = g;
  }
  while (start < at && (text_[start] == '.' || text_[start] == '-' || text_[start] == '+' ||
                        groupOf(text_[start]) == kMark))
    ++start;
  if (start == at || text_[at - 1] == '.') return;
  for (std::size_t k = start; k + 1 < at; ++k)
    if (text_[k] == '.' && text_[k + 1] == '.') return;
  const char16_t prev = before(start);
  if (prev == '@') return;
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
      std::size_t k = end;
      UChar32 c;
      U16_NEXT(text_.data(), k, text_.size(), c);
      const int g = c == '-' ? kPunct : groupOf(c);
      if (g == kNone || (g != kMark && boundary(earlier, g))) break;
      if (k - labelStart > 63) return;
      end = k;
      if (g != kMark) earlier = g;
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
  if (labels < 2) return;
  // The top-level domain: letters (2 to 63 of them), or its ASCII form "xn--…".
  const std::u16string_view tld = text_.substr(lastLabel, end - lastLabel);
  int letters = 0;
  bool onlyLetters = true, ascii = true;
  for (std::size_t k = 0; k < tld.size();) {
    UChar32 c;
    U16_NEXT(tld.data(), k, tld.size(), c);
    if (groupOf(c) == kMark) continue;
    ++letters;
    onlyLetters = onlyLetters && u_isalpha(c);
    ascii = ascii && c < 0x80;
  }
  const bool punycode = tld.size() > 4 && chars::at(tld, 0, u"xn--");
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
    std::u16string host(text_.substr(at + 1, end - at - 1));
    for (auto& c : host) c = fold(c);
    if (on(Kind::internalUrl) && internalHost(host, settings_, false))
      add(Kind::internalUrl, start, end);
    return;
  }
  if (on(Kind::email)) add(Kind::email, start, end);
}

// ---------------------------------------------------------------------------
// Phone numbers: a shape scan first, then the number plan.

namespace {

// A few characters kept in place, without allocating: the phone scan runs
// at every digit run of the text.
template <class T, std::size_t N>
struct Small {
  std::array<T, N> items{};
  std::size_t count = 0;
  bool push(T v) {
    if (count == N) return false;
    items[count++] = v;
    return true;
  }
  std::size_t size() const { return count; }
  bool empty() const { return count == 0; }
  T operator[](std::size_t i) const { return items[i]; }
  T front() const { return items[0]; }
  T back() const { return items[count - 1]; }
};

struct PhoneShape {
  Small<char, 16> digits;  // as written, at most 15
  Small<int, 16> groups;   // digit counts of the groups
  bool plus = false;
  bool bracket = false;
  char16_t sep = 0;  // the separator between groups, '?' when mixed
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

std::string digitString(const PhoneShape& s, std::size_t from = 0) {
  return std::string(s.digits.items.data() + from, s.digits.size() - from);
}

bool looksLikeDate(const PhoneShape& s) {
  if (s.plus || s.bracket || s.groups.size() != 3 || s.sep == '?') return false;
  const auto& g = s.groups;
  if (g[0] == 4 && g[1] <= 2 && g[2] <= 2) return true;                 // 2024-01-31
  if (g[0] <= 2 && g[1] <= 2 && (g[2] == 4 || g[2] == 2)) return true;  // 31.01.2024
  return false;
}

// "01.23.45.67.89": the one national style written with dots.
bool frenchStyle(const PhoneShape& s) {
  if (s.groups.size() != 5) return false;
  for (std::size_t k = 0; k < 5; ++k)
    if (s.groups[k] != 2) return false;
  return true;
}

// Valid in the number plan; with possibleWillDo, also a number of a
// possible length for its country (fictional and newly opened ranges).
bool validWithLibrary(const std::string& number, const char* region, bool possibleWillDo = false) {
  using i18n::phonenumbers::PhoneNumber;
  using i18n::phonenumbers::PhoneNumberUtil;
  const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
  PhoneNumber parsed;
  if (util.Parse(number, region, &parsed) != PhoneNumberUtil::NO_PARSING_ERROR) return false;
  if (util.IsValidNumber(parsed)) return true;
  if (!possibleWillDo) return false;
  std::string regionCode;
  util.GetRegionCodeForCountryCode(parsed.country_code(), &regionCode);
  return regionCode != "ZZ" && util.IsPossibleNumber(parsed);
}

// Whether a number read as s is a phone number: its written shape, then the
// number plan (library) when allowed.
bool acceptable(const PhoneShape& s, bool usePlan) {
  if (s.groups.size() == 1 && !s.plus) return false;        // plain digit runs need a label
  if (s.sep == '?' && !s.plus && !s.bracket) return false;  // "0.20020811-1" is a version
  if (looksLikeDate(s)) return false;
  // "0069 0307 0301": a row of zero-padded code points or ids.
  if (s.groups.size() >= 3 && !s.plus && !s.bracket) {
    bool padded = true;
    std::size_t first = 0;
    for (std::size_t k = 0; k < s.groups.size(); ++k) {
      padded = padded && s.groups[k] == 4 && s.digits[first] == '0';
      first += std::size_t(s.groups[k]);
    }
    if (padded) return false;
  }
  if (s.sep == '.' && (s.groups.size() == 4 || s.groups.size() == 3) && !s.bracket &&
      s.groups.front() <= 3 && s.groups.back() <= 3)
    return false;  // addresses and versions

  if (northAmerican(s)) return true;
  if (!usePlan) return false;
  if (s.plus) {
    // Written with separators, "+" and a country code say phone clearly enough.
    return validWithLibrary("+" + digitString(s), "ZZ", s.groups.size() > 1);
  }
  if (s.digits.size() > 2 && s.digits[0] == '0' && s.digits[1] == '0') {
    // "0044 20 7946 0958", "00 1 650 253 0000": the international call prefix.
    return s.digits[2] != '0' && s.groups[0] <= 5 &&
           validWithLibrary("+" + digitString(s, 2), "ZZ");
  }
  if (s.digits[0] == '0' && s.digits.size() >= 9 && s.groups[0] >= 2 &&
      (s.groups.size() > 2 || (s.groups[0] <= 5 && !(s.groups[0] == 5 && s.groups[1] == 4))) &&
      (s.sep == ' ' || s.sep == '-' || (s.sep == '?' && s.bracket) ||
       (s.sep == '.' && frenchStyle(s)))) {
    // National numbers with a trunk prefix, in the plans where that is usual.
    static constexpr std::array<const char*, 20> kRegions = {
        "GB", "DE", "FR", "NL", "BE", "CH", "AT", "AU", "IN", "IE",
        "SE", "NO", "DK", "FI", "BR", "JP", "ZA", "NZ", "VN", "TR"};
    for (const char* region : kRegions)
      if (validWithLibrary(digitString(s), region)) return true;
  }
  return false;
}

}  // namespace

void Scanner::phone(std::size_t start) {
  const char16_t prev = before(start);
  if (wordChar(prev) || prev == '.' || prev == '-' || prev == '/' || prev == '+' || prev == '\\' ||
      prev == '#' || prev == '$' || prev == '%' || prev == '&')
    return;
  if (prev == ' ' && insideIbanShape(start)) return;  // the tail of an account number

  // The groups as written: digits, optionally bracketed, joined by single
  // separators. At most a phone's 15 digits are read.
  struct Group {
    int digits;
    std::size_t end;  // after the group (and its closing bracket)
    char16_t before;  // separator before the group, 0 for none
    bool bracket;
  };
  Small<Group, 16> groups;
  std::array<char, 16> digits{};
  std::size_t count = 0;
  const bool plus = text_[start] == '+';
  std::size_t i = plus ? start + 1 : start;
  char16_t pending = 0;  // separator read before the next group
  bool overflow = false;
  while (i < text_.size() && !overflow) {
    const char16_t c = text_[i];
    const bool open = c == '(' && digit(ch(i + 1));
    if (digit(c) || open) {
      std::size_t j = open ? i + 1 : i;
      const std::size_t g = j;
      while (j < text_.size() && digit(text_[j])) ++j;
      if (open && (ch(j) != ')' || j - g > 4)) break;
      if (count + (j - g) > 15 || groups.size() == 15) {
        overflow = true;
        break;
      }
      for (std::size_t k = g; k < j; ++k) digits[count++] = char(text_[k]);
      if (open) ++j;
      groups.push(Group{int(j - g - (open ? 1 : 0)), j, pending, open});
      i = j;
      pending = 0;
      // "(555)123-4567": a group may follow a bracket directly.
      if (open && (ch(i) == ' ' || ch(i) == '-' || ch(i) == '.') &&
          (digit(ch(i + 1)) || ch(i + 1) == '(')) {
        pending = ch(i);
        ++i;
      }
      if (open && pending == 0 && !digit(ch(i))) break;
      continue;
    }
    if (!groups.empty() && pending == 0 && (c == ' ' || c == '-' || c == '.') &&
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

  // The longest reading first; shorter ones only drop groups that follow
  // after a blank (the next number on the line).
  for (std::size_t take = groups.size(); take >= 1; --take) {
    const bool whole = take == groups.size() && !overflow;
    const char16_t after = take < groups.size() ? groups[take].before : pending;
    if (!whole && after != ' ') continue;
    PhoneShape s;
    s.plus = plus;
    std::size_t used = 0;
    for (std::size_t k = 0; k < take; ++k) {
      used += std::size_t(groups[k].digits);
      s.groups.push(groups[k].digits);
      s.bracket = s.bracket || groups[k].bracket;
      const char16_t b = groups[k].before;
      if (k > 0 && b != 0) {
        // A blank after dashed or dotted groups starts the next number.
        if (b == ' ' && (s.sep == '-' || s.sep == '.')) s.sep = u'!';
        if (s.sep != u'!') s.sep = (s.sep == 0 || s.sep == b) ? b : u'?';
      }
    }
    if (used < 7) return;
    if (s.sep == u'!') continue;
    for (std::size_t k = 0; k < used; ++k) s.digits.push(digits[k]);
    std::size_t end = groups[take - 1].end;
    if (whole) {
      // The number must end here: no letters, no further dotted or dashed digits.
      const char16_t next = ch(end);
      if ((next == '.' || next == '-' || next == '/' || next == ':') && digit(ch(end + 1))) return;
      end = extension(end);
      if (wordChar(ch(end))) return;
    }
    // Shorter readings are checked by shape, or by the plan when "+" leads.
    if (acceptable(s, whole || plus || (s.digits[0] == '0' && s.digits[1] == '0'))) {
      add(Kind::phone, start, end);
      phoneSkip_ = std::max(phoneSkip_, end);
      return;
    }
    if (!whole && take + 3 <= groups.size()) return;
  }
}

// Extensions after a number: "x123", " ext. 123", " ext 123".
std::size_t Scanner::extension(std::size_t end) const {
  std::size_t e = end;
  if (ch(e) == 'x' && digit(ch(e + 1))) {
    ++e;
  } else {
    std::size_t k = e;
    if (ch(k) == ' ') ++k;
    if (!at(text_, k, u"ext")) return end;
    k += 3;
    if (ch(k) == '.') ++k;
    if (ch(k) == ' ') ++k;
    if (!digit(ch(k))) return end;
    e = k;
  }
  std::size_t d = e;
  while (d < text_.size() && digit(text_[d]) && d - e < 6) ++d;
  return digit(ch(d)) ? end : d;
}

}  // namespace clipvane::detect
