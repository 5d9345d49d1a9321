#include "Detector.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

#include "JSRegex.h"
#include "Masks.h"
#include "NetworkAddress.h"
#include "WordLists.h"
#include "detect/Candidate.h"
#include "detect/Scanner.h"

namespace clipvane {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

using detect::Candidate;

// Overlap ranking, highest first; user-made candidates sit between private
// keys and every other built-in kind.
constexpr Kind::Value kOrder[] = {Kind::databaseUrl,
                                  Kind::apiKey,
                                  Kind::card,
                                  Kind::iban,
                                  Kind::email,
                                  Kind::internalUrl,
                                  Kind::userPath,
                                  Kind::ipv6,
                                  Kind::macAddress,
                                  Kind::ipv4,
                                  Kind::secret,
                                  Kind::cvv,
                                  Kind::ssn,
                                  Kind::passport,
                                  Kind::driverLicense,
                                  Kind::birthDate,
                                  Kind::phone,
                                  Kind::financialRecord,
                                  Kind::employmentRecord,
                                  Kind::medicalRecord,
                                  Kind::address,
                                  Kind::name,
                                  Kind::username,
                                  Kind::organization,
                                  Kind::identifier,
                                  Kind::custom};

// The rank of each built-in kind by its place in the order, looked up at once.
constexpr std::array<std::uint8_t, Kind::count> kBuiltInRank = [] {
  std::array<std::uint8_t, Kind::count> ranks{};
  ranks.fill(std::uint8_t(std::size(kOrder) + 2));
  for (std::size_t k = 0; k < std::size(kOrder); ++k) ranks[kOrder[k]] = std::uint8_t(k + 2);
  return ranks;
}();

int rank(const Candidate& c) {
  const Kind::Value kind = c.kind;
  if (kind == Kind::privateKey) return 0;
  if (c.userMade) return 1;
  return kBuiltInRank[kind];
}

// Compiled user patterns, shared by every scan of the process.
std::optional<JSRegex> compiledPattern(const std::u16string& pattern) {
  static std::mutex mutex;
  static std::map<std::u16string, std::optional<JSRegex>> cache;
  std::lock_guard lock(mutex);
  if (auto it = cache.find(pattern); it != cache.end()) return it->second;
  if (cache.size() > 256) cache.clear();
  std::optional<JSRegex> compiled;
  try {
    compiled = JSRegex::compile(pattern, false);
  } catch (const JSRegex::Error&) {
  }
  return cache.emplace(pattern, compiled).first->second;
}

void customRules(std::u16string_view text, const DetectionSettings& settings,
                 std::vector<Candidate>& out) {
  if (!settings.isEnabled(Kind::custom)) return;
  for (const CustomRule& rule : settings.customRules) {
    if (!rule.enabled) continue;
    std::vector<Range> ranges;
    if (rule.type == CustomRule::RuleType::terms) {
      std::vector<WordLists::Term> terms;
      for (const auto& t : rule.terms)
        if (!t.empty()) terms.emplace_back(t, Kind::custom);
      for (const auto& span : WordLists::spans(terms, text)) ranges.push_back(span.range);
    } else if (!rule.pattern.empty()) {
      if (const auto regex = compiledPattern(rule.pattern)) ranges = regex->matches(text);
    }
    for (const Range& r : ranges) {
      if (r.length <= 0) continue;
      Candidate c;
      c.kind = Kind::custom;
      c.range = r;
      c.userMade = true;
      c.label = rule.name;
      out.push_back(std::move(c));
    }
  }
}

bool localHostName(std::u16string_view host) {
  using detect::chars::foldedEquals;
  constexpr std::u16string_view kName = u"localhost";
  return foldedEquals(host, kName) ||
         (host.size() > kName.size() &&
          (foldedEquals(host.substr(host.size() - kName.size() - 1), u".localhost") ||
           foldedEquals(host.substr(0, kName.size() + 1), u"localhost.")));
}

// Whether the settings can skip an address. With private ranges kept, only
// loopback and unspecified addresses are skipped, and each of those starts
// with "0", "127" or ":": any other first octet or group is neither zero nor
// 127, so the address is kept without being parsed.
bool maySkipAddress(std::u16string_view a, const DetectionSettings& s) {
  if (s.skipPrivateRanges) return true;
  if (!s.skipLocalAddresses || a.empty()) return false;
  return a[0] == '0' || a[0] == ':' || a.starts_with(u"127"sv);
}

// The characters that mark where a URL's authority ends, where a user part
// gives way to the host, and where "localhost" may start: one look-up each.
enum class HostMark : std::uint8_t { none, end, at, l };
constexpr std::array<HostMark, 128> kHostMarks = [] {
  std::array<HostMark, 128> t{};
  t['/'] = t['?'] = t['#'] = HostMark::end;
  t['@'] = HostMark::at;
  t['l'] = t['L'] = HostMark::l;
  return t;
}();

// Whether a URL's host can be skipped: it names "localhost", or it starts
// with "0", "1" or ":". The host starts right after the "://" (sep) or after
// a user's "@", past a "[", and ends with the authority: any other URL is
// kept without being split.
bool mayNameLocalHost(std::u16string_view url, std::size_t sep) {
  using detect::chars::foldedEquals;
  auto localStart = [&](std::size_t i) {
    if (i < url.size() && url[i] == '[') ++i;
    return i < url.size() && (url[i] == '0' || url[i] == '1' || url[i] == ':');
  };
  if (localStart(sep + 3)) return true;
  for (std::size_t i = sep + 3; i < url.size(); ++i) {
    const HostMark mark = url[i] < 128 ? kHostMarks[url[i]] : HostMark::none;
    if (mark == HostMark::none) continue;
    if (mark == HostMark::end) return false;
    if (mark == HostMark::at ? localStart(i + 1) : foldedEquals(url.substr(i, 9), u"localhost"sv))
      return true;
  }
  return false;
}

// Loopback and unspecified addresses, and (when asked) private ranges.
bool skipped(const Candidate& c, std::u16string_view value, const DetectionSettings& s) {
  namespace NA = NetworkAddress;
  if (c.userMade) return false;
  auto addressSkipped = [&](std::u16string_view a) {
    if (!maySkipAddress(a, s)) return false;
    if (const auto v4 = NA::parseIPv4(a))
      return (s.skipLocalAddresses && NA::isLocal(*v4)) ||
             (s.skipPrivateRanges && NA::isPrivate(*v4));
    if (const auto v6 = NA::parseIPv6(a))
      return (s.skipLocalAddresses && NA::isLocal(*v6)) ||
             (s.skipPrivateRanges && NA::isPrivate(*v6));
    return false;
  };
  switch (c.kind) {
    case Kind::ipv4:
    case Kind::ipv6:
      return addressSkipped(value);
    case Kind::internalUrl:
    case Kind::databaseUrl: {
      if (!s.skipLocalAddresses && !s.skipPrivateRanges) return false;
      std::u16string_view host;
      bool password = false;
      if (const auto sep = value.find(u"://"sv); sep != std::u16string_view::npos) {
        if (!s.skipPrivateRanges && !mayNameLocalHost(value, sep)) return false;
        const auto parts = detect::splitUrl(value);
        host = parts.host;
        password = parts.passwordLength > 0;
      } else {
        host = value.substr(0, std::min(value.find_first_of(u":/"), value.size()));
        // A login target "user@host" names its host after the "@".
        if (const auto at = host.rfind(u'@'); at != std::u16string_view::npos)
          host.remove_prefix(at + 1);
      }
      // A password stays hidden whatever the host.
      if (password) return false;
      return (s.skipLocalAddresses && localHostName(host)) || addressSkipped(host);
    }
    default:
      return false;
  }
}

// Only addresses and URLs can be skipped: the other kinds are kept without a call.
bool maySkip(const Candidate& c) {
  return c.kind == Kind::ipv4 || c.kind == Kind::ipv6 || c.kind == Kind::internalUrl ||
         c.kind == Kind::databaseUrl;
}

// What ranking needs of the candidates that pass the checks and skips,
// gathered in one pass over them.
struct Kept {
  std::vector<int> ranks;              // by candidate index
  std::vector<std::uint64_t> byPlace;  // location, then index: sorted, the text order
  std::vector<Range> emails, cards;    // the built-in ones, sorted by location below
  std::vector<std::uint32_t> urls;     // built-in internal and database URLs
  std::vector<std::uint32_t> ibans;    // built-in IBANs found without a cue
};

// Ranges, or candidates by index, in order of location: the rules find them
// mostly in text order, so the common list is only checked.
void sortByLocation(std::vector<Range>& ranges) {
  auto before = [](const Range& a, const Range& b) { return a.location < b.location; };
  if (!std::is_sorted(ranges.begin(), ranges.end(), before))
    std::sort(ranges.begin(), ranges.end(), before);
}
void sortByLocation(std::vector<std::uint32_t>& indices, const std::vector<Candidate>& candidates) {
  auto before = [&](std::uint32_t a, std::uint32_t b) {
    return candidates[a].range.location < candidates[b].range.location;
  };
  if (!std::is_sorted(indices.begin(), indices.end(), before))
    std::sort(indices.begin(), indices.end(), before);
}

// An internal or database URL that wholly holds an e-mail address takes the
// address's place in the ranking: found as the address alone, the URL would
// leave its internal host in the paste. A URL that also cuts into another
// address keeps its own place.
void promoteUrlsHoldingEmails(const std::vector<Candidate>& candidates, Kept& kept) {
  std::vector<Range>& emails = kept.emails;
  if (emails.empty() || kept.urls.empty()) return;
  sortByLocation(emails);
  std::vector<int> maxEnd(emails.size());  // of the addresses up to each one
  for (std::size_t j = 0; j < emails.size(); ++j)
    maxEnd[j] = std::max(j ? maxEnd[j - 1] : 0, emails[j].end());
  const int emailRank = kBuiltInRank[Kind::email];
  // URLs and addresses both in text order: the first address at or after each
  // URL only moves forward.
  sortByLocation(kept.urls, candidates);
  std::size_t first = 0;
  for (const std::uint32_t k : kept.urls) {
    const Candidate& c = candidates[k];
    while (first < emails.size() && emails[first].location < c.range.location) ++first;
    if (kept.ranks[k] <= emailRank) continue;
    std::size_t j = first;
    if (j > 0 && maxEnd[j - 1] > c.range.location) continue;
    bool holds = false, cuts = false;
    for (; j < emails.size() && emails[j].location < c.range.end(); ++j)
      (emails[j].end() <= c.range.end() ? holds : cuts) = true;
    if (holds && !cuts) kept.ranks[k] = emailRank;
  }
}

// A checked IBAN whose digits also read as a card number ("IE12 FLTR 5909 3009
// 9826 82") is the account: the card reading would leave its country and bank
// code in the paste.
void promoteIbansHoldingCards(const std::vector<Candidate>& candidates, Kept& kept) {
  std::vector<Range>& cards = kept.cards;
  if (cards.empty() || kept.ibans.empty()) return;
  sortByLocation(cards);
  const int cardRank = kBuiltInRank[Kind::card];
  sortByLocation(kept.ibans, candidates);
  auto first = cards.begin();
  for (const std::uint32_t k : kept.ibans) {
    const Candidate& iban = candidates[k];
    while (first != cards.end() && first->location < iban.range.location) ++first;
    if (kept.ranks[k] <= cardRank) continue;
    for (auto it = first; it != cards.end() && it->location < iban.range.end(); ++it)
      if (it->end() <= iban.range.end()) {
        kept.ranks[k] = cardRank;
        break;
      }
  }
}

class Taken {
 public:
  bool overlaps(const Range& r) const {
    auto it = spans_.lower_bound(r.location);
    if (it != spans_.end() && it->first < r.end()) return true;
    if (it != spans_.begin() && std::prev(it)->second > r.location) return true;
    return false;
  }
  void insert(const Range& r) { spans_.emplace(r.location, r.end()); }

