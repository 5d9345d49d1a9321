// Card numbers and IBANs.
#include <algorithm>
#include <array>
#include <cstdint>

#include "Scanner.h"

namespace clipvane::detect {
namespace {

using namespace chars;

bool luhn(std::u16string_view digits) {
  int sum = 0;
  bool twice = false;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    int d = *it - '0';
    if (twice) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
    twice = !twice;
  }
  return sum % 10 == 0;
}

int leading(std::u16string_view digits, int n) {
  int v = 0;
  for (int k = 0; k < n; ++k) v = v * 10 + (digits[k] - '0');
  return v;
}

// Visa, Mastercard, Amex, Discover, JCB, Diners, UnionPay, Maestro, Mir, each
// with the lengths its numbers have. Test and sample numbers are written with
// the wider ranges the generators use (JCB 35xx, the 15-digit JCB 2131/1800,
// 12-digit Maestro), and those are what people paste as card numbers.
bool knownIssuer(std::u16string_view d) {
  const std::size_t n = d.size();
  const int one = leading(d, 1), two = leading(d, 2), three = leading(d, 3), four = leading(d, 4);
  if (n == 12) {
    // Only the Maestro ranges issue numbers this short.
    return four == 5018 || four == 5020 || four == 5038 || four == 5893 || four == 6304 ||
           four == 6759 || (four >= 6761 && four <= 6763) || four == 604 || four == 6390 ||
           (two >= 56 && two <= 58);
  }
  if (one == 4) return n == 13 || n == 16 || n == 19;
  if ((two >= 51 && two <= 55) || (four >= 2221 && four <= 2720)) return n == 16;
  if (two == 34 || two == 37) return n == 15;
  if (four == 2131 || four == 1800 || four == 2100) return n == 15;
  if (four >= 2200 && four <= 2204) return n >= 16;  // Mir
  if (four == 6011 || two == 65 || (three >= 644 && three <= 649)) return n >= 16;
  if (two == 35) return n >= 16;
  if (two == 36 || two == 38 || (three >= 300 && three <= 305)) return n >= 14;
  if (two == 62) return n >= 16;
  // Maestro: the named ranges at any length, the wide ones as issued (16 to
  // 19), so that long constants in code are not taken for cards.
  if (four == 5018 || four == 5020 || four == 5038 || four == 5893 || four == 6304 ||
      four == 6759 || (four >= 6761 && four <= 6763) || four == 604 || four == 6390)
    return true;
  if (two == 50 || (two >= 56 && two <= 69)) return n >= 16;
  return false;
}

// Typed runs ("…567890123…") fill forms and examples, not cards.
bool typedRun(std::u16string_view d) {
  int run = 1;
  for (std::size_t k = 1; k < d.size(); ++k) {
    run = d[k] == d[k - 1] + 1 || (d[k] == '0' && d[k - 1] == '9') ? run + 1 : 1;
    if (run >= 8) return true;
  }
  return false;
}

bool validCard(std::u16string_view d) {
  return d.size() >= 12 && d.size() <= 19 && knownIssuer(d) && luhn(d) && !typedRun(d);
}

struct IbanCountry {
  char16_t a, b;
  int length;
};

// Lengths of the IBAN registry, and Iran's, whose banks use the form at home.
constexpr IbanCountry kIbanLengths[] = {
    {'A', 'D', 24}, {'A', 'E', 23}, {'A', 'L', 28}, {'A', 'T', 20}, {'A', 'Z', 28}, {'B', 'A', 20},
    {'B', 'E', 16}, {'B', 'G', 22}, {'B', 'H', 22}, {'B', 'I', 27}, {'B', 'R', 29}, {'B', 'Y', 28},
    {'C', 'H', 21}, {'C', 'R', 22}, {'C', 'Y', 28}, {'C', 'Z', 24}, {'D', 'E', 22}, {'D', 'J', 27},
    {'D', 'K', 18}, {'D', 'O', 28}, {'E', 'E', 20}, {'E', 'G', 29}, {'E', 'S', 24}, {'F', 'I', 18},
    {'F', 'K', 18}, {'F', 'O', 18}, {'F', 'R', 27}, {'G', 'B', 22}, {'G', 'E', 22}, {'G', 'I', 23},
    {'G', 'L', 18}, {'G', 'R', 27}, {'G', 'T', 28}, {'H', 'N', 28}, {'H', 'R', 21}, {'H', 'U', 28},
    {'I', 'E', 22}, {'I', 'L', 23}, {'I', 'Q', 23}, {'I', 'R', 26}, {'I', 'S', 26}, {'I', 'T', 27},
    {'J', 'O', 30}, {'K', 'W', 30}, {'K', 'Z', 20}, {'L', 'B', 28}, {'L', 'C', 32}, {'L', 'I', 21},
    {'L', 'T', 20}, {'L', 'U', 20}, {'L', 'V', 21}, {'L', 'Y', 25}, {'M', 'C', 27}, {'M', 'D', 24},
    {'M', 'E', 22}, {'M', 'K', 19}, {'M', 'N', 20}, {'M', 'R', 27}, {'M', 'T', 31}, {'M', 'U', 30},
    {'N', 'I', 28}, {'N', 'L', 18}, {'N', 'O', 15}, {'O', 'M', 23}, {'P', 'K', 24}, {'P', 'L', 28},
    {'P', 'S', 29}, {'P', 'T', 25}, {'Q', 'A', 29}, {'R', 'O', 24}, {'R', 'S', 22}, {'R', 'U', 33},
    {'S', 'A', 24}, {'S', 'C', 31}, {'S', 'D', 18}, {'S', 'E', 24}, {'S', 'I', 19}, {'S', 'K', 24},
    {'S', 'M', 27}, {'S', 'O', 23}, {'S', 'T', 25}, {'S', 'V', 28}, {'T', 'L', 23}, {'T', 'N', 24},
    {'T', 'R', 26}, {'U', 'A', 29}, {'V', 'A', 22}, {'V', 'G', 24}, {'X', 'K', 20}, {'Y', 'E', 30},
};

// The structure of the national part where it is fixed by letters and
// digits (n: digits, a: capital letters, c: either), for the countries whose
// accounts are met most; other countries are checked by length only.
struct BbanFormat {
  char16_t a, b;
  std::u16string_view format;
};
constexpr BbanFormat kBbanFormats[] = {
    {'A', 'T', u"16n"},      {'B', 'E', u"12n"},   {'C', 'H', u"5n12c"},  {'C', 'Z', u"20n"},
    {'D', 'E', u"18n"},      {'D', 'K', u"14n"},   {'E', 'S', u"20n"},    {'F', 'I', u"14n"},
    {'F', 'R', u"10n11c2n"}, {'G', 'B', u"4a14n"}, {'I', 'E', u"4a14n"},  {'I', 'T', u"1a10n12c"},
    {'L', 'U', u"3n13c"},    {'N', 'L', u"4a10n"}, {'N', 'O', u"11n"},    {'P', 'L', u"24n"},
    {'P', 'T', u"21n"},      {'S', 'E', u"20n"},   {'S', 'K', u"20n"},    {'H', 'U', u"24n"},
    {'R', 'O', u"4a16c"},    {'G', 'R', u"7n16c"}, {'B', 'G', u"4a6n8c"}, {'H', 'R', u"17n"},
    {'S', 'I', u"15n"},      {'L', 'T', u"16n"},   {'L', 'V', u"4a13c"},  {'E', 'E', u"16n"},
    {'T', 'R', u"5n1n16c"},  {'A', 'E', u"3n16n"}, {'S', 'A', u"2n18c"},  {'B', 'R', u"23n1a1c"},
};

bool bbanMatches(std::u16string_view country, std::u16string_view bban) {
  for (const auto& f : kBbanFormats) {
    if (f.a != country[0] || f.b != country[1]) continue;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < f.format.size();) {
      int count = 0;
      while (k < f.format.size() && digit(f.format[k])) count = count * 10 + (f.format[k++] - '0');
      const char16_t type = f.format[k++];
      for (int m = 0; m < count; ++m, ++pos) {
        if (pos >= bban.size()) return false;
        const char16_t c = bban[pos];
        if ((type == 'n' && !digit(c)) || (type == 'a' && !upper(c))) return false;
      }
    }
    return pos == bban.size();
  }
  return true;
}

