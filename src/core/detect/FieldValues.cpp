#include "FieldValues.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Candidate.h"
#include "FieldText.h"
#include "KeyShapes.h"

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace fieldvalue {
namespace {

using namespace fieldtext;
using View = std::u16string_view;

constexpr Span kNone{-1, -1};
constexpr int kMaxToken = 4096;
constexpr int kMaxPhrase = 160;

// Lower-cased ASCII form of a short word, in a buffer of the caller; empty
// when the word is not short ASCII.
struct LowerWord {
  std::array<char, 32> buf;
  std::size_t size = 0;
  explicit LowerWord(View w) {
    if (w.size() > buf.size()) return;
    for (char16_t c : w) {
      if (c >= 0x80) {
        size = 0;
        return;
      }
      buf[size++] = char(lowerAscii(c));
    }
  }
  std::string_view view() const { return {buf.data(), size}; }
};

// A set of short ASCII words: a bit per (first letter, length) and a bit per
// hash of the first, second and last letters and the length reject most words
// before any comparison. Words of nine letters or fewer are compared as one
// number each, seven bits a letter (a longer word packs to a larger number).
class WordSet {
 public:
  template <std::size_t N>
  explicit WordSet(const std::array<std::string_view, N>& words)
      : words_(words.begin(), words.end()) {
    std::sort(words_.begin(), words_.end());
    for (std::string_view w : words_) {
      if (w.empty() || w.size() >= 32) continue;
      if (w.size() <= kPackedLetters &&
          std::none_of(w.begin(), w.end(), [](char c) { return std::uint8_t(c) >= 0x80; })) {
        std::uint64_t v = 0;
        for (char c : w) v = v << 7 | std::uint8_t(c);
        packed_.push_back(v);
      }
      shape_[std::uint8_t(w[0]) & 0x7F] |= 1u << w.size();
      const unsigned h =
          hash(char16_t(w[0]), char16_t(w.size() > 1 ? w[1] : 0), char16_t(w.back()), w.size());
      hashes_[h / 64] |= std::uint64_t{1} << (h % 64);
    }
    std::sort(packed_.begin(), packed_.end());
  }
  bool contains(View word) const {
    if (word.empty() || word.size() >= 32 || word[0] >= 0x80) return false;
    if (!(shape_[lowerAscii(word[0])] & (1u << word.size()))) return false;
    const unsigned h = hash(word[0], word.size() > 1 ? word[1] : 0, word.back(), word.size());
    if (!(hashes_[h / 64] & (std::uint64_t{1} << (h % 64)))) return false;
    return compare(word);
  }

 private:
  // Out of line: the checks above, inlined where a word is asked about,
  // answer most words.
  [[gnu::noinline]] bool compare(View word) const {
    if (word.size() <= kPackedLetters) {
      std::uint64_t v = 0;
      for (char16_t c : word) {
        if (c >= 0x80) return false;
        v = v << 7 | lowerAscii(c);
      }
      return std::binary_search(packed_.begin(), packed_.end(), v);
    }
    LowerWord w(word);
    return w.size != 0 && std::binary_search(words_.begin(), words_.end(), w.view());
  }
  static constexpr std::size_t kPackedLetters = 9;
  static unsigned hash(char16_t first, char16_t second, char16_t last, std::size_t size) {
    return (unsigned(lowerAscii(first)) * 131u + unsigned(lowerAscii(second)) * 31u +
            unsigned(lowerAscii(last)) * 7u + unsigned(size)) %
           1024u;
  }
  std::vector<std::string_view> words_;
  std::vector<std::uint64_t> packed_;  // sorted
  std::array<std::uint32_t, 128> shape_{};
  std::array<std::uint64_t, 16> hashes_{};
};

bool inSet(View word, const WordSet& set) { return set.contains(word); }

const WordSet kNullWords(std::to_array<std::string_view>(
    {"true",      "false",   "yes",   "no",  "on",   "off",        "null", "nil",  "none",
     "undefined", "nan",     "n/a",   "na",  "-",    "~",          "[]",   "{}",   "\"\"",
     "''",        "unknown", "empty", "tbd", "n.a.", "none known", "nka",  "nkda", "n/k"}));

// Type names after a colon in code ("password: str").
const WordSet kTypeWords(std::to_array<std::string_view>(
    {"str",      "string",   "int",    "integer", "bool",    "boolean",  "number",
     "any",      "bytes",    "object", "text",    "varchar", "char",     "secretstr",
     "optional", "float",    "double", "uuid",    "long",    "required", "string;",
     "string,",  "function", "list",   "dict",    "map"}));

const WordSet kAbbreviations(std::to_array<std::string_view>(
    {"inc", "ltd", "co", "corp", "jr", "sr",   "st",  "dr",  "ave",  "rd",  "blvd",  "ln",
     "mr",  "mrs", "ms", "prof", "no", "dept", "llc", "plc", "bros", "etc", "approx"}));

const WordSet kMonths(std::to_array<std::string_view>(
    {"january", "february", "march", "april", "may", "june", "july", "august", "september",
     "october", "november", "december", "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sep",
     "sept", "oct", "nov", "dec",
     // French, German, Spanish, Italian and Dutch names written in ASCII
     "janvier", "fevrier", "mars", "avril", "mai", "juin", "juillet", "aout", "septembre",
     "octobre", "novembre", "decembre", "januar", "februar", "juni", "juli", "oktober", "dezember",
     "enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre",
     "octubre", "noviembre", "diciembre", "gennaio", "febbraio", "aprile", "maggio", "giugno",
     "luglio", "settembre", "ottobre", "dicembre", "januari", "februari", "maart", "mei",
     "augustus"}));

const WordSet kWeekdays(std::to_array<std::string_view>({"monday", "tuesday", "wednesday",
                                                         "thursday", "friday", "saturday", "sunday",
                                                         "mon", "tue", "tues", "wed", "thu", "thur",
                                                         "thurs", "fri", "sat", "sun"}));

// Capitalised words that are not part of a person's name.
const WordSet kNotNameWords(std::to_array<std::string_view>(
    {"the",         "and",       "of",           "for",        "inc",
     "llc",         "ltd",       "corp",         "company",    "corporation",
     "team",        "group",     "test",         "admin",      "administrator",
     "user",        "guest",     "default",      "none",       "null",
     "true",        "false",     "unknown",      "main",       "app",
     "application", "service",   "server",       "system",     "build",
     "deploy",      "release",   "update",       "version",    "project",
     "department",  "hospital",  "university",   "school",     "bank",
     "street",      "avenue",    "road",         "new",        "my",
     "your",        "our",       "this",         "that",       "yes",
     "no",          "ok",        "error",        "warning",    "info",
     "debug",       "todo",      "example",      "sample",     "demo",
     "hello",       "world",     "run",          "install",    "setup",
     "check",       "checkout",  "upload",       "download",   "lint",
     "tests",       "ci",        "cd",           "api",        "web",
     "data",        "database",  "config",       "is",         "was",
     "in",          "at",        "on",           "to",         "with",
     "from",        "thank",     "thanks",       "hi",         "hey",
     "please",      "sorry",     "dear",         "welcome",    "good",
     "great",       "sure",      "okay",         "not",        "very",
     "portal",      "safety",    "care",         "services",   "information",
     "record",      "records",   "feedback",     "support",    "experience",
     "account",     "name",      "sir",          "sirs",       "madam",
     "madame",      "customer",  "customers",    "all",        "colleagues",
     "friends",     "hiring",    "manager",      "valued",     "member",
     "members",     "client",    "colleague",    "partner",    "guest",
     "everyone",    "folks",     "reader",       "parents",    "candidate",
     "mom",         "dad",       "mum",          "committee",  "editor",
     "reviewer",    "reviewers", "recruiter",    "whom",       "concern",
     "value",       "key",       "namespace",    "type",       "id",
     "arn",         "service",   "desk",         "success",    "relations",
     "journey",     "insights",  "satisfaction", "onboarding", "login",
     "survey",      "details",   "profile",      "visa",       "mastercard",
     "amex",        "platinum",  "corporate",    "business",   "program",
     "programme",   "expenses",  "operating",    "finance",    "payroll",
     "savings",     "checking",  "holdings",     "pension"}));

// Lower-case words that may stand inside a name.
const WordSet kParticles(std::to_array<std::string_view>(
    {"van", "von", "de",    "der", "den", "da", "di", "del", "della", "la", "le", "du", "dos",
     "das", "bin", "binti", "al",  "el",  "y",  "e",  "ter", "ten",   "zu", "st", "st."}));

const WordSet kStreetSuffixes(std::to_array<std::string_view>(
    {"street", "st", "avenue", "ave", "av", "road", "rd", "boulevard", "blvd", "lane", "ln",
     "drive", "dr", "court", "ct", "place", "pl", "way", "terrace", "ter", "parkway", "pkwy",
     "highway", "hwy", "circle", "cir", "square", "sq", "trail", "trl", "crescent", "cres", "close",
     "row", "alley", "plaza", "path", "pike", "loop", "grove", "gardens", "walk", "mews", "wharf",
     "quay", "expressway", "freeway", "turnpike", "causeway", "commons", "hill", "park",
     // and the other words of the US postal suffix table and of British
     // streets that name nothing but a street
     "crossing", "xing", "heights", "hts", "trace", "stravenue", "throughway", "trafficway",
     "skyway", "motorway", "underpass", "overpass", "viaduct", "bypass", "gateway", "crossroad",
     "crossroads", "aly", "arcade", "tpke", "expy", "fwy", "cswy", "cts", "courts", "drives",
     "streets", "roads", "lanes", "rise", "vale", "chase", "parade", "esplanade", "promenade",
     "embankment", "broadway", "wynd"}));

// Words of the US postal suffix table that are also everyday nouns ("Mill
// Creek", "Harbor View"): a street ends with one only where a place follows.
const WordSet kWeakStreetSuffixes(std::to_array<std::string_view>(
    {"bayou",     "beach",     "bend",    "bluff",   "bluffs",  "bottom",  "branch",  "bridge",
     "brook",     "brooks",    "burg",    "burgs",   "camp",    "canyon",  "cape",    "center",
     "centre",    "centers",   "club",    "common",  "corner",  "corners", "course",  "cove",
     "coves",     "creek",     "crest",   "curve",   "dale",    "dam",     "divide",  "estate",
     "estates",   "extension", "falls",   "ferry",   "field",   "fields",  "flat",    "flats",
     "ford",      "fords",     "forest",  "forge",   "forges",  "fork",    "forks",   "fort",
     "garden",    "glen",      "glens",   "green",   "greens",  "groves",  "harbor",  "harbors",
     "harbour",   "haven",     "hills",   "hollow",  "inlet",   "island",  "islands", "isle",
     "junction",  "junctions", "key",     "keys",    "knoll",   "knolls",  "lake",    "lakes",
     "land",      "landing",   "light",   "lights",  "lock",    "locks",   "lodge",   "manor",
     "manors",    "meadow",    "meadows", "mill",    "mills",   "mission", "mount",   "mountain",
     "mountains", "neck",      "orchard", "oval",    "parks",   "pass",    "passage", "pine",
     "pines",     "plain",     "plains",  "plazas",  "point",   "points",  "port",    "ports",
     "prairie",   "radial",    "ramp",    "ranch",   "rapid",   "rapids",  "rest",    "ridge",
     "ridges",    "river",     "run",     "shoal",   "shoals",  "shore",   "shores",  "spring",
     "springs",   "spur",      "spurs",   "squares", "station", "stream",  "summit",  "track",
     "trails",    "tunnel",    "union",   "unions",  "valley",  "valleys", "view",    "views",
     "village",   "villages",  "ville",   "villes",  "vista",   "walks",   "wall",    "ways",
     "well",      "wells",     "routes",  "circles", "loops"}));

// Kinds of street written before the street's name after a house number
// (French, Spanish, Portuguese).
const WordSet kLeadingStreetTypes(std::to_array<std::string_view>(
    {"rue", "avenue", "av", "boulevard", "bd", "place", "chemin", "impasse", "quai", "cours",
     "calle", "avenida", "rua", "carrer", "plaza", "paseo", "travessa"}));

const WordSet kStreetParticles(std::to_array<std::string_view>(
    {"de", "des", "du",    "la",    "le", "les", "del", "della", "di",  "da", "dos",   "das",
     "do", "dei", "degli", "delle", "y",  "et",  "e",   "sur",   "aux", "au", "saint", "sainte"}));

const WordSet kNotAddressStarts(std::to_array<std::string_view>(
    {"see",      "same",  "please", "refer",   "as",      "use",     "enter",        "your",
     "the",      "to",    "not",    "pending", "unknown", "various", "confidential", "available",
     "provided", "below", "above",  "upon",    "on",      "in",      "withheld",     "hidden",
     "private",  "none",  "no",     "with",    "for"}));

const WordSet kUnitWords(std::to_array<std::string_view>({"apt", "apartment", "suite", "ste",
                                                          "unit", "fl", "floor", "rm", "room",
                                                          "bldg", "building", "flat", "studio",
                                                          "level", "lvl", "block"}));

const WordSet kSentenceWords(std::to_array<std::string_view>(
    {"the", "a",    "an",  "of",    "with", "and", "or",   "to",   "in",
     "on",  "at",   "for", "from",  "by",   "is",  "are",  "was",  "were",
     "my",  "your", "our", "their", "his",  "her", "this", "that", "it"}));

const WordSet kDirections(std::to_array<std::string_view>(
    {"n", "s", "e", "w", "ne", "nw", "se", "sw", "north", "south", "east", "west"}));

// Built-in accounts every machine has: naming one tells nothing about a person.
const WordSet kSystemUsers(std::to_array<std::string_view>(
    {"root", "admin", "administrator", "user", "guest", "anonymous", "nobody", "postgres", "mysql",
     "www-data", "ubuntu", "ec2-user", "daemon", "test", "sa", "system", "default", "git",
     "jenkins", "node", "app", "service", "me", "please", "the",
     // Accounts of images, clouds and services, and the names tokens go under
     // in URLs ("https://oauth2:<token>@…").
     "deploy", "pi", "vagrant", "centos", "debian", "fedora", "azureuser", "opc", "bitnami",
     "ansible", "oracle", "nginx", "apache", "www", "ftp", "backup", "operator", "username",
     "login", "oauth2", "oauth", "x-access-token", "gitlab-ci-token", "__token__", "x-token-auth",
     "token", "api", "apikey", "bearer", "dbuser", "myuser"}));

// Names of schemes and algorithms, written where a secret's kind is said.
const WordSet kSchemeNames(std::to_array<std::string_view>(
    {"oauth",  "oauth1", "oauth2", "saml",   "saml2",  "ldap",    "kerberos", "ntlm",
     "openid", "oidc",   "sso",    "mtls",   "tls",    "tls1.2",  "tls1.3",   "ssl",
     "hs256",  "hs384",  "hs512",  "rs256",  "rs384",  "rs512",   "es256",    "es384",
     "ps256",  "eddsa",  "sha1",   "sha256", "sha512", "md5",     "aes128",   "aes256",
     "x509",   "pkcs8",  "pkcs12", "base64", "hmac",   "totp",    "hotp",     "webauthn",
     "fido2",  "pbkdf2", "bcrypt", "scrypt", "argon2", "argon2id"}));

// What databases, brokers and stores are installed with, and tutorials keep.
const WordSet kDefaultPasswords(std::to_array<std::string_view>(
    {"postgres", "root", "admin", "mysql", "guest", "oracle", "redis", "rabbitmq", "elastic",
     "minioadmin", "sa", "toor", "administrator"}));

const WordSet kAuthSchemes(std::to_array<std::string_view>(
    {"bearer", "basic", "token", "digest", "negotiate", "ntlm", "bot", "apikey", "jwt", "oauth",
     "hoba", "mutual", "aws4-hmac-sha256", "splunk", "sso-key", "key"}));

const WordSet kCurrencyCodes(std::to_array<std::string_view>(
    {"usd", "eur", "gbp", "jpy", "chf", "cad", "aud", "nzd", "inr", "cny",
     "rmb", "sek", "nok", "dkk", "pln", "czk", "huf", "brl", "mxn", "zar",
     "sgd", "hkd", "krw", "rub", "try", "vnd", "aed", "sar", "ils", "thb"}));

bool isCurrencySymbol(char16_t c) {
  return c == u'$' || c == 0x20AC || c == 0xA3 || c == 0xA5 || c == 0x20B9 || c == 0x20A9 ||
         c == 0x20BD || c == 0x20BA || c == 0x20AB || c == 0x20A6 || c == 0x20B1;
}

struct Trimmed {
  int b, e;
};
Trimmed trim(View t, int b, int e) {
  while (b < e && isSpace(t[b])) ++b;
  while (e > b && isSpace(t[e - 1])) --e;
  return {b, e};
}

int skipBlanks(View t, int i, int end) {
  while (i < end && isBlank(t[i])) ++i;
  return i;
}

// End of the run of letters starting at i.
int wordEnd(View t, int i, int end) {
  while (i < end && isLetter(t[i])) ++i;
  return i;
}

int digitsEnd(View t, int i, int end, int max) {
  int j = i;
  while (j < end && j - i <= max && isDigit(t[j])) ++j;
  return j;
}

int number(View t, int b, int e) {
  int v = 0;
  for (int i = b; i < e; ++i) v = v * 10 + (t[i] - u'0');
  return v;
}

bool validDay(int d) { return d >= 1 && d <= 31; }
bool validMonth(int m) { return m >= 1 && m <= 12; }
bool validYear4(int y) { return y >= 1870 && y <= 2100; }

bool boundaryAfter(View t, int i, int end) { return i >= end || !isAlnum(t[i]); }

int monthWordEnd(View t, int i, int end) {
  int w = wordEnd(t, i, end);
  if (w == i || !isMonthName(t.substr(i, w - i))) return -1;
  if (w < end && t[w] == u'.') ++w;
  return w;
}

int ordinalEnd(View t, int i, int end) {
  if (i + 2 <= end) {
    View s = t.substr(i, 2);
    if (equalsAscii(s, "st") || equalsAscii(s, "nd") || equalsAscii(s, "rd") ||
        equalsAscii(s, "th"))
      return i + 2;
  }
  return i;
}

// Year after "April 12, " or "12 April ".
int yearAfter(View t, int i, int end) {
  if (i < end && t[i] == u',') ++i;
  int j = skipBlanks(t, i, end);
  if (j == i && (j >= end || t[j] != u'-')) return -1;
  if (j + 3 < end && equalsAscii(t.substr(j, 2), "de") && isBlank(t[j + 2]))  // "mayo de 1985"
    j = skipBlanks(t, j + 2, end);
  if (j < end && t[j] == u'-') ++j;
  int y = digitsEnd(t, j, end, 4);
  if (y - j != 4 || !validYear4(number(t, j, y)) || !boundaryAfter(t, y, end)) return -1;
  return y;
}

bool isTokenChar(char16_t c) { return !isSpace(c) && !isQuote(c); }

int countDigits(View t, int b, int e) {
  int n = 0;
  for (int i = b; i < e; ++i) n += isDigit(t[i]);
  return n;
}

bool hasLetter(View t, int b, int e) {
  for (int i = b; i < e; ++i)
    if (isLetter(t[i])) return true;
  return false;
}

// Several character classes, as generated secrets have and prose words lack.
bool looksRandom(View v) {
  if (v.size() < 6) return false;
  bool digit = false, symbol = false, innerUpper = false, lower = false;
  for (std::size_t i = 0; i < v.size(); ++i) {
    char16_t c = v[i];
    if (isDigit(c))
      digit = true;
    else if (isUpper(c))
      innerUpper = innerUpper || i > 0;
    else if (isLower(c))
      lower = true;
    else if (c != u'_' && c != u'-' && c != u'.')  // word joiners of identifiers
      symbol = true;
  }
  return int(digit) + int(symbol) + int(innerUpper) + int(lower) >= 2;
}

// Letters only, capitalised at most: "click", "Please".
bool isWordLike(View v) {
  if (v.empty()) return false;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!(isLower(v[i]) || (i == 0 && isUpper(v[i])))) return false;
  return true;
}

// "self.password", "process.env.TOKEN": a reference, not a value.
bool isDottedReference(View v) {
  int segments = 0;
  std::size_t i = 0;
  while (i < v.size()) {
    if (!(isAsciiAlpha(v[i]) || v[i] == u'_' || v[i] == u'$')) return false;
    while (i < v.size() && (isAsciiAlpha(v[i]) || isDigit(v[i]) || v[i] == u'_' || v[i] == u'$'))
      ++i;
    ++segments;
    if (i == v.size()) break;
    if (v[i] != u'.') return false;
    ++i;
    if (i == v.size()) return false;
  }
  return segments >= 2;
}

// ---- secrets ---------------------------------------------------------------

// A long run of letters and digits in both cases: key material, never a folder or file name
// ("/KoZjnCSd1GEGCLJLrivRDSKMxBUk3qp3AHjpHVz" is base64 that starts with a slash).
bool hasRandomRun(View v) {
  std::size_t i = 0;
  while (i < v.size()) {
    std::size_t run = 0;
    bool upper = false, lower = false, digit = false;
    for (; i < v.size() && (isAsciiAlpha(v[i]) || isDigit(v[i]) || v[i] == u'+'); ++i, ++run) {
      upper = upper || isAsciiUpper(v[i]);
      lower = lower || isAsciiLower(v[i]);
      digit = digit || isDigit(v[i]);
    }
    if (run >= 16 && upper && lower && digit) return true;
    if (run == 0) ++i;
  }
  return false;
}

}  // namespace