 private:
  // One node per finding: drawn from a stack buffer, not one allocation each.
  std::array<std::byte, 16384> buffer_;
  std::pmr::monotonic_buffer_resource pool_{buffer_.data(), buffer_.size()};
  std::pmr::map<int, int> spans_{&pool_};  // start → end
};

// The candidates kept where they overlap: rank first, then the longer, then
// the earlier, then the order found, each kept unless it overlaps one kept
// before it. Only candidates joined by overlaps can turn each other away, so
// the text is taken in clusters of overlapping candidates, and a candidate
// that overlaps none (most of them) is kept without ranking. Returns the
// indices of the kept candidates in text order.
std::vector<std::uint32_t> chooseByRank(const std::vector<Candidate>& candidates, Kept& kept) {
  // Each pass adds its candidates mostly in text order: runs already in order
  // are merged, not sorted again.
  std::vector<std::uint64_t>& byPlace = kept.byPlace;
  const std::vector<int>& ranks = kept.ranks;
  const auto firstRunEnd = std::is_sorted_until(byPlace.begin(), byPlace.end());
  if (std::is_sorted(firstRunEnd, byPlace.end()))
    std::inplace_merge(byPlace.begin(), firstRunEnd, byPlace.end());
  else
    std::sort(byPlace.begin(), byPlace.end());

  struct Order {
    std::uint64_t rankLength;     // rank, then the length's complement
    std::uint64_t placeAndIndex;  // location, then the index of the candidate
    bool operator<(const Order& o) const {
      return rankLength != o.rankLength ? rankLength < o.rankLength
                                        : placeAndIndex < o.placeAndIndex;
    }
  };
  auto orderOf = [&](std::uint64_t placeAndIndex) {
    const std::uint32_t k = std::uint32_t(placeAndIndex);
    return Order{(std::uint64_t(ranks[k]) << 32) | ~std::uint32_t(candidates[k].range.length),
                 placeAndIndex};
  };
  std::vector<std::uint32_t> chosen;
  chosen.reserve(byPlace.size());
  std::vector<Order> order;
  std::vector<std::uint64_t> stays;
  for (std::size_t b = 0; b < byPlace.size();) {
    // The cluster [b, e): each candidate starts before the end of one before it.
    int end = candidates[std::uint32_t(byPlace[b])].range.end();
    std::size_t e = b + 1;
    for (; e < byPlace.size(); ++e) {
      const Range& r = candidates[std::uint32_t(byPlace[e])].range;
      if (r.location >= end) break;
      end = std::max(end, r.end());
    }
    if (e == b + 1) {
      chosen.push_back(std::uint32_t(byPlace[b]));
      b = e;
      continue;
    }
    // Two that overlap (the common cluster): the one ranked first stays.
    if (e == b + 2) {
      const Order first = orderOf(byPlace[b]), second = orderOf(byPlace[b + 1]);
      chosen.push_back(std::uint32_t((second < first ? second : first).placeAndIndex));
      b = e;
      continue;
    }
    order.clear();
    for (std::size_t j = b; j < e; ++j) order.push_back(orderOf(byPlace[j]));
    std::sort(order.begin(), order.end());
    Taken taken;
    stays.clear();
    for (const Order& o : order) {
      const Range& r = candidates[std::uint32_t(o.placeAndIndex)].range;
      if (taken.overlaps(r)) continue;
      taken.insert(r);
      stays.push_back(o.placeAndIndex);
    }
    std::sort(stays.begin(), stays.end());
    for (const std::uint64_t k : stays) chosen.push_back(std::uint32_t(k));
    b = e;
  }
  return chosen;
}

// A finding made where the list keeps it: emplaced, the conversion's result
// is built in place, its strings never moved from a temporary.
struct BuiltFinding {
  const Candidate& c;
  std::u16string_view value;
  operator Finding() const {  // NOLINT: converts on purpose
    return Finding{c.kind,
                   c.range,
                   std::u16string(value),
                   Masks::mask(c.kind, value),
                   std::u16string(c.label.empty() ? c.kind.label() : c.label),
                   c.contextual,
                   c.jsonNumber};
  }
};

}  // namespace