constexpr int kLongestIban = 34;
static_assert(std::ranges::all_of(kIbanLengths,
                                  [](const IbanCountry& c) { return c.length <= kLongestIban; }));

// The lengths by country code, as one look-up: most letter pairs name none.
constexpr auto kIbanLengthOf = [] {
  std::array<std::array<std::uint8_t, 26>, 26> t{};
  for (const auto& c : kIbanLengths)
    t[std::size_t(c.a - 'A')][std::size_t(c.b - 'A')] = std::uint8_t(c.length);
  return t;
}();

int ibanLength(char16_t a, char16_t b) {
  if (!upper(a) || !upper(b)) return 0;
  return kIbanLengthOf[std::size_t(a - 'A')][std::size_t(b - 'A')];
}

bool mod97(std::u16string_view iban) {
  // The number grows by up to two digits a character and is reduced only
  // before it could pass 2^63: once every few characters, not at each.
  std::uint64_t rest = 0;
  auto feed = [&](char16_t c) {
    if (rest >= 10'000'000'000'000'000u) rest %= 97;
    rest = digit(c) ? rest * 10 + std::uint64_t(c - '0') : rest * 100 + std::uint64_t(c - 'A' + 10);
  };
  for (std::size_t k = 4; k < iban.size(); ++k) feed(iban[k]);
  for (std::size_t k = 0; k < 4; ++k) feed(iban[k]);
  return rest % 97 == 1;
}

}  // namespace