bool generatedValue(View v, bool uuid) {
  if (v.size() < 16 || v.size() > std::size_t(kMaxToken)) return false;
  // 8-4-4-4-12: mostly an identifier (idempotency keys, object ids); a
  // credential only under a name that says so.
  if (v.size() == 36 && v[8] == u'-' && v[13] == u'-' && v[18] == u'-' && v[23] == u'-') {
    if (!uuid) return false;
    for (char16_t c : v)
      if (!(isDigit(c) || (lowerAscii(c) >= u'a' && lowerAscii(c) <= u'f') || c == u'-'))
        return false;
    return true;
  }
  int letters = 0, digits = 0, switches = 0;
  std::array<bool, 128> seen{};
  int distinct = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char16_t c = v[i];
    if (c >= 0x7F || c <= u' ' || isQuote(c)) return false;
    if (!seen[c]) seen[c] = true, ++distinct;
    letters += isAsciiAlpha(c);
    digits += isDigit(c);
    if (i > 0 && ((isDigit(c) && isAsciiAlpha(v[i - 1])) || (isAsciiAlpha(c) && isDigit(v[i - 1]))))
      ++switches;
  }
  // Mostly letters and digits, both, mixed all along: "Hy7KpQ2mN8vXc4Rt",
  // "4f9a8c7d6e5b…"; not "MyApplicationName2024" nor "user_profile_v2_cache".
  return (letters + digits) * 5 >= int(v.size()) * 4 && digits >= 2 && letters >= 4 &&
         switches >= 3 && distinct >= 10;
}