std::vector<Finding> Detector::detect(std::u16string_view text) const {
  std::vector<Candidate> candidates;
  // About one candidate in a hundred characters of mixed text: growing the
  // list from empty moved every candidate several times.
  candidates.reserve(text.size() / 128 + 16);
  detect::PatternRules::find(text, settings, candidates);
  detect::FieldRules::find(text, settings, candidates);
  customRules(text, settings, candidates);

  const int size = int(text.size());
  auto inText = [size](const Range& r) {
    return r.location >= 0 && r.length > 0 && r.end() <= size;
  };
  for (const Span& span : extra) {
    if (!inText(span.range) || !settings.isEnabled(span.kind)) continue;
    Candidate c;
    c.kind = span.kind;
    c.range = span.range;
    c.userMade = true;
    candidates.push_back(std::move(c));
  }

  // One pass: the checks and skips, the ranks, the places, and the candidates
  // the promotions below look at. The extra spans, user-made, are never skipped.
  Kept kept;
  kept.ranks.resize(candidates.size());
  kept.byPlace.reserve(candidates.size());
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    const Candidate& c = candidates[k];
    if (!inText(c.range)) continue;
    if (maySkip(c) && skipped(c, text.substr(c.range.location, c.range.length), settings)) continue;
    kept.ranks[k] = rank(c);
    kept.byPlace.push_back((std::uint64_t(c.range.location) << 32) | std::uint32_t(k));
    if (c.userMade) continue;
    switch (c.kind) {
      case Kind::email:
        kept.emails.push_back(c.range);
        break;
      case Kind::card:
        kept.cards.push_back(c.range);
        break;
      case Kind::internalUrl:
      case Kind::databaseUrl:
        kept.urls.push_back(std::uint32_t(k));
        break;
      case Kind::iban:
        if (!c.contextual) kept.ibans.push_back(std::uint32_t(k));
        break;
      default:
        break;
    }
  }
  promoteUrlsHoldingEmails(candidates, kept);
  promoteIbansHoldingCards(candidates, kept);
  const std::vector<std::uint32_t> chosen = chooseByRank(candidates, kept);

  std::vector<Finding> findings;
  findings.reserve(chosen.size());
  for (const std::uint32_t k : chosen) {
    const Candidate& c = candidates[k];
    const std::u16string_view value = text.substr(c.range.location, c.range.length);
    findings.emplace_back(BuiltFinding{c, value});
  }
  return findings;
}