// What the words before pos say the number is: "card #4111…", "Visa: 4111…"
// name a card; "Order no. 4111…", "tracking number 4111…" name something
// else. Blanks, "#", ":", quotes, "=", and words such as "number" are passed
// over, and "_" parts a key's words ("card_number": …).
Scanner::NumberCue Scanner::cueBefore(std::size_t pos) const {
  static constexpr std::u16string_view kCard[] = {u"card",    u"visa", u"mastercard", u"amex",
                                                  u"maestro", u"jcb",  u"discover",   u"cc",
                                                  u"pan",     u"mir"};
  static constexpr std::u16string_view kOther[] = {
      u"order", u"invoice", u"tracking",     u"ticket",   u"ref",    u"reference", u"transaction",
      u"txn",   u"booking", u"confirmation", u"shipment", u"parcel", u"serial",    u"imei",
      u"isbn",  u"po",      u"phone",        u"tel",      u"fax",    u"mobile"};
  static constexpr std::u16string_view kFillers[] = {u"no", u"nr", u"number", u"num",
                                                     u"id", u"on", u"file"};
  // Most words before a number are none of them, and are told so without
  // comparing.
  static constexpr auto kLengths = [] {
    WordLengths t{};
    for (const auto& list :
         {lengthsByFirst(kCard), lengthsByFirst(kOther), lengthsByFirst(kFillers)})
      for (std::size_t k = 0; k < t.size(); ++k) t[k] |= list[k];
    return t;
  }();
  for (int words = 0; words < 3; ++words) {
    auto passed = [](char16_t c) {
      return c == ' ' || c == '#' || c == ':' || c == '.' || c == '"' || c == '\'' || c == '=';
    };
    while (pos > 0 && passed(text_[pos - 1])) --pos;
    std::size_t k = pos;
    while (k > 0 && alpha(text_[k - 1]) && pos - k < 14) --k;
    const bool part = k > 0 && text_[k - 1] == '_';
    if (k == pos || (k > 0 && wordChar(text_[k - 1]) && !part)) return NumberCue::none;
    if (!mayBeAmong(kLengths, text_.substr(k, pos - k))) return NumberCue::none;
    const std::u16string_view word = text_.substr(k, pos - k);
    auto among = [&](const auto& list) {
      return std::any_of(std::begin(list), std::end(list),
                         [&](std::u16string_view w) { return foldedEquals(word, w); });
    };
    if (among(kCard)) return NumberCue::card;
    if (among(kOther)) return NumberCue::other;
    if (!among(kFillers)) return NumberCue::none;
    pos = part ? k - 1 : k;
  }
  return NumberCue::none;
}