namespace {

bool acceptSecret(View v, const KeyRule& rule, bool quoted, bool strict, bool code = false) {
  if (v.empty() || v.size() > std::size_t(kMaxToken)) return false;
  if (FieldRules::isPlaceholderValue(v) || isNullWord(v) || inSet(v, kTypeWords)) return false;
  if (v.substr(0, 5) == u"-----"sv) return false;  // a PEM block: the private-key rule's
  // A file or a URL: where a secret is kept, not the secret ("/run/secrets/db",
  // "https://auth.example.com/token"); passwords inside URLs have their own rule.
  if (v.find(u"://"sv) != View::npos) return false;
  if ((v[0] == u'/' || v.substr(0, 2) == u"./"sv || v.substr(0, 2) == u"~/"sv ||
       (v.size() > 2 && isAsciiAlpha(v[0]) && v[1] == u':' && v[2] == u'\\')) &&
      !hasRandomRun(v))
    return false;
  if (!quoted) {  // references and expressions: "self.password", "auth[2]", "getpass()"
    if (isDottedReference(v)) return false;
    if (v.find(u'(') != View::npos || v.find(u'[') != View::npos) return false;
  }
  if (!quoted) {  // "password = db_password": a variable
    bool ident = isAsciiAlpha(v[0]) || v[0] == u'_', digit = false, underscore = false;
    bool upper = false, lower = false;
    for (char16_t c : v) {
      ident = ident && (isAsciiAlpha(c) || isDigit(c) || c == u'_');
      digit = digit || isDigit(c);
      underscore = underscore || c == u'_';
      upper = upper || isAsciiUpper(c);
      lower = lower || isAsciiLower(c);
    }
    // snake_case or SCREAMING_CASE names a variable; "thGpxsOPzC_nFpZQVA" is random.
    if (ident && !digit && (code || (underscore && !(upper && lower)))) return false;
  }
  // Cookies and connection strings are judged pair by pair, PINs by their digits.
  const bool wholeRecord = (rule.flags & kWholeValue) && !(rule.flags & kAuthScheme);
  if (!wholeRecord && !(rule.flags & kDigitsOnly) && FieldRules::isStandInSecret(v)) return false;
  if (rule.flags & kDigitsOnly) {
    if (v.size() < 4 || v.size() > 12) return false;
    for (char16_t c : v)
      if (!isDigit(c)) return false;
    return true;
  }
  if (rule.flags & kCompound) return generatedValue(v, false);
  bool weak = strict || (rule.flags & kWeak);
  if (weak) return looksRandom(v) && v.find(u' ') == View::npos;
  return v.size() >= 4;
}

Span matchSecret(View t, int b, int e, const KeyRule& rule, Mode mode, bool strict) {
  bool quoted = mode == Mode::whole;
  // In code a header's value is an expression like any other.
  const std::uint16_t flags = mode == Mode::code ? 0 : rule.flags;
  if (flags & kAuthScheme) {
    int w = b;
    while (w < e && (isAsciiAlpha(t[w]) || isDigit(t[w]) || t[w] == u'-')) ++w;
    if (w < e && isBlank(t[w]) && inSet(t.substr(b, w - b), kAuthSchemes)) {
      b = skipBlanks(t, w, e);
    }
  }
  if (flags & kWholeValue) {
    int end = e;
    if (!quoted) {
      for (int i = b; i < e; ++i)
        if (t[i] == u'"' || t[i] == u'\'') {
          end = i;
          break;
        }
    }
    auto [vb, ve] = trim(t, b, end);
    const View v = t.substr(vb, ve - vb);
    if (!acceptSecret(v, rule, true, false)) return kNone;
    if (!(flags & kAuthScheme) && !(isAlnum(v[0]) || v[0] == u'_'))
      return kNone;  // a cookie starts with its name
    if (!(flags & kAuthScheme) && v.find(u'=') == View::npos &&
        (v.size() < 16 || !looksRandom(v) || v.find(u' ') != View::npos))
      return kNone;  // "cookie: connect.sid" names a cookie
    return {vb, ve};
  }
  if (quoted) {
    auto [vb, ve] = trim(t, b, e);
    if (!acceptSecret(t.substr(vb, ve - vb), rule, true, strict)) return kNone;
    return {vb, ve};
  }
  int i = b;
  while (i < e && isTokenChar(t[i]) && i - b <= kMaxToken) ++i;
  int ve = i;
  while (ve > b &&
         (t[ve - 1] == u',' || t[ve - 1] == u';' || t[ve - 1] == u'.' || t[ve - 1] == u')'))
    --ve;
  View v = t.substr(b, ve - b);
  // "Password: click here" is prose; a lone lower-case word before more words is no password.
  int next = skipBlanks(t, i, e);
  if (next < e && isLetter(t[next]) && isWordLike(v)) return kNone;
  if (!acceptSecret(v, rule, false, strict, mode == Mode::code)) return kNone;
  return {b, ve};
}

// ---- names -------------------------------------------------------------------

struct NameScan {
  int end = -1;
  int words = 0;
  bool ok = false;
};

bool isNamePrefix(View head) {
  // The word part before the capital, after any apostrophe or hyphen.
  std::size_t k = head.size();
  while (k > 0 && isLetter(head[k - 1])) --k;
  const View p = head.substr(k);
  static const WordSet kPrefixes(
      std::to_array<std::string_view>({"mc", "mac", "de", "di", "da", "la", "le", "van", "von",
                                       "fitz", "du", "del", "della", "st"}));
  return inSet(p, kPrefixes);
}

// One capitalised word: "Smith", "O'Brien", "Jean-Luc", "McDonald", "J.", or a
// word of a script without case. Returns its end or -1.
int nameWordEnd(View t, int i, int end, bool& allCaps, bool& initial) {
  initial = false;
  allCaps = false;
  if (i >= end || !isLetter(t[i])) return -1;
  bool caseless = !isUpper(t[i]) && !isLower(t[i]);
  if (!caseless && !isUpper(t[i])) return -1;
  int j = i + 1;
  int uppers = 1, lowers = 0;
  while (j < end && j - i < 40) {
    char16_t c = t[j];
    if (isLetter(c)) {
      if (isUpper(c)) {
        // A capital inside a word: "McDonald", "DeShawn", never "KeyName".
        if (isLower(t[j - 1]) && !isNamePrefix(t.substr(i, j - i))) return -1;
        ++uppers;
      } else if (isLower(c)) {
        ++lowers;
      }
      ++j;
    } else if ((c == u'\'' || c == 0x2019 || c == u'-') && j + 1 < end && isLetter(t[j + 1])) {
      ++j;
    } else {
      break;
    }
  }
  if (j - i >= 40) return -1;
  if (j < end && isDigit(t[j])) return -2;  // "Lovelace2": no name at all
  if (j - i == 1 && !caseless) {
    initial = true;
    if (j < end && t[j] == u'.') ++j;
    return j;
  }
  if (lowers == 0 && !caseless) {
    allCaps = true;
  } else if (uppers > 2 && !caseless) {
    return -1;  // "iPhone", "GitHubActions"
  }
  return j;
}

// stoplist: for a person's name (not a city), which also fails on "Lovelace2".
NameScan scanName(View t, int b, int e, int maxWords, bool stoplist) {
  NameScan s;
  int i = b;
  int realWords = 0, capsWords = 0, initials = 0, lastEnd = -1;
  while (i < e) {
    bool caps = false, initial = false;
    int w = nameWordEnd(t, i, e, caps, initial);
    if (w == -2 && stoplist) return s;
    if (w < 0) {
      // A particle ("van", "de") inside a name.
      int pw = wordEnd(t, i, e);
      if (realWords > 0 && pw > i && inSet(t.substr(i, pw - i), kParticles) && pw < e &&
          isBlank(t[pw])) {
        int n = skipBlanks(t, pw, e);
        // "de la Fontaine": particles follow one another
        const int p2 = wordEnd(t, n, e);
        if (p2 > n && p2 < e && isBlank(t[p2]) && inSet(t.substr(n, p2 - n), kParticles))
          n = skipBlanks(t, p2, e);
        bool c2 = false, i2 = false;
        if (nameWordEnd(t, n, e, c2, i2) > 0) {
          i = n;
          continue;
        }
      }
      break;
    }
    View word = t.substr(i, w - i);
    if (word.back() == u'.') word.remove_suffix(1);
    if (realWords > 0) {
      // "John Smith DOB 1990-04-12", "Jane Roe Phone 555…": the next label ends the name.
      // An initial fits capitals and lower case alike ("JOHN A SMITH").
      if (!initial && realWords > initials && caps != (capsWords > 0)) break;
      if (matchKeyBefore(t, i, i + int(word.size()), 1, true).rule) break;
    }
    if (stoplist && inSet(word, kNotNameWords)) return s;
    ++realWords;
    capsWords += caps;
    initials += initial;
    lastEnd = w;
    if (realWords > maxWords) return s;  // a title or a heading, not a name
    if (w >= e || !isBlank(t[w])) break;
    int n = w;
    while (n < e && t[n] == u' ' && n - w < 2) ++n;
    if (n == w || n >= e) break;
    i = n;
  }
  if (realWords == 0) return s;
  if (capsWords > 0 && (capsWords + initials != realWords || capsWords < 2)) return s;
  s.end = lastEnd;
  s.words = realWords;
  s.ok = true;
  return s;
}

// "Dr. ", "Mrs ": a title before a name is not part of it.
int afterTitle(View t, int b, int e) {
  static const WordSet kTitles(std::to_array<std::string_view>(
      {"mr", "mrs", "ms", "mx", "miss", "dr", "prof", "sir", "herr", "frau", "mme", "mlle"}));
  const int w = wordEnd(t, b, e);
  if (w == b || !isUpper(t[b]) || !inSet(t.substr(b, w - b), kTitles)) return b;
  int n = w < e && t[w] == u'.' ? w + 1 : w;
  if (n >= e || t[n] != u' ') return b;
  n = skipBlanks(t, n, e);
  return n < e && isUpper(t[n]) ? n : b;
}

// "Smith, John", "DOE, JANE": the surname first, the value's whole rest after the comma.
Span surnameFirst(View t, int vb, int ve) {
  bool caps = false, initial = false;
  const int w = nameWordEnd(t, vb, ve, caps, initial);
  if (w < 0 || initial || w + 2 >= ve || t[w] != u',' || !isBlank(t[w + 1])) return kNone;
  if (inSet(t.substr(vb, w - vb), kNotNameWords)) return kNone;
  int i = skipBlanks(t, w + 1, ve), words = 0, end = -1;
  while (i < ve && words < 3) {
    bool c2 = false, i2 = false;
    const int x = nameWordEnd(t, i, ve, c2, i2);
    if (x < 0 || (c2 != caps && !i2)) return kNone;
    View word = t.substr(i, x - i);
    if (word.back() == u'.') word.remove_suffix(1);
    if (inSet(word, kNotNameWords)) return kNone;
    ++words;
    end = x;
    if (x >= ve || !isBlank(t[x])) break;
    i = skipBlanks(t, x, ve);
  }
  if (words == 0 || words > 2 || skipBlanks(t, end, ve) < ve) return kNone;
  return {vb, end};
}

Span matchName(View t, int b, int e, const KeyRule& rule, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  // One word where two are needed ("name": "Widget"): no title, no surname
  // first and no second word without a blank, so no name unless in a script
  // without case ("王小明").
  if ((rule.flags & kTwoWords) && vb < ve && (isUpper(t[vb]) || isLower(t[vb]))) {
    int k = vb;
    while (k < ve && !isBlank(t[k])) ++k;
    if (k == ve) return kNone;
  }
  vb = afterTitle(t, vb, ve);
  if (Span sf = surnameFirst(t, vb, ve); sf.begin >= 0) return sf;
  if (ve - vb > 64 && mode == Mode::whole) return kNone;
  NameScan s = scanName(t, vb, ve, 5, true);
  if (!s.ok) return kNone;
  int minWords = (rule.flags & kTwoWords) ? 2 : 1;
  // "王小明", "김민준": a whole name in one word of a script without spaces.
  const bool caseless = !isUpper(t[vb]) && !isLower(t[vb]) && s.end - vb >= 2;
  if (s.words < minWords && !(caseless && s.words == 1)) return kNone;
  if (mode == Mode::whole && s.end != ve) {
    // "Jane Developer <jane@example.com>", "Ada Lovelace (CTO)"
    int n = skipBlanks(t, s.end, ve);
    if (n == s.end || n >= ve || (t[n] != u'<' && t[n] != u'(')) return kNone;
  }
  if (mode != Mode::whole && s.end < ve && (isAlnum(t[s.end]) || t[s.end] == u'@')) return kNone;
  return {vb, s.end};
}

// ---- tokens and numbers --------------------------------------------------------

Span matchUsername(View t, int b, int e, const KeyRule& rule, Mode mode, bool strict) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int i = vb;
  auto ok = [](char16_t c) {
    return isAlnum(c) || c == u'.' || c == u'_' || c == u'-' || c == u'@' || c == u'+';
  };
  while (i < ve && ok(t[i]) && i - vb <= 64) ++i;
  int end = i;
  while (end > vb && (t[end - 1] == u'.' || t[end - 1] == u'-')) --end;
  const bool sentenceEnd = end < i && t[end] == u'.';  // "Username: kmensah. Thanks."
  if (end - vb < 2 || end - vb > 64) return kNone;
  if (mode == Mode::whole && i != ve) return kNone;
  if (mode != Mode::whole && i < ve && !isBlank(t[i]) && t[i] != u',' && t[i] != u';' &&
      t[i] != u')')
    return kNone;
  View v = t.substr(vb, end - vb);
  if (!hasLetter(t, vb, end)) return kNone;
  if (mode == Mode::code && isDottedReference(v)) return kNone;        // "self.username"
  if (v.size() > 2 && v[0] == u'0' && (v[1] == u'x' || v[1] == u'X'))  // "0x4": a number
    return kNone;
  if (v.size() >= 12) {  // "be1b115ae2246b4b": a hash, not an account
    bool hex = true;
    for (char16_t c : v) hex = hex && (isDigit(c) || (c >= u'a' && c <= u'f'));
    if (hex && countDigits(t, vb, end) > 0) return kNone;
  }
  if (const auto at = v.find(u'@'); at != View::npos && v.find(u'.', at) != View::npos)
    return kNone;  // an e-mail address: the e-mail rule's
  if (FieldRules::isPlaceholderValue(v) || isNullWord(v) || inSet(v, kSystemUsers) ||
      inSet(v, kTypeWords))
    return kNone;
  if (mode != Mode::whole) {
    // "User: Hello, how are you?" is a chat, not an account; "username: jdoe42 and
    // …" is an account, marked as one by its digits or joiners.
    bool mark = false;
    for (char16_t c : v) mark = mark || isDigit(c) || c == u'.' || c == u'_' || c == u'-';
    const bool more = skipBlanks(t, i, ve) < ve && !sentenceEnd;
    if ((strict || more) && !mark) return kNone;
    // "user_name=user_name,", "login=login_id)": a variable, not an account.
    if (matchKeyBefore(t, vb, end, 1, true).rule) return kNone;
    if (more && i < ve && (t[i] == u',' || t[i] == u')') && v.find(u'_') != View::npos)
      return kNone;
  }
  (void)rule;
  return {vb, end};
}

