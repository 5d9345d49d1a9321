#include "Addresses.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "FieldText.h"

namespace clipvane::detect::address {
namespace {

using namespace fieldtext;

constexpr Span kNone{-1, -1};
// Unit and place lines are short; longer lines are not read for them.
constexpr int kMaxLine = 100;

struct Line {
  int b = -1, e = -1;  // without blanks around, nor a trailing "," or ";"
  int ls = -1, le = -1;
  bool ok() const { return b >= 0; }
};

Line trimmed(View t, int ls, int le) {
  int b = ls, e = le;
  while (b < e && isBlank(t[b])) ++b;
  while (e > b && (isBlank(t[e - 1]) || t[e - 1] == u',' || t[e - 1] == u';')) --e;
  if (b == e) return {};
  return {b, e, ls, le};
}

// The line after the one that ends at le; none past a blank line.
Line nextLine(View t, int le) {
  const int n = int(t.size());
  if (le >= n) return {};
  const int ls = t[le] == u'\r' && le + 1 < n && t[le + 1] == u'\n' ? le + 2 : le + 1;
  int i = ls;
  while (i < n && !isLineEnd(t[i]) && i - ls <= kMaxLine) ++i;
  if (i - ls > kMaxLine) return {};
  return trimmed(t, ls, i);
}

// The line before the one that starts at ls.
Line prevLine(View t, int ls) {
  if (ls == 0) return {};
  int le = ls - 1;
  if (t[le] == u'\n' && le > 0 && t[le - 1] == u'\r') --le;
  int i = le;
  while (i > 0 && !isLineEnd(t[i - 1]) && le - i <= kMaxLine) --i;
  if (le - i > kMaxLine) return {};
  return trimmed(t, i, le);
}

int skipBlanks(View t, int i, int e) {
  while (i < e && isBlank(t[i])) ++i;
  return i;
}

// A word of letters, with hyphens and apostrophes inside ("Saint-Denis", "L'Aquila").
int wordEnd(View t, int i, int e) {
  while (i < e && (isLetter(t[i]) || ((t[i] == u'-' || t[i] == u'\'' || t[i] == 0x2019) &&
                                      i + 1 < e && isLetter(t[i + 1]))))
    ++i;
  return i;
}

int digitsEnd(View t, int i, int e, int most) {
  int j = i;
  while (j < e && isDigit(t[j]) && j - i < most) ++j;
  return j;
}

// The word lists are static arrays: a list written at the call would be
// built anew at every call.
template <std::size_t N>
bool oneOf(View word, const std::array<std::u16string_view, N>& words) {
  for (std::u16string_view w : words) {
    if (w.size() != word.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < w.size() && same; ++k) {
      const char16_t c = word[k];
      // ASCII in any case; Greek and Cyrillic capitals fold to small letters.
      const char16_t f = c < 0x80                                   ? lowerAscii(c)
                         : (c >= 0x410 && c <= 0x42F)               ? char16_t(c + 0x20)
                         : (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ? char16_t(c + 0x20)
                                                                    : c;
      same = f == w[k];
    }
    if (same) return true;
  }
  return false;
}

// Word lists, compared in any case.
constexpr auto kPlaceParticles =
    std::to_array<std::u16string_view>({u"am", u"an", u"upon", u"on", u"im"});
constexpr auto kMilitaryPosts = std::to_array<std::u16string_view>({u"apo", u"fpo", u"dpo"});
constexpr auto kMilitaryRegions = std::to_array<std::u16string_view>({u"aa", u"ae", u"ap"});
constexpr auto kOrdinals = std::to_array<std::u16string_view>({u"st", u"nd", u"rd", u"th"});
constexpr auto kFloors = std::to_array<std::u16string_view>({u"floor", u"fl"});
constexpr auto kMilitaryBoxes = std::to_array<std::u16string_view>({u"psc", u"unit", u"cmr"});
constexpr auto kBox = std::to_array<std::u16string_view>({u"box"});
constexpr auto kShips = std::to_array<std::u16string_view>({u"uss", u"usns", u"uscgc", u"usnv"});
constexpr auto kUnit = std::to_array<std::u16string_view>({u"unit"});
constexpr auto kGermanTypesAfter = std::to_array<std::u16string_view>(
    {u"straße", u"strasse", u"str.", u"weg", u"allee", u"platz", u"gasse"});
constexpr auto kHouse = std::to_array<std::u16string_view>({u"д.", u"дом"});
constexpr auto kDoors = std::to_array<std::u16string_view>(
    {u"izq", u"izda", u"dcha", u"der", u"dta", u"esq", u"dto", u"ctr", u"centro"});
constexpr auto kStr = std::to_array<std::u16string_view>({u"str."});
constexpr auto kUnitsAfterHouse =
    std::to_array<std::u16string_view>({u"кв", u"корп", u"стр", u"к", u"apt", u"m", u"lok"});
constexpr auto kTypesAfter = std::to_array<std::u16string_view>(
    {u"u.",   u"utca",  u"út",    u"útja",  u"tér",   u"körút", u"krt.",
     u"gate", u"gata",  u"vei",   u"veien", u"vej",   u"gade",  u"náměstí",
     u"nám.", u"ulice", u"tänav", u"iela",  u"gatvė", u"cesta"});
constexpr auto kTypesBefore = std::to_array<std::u16string_view>(
    {u"ul.",     u"ulica",    u"al.",        u"aleja",   u"pl.",    u"plac",     u"os.",
     u"via",     u"viale",    u"piazza",     u"corso",   u"largo",  u"vicolo",   u"strada",
     u"calle",   u"c/",       u"avenida",    u"avda.",   u"av.",    u"paseo",    u"plaza",
     u"carrer",  u"rua",      u"travessa",   u"praça",   u"rue",    u"avenue",   u"boulevard",
     u"bd",      u"chemin",   u"impasse",    u"allée",   u"quai",   u"str.",     u"bulevardul",
     u"calea",   u"ул.",      u"улица",      u"пр.",     u"просп.", u"проспект", u"пр-т",
     u"пер.",    u"переулок", u"бул.",       u"бульвар", u"ш.",     u"шоссе",    u"пл.",
     u"площадь", u"наб.",     u"набережная", u"вул.",    u"вулиця", u"пров.",    u"οδός",
     u"οδ.",     u"λεωφόρος", u"λεωφ.",      u"πλατεία"});

bool capital(char16_t c) { return isUpper(c) || (isLetter(c) && !isLower(c)); }

// Countries as the last lines of an address write them, in English and in
// their own languages.
constexpr auto kCountries = std::to_array<std::u16string_view>(
    {u"united kingdom", u"uk",        u"great britain",  u"england",    u"scotland",
     u"wales",          u"ireland",   u"united states",  u"usa",        u"u.s.a.",
     u"canada",         u"australia", u"new zealand",    u"germany",    u"deutschland",
     u"france",         u"spain",     u"españa",         u"italy",      u"italia",
     u"netherlands",    u"nederland", u"belgium",        u"belgique",   u"switzerland",
     u"schweiz",        u"suisse",    u"austria",        u"österreich", u"sweden",
     u"sverige",        u"norway",    u"norge",          u"denmark",    u"danmark",
     u"finland",        u"suomi",     u"poland",         u"polska",     u"portugal",
     u"greece",         u"czechia",   u"czech republic", u"hungary",    u"romania",
     u"luxembourg",     u"iceland",   u"india",          u"singapore",  u"japan",
     u"brazil",         u"brasil",    u"mexico",         u"méxico",     u"south africa"});

// The end of a country's name at b, without a word running on; -1 when none.
int countryEnd(View t, int b, int e) {
  for (std::u16string_view c : kCountries) {
    const int end = b + int(c.size());
    if (end > e || (end < e && isAlnum(t[end]))) continue;
    bool same = true;
    for (std::size_t k = 0; k < c.size() && same; ++k) {
      const char16_t x = t[std::size_t(b) + k];
      // Latin-1 capitals fold by their case bit ("Österreich").
      const bool latinCapital = x >= 0xC0 && x <= 0xDE && x != 0xD7;
      same = (latinCapital ? char16_t(x | 0x20) : lowerAscii(x)) == c[k];
    }
    if (same) return end;
  }
  return -1;
}

// A country alone on its line, or with its postcode after it ("United
// Kingdom NW1 6XE"); postcode tells whether one is there.
bool countryLine(View t, int b, int e, bool* postcode) {
  const int c = countryEnd(t, b, e);
  if (c < 0) return false;
  *postcode = c < e;
  if (c == e) return true;
  const int p = skipBlanks(t, c, e);
  return p > c && fieldvalue::postcodeEnd(t, p, e, false) == e;
}

// ---- place lines ---------------------------------------------------------------

// Ends of up to five words of a place name from i: capitalised (or of a
// script without case), in lower case when lower, with particles between
// ("Saint-Martin-de-Ré", "Stratford upon Avon", "Frankfurt am Main").
int placeWords(View t, int i, int e, bool lower, std::array<int, 5>& ends) {
  int n = 0;
  while (i < e && n < 5) {
    const int w = wordEnd(t, i, e);
    if (w == i || (w < e && isDigit(t[w]))) break;
    const View word = t.substr(i, w - i);
    const bool particle =
        isLower(t[i]) && (fieldvalue::isStreetParticle(word) || oneOf(word, kPlaceParticles));
    if (!capital(t[i]) && !lower && !(particle && n > 0)) break;
    int x = w;
    if (x < e && t[x] == u'.') ++x;  // "St.", "Mt."
    if (!particle || lower) ends[std::size_t(n++)] = x;
    if (x >= e || t[x] != u' ') break;
    i = x + 1;
  }
  return n;
}

// "IL", "NSW", "ON"; "il" when lower.
int regionEnd(View t, int i, int e, bool lower) {
  int j = i;
  while (j < e && (isAsciiUpper(t[j]) || (lower && isAsciiLower(t[j]))) && j - i < 3) ++j;
  if (lower && j - i != 2) return -1;
  return j - i >= 2 && (j >= e || !isAlnum(t[j])) ? j : -1;
}

// A postcode first: "10115 Berlin", "00184, Roma (RM)", "105 63 Αθήνα",
// "00-514 Warszawa", "D-10115 Berlin", "2200 København N".
int postcodeFirst(View t, int b, int e, bool lower) {
  int i = b;
  if (i + 2 < e && isAsciiUpper(t[i]) &&
      (t[i + 1] == u'-' || (isAsciiUpper(t[i + 1]) && t[i + 2] == u'-')))
    i += t[i + 1] == u'-' ? 2 : 3;
  if (i >= e || !isDigit(t[i])) return -1;
  const int p = fieldvalue::postcodeEnd(t, i, e, lower);
  if (p < 0 || p - i < 4) return -1;
  int c = p < e && t[p] == u',' ? p + 1 : p;
  if (c >= e || t[c] != u' ') return -1;
  c = skipBlanks(t, c, e);
  std::array<int, 5> ends{};
  const int n = placeWords(t, c, e, lower, ends);
  if (n == 0) return -1;
  int end = ends[std::size_t(n - 1)];
  // "(RM)": the province.
  if (end + 1 < e && t[end] == u' ' && t[end + 1] == u'(') {
    const int r = regionEnd(t, end + 2, e, lower);
    if (r > 0 && r < e && t[r] == u')') end = r + 1;
  }
  return end;
}

// A place name first, then a region, a postcode or both: "Springfield, IL
// 62704", "London SW1A 2AA", "Sydney, NSW, 2000", "Springfield, Illinois
// 62704", "Москва, 125009".
int placeFirst(View t, int b, int e, bool lower) {
  std::array<int, 5> ends{};
  const int n = placeWords(t, b, e, lower, ends);
  for (int k = n; k-- > 0;) {
    int i = ends[std::size_t(k)];
    if (i < e && t[i] == u',') ++i;
    if (i >= e || t[i] != u' ') continue;
    i = skipBlanks(t, i, e);
    int region = regionEnd(t, i, e, lower);
    if (region < 0 && i < e && capital(t[i])) {  // a region by its name, before a postcode
      std::array<int, 5> r{};
      const int m = placeWords(t, i, e, false, r);
      if (m > 0 && m <= 2) region = r[std::size_t(m - 1)];
    }
    int p = i;
    if (region > 0) {
      p = region < e && t[region] == u',' ? region + 1 : region;
      // "Springfield, IL" without its postcode; in lower case a postcode must follow.
      if (p >= e) return region == e && !lower && regionEnd(t, i, e, lower) > 0 ? e : -1;
      if (t[p] != u' ') continue;
      p = skipBlanks(t, p, e);
    }
    const int code = fieldvalue::postcodeEnd(t, p, e, lower);
    if (code == e && (!lower || code - p >= 4)) return e;
  }
  return -1;
}

// "APO AE 09204", "FPO AP 96278-4190".
int militaryPlace(View t, int b, int e) {
  if (e - b < 12 || !oneOf(t.substr(b, 3), kMilitaryPosts) || t[b + 3] != u' ') return -1;
  int i = skipBlanks(t, b + 3, e);
  if (i + 3 > e || !oneOf(t.substr(i, 2), kMilitaryRegions) || t[i + 2] != u' ') return -1;
  i = skipBlanks(t, i + 2, e);
  int d = digitsEnd(t, i, e, 5);
  if (d - i != 5) return -1;
  if (d + 5 <= e && t[d] == u'-' && digitsEnd(t, d + 1, e, 4) == d + 5) d += 5;
  return d < e && isAlnum(t[d]) ? -1 : d;
}

// What the line [b, e) is to an address above it.
// Without anyPlace, a postcode before the place does not count ("2001
// Hubert Holin" may be a year and a name).
Place placeLine(View t, int b, int e, bool lower, bool anyPlace = true) {
  // A sentence's full stop after the place.
  if (e - b > 2 && t[e - 1] == u'.' && isAlnum(t[e - 2])) --e;
  if (militaryPlace(t, b, e) == e || (anyPlace && postcodeFirst(t, b, e, lower) == e) ||
      placeFirst(t, b, e, lower) == e)
    return Place::place;
  std::array<int, 5> ends{};
  const int n = placeWords(t, b, e, lower, ends);
  return n > 0 && n <= 4 && ends[std::size_t(n - 1)] == e ? Place::cityOnly : Place::none;
}

// "SW1A 2AA", "E1 4YN", "M5V 2T6": a postcode with letters, alone on its line.
bool postcodeLine(View t, int b, int e, bool lower) {
  bool letter = false;
  for (int i = b; i < e; ++i) letter = letter || isAsciiAlpha(t[i]);
  return letter && fieldvalue::postcodeEnd(t, b, e, lower) == e;
}

// "Baker Street", "Jones lane", "Hauptstraße", "Rue de la Paix": a street's
// name without a house number, alone on its line.
// "Baker Street", "Jones lane", "Hauptstraße", "Rue de la Paix": a street's
// name without a house number, alone on its line. 2 when it says "street"
// clearly, 1 when it ends with an everyday noun ("Harbor View"), else 0.
int streetNameLine(View t, int b, int e) {
  int i = b, words = 0;
  while (i < e && words < 6) {
    const int w = wordEnd(t, i, e);
    if (w == i) return 0;
    const View word = t.substr(i, w - i);
    const bool suffix = words > 0 && fieldvalue::isAnyStreetSuffix(word);
    if (!suffix && !capital(t[i]) && !fieldvalue::isStreetParticle(word)) return 0;
    ++words;
    int x = w;
    if (x < e && t[x] == u'.') ++x;
    if (x >= e) {
      if (suffix) return fieldvalue::isStreetSuffix(word) ? 2 : 1;
      return fieldvalue::isLeadingStreetType(t.substr(b, wordEnd(t, b, e) - b)) ||
                     (words == 1 && fieldvalue::isStreetWord(word))
                 ? 2
                 : 0;
    }
    if (t[x] != u' ') return 0;
    i = x + 1;
  }
  return 0;
}

}  // namespace

bool unitWord(View word) { return fieldvalue::isUnitWord(word); }

bool unitLine(View t, int b, int e) {
  int i = b;
  // "3rd Floor"
  if (i < e && isDigit(t[i])) {
    const int d = digitsEnd(t, i, e, 3);
    if (d + 2 >= e || !oneOf(t.substr(d, 2), kOrdinals) || t[d + 2] != u' ') return false;
    const int w = wordEnd(t, d + 3, e);
    return w == e && oneOf(t.substr(d + 3, w - d - 3), kFloors);
  }
  for (int units = 0; units < 2; ++units) {
    const int w = wordEnd(t, i, e);
    if (w == i) return false;
    const View word = t.substr(i, w - i);
    if (!unitWord(word)) return false;
    int k = w < e && t[w] == u'.' ? w + 1 : w;
    const int s = skipBlanks(t, k, e);
    if (s == w) return false;
    k = s < e && t[s] == u'#' ? skipBlanks(t, s + 1, e) : s;
    // "12", "3B", "B", "B12"
    const int n0 = k;
    if (k < e && isAsciiUpper(t[k])) ++k;
    k = digitsEnd(t, k, e, 5);
    if (k > n0 && k < e && isAsciiAlpha(t[k]) && isDigit(t[k - 1])) ++k;
    if (k == n0 || (k < e && isAlnum(t[k]))) return false;
    if (k == e) return true;
    // "Suite 200, Floor 3"
    if (t[k] != u',' || k + 1 >= e || t[k + 1] != u' ') return false;
    i = skipBlanks(t, k + 1, e);
  }
  return false;
}

Span block(View t, Span a, int ls, int le, bool lower, bool anyPlace) {
  if (a.begin < 0) return a;
  Span out = a;
  const Line here = trimmed(t, ls, le);
  // The unit line above a street line that starts its line.
  if (here.ok() && a.begin == here.b) {
    const Line up = prevLine(t, ls);
    if (up.ok() && unitLine(t, up.b, up.e)) out.begin = up.b;
  }
  // The lines below, when the address runs to its line's end.
  int k = a.end;
  while (k < le && (isBlank(t[k]) || t[k] == u',' || t[k] == u';')) ++k;
  if (k < le) return out;
  bool unit = false;
  Line next = nextLine(t, le);
  for (int lines = 0; lines < 3 && next.ok(); ++lines) {
    if (!unit && unitLine(t, next.b, next.e)) {
      unit = true;
      out.end = next.e;
      next = nextLine(t, next.le);
      continue;
    }
    const Place p = placeLine(t, next.b, next.e, lower, anyPlace);
    Line last{};
    if (p == Place::place) {
      out.end = t[next.e - 1] == u'.' ? next.e - 1 : next.e;
      last = next;
    } else if (p == Place::cityOnly) {
      // "London\nSW1A 2AA", "London\nUnited Kingdom NW1 6XE"
      const Line code = nextLine(t, next.le);
      bool postcode = false;
      if (code.ok() && (postcodeLine(t, code.b, code.e, lower) ||
                        (countryLine(t, code.b, code.e, &postcode) && postcode))) {
        out.end = code.e;
        last = code;
      }
    }
    // "…\nBerlin 10115\nGermany": the country on a line of its own.
    bool postcode = false;
    if (last.ok()) {
      const Line country = nextLine(t, last.le);
      if (country.ok() && countryLine(t, country.b, country.e, &postcode) && !postcode)
        out.end = country.e;
    }
    break;
  }
  return out;
}

int lowerPlaceEnd(View t, int from, int le) {
  if (from >= le || (t[from] != u',' && !isBlank(t[from]))) return -1;
  const int b = skipBlanks(t, t[from] == u',' ? from + 1 : from, le);
  if (b == from + 1 && t[from] == u',') return -1;
  // The place may be followed by more words ("…, london nw1 6xe asap"): the
  // longest run of words that reads as a place.
  std::array<int, 8> ends{};
  int n = 0;
  for (int i = b; i < le && n < int(ends.size()) && i - b <= kMaxLine;) {
    int w = i;
    while (w < le && !isBlank(t[w])) ++w;
    int e = w;
    while (e > i && (t[e - 1] == u',' || t[e - 1] == u';' || t[e - 1] == u'.')) --e;
    ends[std::size_t(n++)] = e;
    if (e < w && t[e] != u',') break;  // a sentence or clause ends here
    i = skipBlanks(t, w, le);
  }
  for (int k = n; k-- > 0;) {
    const int e = ends[std::size_t(k)];
    if (e > b && (postcodeFirst(t, b, e, true) == e || placeFirst(t, b, e, true) == e)) return e;
  }
  return -1;
}

namespace {

// "PSC 1234, Box 5678", "Unit 2050 Box 4190", "CMR 410 Box 123" from i.
Span boxAt(View t, int i, int e) {
  const int fw = wordEnd(t, i, e);
  if (!oneOf(t.substr(i, fw - i), kMilitaryBoxes) || fw >= e || !isBlank(t[fw])) return kNone;
  const int d = skipBlanks(t, fw, e);
  const int d1 = digitsEnd(t, d, e, 5);
  if (d1 == d || d1 - d > 4) return kNone;
  int x = d1 < e && t[d1] == u',' ? d1 + 1 : d1;
  if (x >= e || !isBlank(t[x])) return kNone;
  x = skipBlanks(t, x, e);
  if (x + 4 > e || !oneOf(t.substr(x, 3), kBox) || !isBlank(t[x + 3])) return kNone;
  const int b0 = skipBlanks(t, x + 3, e);
  const int b1 = digitsEnd(t, b0, e, 5);
  if (b1 == b0 || b1 - b0 > 4 || (b1 < e && isAlnum(t[b1]))) return kNone;
  return {i, b1};
}

}  // namespace

Span military(View t, int ls, int le, int number) {
  const Line here = trimmed(t, ls, le);
  if (!here.ok() || number < here.b || number >= here.e) return kNone;
  int w = number;
  while (w > here.b && isBlank(t[w - 1])) --w;
  int a = w;
  while (a > here.b && isAsciiAlpha(t[a - 1])) --a;
  if (a == w || w == number) return kNone;
  if (oneOf(t.substr(a, w - a), kMilitaryRegions)) {
    // "APO AE 09204" at its line's start; a box before it on the same line
    // is read from the box.
    int c = a;
    while (c > here.b && isBlank(t[c - 1])) --c;
    while (c > here.b && isAsciiAlpha(t[c - 1])) --c;
    if (c > here.b) return kNone;
    const int end = militaryPlace(t, c, here.e);
    if (end < 0) return kNone;
    const Line up = prevLine(t, ls);
    if (up.ok()) {
      const Span box = boxAt(t, up.b, up.e);
      if (box.begin >= 0 && box.end == up.e) return {box.begin, end};
      const int sw = wordEnd(t, up.b, up.e);
      // "USNS Comfort\nFPO AA 34055": a ship's name above.
      if (oneOf(t.substr(up.b, sw - up.b), kShips) && sw < up.e && isBlank(t[sw]) &&
          capital(t[skipBlanks(t, sw, up.e)]))
        return {up.b, end};
    }
    return {c, end};
  }
  if (a > here.b && !isBlank(t[a - 1])) return kNone;
  const Span box = boxAt(t, a, here.e);
  if (box.begin < 0) return kNone;
  // ", APO AE 09204" on the same line, or on the next; "Unit 4 Box 12"
  // alone may be anything.
  const bool alone = !oneOf(t.substr(a, 4), kUnit);
  int c = box.end < here.e && t[box.end] == u',' ? box.end + 1 : box.end;
  c = skipBlanks(t, c, here.e);
  if (c < here.e) {
    const int end = militaryPlace(t, c, here.e);
    return end > 0 ? Span{box.begin, end} : alone ? box : kNone;
  }
  const Line down = nextLine(t, le);
  if (down.ok()) {
    const int end = militaryPlace(t, down.b, down.e);
    if (end > 0) return {box.begin, end};
  }
  return alone ? box : kNone;
}

Span unitAboveStreet(View t, int ls, int le, int number) {
  const Line here = trimmed(t, ls, le);
  if (!here.ok() || number < here.b || number >= here.e || !unitLine(t, here.b, here.e))
    return kNone;
  const Line street = nextLine(t, le);
  const int name = street.ok() ? streetNameLine(t, street.b, street.e) : 0;
  if (name == 0) return kNone;
  const Span rest = block(t, {street.b, street.e}, street.ls, street.le, false);
  if (name == 1 && rest.end <= street.e) return kNone;  // "Flat 3B\nNice view"
  return {here.b, rest.end};
}

namespace {

// Kinds of street written after the name: Hungarian, Norwegian, Danish,
// German, Czech, Baltic, Slovene and Croatian.
// Written in lower case there ("Karl Johans gate"), but for the German ones.
bool typeAfterName(View word) {
  if (oneOf(word, kGermanTypesAfter)) return true;
  return isLower(word[0]) && oneOf(word, kTypesAfter);
}

// Kinds of street written before the name, in any case: Polish, Italian,
// Spanish, Portuguese, French, Romanian, Russian, Ukrainian, Bulgarian, Greek.
bool typeBeforeName(View word) { return oneOf(word, kTypesBefore); }

bool greekOrCyrillic(char16_t c) {
  return (c >= 0x370 && c <= 0x3FF) || (c >= 0x400 && c <= 0x4FF);
}

// The word that ends at end (after blanks), with a trailing full stop.
struct Word {
  int b = -1, e = -1;
};
Word wordBefore(View t, int ls, int end, bool blank = true) {
  int e = end;
  while (e > ls && isBlank(t[e - 1])) --e;
  if ((blank && e == end) || e == ls) return {};
  int b = e;
  if (t[b - 1] == u'.' || t[b - 1] == u',') --b;
  while (b > ls &&
         (isLetter(t[b - 1]) || t[b - 1] == u'-' || t[b - 1] == u'.' || t[b - 1] == u'/' ||
          t[b - 1] == u'\'' || t[b - 1] == 0x2019) &&
         e - b < 24)
    --b;
  if (b == e || !isLetter(t[b])) return {};
  return {b, e};
}

}  // namespace

int namedStreetStart(View t, int ls, int number, bool* standsAlone, bool lower) {
  // In lower case a name word is any word; a short one before the first
  // ("to", "at") is no part of the name.
  const auto nameWord = [&](int b, int e, int k) {
    return capital(t[b]) || (lower && (k == 0 || e - b > 3));
  };
  *standsAlone = true;
  Word w = wordBefore(t, ls, number);
  if (w.b < 0) return -1;
  View word = t.substr(w.b, w.e - w.b);
  // "ул. Тверская, д. 7", "ул. Тверская, дом 7": the house after the street.
  if (oneOf(word, kHouse)) {
    int c = w.b;
    while (c > ls && isBlank(t[c - 1])) --c;
    if (c > ls && t[c - 1] == u',') --c;
    w = wordBefore(t, ls, c, false);
    if (w.b < 0) return -1;
    word = t.substr(w.b, w.e - w.b);
  }
  // "Váci u. 19", "Karl Johans gate 22": the kind of street after capitalised words.
  if (typeAfterName(word)) {
    *standsAlone = word.back() == u'.' && !oneOf(word, kStr);
    int start = -1;
    Word n = wordBefore(t, ls, w.b);
    for (int k = 0; k < (lower ? 2 : 4) && n.b >= 0 && nameWord(n.b, n.e, k) && t[n.e - 1] != u',';
         ++k) {
      start = n.b;
      n = wordBefore(t, ls, n.b);
    }
    return start;
  }
  // "Baker Street 221", "Elm Road 4": a street's own kind after its
  // capitalised name, the number last; only with a place after it.
  if (capital(t[w.b]) && !lower &&
      fieldvalue::isStreetSuffix(word.back() == u'.' ? word.substr(0, word.size() - 1) : word)) {
    int start = -1;
    Word n = wordBefore(t, ls, w.b);
    for (int k = 0; k < 3 && n.b >= 0 && capital(t[n.b]) && t[n.e - 1] != u','; ++k) {
      start = n.b;
      n = wordBefore(t, ls, n.b);
    }
    if (start >= 0) *standsAlone = false;
    return start;
  }
  // "ul. Marszałkowska 84/92", "via Garibaldi 7", "Οδός Ερμού 25",
  // "проспект Мира 15": the kind of street before the name.
  int nameWords = 0;
  bool greek = false, comma = false;
  for (int k = 0; k < 5 && w.b >= 0; ++k) {
    word = t.substr(w.b, w.e - w.b);
    if (word.back() == u',') {
      if (comma || nameWords > 0) return -1;
      comma = true;  // "ул. Тверская, д. 7"
      word.remove_suffix(1);
    }
    if (nameWords > 0 && typeBeforeName(word)) {
      *standsAlone = word.back() == u'.' || greekOrCyrillic(word[0]);
      return w.b;
    }
    if (!capital(t[w.b]) && !lower && !(nameWords > 0 && fieldvalue::isStreetParticle(word)))
      return -1;
    greek = greek || greekOrCyrillic(t[w.b]);
    ++nameWords;
    const Word before = wordBefore(t, ls, w.b);
    // "Ερμού 25, 105 63 Αθήνα": Greek and Cyrillic names need no kind of
    // street; the caller asks for the place after them.
    if (greek && !lower &&
        (before.b < 0 || !typeBeforeName(t.substr(before.b, before.e - before.b))) &&
        (before.b < 0 || !capital(t[before.b])) && !comma) {
      *standsAlone = false;
      return w.b;
    }
    w = before;
  }
  return -1;
}

int namedStreetEnd(View t, int number, int le, Place* place) {
  *place = Place::none;
  // "84/92", "12-14", "7к2", "12a", "12."
  int i = digitsEnd(t, number, le, 5);
  if (i == number || i - number > 4) return -1;
  if (i + 1 < le && (t[i] == u'/' || t[i] == u'-') && isDigit(t[i + 1]))
    i = digitsEnd(t, i + 1, le, 4);
  if (i < le && isLetter(t[i]) && !(i + 1 < le && isLetter(t[i + 1]))) {
    ++i;
    if (i < le && isDigit(t[i]) && isLower(t[i - 1])) i = digitsEnd(t, i, le, 3);  // "7к2"
  }
  if (i < le && isAlnum(t[i])) return -1;
  if (i + 1 < le && t[i] == u'.' && t[i + 1] == u',') ++i;  // "Kossuth utca 12., Budapest"
  int end = i;
  // ", кв. 5", ", корп. 2", "/ 3": the unit.
  {
    int p = end < le && t[end] == u',' ? end + 1 : end;
    p = skipBlanks(t, p, le);
    const int w = wordEnd(t, p, le);
    if (w > p && oneOf(t.substr(p, w - p), kUnitsAfterHouse) && w < le && t[w] == u'.') {
      const int d = skipBlanks(t, w + 1, le);
      const int d1 = digitsEnd(t, d, le, 4);
      if (d1 > d && (d1 >= le || !isAlnum(t[d1]))) end = d1;
    }
    // ", 2º B", ", 3º izq.", ", 1ª dcha": the floor and door of Spain and Portugal.
    const int f = digitsEnd(t, p, le, 2);
    if (p > end && f > p && f < le && (t[f] == 0xBA || t[f] == 0xAA)) {
      int k = f + 1;
      const int door = skipBlanks(t, k, le);
      const int de = wordEnd(t, door, le);
      if (de > door && de - door <= 4 &&
          (de == door + 1 || oneOf(t.substr(door, de - door), kDoors)))
        k = de < le && t[de] == u'.' ? de + 1 : de;
      if (k >= le || !isAlnum(t[k])) end = k;
    }
  }
  // The place: ", 00-514 Warszawa", ", Москва, 125009", ", Αθήνα 10563".
  int p = end < le && t[end] == u',' ? end + 1 : end;
  if (p == end || p >= le || !isBlank(t[p])) return end;
  p = skipBlanks(t, p, le);
  int e = le;
  while (e > p && (isBlank(t[e - 1]) || t[e - 1] == u',' || t[e - 1] == u';')) --e;
  if (e - p > 2 && t[e - 1] == u'.' && isAlnum(t[e - 2])) --e;
  if (e <= p || e - p > kMaxLine) return end;
  int to = postcodeFirst(t, p, e, false);
  if (to < 0) to = placeFirst(t, p, e, false);
  if (to < 0) to = postcodeFirst(t, p, e, true);  // "28014 madrid"
  if (to >= 0) {
    *place = Place::place;
    return fieldvalue::placeSentenceEnd(t, p, to);
  }
  // A city alone: "…, Москва", "…, Αθήνα"
  std::array<int, 5> ends{};
  const int n = placeWords(t, p, e, false, ends);
  if (n == 0 || n > 3) return end;
  *place = Place::cityOnly;
  return ends[std::size_t(n - 1)];
}

}  // namespace clipvane::detect::address