void Scanner::card(std::size_t start) {
  const char16_t prev = before(start);
  // Not the tail of a decimal, version, range or path; "Nr.4111…" is a label.
  if ((prev == '.' && !alpha(before(start - 1))) || prev == '-' || prev == '+' || prev == '/' ||
      prev == '$' || joinsBefore(text_, start))
    return;
  // Twelve digits between colons are an account in a resource name
  // ("arn:aws:iam::123456789012:role/x"), not a Maestro card.
  if (prev == ':' && ch(start + 12) == ':') return;
  // Whether the digits before start, in the separator before it, run on from
  // a number before ("IT04 2296 9825 …", "12 4111 1111 …"), not from a word
  // or the tail of a dotted number such as a version ("1.2.3.4 3627 …").
  auto continuesBefore = [&] {
    std::size_t k = start - 1;
    bool number = false, other = false;
    while (k > 0 && alnum(text_[k - 1]) && start - k < 40) {
      number |= digit(text_[k - 1]);
      other |= lower(text_[k - 1]);
      --k;
    }
    const char16_t lead = k > 0 ? text_[k - 1] : char16_t(0);
    const bool whole = lead != '.' && lead != ',' && lead != ':' && lead != '/';
    return number && !other && whole && start - 1 - k <= 6;
  };
  // Such a number's later groups ("4111 1111 1111 1111" from its second) are
  // turned away below once read: where four digits and a group of three to
  // six follow in that separator, that reading is certain and is skipped.
  if ((prev == ' ' || prev == '-') && start >= 2 && ch(start + 4) == prev && digit(ch(start + 3)) &&
      digit(ch(start + 2)) && digit(ch(start + 1))) {
    const std::size_t e = std::min(digitsEnd(text_, start + 5), start + 12);
    if (e - start >= 8 && e - start <= 11 && continuesBefore()) return;
  }
  // Groups of digits joined by one consistent single space or hyphen.
  // Only the first used digits and the first groups are set.
  std::array<char16_t, 32> buffer;
  std::size_t used = 0;
  std::array<std::size_t, 9> groupEnd, groupDigits;
  int groups = 0;
  char16_t sep = 0;
  std::size_t i = start;
  while (true) {
    const std::size_t g = i;
    while (i < text_.size() && digit(text_[i]) && used <= 20) buffer[used++] = text_[i++];
    const std::size_t len = i - g;
    if (i < text_.size() && digit(text_[i])) {
      if (groups == 0) return;  // a longer digit run is no card
      break;
    }
    if (groups > 0) {
      // A grouped card starts with four digits; middle groups have 3 to 6,
      // a last one may be shorter ("4222 2222 2222 2").
      const bool more = (ch(i) == ' ' || ch(i) == '-') && digit(ch(i + 1));
      if (groupDigits[0] != 4 || len > 6 || (len < 3 && more)) break;
    }
    groupEnd[groups] = i;
    groupDigits[groups] = len;
    ++groups;
    if (groups == 9) break;
    const char16_t c = ch(i);
    if ((c == ' ' || c == '-') && (sep == 0 || sep == c) && digit(ch(i + 1))) {
      sep = c;
      ++i;
      continue;
    }
    break;
  }
  // Fewer than twelve digits are no card ("2024-03-14", "4111 1111").
  if (used < 12) return;
  // "#" numbers orders, tickets and issues; "card #4111…" still names a card.
  const NumberCue cue = cueBefore(start);
  if ((prev == '#' && cue != NumberCue::card) || cue == NumberCue::other) return;
  // A grouped number that continues one before it in the same style
  // ("IT04 2296 9825 …", "12 4111 1111 …") is part of that number.
  if (groups > 1 && prev == sep && start >= 2 && continuesBefore()) return;
  // Rows of neighbouring four-digit numbers in order are tables (code points,
  // ports), not a card: "6020 6023 6024 6025". A card's groups close in value
  // ("5011 5026 4867 4894") are not in order.
  if (groups >= 4 && groupDigits[0] == 4 && groupDigits[1] == 4 && groupDigits[2] == 4 &&
      groupDigits[3] == 4) {
    std::array<int, 4> v{};
    for (int k = 0; k < 4; ++k)
      for (std::size_t d = groupEnd[k] - 4; d < groupEnd[k]; ++d)
        v[k] = v[k] * 10 + (text_[d] - '0');
    const bool rising = v[0] < v[1] && v[1] < v[2] && v[2] < v[3];
    const bool falling = v[0] > v[1] && v[1] > v[2] && v[2] > v[3];
    if ((rising && v[3] - v[0] < 400) || (falling && v[0] - v[3] < 400)) return;
  }
  // The whole run, else without its last group (a trailing expiry or code).
  for (int take = groups; take >= 1 && take >= groups - 1; --take) {
    std::size_t count = 0;
    for (int k = 0; k < take; ++k) count += groupDigits[k];
    const std::size_t end = groupEnd[take - 1];
    // Without a trailing four-digit group, twelve digits are too few to be sure.
    if (take < groups && count < 13 && groupDigits[take] == 4) continue;
    // Twelve digits in one run are an account or resource id as often as a
    // short Maestro card: only the words before them can say it is a card.
    if (count == 12 && take == 1 && cue != NumberCue::card) continue;
    if (take == groups) {
      const char16_t next = ch(end);
      if (joinsAt(text_, end)) continue;
      if ((next == '.' || next == '-') && digit(ch(end + 1))) continue;
    }
    if (validCard(std::u16string_view(buffer.data(), count))) {
      add(Kind::card, start, end);
      return;
    }
  }
}