// An id of groups of letters and digits: "CUST-00123", "123-45-6789",
// "QQ 12 34 56 C", "D123 4567 8901".
Span idGroups(View t, int b, int e, Mode mode, int minAlnum, int maxAlnum, int minDigits) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int i = vb, alnum = 0, digits = 0, end = -1;
  bool first = true, joined = false;
  while (i < ve) {
    int g = i;
    int gd = 0, ga = 0;
    bool upper = true;
    while (g < ve && (isAsciiAlpha(t[g]) || isDigit(t[g]) || t[g] == u'-' || t[g] == u'_' ||
                      t[g] == u'/' || t[g] == u'.')) {
      if (t[g] == u'-' || t[g] == u'_' || t[g] == u'/' || t[g] == u'.') {
        if (g + 1 >= ve || !(isAsciiAlpha(t[g + 1]) || isDigit(t[g + 1]))) break;
        joined = joined || first;
      } else {
        ++ga;
        gd += isDigit(t[g]);
        upper = upper && !isAsciiLower(t[g]);
      }
      ++g;
      if (alnum + ga > maxAlnum) return kNone;
    }
    if (g == i) break;
    // A spaced group continues the id only when it looks like part of one: never
    // after an id written with joiners ("123-45-6789 on file"), and letters only
    // as a single capital ("QQ 12 34 56 C", not "X1234567 ok").
    if (!first && (joined || (gd == 0 && !(upper && ga == 1)))) break;
    // "a 12-digit number": a word of prose, not the id's first group.
    if (first && gd == 0 && !upper && mode != Mode::whole) return kNone;
    alnum += ga;
    digits += gd;
    end = g;
    first = false;
    if (g >= ve || t[g] != u' ' || g + 1 >= ve || !(isAsciiAlpha(t[g + 1]) || isDigit(t[g + 1])))
      break;
    i = g + 1;
  }
  if (end < 0) return kNone;
  if (mode == Mode::whole && end != ve) return kNone;
  if (mode != Mode::whole && end < ve && isLetter(t[end])) return kNone;
  if (alnum < minAlnum || digits < minDigits) return kNone;
  if (dateEnd(t, vb, end) == end) return kNone;  // an expiry or issue date
  return {vb, end};
}

bool validUsSsn(View digits9) {
  int area = number(digits9, 0, 3), group = number(digits9, 3, 5), serial = number(digits9, 5, 9);
  return area != 0 && area != 666 && area < 900 && group != 0 && serial != 0;
}

// "XXXXXX1111", "***-**-6789": a number already masked shows only what may be shown.
Span unlessMasked(View t, Span s) {
  if (s.begin >= 0 && FieldRules::isPlaceholderValue(t.substr(s.begin, s.end - s.begin)))
    return kNone;
  return s;
}

Span matchNationalId(View t, int b, int e, const KeyRule& rule, Mode mode) {
  Span s = idGroups(t, b, e, mode, 5, 20, 4);
  if (s.begin < 0) return s;
  if (rule.flags & kTwelveDigits) {
    // Japan's My Number: twelve digits, nothing else ("myNumber = -1234.56" is code).
    int digits = 0;
    for (int i = s.begin; i < s.end; ++i) {
      if (isLetter(t[i])) return kNone;
      digits += isDigit(t[i]);
    }
    if (digits != 12) return kNone;
  }
  if (rule.flags & kUsSsn) {
    std::u16string d;
    bool letters = false;
    for (int i = s.begin; i < s.end; ++i) {
      if (isDigit(t[i])) d.push_back(t[i]);
      letters = letters || isLetter(t[i]);
    }
    if (!letters && (d.size() != 9 || !validUsSsn(d))) return kNone;
  }
  return s;
}

Span matchCvv(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int d = digitsEnd(t, vb, ve, 5);
  if (d - vb < 3 || d - vb > 4) return kNone;
  if (mode == Mode::whole && d != ve) return kNone;
  if (d < ve && (isAlnum(t[d]) || ((t[d] == u'-' || t[d] == u'/' || t[d] == u'.') && d + 1 < ve &&
                                   isDigit(t[d + 1]))))
    return kNone;
  return {vb, d};
}

Span matchPhone(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int i = vb;
  if (i < ve && t[i] == u'+') ++i;
  int digits = 0, end = -1, lastSep = 0;
  while (i < ve && i - vb < 40) {
    char16_t c = t[i];
    if (isDigit(c)) {
      ++digits;
      end = i + 1;
      lastSep = 0;
    } else if (c == u' ' || c == u'-' || c == u'.' || c == u'(' || c == u')' || c == u'/') {
      if (++lastSep > 2) break;
      if (c == u')') end = i + 1;
    } else {
      break;
    }
    ++i;
  }
  if (end < 0 || digits < 7 || digits > 15) return kNone;
  if (end < ve && isAlnum(t[end])) return kNone;
  // Balanced brackets only: a trailing ")" belongs to the prose around it.
  int open = 0;
  for (int k = vb; k < end; ++k) open += (t[k] == u'(') - (t[k] == u')');
  if (open < 0 && t[end - 1] == u')') --end;
  if (dateEnd(t, vb, end) == end) return kNone;
  // An extension: "ext. 12", "x12".
  int x = skipBlanks(t, end, ve);
  if (x < ve) {
    int w = x;
    if (t[w] == u'x' || t[w] == u'#') {
      ++w;
    } else if (w + 3 <= ve && equalsAscii(t.substr(w, 3), "ext")) {
      w += 3;
      if (w < ve && t[w] == u'.') ++w;
    } else {
      w = -1;
    }
    if (w > 0) {
      w = skipBlanks(t, w, ve);
      int d = digitsEnd(t, w, ve, 6);
      if (d > w && d - w <= 5 && boundaryAfter(t, d, ve)) end = d;
    }
  }
  if (mode == Mode::whole && end != ve) return kNone;
  return {vb, end};
}

Span matchAmount(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int i = vb;
  if (i < ve && (t[i] == u'-' || t[i] == u'+')) ++i;
  if (i < ve && isCurrencySymbol(t[i])) {
    ++i;
  } else if (i + 3 < ve && inSet(t.substr(i, 3), kCurrencyCodes) && !isLetter(t[i + 3])) {
    i = skipBlanks(t, i + 3, ve);
  }
  i = skipBlanks(t, i, ve);
  int d0 = i, digits = 0, nonZero = 0;
  while (i < ve) {
    if (isDigit(t[i])) {
      ++digits;
      nonZero += t[i] != u'0';
      ++i;
    } else if ((t[i] == u',' || t[i] == u'.' || t[i] == u'\'') && i + 1 < ve && isDigit(t[i + 1]) &&
               i > d0) {
      ++i;
    } else {
      break;
    }
  }
  if (digits == 0 || nonZero == 0) {
    // A quoted record may be free text around a number ("85k-95k", "filed, refund $1,200").
    if (mode == Mode::whole && ve - vb <= 40 && countDigits(t, vb, ve) > 0 &&
        !FieldRules::isPlaceholderValue(t.substr(vb, ve - vb)))
      return {vb, ve};
    return kNone;
  }
  int end = i;
  bool money = i > d0 && (d0 > vb && !isDigit(t[vb]));  // a currency before the number
  if (end < ve &&
      (t[end] == u'k' || t[end] == u'K' || t[end] == u'M' || t[end] == u'm' || t[end] == u'%') &&
      boundaryAfter(t, end + 1, ve))
    ++end, money = true;
  else if (end + 1 < ve && equalsAscii(t.substr(end, 2), "bn") && boundaryAfter(t, end + 2, ve))
    end += 2, money = true;
  if (end < ve && isCurrencySymbol(t[end])) ++end, money = true;
  int c = skipBlanks(t, end, ve);
  if (c + 3 <= ve && inSet(t.substr(c, 3), kCurrencyCodes) && boundaryAfter(t, c + 3, ve))
    end = c + 3, money = true;
  if (end < ve && isAlnum(t[end])) return kNone;
  if (mode != Mode::whole && !money) {
    // A bare number must stand alone or as a rate: "Balance: 12 items" counts things.
    int r = skipBlanks(t, end, ve);
    if (r < ve && isLetter(t[r])) {
      int w = wordEnd(t, r, ve);
      const View next = t.substr(r, w - r);
      if (!(equalsAscii(next, "per") || equalsAscii(next, "a") || equalsAscii(next, "annually") ||
            equalsAscii(next, "yearly") || equalsAscii(next, "monthly") ||
            equalsAscii(next, "gross") || equalsAscii(next, "net") || equalsAscii(next, "pa")))
        return kNone;
    }
  }
  if (mode == Mode::whole && end != ve) {
    if (ve - vb <= 40) return {vb, ve};
    return kNone;
  }
  return {vb, end};
}

// ---- phrases -------------------------------------------------------------------

bool looksLikeCode(View v) {
  for (char16_t c : v)
    if (c == u'(' || c == u')' || c == u'{' || c == u'}' || c == u'[' || c == u'$' || c == u'%')
      return true;
  return v.find(u"=="sv) != View::npos || v.find(u"&&"sv) != View::npos ||
         v.find(u"||"sv) != View::npos || v.find(u"=>"sv) != View::npos;
}

// The end of a free-text value: the line, a tab, " | ", ";" or " #".
int phraseEnd(View t, int b, int e, bool cutAtComma) {
  int end = std::min(e, b + kMaxPhrase);
  for (int i = b; i < end; ++i) {
    char16_t c = t[i];
    if (c == u'\t' || c == u'|' || c == u';' || (c == u',' && cutAtComma) ||
        (c == u'#' && i > b && isBlank(t[i - 1])) ||
        (c == u'.' && i + 1 < end && isBlank(t[i + 1]) && i > b && isLower(t[i - 1]))) {
      return i;
    }
  }
  if (end < e && end - b == kMaxPhrase) {
    int w = end;
    while (w > b && !isBlank(t[w - 1])) --w;
    if (w > b) end = w;
  }
  return end;
}

Span acceptPhrase(View t, int b, int e, bool needsContext) {
  // Plain variables: lambdas below capture them (clang refuses captured bindings).
  const auto [tb, te] = trim(t, b, e);
  int vb = tb, ve = te;
  // A full stop ends the sentence, except after an abbreviation ("Inc.", "Co.").
  auto sentenceStop = [&](int dot) {
    int w = dot;
    while (w > vb && isLetter(t[w - 1])) --w;
    return dot - w != 1 && !inSet(t.substr(w, dot - w), kAbbreviations);
  };
  while (ve > vb &&
         (t[ve - 1] == u',' || t[ve - 1] == u';' || t[ve - 1] == u':' || t[ve - 1] == u'?' ||
          t[ve - 1] == u'!' || (t[ve - 1] == u'.' && sentenceStop(ve - 1))))
    --ve;
  if (ve <= vb || ve - vb > 200) return kNone;
  View v = t.substr(vb, ve - vb);
  bool any = false;
  for (char16_t c : v) any = any || isAlnum(c);
  if (!any) return kNone;
  if (isNullWord(v) || FieldRules::isPlaceholderValue(v)) return kNone;
  if (needsContext && looksLikeCode(v)) return kNone;
  if (v.front() == u'{' || v.front() == u'[' || v.front() == u'&' || v.front() == u'*' ||
      v.front() == u'!' || v.front() == u'|' || v.front() == u'>')
    return kNone;  // an object, a YAML anchor, tag or block
  return {vb, ve};
}

