#include "Masks.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace clipvane::Masks {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

constexpr std::u16string_view kDots = u"\u2022\u2022\u2022";  // "•••"
constexpr std::u16string_view kEllipsis = u"\u2026";          // "…"

// Grapheme clusters of a value, as [start, end) offsets.
std::vector<std::pair<std::size_t, std::size_t>> graphemes(std::u16string_view s) {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return U_SUCCESS(status) ? std::move(it) : nullptr;
  }();
  std::vector<std::pair<std::size_t, std::size_t>> out;
  // ASCII needs no break rules: one character per cluster, CR LF excepted.
  bool ascii = true;
  for (char16_t c : s) ascii = ascii && c < 0x80;
  if (ascii) {
    for (std::size_t i = 0; i < s.size(); ++i) {
      const std::size_t w = (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
      out.emplace_back(i, i + w);
      i += w - 1;
    }
    return out;
  }
  if (!iterator) {
    for (std::size_t i = 0; i < s.size();) {
      const std::size_t w = (s[i] >= 0xd800 && s[i] < 0xdc00 && i + 1 < s.size()) ? 2 : 1;
      out.emplace_back(i, i + w);
      i += w;
    }
    return out;
  }
  const icu::UnicodeString text(false, s.data(), int(s.size()));
  iterator->setText(text);
  int32_t start = iterator->first();
  for (int32_t end = iterator->next(); end != icu::BreakIterator::DONE;
       start = end, end = iterator->next())
    out.emplace_back(std::size_t(start), std::size_t(end));
  return out;
}

// ASCII breaks between every two characters but CR LF: the common values are
// measured without building the list of clusters.
bool allAscii(std::u16string_view s) {
  for (char16_t c : s)
    if (c >= 0x80) return false;
  return true;
}

std::size_t asciiClusterEnd(std::u16string_view s, std::size_t i) {
  return i + ((s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1);
}

std::size_t asciiClusterCount(std::u16string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); i = asciiClusterEnd(s, i)) ++count;
  return count;
}

// Where the last cluster of a non-empty ASCII text starts.
std::size_t asciiLastCluster(std::u16string_view s, std::size_t end) {
  return end - ((end >= 2 && s[end - 2] == '\r' && s[end - 1] == '\n') ? 2 : 1);
}

// Where the last n clusters of s start; the end of s when it has fewer. Only
// the end is read when it is ASCII: clusters never join two ASCII characters
// but CR LF, so when the character before the last n is ASCII too, what comes
// before it cannot move their start.
std::size_t lastClusters(std::u16string_view s, std::size_t n) {
  std::size_t from = s.size(), count = 0;
  while (count < n && from > 0 && s[from - 1] < 0x80) {
    from = asciiLastCluster(s, from);
    ++count;
  }
  if (count == n && (from == 0 || s[from - 1] < 0x80)) return from;
  if (count < n && from == 0) return s.size();
  const auto g = graphemes(s);
  return g.size() >= n ? g[g.size() - n].first : s.size();
}

std::u16string firstGrapheme(std::u16string_view s) {
  if (allAscii(s)) return std::u16string(s.substr(0, s.empty() ? 0 : asciiClusterEnd(s, 0)));
  const auto g = graphemes(s);
  return g.empty() ? std::u16string() : std::u16string(s.substr(0, g.front().second));
}