// Whether start follows groups shaped like an IBAN's ("GB47 TOSP 9245 0450 …"): a country
// code and check digits, then blocks of four capitals or digits, each after one blank.
bool Scanner::insideIbanShape(std::size_t start) const {
  std::size_t k = start;
  for (int groups = 0; groups < 9 && k >= 5 && text_[k - 1] == ' '; ++groups) {
    const std::size_t g = k - 5;
    for (std::size_t j = g; j < g + 4; ++j)
      if (!upper(text_[j]) && !digit(text_[j])) return false;
    if (upper(text_[g]) && upper(text_[g + 1]) && digit(text_[g + 2]) && digit(text_[g + 3]) &&
        !wordChar(before(g)) && ibanLength(text_[g], text_[g + 1]) != 0)
      return true;
    k = g;
  }
  return false;
}

void Scanner::iban(std::size_t start) {
  // Written in capitals, or wholly in small letters ("de89 3704 …"), never mixed.
  const bool small = lower(text_[start]);
  auto letter = [small](char16_t c) { return small ? lower(c) : upper(c); };
  if (!letter(ch(start + 1)) || !digit(ch(start + 2)) || !digit(ch(start + 3))) return;
  const int length =
      ibanLength(char16_t(fold(text_[start]) - 32), char16_t(fold(text_[start + 1]) - 32));
  if (length == 0) return;
  // The letters and digits are gathered on the stack: no IBAN is longer.
  std::array<char16_t, kLongestIban> buffer;
  std::size_t size = 0;
  std::size_t i = start;
  while (i < text_.size() && int(size) < length) {
    const char16_t c = text_[i];
    if (letter(c) || digit(c)) {
      buffer[size++] = small && lower(c) ? char16_t(c - 32) : c;
      ++i;
    } else if (c == ' ' && size % 4 == 0 && size > 0 && (letter(ch(i + 1)) || digit(ch(i + 1)))) {
      ++i;
    } else {
      return;
    }
  }
  const std::u16string_view compact(buffer.data(), size);
  if (int(size) != length || joinsAt(text_, i)) return;
  if (!bbanMatches(compact, compact.substr(4)) || !mod97(compact)) return;
  add(Kind::iban, start, i);
}

}  // namespace clipvane::detect