Span matchPhrase(View t, int b, int e, const KeyRule& rule, Mode mode) {
  int end = mode == Mode::whole ? e : phraseEnd(t, b, e, false);
  return acceptPhrase(t, b, end, rule.flags & kNeedsContext);
}

Span matchOrganization(View t, int b, int e, Mode mode) {
  if (b < e && isDigit(t[b]) && countDigits(t, b, e) == e - b) return kNone;
  int end = e;
  if (mode != Mode::whole) {
    end = phraseEnd(t, b, e, false);
    // "Acme, Inc." stays whole; "Acme, based in Ohio" does not.
    for (int i = b; i < end; ++i) {
      if (t[i] != u',') continue;
      int n = skipBlanks(t, i + 1, end);
      int w = wordEnd(t, n, end);
      View next = t.substr(n, w - n);
      if (!(equalsAscii(next, "inc") || equalsAscii(next, "llc") || equalsAscii(next, "ltd") ||
            equalsAscii(next, "plc") || equalsAscii(next, "gmbh") || equalsAscii(next, "co"))) {
        end = i;
        break;
      }
    }
  }
  Span s = acceptPhrase(t, b, end, true);
  if (s.begin < 0) return s;
  char16_t first = t[s.begin];
  if (!(isDigit(first) || (isLetter(first) && !isLower(first)))) return kNone;
  if (s.end - s.begin > 100) return kNone;
  return s;
}

bool looksTechnicalAddress(View v) {
  if (v.find(u'@') != View::npos || v.find(u"://"sv) != View::npos) return true;
  if (v.size() > 2 && v[0] == u'0' && (v[1] == u'x' || v[1] == u'X')) return true;
  bool onlyHostChars = true;
  for (char16_t c : v)
    onlyHostChars = onlyHostChars && (isAsciiAlpha(c) || isDigit(c) || c == u'.' || c == u':' ||
                                      c == u'-' || c == u'[' || c == u']');
  return onlyHostChars && (v.find(u'.') != View::npos || v.find(u':') != View::npos);
}

// The end of an address written inline, before the prose that goes on after it
// ("4786 Park St and send it back"): at the first lower-case word that is no part
// of a street's name, once two words are read; else end.
int inlineAddressEnd(View t, int b, int end) {
  int words = 0, last = -1;
  for (int i = b; i < end;) {
    while (i < end && (isBlank(t[i]) || t[i] == u',')) ++i;
    if (i >= end) break;
    int w = i;
    while (w < end && !isBlank(t[w]) && t[w] != u',') ++w;
    View word = t.substr(i, w - i);
    while (!word.empty() && word.back() == u'.') word.remove_suffix(1);
    if (isLower(t[i]) && !inSet(word, kStreetParticles) && !inSet(word, kStreetSuffixes) &&
        !inSet(word, kUnitWords) && !inSet(word, kDirections) &&
        !inSet(word, kLeadingStreetTypes) && !inSet(word, kParticles)) {
      if (words >= 2 && countDigits(t, b, last) > 0) return last;
      return end;
    }
    ++words;
    last = w;
    i = w;
  }
  return end;
}

bool streetLikeStart(View t, int b, int e) {
  if (countDigits(t, b, e) == 0) return false;
  if (!isDigit(t[b])) return isUpper(t[b]);
  int i = digitsEnd(t, b, e, 6);
  if (i < e && isAsciiAlpha(t[i]) && (i + 1 >= e || !isLetter(t[i + 1]))) ++i;  // "221B"
  if (i < e && t[i] == u',') ++i;
  i = skipBlanks(t, i, e);
  if (i >= e) return false;
  if (isUpper(t[i]) || isDigit(t[i])) return true;
  return inSet(t.substr(i, wordEnd(t, i, e) - i), kLeadingStreetTypes);
}

Span matchAddress(View t, int b, int e, Mode mode) {
  int end = mode == Mode::whole ? e : phraseEnd(t, b, e, false);
  if (mode != Mode::whole) end = inlineAddressEnd(t, b, end);
  Span s = acceptPhrase(t, b, end, true);
  if (s.begin < 0) return s;
  // The recipient's name is no part of the address: "Jane Doe" alone, or
  // before the house number ("Jane Doe, 742 Evergreen Terrace").
  if (const Span n = recipientName(t, s.begin, s.end); n.begin >= 0) {
    int a = n.end;
    while (a < s.end && (t[a] == u',' || isBlank(t[a]))) ++a;
    if (a >= s.end) return kNone;
    s.begin = a;
  }
  View v = t.substr(s.begin, s.end - s.begin);
  if (looksTechnicalAddress(v) || !hasLetter(t, s.begin, s.end)) return kNone;
  // One word is no address; "665+Oak+Street" is a form's encoding of three.
  if (v.find(u' ') == View::npos && (v.find(u'+') == View::npos || !isDigit(v[0]))) return kNone;
  // "see below", "Same as above", "Please use the form": words about an address.
  if (countDigits(t, s.begin, s.end) == 0 &&
      (isLower(v[0]) ||
       inSet(v.substr(0, std::size_t(wordEnd(t, s.begin, s.end) - s.begin)), kNotAddressStarts)))
    return kNone;
  return s;
}

}  // namespace

Span recipientName(View t, int b, int e) {
  auto [vb, ve] = trim(t, b, e);
  vb = afterTitle(t, vb, ve);
  const NameScan n = scanName(t, vb, ve, 4, true);
  if (!n.ok || n.words < 2) return kNone;
  // Street, unit and place words make a street ("Baker Street", "Park Lane").
  for (int i = vb; i < n.end;) {
    const int w = wordEnd(t, i, n.end);
    const View word = t.substr(i, w - i);
    if (inSet(word, kStreetSuffixes) || inSet(word, kUnitWords) || inSet(word, kDirections) ||
        inSet(word, kLeadingStreetTypes))
      return kNone;
    i = skipBlanks(t, w < n.end && t[w] == u'.' ? w + 1 : w, n.end);
    if (i == w) break;
  }
  // Alone, or before the house number after a comma.
  int a = n.end;
  if (a < ve && t[a] == u',') {
    a = skipBlanks(t, a + 1, ve);
    if (a >= ve || !isDigit(t[a])) return kNone;
  } else if (skipBlanks(t, a, ve) < ve) {
    return kNone;
  }
  return {vb, n.end};
}

namespace {

Span matchCity(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  NameScan s = scanName(t, vb, ve, 4, false);
  if (!s.ok) return kNone;
  if (mode == Mode::whole && s.end != ve) return kNone;
  if (s.end < ve && isAlnum(t[s.end])) return kNone;
  const View v = t.substr(vb, s.end - vb);
  if (isNullWord(v) || FieldRules::isPlaceholderValue(v)) return kNone;  // "Unknown"
  return {vb, s.end};
}

// "62704", "62704-1234", "SW1A 1AA", "K1A 0B1", "10115".
int postalCodeEnd(View t, int b, int e) {
  int i = b, alnum = 0, digits = 0, end = -1;
  while (i < e && alnum < 10) {
    if (isDigit(t[i]) || isAsciiUpper(t[i])) {
      ++alnum;
      digits += isDigit(t[i]);
      ++i;
      end = i;
    } else if ((t[i] == u' ' || t[i] == u'-') && i + 1 < e && i > b &&
               (isDigit(t[i + 1]) ||
                // "1012 AB" (Dutch); "75002 Paris" is a code and its city
                (i + 2 < e && isAsciiUpper(t[i + 1]) && isAsciiUpper(t[i + 2]) &&
                 boundaryAfter(t, i + 3, e)))) {
      ++i;
    } else {
      break;
    }
  }
  if (end < 0 || alnum < 3 || digits < 1 || (alnum - digits > 0 && digits < 2 && alnum < 5))
    return -1;
  if (end < e && isAlnum(t[end])) return -1;
  return end;
}

Span matchPostal(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int end = postalCodeEnd(t, vb, ve);
  if (end < 0 || (mode == Mode::whole && end != ve)) return kNone;
  bool same = true;  // "00000", "99999": a stand-in
  for (int i = vb + 1; i < end; ++i) same = same && t[i] == t[vb];
  if (same) return kNone;
  return {vb, end};
}

Span matchDate(View t, int b, int e, Mode mode) {
  auto [vb, ve] = mode == Mode::whole ? trim(t, b, e) : Trimmed{b, e};
  int from = vb;  // "Thursday, April 12, 1990"
  if (const int w = wordEnd(t, vb, ve); w > vb && inSet(t.substr(vb, w - vb), kWeekdays)) {
    from = w < ve && t[w] == u'.' ? w + 1 : w;
    if (from < ve && t[from] == u',') ++from;
    from = skipBlanks(t, from, ve);
  }
  int end = dateEnd(t, from, ve);
  if (end < 0) return kNone;
  // An ISO date-time keeps its time: "1990-04-12T00:00:00Z".
  if (end < ve && t[end] == u'T' && end + 1 < ve && isDigit(t[end + 1])) {
    while (end < ve && !isSpace(t[end]) && !isQuote(t[end]) && t[end] != u',' && t[end] != u')')
      ++end;
    while (t[end - 1] == u'.' || t[end - 1] == u';') --end;  // the sentence's, not the time's
  }
  if (mode == Mode::whole && end != ve) return kNone;
  return {vb, end};
}

}  // namespace

bool isMonthName(View word) { return inSet(word, kMonths); }

bool isUnitWord(View word) { return inSet(word, kUnitWords); }
bool isStreetSuffix(View word) { return inSet(word, kStreetSuffixes); }
bool isAnyStreetSuffix(View word) {
  return inSet(word, kStreetSuffixes) || inSet(word, kWeakStreetSuffixes);
}
bool isStreetParticle(View word) { return inSet(word, kStreetParticles); }
bool isSentenceWord(View word) { return inSet(word, kSentenceWords); }

int postcodeEnd(View t, int b, int e, bool anyCase) {
  if (!anyCase) return postalCodeEnd(t, b, e);
  // A postcode is a dozen characters at most: read an upper-case copy.
  std::array<char16_t, 16> up{};
  const int n = std::min(e - b, int(up.size()));
  for (int k = 0; k < n; ++k) {
    const char16_t c = t[b + k];
    up[std::size_t(k)] = isAsciiLower(c) ? char16_t(c - 32) : c;
  }
  const int end = postalCodeEnd(View(up.data(), std::size_t(n)), 0, n);
  if (end < 0 || (end == n && n < e - b && isAlnum(t[b + n]))) return -1;
  return b + end;
}

int cityEnd(View t, int b, int e, int maxWords) {
  const NameScan s = scanName(t, b, e, maxWords, false);
  return s.ok ? s.end : -1;
}

bool isNullWord(View value) { return inSet(value, kNullWords); }

int jsonNumberEnd(View t, int b, int e) {
  int i = b;
  if (i < e && t[i] == u'-') ++i;
  int d = i;
  while (i < e && isDigit(t[i])) ++i;
  if (i == d || (t[d] == u'0' && i - d > 1)) return -1;
  if (i < e && t[i] == u'.') {
    int f = ++i;
    while (i < e && isDigit(t[i])) ++i;
    if (i == f) return -1;
  }
  if (i < e && (t[i] == u'e' || t[i] == u'E')) {
    ++i;
    if (i < e && (t[i] == u'+' || t[i] == u'-')) ++i;
    int x = i;
    while (i < e && isDigit(t[i])) ++i;
    if (i == x) return -1;
  }
  if (i < e && !(isSpace(t[i]) || t[i] == u',' || t[i] == u'}' || t[i] == u']')) return -1;
  return i;
}