// ---------------------------------------------------------------------------

namespace {

char32_t codePointBefore(std::u16string_view s, std::size_t i) {
  if (i == 0) return 0;
  const char16_t u = s[i - 1];
  if (U16_IS_TRAIL(u) && i >= 2 && U16_IS_LEAD(s[i - 2])) return U16_GET_SUPPLEMENTARY(s[i - 2], u);
  return u;
}

char32_t codePointAt(std::u16string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  const char16_t u = s[i];
  if (U16_IS_LEAD(u) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1]))
    return U16_GET_SUPPLEMENTARY(u, s[i + 1]);
  return u;
}

bool wordCodePoint(char32_t c) { return c != 0 && (u_isalnum(UChar32(c)) || c == '_'); }

std::u16string_view trimmed(std::u16string_view v) {
  auto white = [](char16_t c) { return u_isUWhiteSpace(c) || c == '\n' || c == '\r'; };
  while (!v.empty() && white(v.front())) v.remove_prefix(1);
  while (!v.empty() && white(v.back())) v.remove_suffix(1);
  return v;
}

bool plausible(Kind kind, std::u16string_view v) {
  int digits = 0, letters = 0, alnums = 0, words = 0;
  bool spaces = false, inWord = false;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char32_t c = codePointAt(v, i);
    if (c > 0xffff) ++i;
    const bool digit = u_isdigit(UChar32(c));
    const bool letter = u_isalpha(UChar32(c));
    digits += digit;
    letters += letter;
    alnums += digit || letter;
    const bool white = u_isUWhiteSpace(UChar32(c));
    spaces |= white;
    if (!white && !inWord) ++words;
    inWord = !white;
  }
  switch (kind) {
    case Kind::name:
      return letters > 0 && words <= 6 && digits == 0;
    case Kind::phone:
      return digits >= 7;
    case Kind::ssn:
      return alnums >= 5;
    case Kind::cvv:
      return (v.size() == 3 || v.size() == 4) && digits == int(v.size());
    case Kind::secret:
      return v.size() >= 6 && !spaces;
    case Kind::address:
      return letters > 0 && digits > 0;
    default:
      return !v.empty();
  }
}

}  // namespace

std::vector<Detector::Span> Detector::locate(
    const std::vector<std::pair<Kind, std::u16string>>& pairs, std::u16string_view text) {
  std::vector<Span> spans;
  std::set<std::tuple<int, int, int>> seen;  // kind, location, length
  for (const auto& [kind, raw] : pairs) {
    const auto value = trimmed(raw);
    if (value.empty() || !plausible(kind, value)) continue;
    const bool wordStart = wordCodePoint(codePointAt(value, 0));
    const bool wordEnd = wordCodePoint(codePointBefore(value, value.size()));
    for (std::size_t pos = text.find(value); pos != std::u16string_view::npos;
         pos = text.find(value, pos + 1)) {
      const std::size_t end = pos + value.size();
      if (wordStart && wordCodePoint(codePointBefore(text, pos))) continue;
      if (wordEnd && wordCodePoint(codePointAt(text, end))) continue;
      if (seen.emplace(int(static_cast<Kind::Value>(kind)), int(pos), int(value.size())).second)
        spans.push_back(Span{kind, Range{int(pos), int(value.size())}});
    }
  }
  return spans;
}

}  // namespace clipvane