bool isSpace(char16_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xa0 || c == 0x3000;
}

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }
bool isAlnum(char16_t c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// The same, as types: the loops that pick by them compile each test inline.
constexpr auto kDigit = [](char16_t c) { return isDigit(c); };
constexpr auto kAlnum = [](char16_t c) { return isAlnum(c); };

// A preview as a few pieces, each a part of the value or a fixed text, joined
// in one allocation of the exact size: the common previews are a handful of
// characters, and building them by appending grew and copied the string.
// Six pieces at the most: the longest form (a MAC address's) has six.
class Pieces {
 public:
  Pieces& operator<<(std::u16string_view piece) {
    pieces_[count_++] = piece;
    size_ += piece.size();
    return *this;
  }
  std::u16string join() const {
    std::u16string out(size_, u'\0');
    char16_t* to = out.data();
    for (std::size_t k = 0; k < count_; ++k)
      for (const char16_t c : pieces_[k]) *to++ = c;
    return out;
  }

 private:
  std::array<std::u16string_view, 6> pieces_;
  std::size_t count_ = 0, size_ = 0;
};

// The head and lead followed by the last four picked characters, or dots
// alone when fewer than four are there. The four are gathered in one pass
// from the end.
template <typename Pick>
std::u16string lastFour(std::u16string_view head, std::u16string_view lead, std::u16string_view s,
                        Pick pick) {
  std::array<char16_t, 4> last;
  std::size_t found = 0;
  for (std::size_t i = s.size(); i > 0 && found < 4; --i)
    if (pick(s[i - 1])) last[3 - found++] = s[i - 1];
  if (found < 4) return std::u16string(kDots);
  std::u16string out(head.size() + lead.size() + 4, u'\0');
  char16_t* to =
      std::copy(lead.begin(), lead.end(), std::copy(head.begin(), head.end(), out.data()));
  std::copy(last.begin(), last.end(), to);
  return out;
}

std::u16string firstAndLast(std::u16string_view v) {
  if (allAscii(v)) {
    if (asciiClusterCount(v) <= 4) return std::u16string(kDots);
    std::u16string out(v.substr(0, asciiClusterEnd(v, 0)));
    out += kDots;
    out += v.substr(asciiLastCluster(v, v.size()));
    return out;
  }
  const auto g = graphemes(v);
  if (g.size() <= 4) return std::u16string(kDots);
  std::u16string out(v.substr(0, g.front().second));
  out += kDots;
  out += v.substr(g.back().first);
  return out;
}

std::u16string initials(std::u16string_view v) {
  std::u16string out;
  std::size_t i = 0;
  while (i < v.size()) {
    while (i < v.size() && isSpace(v[i])) ++i;
    std::size_t e = i;
    while (e < v.size() && !isSpace(v[e])) ++e;
    if (e > i) {
      if (!out.empty()) out += u' ';
      const auto word = v.substr(i, e - i);
      const auto first = firstGrapheme(word);
      if (first.size() < word.size()) out += first;
      out += kDots;
    }
    i = e;
  }
  return out.empty() ? std::u16string(kDots) : out;
}

[[gnu::noinline]] std::size_t firstClusterLengthSlow(std::u16string_view s) {
  const auto g = graphemes(s);
  return g.empty() ? 0 : g.front().second;
}

// The length of the first cluster of s (none when empty); two ASCII
// characters are answered inline.
inline std::size_t firstClusterLength(std::u16string_view s) {
  if (s.empty()) return 0;
  if (s[0] < 0x80 && (s.size() == 1 || s[1] < 0x80)) return asciiClusterEnd(s, 0);
  return firstClusterLengthSlow(s);
}

std::u16string email(std::u16string_view v) {
  const auto at = v.rfind(u'@');
  if (at == std::u16string_view::npos || at == 0) return firstAndLast(v);
  // The last ".", when it follows the "@".
  std::size_t dot = v.size() - 1;
  while (dot > at && v[dot] != '.') --dot;
  if (dot == at) return firstAndLast(v);
  const std::u16string_view local = v.substr(0, at), domain = v.substr(at + 1);
  const std::u16string_view first = local.substr(0, firstClusterLength(local));
  const std::u16string_view host = domain.substr(0, firstClusterLength(domain));
  const std::u16string_view suffix = v.substr(dot);
  // The fixed marks written in place, the three parts of the address copied.
  std::u16string out(first.size() + host.size() + suffix.size() + 2 * kDots.size() + 1, u'\0');
  char16_t* to = out.data();
  for (const char16_t c : first) *to++ = c;
  for (const char16_t c : kDots) *to++ = c;
  *to++ = u'@';
  for (const char16_t c : host) *to++ = c;
  for (const char16_t c : kDots) *to++ = c;
  for (const char16_t c : suffix) *to++ = c;
  return out;
}

std::u16string schemeAndEllipsis(std::u16string_view v) {
  const auto sep = v.find(u"://"sv);
  if (v.substr(0, 5) == u"jdbc:"sv) {
    const auto colon = v.find(u':', 5);
    if (colon != std::u16string_view::npos)
      return (Pieces() << v.substr(0, colon + 1) << kEllipsis).join();
  }
  if (sep == std::u16string_view::npos || sep > 32) return std::u16string(kDots);
  return (Pieces() << v.substr(0, sep + 3) << kEllipsis).join();
}

// The characters a URL's authority is read by, for one look-up each.
enum class UrlChar : std::uint8_t { other, end, at, colon, dot };
constexpr std::array<UrlChar, 128> kUrlChars = [] {
  std::array<UrlChar, 128> t{};
  t['/'] = t['?'] = t['#'] = UrlChar::end;
  t['@'] = UrlChar::at;
  t[':'] = UrlChar::colon;
  t['.'] = UrlChar::dot;
  return t;
}();

std::u16string internalUrl(std::u16string_view v) {
  std::size_t hostStart = 0;
  if (const auto sep = v.find(u"://"sv); sep != std::u16string_view::npos && sep <= 32)
    hostStart = sep + 3;
  // One pass over the authority: the host follows its last "@" and ends at
  // the first ":" after it (a bracketed host keeps its colons); its last dot
  // is taken before that ":" or, bracketed, anywhere.
  constexpr auto npos = std::u16string_view::npos;
  std::size_t begin = hostStart, colon = npos, dot = npos, anyDot = npos, end = hostStart;
  for (; end < v.size(); ++end) {
    // Letters, most of a host, lie above every mark.
    if (v[end] > '@') continue;
    const UrlChar c = kUrlChars[v[end]];
    if (c == UrlChar::other) continue;
    if (c == UrlChar::end) break;
    if (c == UrlChar::at) {
      begin = end + 1;
      colon = dot = anyDot = npos;
    } else if (c == UrlChar::colon) {
      if (colon == npos) colon = end;
    } else {
      anyDot = end;
      if (colon == npos) dot = end;
    }
  }
  if (begin < end && v[begin] == '[') {
    dot = anyDot;
  } else if (colon != npos) {
    end = colon;
  }
  Pieces out;
  out << v.substr(0, hostStart) << kEllipsis;
  if (dot != npos && dot + 1 < end && !isDigit(v[end - 1])) out << v.substr(dot, end - dot);
  return out.join();
}

// Known issuer prefixes shown in a key's preview.
std::u16string_view keyPrefix(std::u16string_view v) {
  static constexpr std::u16string_view kPrefixes[] = {u"xoxe.xoxp-",
                                                      u"xoxe.xoxb-",
                                                      u"xoxe-",
                                                      u"xapp-",
                                                      u"pypi-",
                                                      u"ATATT3",
                                                      u"sq0atp-",
                                                      u"sq0csp-",
                                                      u"EAAA",
                                                      u"dapi",
                                                      u"key-",
                                                      u"whsec_",
                                                      u"ya29.",
                                                      u"gsk_",
                                                      u"xai-",
                                                      u"r8_",
                                                      u"pplx-",
                                                      u"lin_api_",
                                                      u"PMAK-",
                                                      u"NRAK-",
                                                      u"sntrys_",
                                                      u"sntryu_",
                                                      u"glsa_",
                                                      u"glc_",
                                                      u"dp.pt.",
                                                      u"dp.st.",
                                                      u"nfp_",
                                                      u"pul-",
                                                      u"figd_",
                                                      u"sbp_",
                                                      u"GOCSPX-",
                                                      u"ntn_",
                                                      u"sk-or-v1-",
                                                      u"sk-None-",
                                                      u"glptt-",
                                                      u"glrt-",
                                                      u"gldt-",
                                                      u"glft-",
                                                      u"glsoat-",
                                                      u"glcbt-",
                                                      u"glimt-",
                                                      u"glagent-",
                                                      u"gloas-",
                                                      u"https://discord.com/api/webhooks/",
                                                      u"github_pat_",
                                                      u"sk-svcacct-",
                                                      u"sk-admin-",
                                                      u"sk-proj-",
                                                      u"sk-ant-",
                                                      u"sk_live_",
                                                      u"sk_test_",
                                                      u"rk_live_",
                                                      u"rk_test_",
                                                      u"pk_live_",
                                                      u"dop_v1_",
                                                      u"doo_v1_",
                                                      u"dor_v1_",
                                                      u"shpat_",
                                                      u"shpca_",
                                                      u"shppa_",
                                                      u"shpss_",
                                                      u"glpat-",
                                                      u"xoxb-",
                                                      u"xoxa-",
                                                      u"xoxp-",
                                                      u"xoxr-",
                                                      u"xoxs-",
                                                      u"ghp_",
                                                      u"gho_",
                                                      u"ghu_",
                                                      u"ghs_",
                                                      u"ghr_",
                                                      u"npm_",
                                                      u"AKIA",
                                                      u"ASIA",
                                                      u"AIza",
                                                      u"hf_",
                                                      u"sk-",
                                                      u"SG.",
                                                      u"eyJ",
                                                      u"https://hooks.slack.com/"};
  // The prefixes by their first character, in the order above (the first
  // that matches is taken): most keys are compared with a few.
  static constexpr std::size_t kCount = std::size(kPrefixes);
  struct ByFirst {
    std::array<std::uint8_t, 128> begin{}, count{};
    std::array<std::uint8_t, kCount> index{};
  };
  static constexpr ByFirst kByFirst = [] {
    ByFirst t;
    std::size_t at = 0;
    for (char16_t c = 0; c < 128; ++c) {
      t.begin[c] = std::uint8_t(at);
      for (std::size_t k = 0; k < kCount; ++k)
        if (kPrefixes[k][0] == c) t.index[at++] = std::uint8_t(k);
      t.count[c] = std::uint8_t(at - t.begin[c]);
    }
    return t;
  }();
  if (v.empty() || v[0] >= 128) return {};
  for (std::size_t k = 0; k < kByFirst.count[v[0]]; ++k) {
    const std::u16string_view p = kPrefixes[kByFirst.index[kByFirst.begin[v[0]] + k]];
    if (v.substr(0, p.size()) == p) return p;
  }
  return {};
}

std::u16string apiKey(std::u16string_view v) {
  const std::u16string_view prefix = keyPrefix(v);
  Pieces out;
  out << prefix << kEllipsis;
  // Show the last four only when at least twelve stay hidden.
  if (v.size() >= prefix.size() + 16) {
    out << v.substr(lastClusters(v, 4));
  }
  return out.join();
}

std::u16string userPath(std::u16string_view v) {
  std::size_t cut = 0;
  if (!v.empty() && v[0] == '~') {
    cut = 1;
  } else {
    for (std::size_t i = v.size(); i > 0; --i)
      if (v[i - 1] == '/' || v[i - 1] == '\\') {
        cut = i;
        break;
      }
  }
  return (Pieces() << v.substr(0, cut) << kDots).join();
}

std::u16string mac(std::u16string_view v) {
  if (v.size() == 17) {
    const std::u16string_view sep = v.substr(2, 1);
    return (Pieces() << v.substr(0, 9) << u"xx"sv << sep << u"xx"sv << sep << u"xx"sv).join();
  }
  if (v.size() == 14) return (Pieces() << v.substr(0, 7) << u"xx.xxxx"sv).join();
  if (v.size() == 12) return (Pieces() << v.substr(0, 6) << u"xxxxxx"sv).join();
  return firstAndLast(v);
}

// Inlined into mask(): one call a preview.
[[gnu::always_inline]] inline std::u16string compute(Kind kind, std::u16string_view v) {
  switch (kind) {
    case Kind::email:
      return email(v);
    case Kind::phone: {
      // The number's last digits, not those of an extension ("… ext. 22", "…x22").
      // Both marks hold an "x": the first "x" after the first character, or
      // the "e" of an "ext" around it.
      std::size_t cut = 1;
      while (cut < v.size() && (v[cut] | 0x20) != 'x') ++cut;
      if (cut < v.size() && cut >= 2 && (v[cut - 1] | 0x20) == 'e' && cut + 1 < v.size() &&
          (v[cut + 1] | 0x20) == 't')
        --cut;
      cut = std::min(cut, v.size());
      return lastFour({}, u"\u2022\u2022\u2022 "sv, v.substr(0, cut), kDigit);
    }
    case Kind::card: {
      return lastFour({}, u"\u2022\u2022\u2022\u2022 "sv, v, kDigit);
    }
    case Kind::iban:
      if (v.size() < 8) return std::u16string(kDots);
      return lastFour(v.substr(0, 2), u"\u2022\u2022 "sv, v, kAlnum);
    case Kind::cvv:
      return std::u16string(kDots);
    case Kind::ipv4: {
      // The first octet shows: a dot among the first four characters.
      std::size_t dot = 0;
      while (dot < 4 && dot < v.size() && v[dot] != '.') ++dot;
      if (dot == 4 || dot == v.size()) return firstAndLast(v);
      return (Pieces() << v.substr(0, dot) << u".x.x.x"sv).join();
    }
    case Kind::ipv6: {
      const auto colon = v.find(u':');
      if (colon == std::u16string_view::npos) return firstAndLast(v);
      return (Pieces() << v.substr(0, colon == 0 ? 2 : colon) << kEllipsis).join();
    }
    case Kind::macAddress:
      return mac(v);
    case Kind::privateKey:
      return u"Private key";
    case Kind::apiKey:
      return apiKey(v);
    case Kind::secret:
    case Kind::databaseUrl:
      return schemeAndEllipsis(v);
    case Kind::internalUrl:
      return internalUrl(v);
    case Kind::userPath:
      return userPath(v);
    case Kind::name:
    case Kind::organization:
    case Kind::address:
    case Kind::financialRecord:
    case Kind::employmentRecord:
    case Kind::medicalRecord:
      return initials(v);
    default:
      return firstAndLast(v);
  }
}

}  // namespace

std::u16string mask(Kind kind, std::u16string_view value) {
  std::u16string out = compute(kind, value);
  // A preview that would still show the whole value shows none of it. One
  // string is returned on every path: it is built in the caller's place.
  if (!value.empty() && out.size() >= value.size() && out.find(value) != std::u16string::npos)
    out = kDots;
  return out;
}

}  // namespace clipvane::Masks