int dateEnd(View t, int b, int e) {
  if (b >= e) return -1;
  if (isDigit(t[b])) {
    int d1 = digitsEnd(t, b, e, 8);
    int n1 = d1 - b;
    if (n1 == 8 && boundaryAfter(t, d1, e)) {  // 19900412
      int y = number(t, b, b + 4), m = number(t, b + 4, b + 6), d = number(t, b + 6, b + 8);
      return validYear4(y) && validMonth(m) && validDay(d) ? d1 : -1;
    }
    if (d1 >= e) return -1;
    char16_t sep = t[d1];
    if (n1 == 4 && (sep == u'-' || sep == u'/' || sep == u'.')) {
      int m0 = d1 + 1, m1 = digitsEnd(t, m0, e, 2);
      if (m1 - m0 < 1 || m1 - m0 > 2 || m1 >= e || t[m1] != sep) return -1;
      int dd0 = m1 + 1, dd1 = digitsEnd(t, dd0, e, 2);
      const bool isoTime = dd1 + 1 < e && t[dd1] == u'T' && isDigit(t[dd1 + 1]);
      if (dd1 - dd0 < 1 || dd1 - dd0 > 2 || !(boundaryAfter(t, dd1, e) || isoTime)) return -1;
      if (dd1 < e && t[dd1] == sep && dd1 + 1 < e && isDigit(t[dd1 + 1])) return -1;
      if (!validYear4(number(t, b, d1)) || !validMonth(number(t, m0, m1)) ||
          !validDay(number(t, dd0, dd1)))
        return -1;
      return dd1;
    }
    if (n1 < 1 || n1 > 2) return -1;
    int a = number(t, b, d1);
    // "12. Januar 1990": the German day.
    const bool dottedDay = sep == u'.' && d1 + 1 < e && isBlank(t[d1 + 1]);
    if (!dottedDay && (sep == u'-' || sep == u'/' || sep == u'.')) {
      int p0 = d1 + 1;
      int mw = monthWordEnd(t, p0, e);
      if (mw > 0) {  // 12-Apr-1990
        if (mw >= e || t[mw] != sep) return -1;
        int y0 = mw + 1, y1 = digitsEnd(t, y0, e, 4);
        if ((y1 - y0 != 4 && y1 - y0 != 2) || !boundaryAfter(t, y1, e) || !validDay(a)) return -1;
        return y1;
      }
      int p1 = digitsEnd(t, p0, e, 2);
      if (p1 - p0 < 1 || p1 - p0 > 2 || p1 >= e || t[p1] != sep) return -1;
      int y0 = p1 + 1, y1 = digitsEnd(t, y0, e, 4);
      if ((y1 - y0 != 4 && y1 - y0 != 2) || !boundaryAfter(t, y1, e)) return -1;
      if (y1 < e && t[y1] == sep && y1 + 1 < e && isDigit(t[y1 + 1])) return -1;
      int c = number(t, p0, p1);
      if (y1 - y0 == 4 && !validYear4(number(t, y0, y1))) return -1;
      bool dmy = validDay(a) && validMonth(c), mdy = validMonth(a) && validDay(c);
      return dmy || mdy ? y1 : -1;
    }
    // 12 April 1990, 12th of April, 1990
    if (!validDay(a)) return -1;
    int i = dottedDay ? d1 + 1 : ordinalEnd(t, d1, e);
    int s = skipBlanks(t, i, e);
    if (s == i) return -1;
    // "4th of April", "3 de mayo"
    if (s + 3 <= e && (equalsAscii(t.substr(s, 2), "of") || equalsAscii(t.substr(s, 2), "de")) &&
        isBlank(t[s + 2]))
      s = skipBlanks(t, s + 2, e);
    int mw = monthWordEnd(t, s, e);
    if (mw < 0) return -1;
    return yearAfter(t, mw, e);
  }
  // April 12, 1990
  int mw = monthWordEnd(t, b, e);
  if (mw < 0) return -1;
  int s = skipBlanks(t, mw, e);
  if (s == mw) return -1;
  int d1 = digitsEnd(t, s, e, 2);
  if (d1 - s < 1 || d1 - s > 2 || !validDay(number(t, s, d1))) return -1;
  return yearAfter(t, ordinalEnd(t, d1, e), e);
}

bool isLeadingStreetType(View word) { return inSet(word, kLeadingStreetTypes); }

// "avenue des Champs-Élysées", "rue de la Paix", "Via Roma": the kind of street
// first, then its name. Returns the end of the name, or -1.
static int leadingTypeStreet(View t, int i, int e) {
  int w = wordEnd(t, i, e);
  if (w == i || !inSet(t.substr(i, w - i), kLeadingStreetTypes)) return -1;
  if (w < e && t[w] == u'.') ++w;
  int p = w, nameEnd = -1;
  for (int k = 0; k < 6 && p + 1 < e && t[p] == u' '; ++k) {
    const int q = p + 1;
    int x = q;
    while (x < e && (isLetter(t[x]) || ((t[x] == u'-' || t[x] == u'\'' || t[x] == 0x2019) &&
                                        x + 1 < e && isLetter(t[x + 1]))))
      ++x;
    if (x == q) break;
    const View word = t.substr(q, x - q);
    // "d'Alsace", "l'Église"
    const bool elided = word.size() > 2 && (word[1] == u'\'' || word[1] == 0x2019) &&
                        (word[0] == u'd' || word[0] == u'l') && isUpper(word[2]);
    if (isUpper(t[q]) || elided)
      nameEnd = x;
    else if (!inSet(word, kStreetParticles))
      break;
    p = x;
  }
  return nameEnd;
}

// The unit, city, region and postal code after a street, each after a comma or
// a blank: "…, Apt 4, Springfield, IL 62704". Returns where they end (from
// when none follows).
// strong tells whether a region's code or a postal code was among them.
static int placeEnd(View t, int from, int e, bool* strong = nullptr) {
  int end = from;
  if (strong) *strong = false;
  // Optional unit, city, region and postal code, each after a comma or a blank.
  auto part = [&](int from, auto&& parse) -> int {
    int p = from;
    if (p < e && t[p] == u',') ++p;
    int q = skipBlanks(t, p, e);
    // "665 Oak Street,Springfield" without a blank is a row of cells.
    if (q == p || q - p > 2) return -1;
    return parse(q);
  };
  int unit = part(end, [&](int q) -> int {
    int w = q;
    if (w < e && t[w] == u'#') {
      ++w;
    } else {
      w = wordEnd(t, q, e);
      if (w == q || !inSet(t.substr(q, w - q), kUnitWords)) return -1;
      if (w < e && t[w] == u'.') ++w;
      w = skipBlanks(t, w, e);
      if (w < e && t[w] == u'#') ++w;
    }
    int u0 = w;
    while (w < e && (isDigit(t[w]) || isAsciiUpper(t[w])) && w - u0 < 6) ++w;
    return w > u0 && boundaryAfter(t, w, e) ? w : -1;
  });
  if (unit > 0) end = unit;
  int city = part(end, [&](int q) -> int {
    NameScan s = scanName(t, q, e, 3, false);
    if (s.ok) return s.end;
    // "SPRINGFIELD": a place in capitals, as addresses are printed.
    int w = q;
    while (w < e && isAsciiUpper(t[w])) ++w;
    return w - q >= 3 && (w >= e || !isAlnum(t[w])) ? w : -1;
  });
  if (city > 0 && t[end] == u',') {
    end = city;
    int region = part(end, [&](int q) -> int {
      // "IL", "NSW", or a postal code straight after the city.
      int w = q;
      while (w < e && isAsciiUpper(t[w]) && w - q < 3) ++w;
      if (w - q >= 2 && boundaryAfter(t, w, e)) {
        if (strong) *strong = true;
        return w;
      }
      NameScan s = scanName(t, q, e, 2, true);
      return s.ok ? s.end : -1;
    });
    if (region > 0) end = region;
  }
  const bool cityBefore = city > 0 && end >= city;
  int postal = part(end, [&](int q) { return postalCodeEnd(t, q, e); });
  if (postal > 0) {
    end = postal;
    if (strong) *strong = true;
    // "…, 75002 Paris": the city after its postal code.
    if (!cityBefore && end < e && t[end] == u' ') {
      NameScan c = scanName(t, end + 1, e, 3, false);
      if (c.ok && boundaryAfter(t, c.end, e)) end = c.end;
    }
  }
  return end;
}

Span streetAddress(View t, int b, int e, bool* withPlace, bool lower, bool* weakSuffix) {
  // House number: "12", "221B", "12-14"; never the end of a range ("1991-2016").
  if (b >= 2 && t[b - 1] == u'-' && isDigit(t[b - 2])) return kNone;
  int i = digitsEnd(t, b, e, 6);
  if (i - b < 1 || i - b > 5) return kNone;
  if (i < e && isAsciiAlpha(t[i]) && i + 1 < e && isBlank(t[i + 1])) ++i;  // "221B", "12a"
  if (i < e && t[i] == u'-' && i + 1 < e && isDigit(t[i + 1])) {
    const int r = i + 1;
    i = digitsEnd(t, r, e, 5);
    // "1991-2016 Thomas G. Lane": the years of a copyright, not house numbers.
    if (i - r == 4 && r - 1 - b == 4 && validYear4(number(t, b, r - 1)) &&
        validYear4(number(t, r, i)))
      return kNone;
  }
  // "12, rue de la Paix": French writing puts a comma after the number.
  if (i + 2 < e && t[i] == u',' && t[i + 1] == u' ' && leadingTypeStreet(t, i + 2, e) > 0) ++i;
  if (i >= e || t[i] != u' ') return kNone;
  i = skipBlanks(t, i, e);
  int words = 0, suffixEnd = leadingTypeStreet(t, i, e);
  const bool typeFirst = suffixEnd >= 0;
  bool lastWeak = false;
  // Street name words, the last of which is a street suffix.
  for (int k = 0; !typeFirst && k < 6 && i < e; ++k) {
    int w = i;
    if (isDigit(t[w])) {  // "5th", "42nd"
      int d = digitsEnd(t, w, e, 3);
      w = ordinalEnd(t, d, e);
      if (w == d || (w < e && isLetter(t[w]))) break;
    } else {
      // "Jones lane": the kind of street may follow in lower case, and in an
      // address written all in lower case every word is.
      if (isLower(t[w]) && !lower) {
        const int we = wordEnd(t, w, e);
        if (words == 0 || !isAnyStreetSuffix(t.substr(w, we - w))) break;
      } else if (!isUpper(t[w]) && !(lower && isLower(t[w]))) {
        break;
      }
      w = wordEnd(t, w, e);
      // "Queen's Road"
      while (w + 1 < e && (t[w] == u'\'' || t[w] == 0x2019) && isLetter(t[w + 1]))
        w = wordEnd(t, w + 1, e);
      if (w - i > 30) return kNone;
    }
    View word = t.substr(i, w - i);
    // In lower case nothing marks a name: the words of a sentence are none,
    // and the kinds of street that are everyday nouns count for nothing.
    if (lower && inSet(word, kSentenceWords)) break;
    const bool strong = words > 0 && inSet(word, kStreetSuffixes);
    const bool weak = words > 0 && !strong && !lower && inSet(word, kWeakStreetSuffixes);
    const bool isSuffix = strong || weak;
    bool isDirection = inSet(word, kDirections);
    // "Main St." keeps its full stop, unless the stop ends the sentence.
    if (w < e && t[w] == u'.' && w + 1 < e && !isLineEnd(t[w + 1])) ++w;
    ++words;
    if (isSuffix) {
      suffixEnd = w;
      lastWeak = weak;
    }
    if (isDirection && suffixEnd > 0) suffixEnd = w;
    if (suffixEnd > 0 && !isSuffix && !isDirection) break;
    if (w >= e || t[w] != u' ') break;
    i = w + 1;
  }
  if (suffixEnd < 0) return kNone;
  bool strongPlace = false;
  const int end = lower ? suffixEnd : placeEnd(t, suffixEnd, e, &strongPlace);
  // "12 Harbor View, Portland, OR 97205": after a kind of street that is
  // also an everyday noun, only a region or postal code makes a place.
  if (withPlace) *withPlace = end > suffixEnd && (strongPlace || !lastWeak);
  if (weakSuffix) *weakSuffix = lastWeak;
  return {b, end};
}

Span poBox(View t, int begin, int number, int e, bool* withPlace) {
  // "P.O. Box 1234", "PO Box 1234", "Post Office Box 1234"
  int w = number;
  while (w > begin && isBlank(t[w - 1]) && number - w < 2) --w;
  if (w - 3 < begin || !equalsAscii(t.substr(w - 3, 3), "box")) return kNone;
  int p = w - 3;
  if (p > begin && isLetter(t[p - 1])) return kNone;
  while (p > begin && isBlank(t[p - 1]) && w - 3 - p < 2) --p;
  int q = p;
  while (q > begin && (isAsciiAlpha(t[q - 1]) || t[q - 1] == u'.') && p - q < 6) --q;
  const View head = t.substr(q, p - q);
  bool po = equalsAscii(head, "p.o.") || equalsAscii(head, "po") || equalsAscii(head, "p.o");
  // "P O Box 1234", "P. O. Box 1234": the letters apart.
  if (!po && (equalsAscii(head, "o") || equalsAscii(head, "o.")) && q - 2 >= begin &&
      isBlank(t[q - 1])) {
    int r = q - 1;
    if (r - 1 >= begin && t[r - 1] == u'.') --r;
    if (r - 1 >= begin && (t[r - 1] | 0x20) == u'p' && (r - 1 == begin || !isLetter(t[r - 2]))) {
      q = r - 1;
      po = true;
    }
  }
  if (!po) {
    if (!equalsAscii(head, "office")) return kNone;
    while (q > begin && isBlank(t[q - 1])) --q;
    if (q - 4 < begin || !equalsAscii(t.substr(q - 4, 4), "post")) return kNone;
    q -= 4;
  }
  const int d = digitsEnd(t, number, e, 7);
  if (d - number > 6 || !boundaryAfter(t, d, e)) return kNone;
  const int end = placeEnd(t, d, e);
  if (withPlace) *withPlace = end > d;
  return {q, end};
}

int unitBefore(View t, int begin, int number) {
  // "Flat 3, 12 High Street", "Unit 5 12 Smith St", "Apt. 4B, 12 Main St"
  int p = number;
  if (p - 2 < begin || t[p - 1] != u' ') return -1;
  p -= t[p - 2] == u',' ? 2 : 1;
  int u = p;
  while (u > begin && (isDigit(t[u - 1]) || isAsciiUpper(t[u - 1])) && p - u < 5) --u;
  if (u == p || u - 1 <= begin || !isBlank(t[u - 1])) return -1;
  int w = u - 1;
  if (w > begin && t[w - 1] == u'.') --w;
  const int we = w;
  while (w > begin && isAsciiAlpha(t[w - 1]) && we - w < 10) --w;
  if (!isUpper(t[w]) || !inSet(t.substr(w, we - w), kUnitWords)) return -1;
  return w > begin && isAlnum(t[w - 1]) ? -1 : w;
}

bool isStreetWord(View word, bool anyCase) {
  // German, Dutch, Nordic, Finnish and Hungarian streets end with their kind.
  static constexpr std::array<std::u16string_view, 44> kEndings = {
      u"straße", u"strasse", u"str.",     u"weg",   u"gasse",  u"allee",  u"platz", u"ring",
      u"damm",   u"ufer",    u"chaussee", u"steig", u"markt",  u"straat", u"laan",  u"gracht",
      u"plein",  u"kade",    u"singel",   u"dijk",  u"dreef",  u"gatan",  u"gata",  u"vägen",
      u"gränd",  u"torget",  u"gade",     u"vej",   u"stræde", u"plads",  u"allé",  u"vænget",
      u"vegen",  u"veien",   u"veg",      u"vei",   u"katu",   u"kuja",   u"polku", u"tie",
      u"utca",   u"vejen",   u"gaden",    u"gaten"};
  // "VISIBLESTRING" is a constant, not a "…ring" street: a name is
  // capitalised, or written all in one case where a place follows.
  // The last two letters of the endings, in one table: most words end otherwise.
  static constexpr auto kLastTwo = [] {
    std::array<std::uint32_t, 26> t{};
    for (std::u16string_view end : kEndings) {
      const char16_t a = end[end.size() - 2], b = end.back();
      if (a >= u'a' && a <= u'z' && b >= u'a' && b <= u'z') t[a - u'a'] |= 1u << (b - u'a');
    }
    return t;
  }();
  if (word.size() < 4) return false;
  if (!anyCase && (!isUpper(word[0]) || !isLower(word[1]))) return false;
  if (anyCase && word.size() < 6) return false;
  {
    const char16_t a = lowerAscii(word[word.size() - 2]), b = lowerAscii(word.back());
    // "…str.", "…straße", "…allé" are read in full.
    if (a >= u'a' && a <= u'z' && b >= u'a' && b <= u'z' &&
        !((kLastTwo[a - u'a'] >> (b - u'a')) & 1))
      return false;
    // "…ing" ends a street only as "…rring" ("Kaiserring"): most English
    // words before a number end so ("ending 4111", "using 2").
    const std::size_t n = word.size();
    if (b == u'g' && a == u'n' && lowerAscii(word[n - 3]) == u'i' &&
        !(n >= 5 && lowerAscii(word[n - 4]) == u'r' && lowerAscii(word[n - 5]) == u'r'))
      return false;
  }
  for (std::u16string_view end : kEndings) {
    if (word.size() <= end.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < end.size() && same; ++k) {
      char16_t c = word[word.size() - end.size() + k];
      // Latin-1 capitals fold too ("NØRREBROGADE", "STORA VÄGEN").
      if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = char16_t(c + 0x20);
      same = (c < 0x80 ? lowerAscii(c) : c) == end[k];
    }
    // "Kaiserring", never "Spring", "String" or "Engineering".
    if (same && end == u"ring"sv && word.size() > 4 && lowerAscii(word[word.size() - 5]) != u'r')
      continue;
    if (same) return true;
  }
  return false;
}

// "1620 København V.", "2900 Hellerup. Come by": a district's letter or a
// word of four letters or more, then a sentence's full stop; not a name's
// initial or an abbreviation ("St. Gallen").
int placeSentenceEnd(View t, int begin, int end) {
  int letters = 0;
  for (int k = begin; k < end; ++k) {
    if (t[k] == u'.' && (k + 1 == end || isBlank(t[k + 1])) &&
        (letters >= 4 || (letters == 1 && isAsciiUpper(t[k - 1]))))
      return k;
    letters = isLetter(t[k]) ? letters + 1 : 0;
  }
  return end;
}

Span streetFirstAddress(View t, int wordBegin, int number, int e) {
  int i = digitsEnd(t, number, e, 5);
  if (i == number || i - number > 4) return kNone;
  if (i < e && isAsciiAlpha(t[i]) && !(i + 1 < e && isLetter(t[i + 1]))) ++i;  // "12a"
  if (i < e && isAlnum(t[i])) return kNone;
  int end = i;
  // ", 10115 Berlin", ", 1015 CJ Amsterdam"
  int p = end;
  if (p < e && t[p] == u',') ++p;
  p = skipBlanks(t, p, e);
  int d = p > end && isDigit(t[p]) ? postalCodeEnd(t, p, e) : -1;
  if (d > 0 && d - p >= 4 && d < e && t[d] == u' ') {
    NameScan city = scanName(t, d + 1, e, 3, false);
    if (city.ok) {
      end = placeSentenceEnd(t, d + 1, city.end);
    }
  }
  return {wordBegin, end};
}

int typeFirstStreetStart(View t, int begin, int number) {
  static const WordSet kTypes(std::to_array<std::string_view>(
      {"calle", "via", "viale", "piazza", "corso", "largo", "avenida", "rua", "carrer", "plaza",
       "paseo", "travessa", "rue", "avenue", "boulevard", "ulica", "ul"}));
  int p = number;
  for (int k = 0; k < 5 && p > begin && isBlank(t[p - 1]); ++k) {
    int w = p - 1;
    while (w > begin && (isLetter(t[w - 1]) || t[w - 1] == u'-' || t[w - 1] == u'.')) --w;
    if (w == p - 1) return -1;
    const View word = t.substr(w, p - 1 - w);
    const View bare = word.back() == u'.' ? word.substr(0, word.size() - 1) : word;
    if (isUpper(word[0]) && inSet(bare, kTypes)) return k > 0 ? w : -1;
    // The particles are short words: most words in lower case are none.
    if (!isUpper(word[0]) && (word.size() > 6 || !inSet(word, kStreetParticles))) return -1;
    p = w;
  }
  return -1;
}

Span nameAfterSalutation(View t, int b, int e) {
  NameScan s = scanName(t, b, e, 4, true);
  if (!s.ok) return kNone;
  if (s.end < e && isAlnum(t[s.end])) return kNone;
  return {b, s.end};
}

Span match(View t, int b, int e, const KeyRule& rule, Mode mode, bool strict) {
  if (b >= e) return kNone;
  if (mode != Mode::whole) {  // YAML: "!vault |", "&anchor", "*alias", block scalars
    const char16_t c = t[b], n = b + 1 < e ? t[b + 1] : u' ';
    if ((c == u'!' || c == u'&' || c == u'*') && isAsciiAlpha(n)) return kNone;
    if ((c == u'|' || c == u'>') && (isSpace(n) || n == u'-' || n == u'+')) return kNone;
  }
  {  // "city: String!", "password: str": a schema, not a value
    int w = b;
    while (w < e && w - b < 12 && isAsciiAlpha(t[w])) ++w;
    if (w > b &&
        (w == e || !(isAlnum(t[w]) || t[w] == u'.' || t[w] == u'-' || t[w] == u' ' ||
                     t[w] == u'@' || t[w] == u'\'')) &&
        inSet(t.substr(b, w - b), kTypeWords))
      return kNone;
  }
  if (mode == Mode::code) {  // "user=svc_user": an unquoted word in code is a variable
    int i = b, words = 0, run = 0;
    bool digit = false;
    while (i < e && (isAsciiAlpha(t[i]) || isDigit(t[i]) || t[i] == u'_')) {
      digit |= isDigit(t[i]);
      run = isAsciiAlpha(t[i]) ? run + 1 : (t[i] == u'_' ? 0 : -100);
      words += run == 3;
      ++i;
    }
    // "s3_bucket_owner": digits or not, two words joined by "_" name a variable.
    const bool snake = words >= 2 && t.substr(b, i - b).find(u'_') != View::npos;
    if (i > b && !isDigit(t[b]) && (!digit || snake) && (i == e || !isLetter(t[i]))) return kNone;
  }
  switch (rule.shape) {
    case Shape::none:
      return kNone;
    case Shape::secret:
      return matchSecret(t, b, e, rule, mode, strict);
    case Shape::personName:
      return matchName(t, b, e, rule, mode);
    case Shape::username:
      return matchUsername(t, b, e, rule, mode, strict);
    case Shape::organization:
      return matchOrganization(t, b, e, mode);
    case Shape::identifier:
      return unlessMasked(t, idGroups(t, b, e, mode, 3, 40, 1));
    case Shape::date:
      return matchDate(t, b, e, mode);
    case Shape::document:
      return unlessMasked(t, idGroups(t, b, e, mode, 5, 20, 3));
    case Shape::nationalId:
      return unlessMasked(t, matchNationalId(t, b, e, rule, mode));
    case Shape::cvv:
      return matchCvv(t, b, e, mode);
    case Shape::phone:
      return matchPhone(t, b, e, mode);
    case Shape::address: {
      Span a = matchAddress(t, b, e, mode);
      // "The address is on file", "an IPv4 address is 4 octets": in running prose
      // an address has a number and a capitalised or street word after it.
      if (strict && a.begin >= 0 && !streetLikeStart(t, a.begin, a.end)) return kNone;
      return a;
    }
    case Shape::city:
      return matchCity(t, b, e, mode);
    case Shape::postalCode:
      return matchPostal(t, b, e, mode);
    case Shape::amount:
      return matchAmount(t, b, e, mode);
    case Shape::phrase:
      return matchPhrase(t, b, e, rule, mode);
  }
  return kNone;
}

}  // namespace fieldvalue

namespace FieldRules {

namespace {
using View = std::u16string_view;
using namespace fieldtext;

constexpr auto kPlaceholderWords = std::to_array<std::string_view>(
    {"changeme",      "changethis", "changeit",     "password",    "passwd",    "pass",
     "secret",        "example",    "placeholder",  "redacted",    "removed",   "hidden",
     "masked",        "dummy",      "sample",       "test",        "testing",   "foo",
     "bar",           "foobar",     "baz",          "none",        "null",      "nil",
     "undefined",     "empty",      "todo",         "tbd",         "fixme",     "replaceme",
     "notset",        "unset",      "default",      "required",    "string",    "value",
     "token",         "apikey",     "secretkey",    "accesstoken", "fake",      "notarealpassword",
     "mypassword",    "mysecret",   "yourpassword", "yoursecret",  "yourtoken", "yourapikey",
     "insertkeyhere", "xxx",        "abc",          "n/a",         "pwd",       "key"});
}  // namespace

bool isPlaceholderValue(std::u16string_view value) {
  using namespace fieldtext;
  while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
  while (!value.empty() && isSpace(value.back())) value.remove_suffix(1);
  if (value.empty()) return true;
  // Masks: "***", "xxxx", "XXXX-XXXX", "•••", "...", "___".
  bool maskOnly = true;
  int maskRun = 0, longestRun = 0, masked = 0;
  for (char16_t c : value) {
    bool m = c == u'*' || c == u'x' || c == u'X' || c == 0x2022 || c == 0x25CF || c == 0xB7 ||
             c == 0x2026;
    bool filler = c == u'.' || c == u'-' || c == u'_' || c == u'#' || c == u'?';
    maskOnly = maskOnly && (m || filler);
    maskRun = m ? maskRun + 1 : 0;
    longestRun = std::max(longestRun, maskRun);
    masked += m;
  }
  if (maskOnly) return true;
  // "sk-xxxxxxxxxxxx": mostly a mask behind a prefix.
  if (longestRun >= 4 && masked * 2 >= int(value.size())) return true;
  char16_t f = value.front(), l = value.back();
  if (f == u'<' && l == u'>') return true;  // <password>
  // The same written for HTML, a URL or a JSON string: "&lt;YOUR_TOKEN&gt;", "%3Ctoken%3E".
  for (auto [open, close] : {std::pair<View, View>{u"&lt;", u"&gt;"},
                             {u"%3C", u"%3E"},
                             {u"%3c", u"%3e"},
                             {u"\\u003c", u"\\u003e"},
                             {u"&#60;", u"&#62;"}})
    if (value.size() > open.size() + close.size() && value.starts_with(open) &&
        value.ends_with(close))
      return true;
  if (value.substr(0, 2) == u"${"sv || value.substr(0, 2) == u"{{"sv ||
      value.substr(0, 2) == u"#{"sv || value.substr(0, 2) == u"%("sv || value == u"%s"sv ||
      value == u"?"sv)
    return true;
  if (f == u'%' && l == u'%' && value.size() > 2) return true;  // %PASSWORD%
  if (f == u'{' && l == u'}') return true;                      // {password}
  if (f == u'$') {                                              // $PASSWORD, $1
    bool ident = value.size() > 1;
    for (std::size_t i = 1; i < value.size(); ++i)
      ident = ident && (isAsciiAlpha(value[i]) || isDigit(value[i]) || value[i] == u'_');
    if (ident) return true;
  }
  if (f == u'[' && l == u']') {  // [REDACTED], [EMAIL_1]
    bool token = value.size() > 2;
    for (std::size_t i = 1; i + 1 < value.size(); ++i)
      token = token &&
              (isAsciiUpper(value[i]) || isDigit(value[i]) || value[i] == u'_' || value[i] == u' ');
    if (token) return true;
  }
  std::array<char, 40> buf;
  std::size_t size = 0;
  for (char16_t c : value) {
    if (c == u'_' || c == u'-' || c == u'.' || c == u' ') continue;
    if (c >= 0x80 || size == buf.size()) return false;
    buf[size++] = char(lowerAscii(c));
  }
  const std::string_view norm(buf.data(), size);
  static const std::vector<std::string_view> sorted = [] {
    std::vector<std::string_view> v(kPlaceholderWords.begin(), kPlaceholderWords.end());
    std::sort(v.begin(), v.end());
    return v;
  }();
  if (std::binary_search(sorted.begin(), sorted.end(), norm)) return true;
  // "your-api-key-here", "insert_token_here", "<your token>".
  auto has = [&](std::string_view s) { return norm.find(s) != std::string_view::npos; };
  if (norm.size() > 4 && norm.ends_with("here") &&
      (has("your") || has("insert") || has("put") || has("key") || has("token") || has("secret") ||
       has("password")))
    return true;
  if ((norm.starts_with("your") || norm.starts_with("enter")) &&
      (has("password") || has("secret") || has("token") || has("key") || has("name")))
    return true;
  if (norm.starts_with("changeme") || norm.starts_with("replaceme") || norm.starts_with("redacted"))
    return true;
  return false;
}

namespace {

// Words written where a secret goes in examples and templates.
constexpr auto kStandInWords = std::to_array<std::string_view>(
    {"example", "sample", "dummy", "fake", "placeholder", "changeme", "change", "replace",
     "redacted", "insecure", "notasecret", "notreal", "your", "yours", "mock", "todo"});

// Passwords of examples: a word every tutorial uses, with a few digits after it.
constexpr auto kExamplePasswords = std::to_array<std::string_view>(
    {"password", "passw0rd", "p@ssw0rd", "p@ssword",   "secret", "changeme", "test", "testing",
     "demo",     "dummy",    "example",  "sample",     "qwerty", "letmein",  "abc",  "abcd",
     "abcdef",   "admin",    "pass",     "mypassword", "foo",    "foobar"});

}  // namespace

bool isStandInUrlPassword(std::u16string_view user, std::u16string_view password) {
  // Brackets and braces are not written unescaped in a URL's user part: the
  // documentation's syntax ("[user[:password]@]") or a template.
  for (std::u16string_view part : {user, password})
    for (char16_t c : part)
      if (c == u'[' || c == u']' || c == u'{' || c == u'}' || c == u'<' || c == u'>') return true;
  // "guest:guest@…", "postgres:postgres@…": the defaults of a test install.
  if (password.size() == user.size() &&
      std::equal(password.begin(), password.end(), user.begin(),
                 [](char16_t a, char16_t b) { return lowerAscii(a) == lowerAscii(b); }))
    return true;
  return isStandInSecret(password);
}

bool isAccountName(std::u16string_view value) {
  static constexpr KeyRule kUser{u"username", Kind::username, Shape::username, 0};
  const fieldvalue::Span s =
      fieldvalue::match(value, 0, int(value.size()), kUser, fieldvalue::Mode::whole);
  return s.begin == 0 && s.end == int(value.size());
}

bool isStandInSecret(std::u16string_view value) {
  using namespace fieldtext;
  while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
  while (!value.empty() && isSpace(value.back())) value.remove_suffix(1);
  if (isPlaceholderValue(value)) return true;
  const char16_t f = value.front(), l = value.back();
  // Shell and template expressions and the pieces of a concatenation:
  // "$(vault read …)", "`cat pw`", "<%= ENV['PW'] %>", "\" + getPassword() + \"".
  if (value.starts_with(u"$("sv) || value.starts_with(u"$["sv) || (f == u'`' && l == u'`') ||
      value.starts_with(u"<%"sv) || value.starts_with(u"@{"sv) || value.starts_with(u"+ "sv) ||
      value.ends_with(u" +"sv) || value.starts_with(u". "sv) || value.ends_with(u" ."sv) ||
      value.starts_with(u"||"sv))
    return true;
  // Variables of PHP, Perl, Ruby and SQL parameters: "$this->password", "@password", ":password".
  if ((f == u'$' || f == u'@' || f == u':') && value.size() > 1 &&
      (isAsciiAlpha(value[1]) || value[1] == u'_')) {
    std::size_t i = 1;
    while (i < value.size() && (isAsciiAlpha(value[i]) || isDigit(value[i]) || value[i] == u'_'))
      ++i;
    if (i == value.size() || value.substr(i).starts_with(u"->"sv) ||
        value.substr(i).starts_with(u"::"sv) || value[i] == u'.' || value[i] == u'[')
      return true;
  }
  // YAML tags that fetch the value elsewhere: "!secret db_password", "!vault |", "!Ref DbPassword".
  if (f == u'!' && value.size() > 1 && isAsciiAlpha(value[1])) {
    std::size_t i = 1;
    while (i < value.size() && (isAsciiAlpha(value[i]) || value[i] == u'_' || value[i] == u':'))
      ++i;
    if (i == value.size() || isBlank(value[i])) return true;
  }
  // One character over and over ("00000000", "ghp_000000…"), or nearly so.
  {
    std::array<int, 128> counts{};
    int most = 0, ascii = 0;
    for (char16_t c : value)
      if (c < 128) most = std::max(most, ++counts[c]), ++ascii;
    if (value.size() >= 6 && most * 10 >= int(value.size()) * 6) return true;
  }
  for (std::u16string_view documented : kDocumentationKeys)
    if (value == documented) return true;
  // The passwords a database or broker is installed with; the name of a scheme.
  if (fieldvalue::inSet(value, fieldvalue::kDefaultPasswords) ||
      fieldvalue::inSet(value, fieldvalue::kSchemeNames))
    return true;
  // A date leads a value that names a day ("2024-05-01-morning"), not a secret.
  if (value.size() > 10 && fieldvalue::dateEnd(value, 0, int(value.size())) == 10 &&
      !isAlnum(value[10]))
    return true;
  // A template or a named gap anywhere in it: "eyJ….<signature>", "sk_${ENV}_key".
  if (value.find(u"${"sv) != View::npos || value.find(u"{{"sv) != View::npos) return true;
  for (std::size_t open = value.find(u'<'); open != View::npos; open = value.find(u'<', open + 1)) {
    std::size_t i = open + 1;
    while (i < value.size() &&
           (isAsciiAlpha(value[i]) || value[i] == u'_' || value[i] == u'-' || value[i] == u' '))
      ++i;
    if (i > open + 2 && i < value.size() && value[i] == u'>') return true;
  }
  // Words of examples anywhere in the value: random text never spells them
  // ("wJalrXUtnFEMI/K7MDENG/bPxRfiCYzEXAMPLEKEY").
  {
    std::array<char, 128> lower;
    std::size_t size = 0;
    for (char16_t c : value) {
      if (size == lower.size()) break;
      lower[size++] = c < 0x80 ? char(lowerAscii(c)) : '?';
    }
    const std::string_view all(lower.data(), size);
    for (std::string_view w : {"example", "placeholder", "redacted", "changeme", "dummy", "notreal",
                               "insecure", "password", "passwd", "secret", "token", "credential"}) {
      if (all.find(w) == std::string_view::npos) continue;
      // The credential words stand in when the value is a name of letters:
      // "CLIENT_SECRET", "secretKeyRef" (not "Pg-2024-secret").
      const bool nameWord =
          w == "password" || w == "passwd" || w == "secret" || w == "token" || w == "credential";
      if (!nameWord) return true;
      bool name = true;
      for (char16_t c : value)
        name = name && (isAsciiAlpha(c) || c == u'_' || c == u'-' || c == u'.');
      if (name) return true;
    }
  }
  // Words of examples as parts of the value ("example-password",
  // "django-insecure-change-me", "sk_test_YOUR_KEY"), compared in lower case.
  std::array<char, 64> buf;
  std::size_t size = 0;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    const char16_t c = i < value.size() ? value[i] : u' ';
    // A part ends at a mark, and at a capital after a small letter ("yourApiKey").
    const bool camel = i > 0 && i < value.size() && isAsciiUpper(c) && isAsciiLower(value[i - 1]);
    if (i < value.size() && isAsciiAlpha(c) && !camel && size < buf.size()) {
      buf[size++] = char(lowerAscii(c));
      continue;
    }
    const std::string_view part(buf.data(), size);
    for (std::string_view w : kStandInWords)
      if (part == w) return true;
    size = 0;
    if (i < value.size() && isAsciiAlpha(c)) buf[size++] = char(lowerAscii(c));
  }
  // "password123", "Test1234!", "abc123": what tutorials type.
  {
    std::size_t letters = 0;
    while (letters < value.size() &&
           (isAsciiAlpha(value[letters]) || value[letters] == u'@' ||
            (letters > 0 && value[letters] == u'0' && letters + 1 < value.size() &&
             isAsciiAlpha(value[letters + 1]))))
      ++letters;
    std::size_t digits = letters;
    while (digits < value.size() && isDigit(value[digits])) ++digits;
    // Written with "@" or "0" for letters, the word needs no digits after it ("P@ssw0rd").
    bool leet = false;
    for (std::size_t k = 0; k < letters; ++k) leet = leet || !isAsciiAlpha(value[k]);
    const bool tail =
        (digits > letters || leet) && digits - letters <= 6 &&
        (digits == value.size() || (digits + 1 == value.size() && !isAlnum(value[digits])));
    if (letters > 0 && tail) {
      std::array<char, 16> word{};
      if (letters <= word.size()) {
        for (std::size_t k = 0; k < letters; ++k) word[k] = char(lowerAscii(value[k]));
        const std::string_view w(word.data(), letters);
        for (std::string_view e : kExamplePasswords)
          if (w == e) return true;
      }
    }
  }
  return false;
}

}  // namespace FieldRules
}  // namespace clipvane::detect
