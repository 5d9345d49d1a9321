// IPv4, IPv6 and MAC addresses, and hosts inside the organisation.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "../NetworkAddress.h"
#include "Scanner.h"

namespace clipvane::detect {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

using namespace chars;

// The blank-separated words before a position on its line, nearest first.
// The first is what stands before the position in its own word (often
// nothing); the walk ends at the start of the line.
class WordsBefore {
 public:
  WordsBefore(std::u16string_view text, std::size_t pos) : text_(text), i_(pos) {}
  // The next word back as [a, b), at most maxLength long.
  bool next(std::size_t& a, std::size_t& b, std::size_t maxLength = 32) {
    if (count_++ > 0) {
      while (i_ > 0 && (text_[i_ - 1] == ' ' || text_[i_ - 1] == '\t')) --i_;
      if (i_ == 0 || space(text_[i_ - 1])) return false;
    }
    b = i_;
    while (i_ > 0 && !space(text_[i_ - 1]) && b - i_ < maxLength) --i_;
    a = i_;
    return true;
  }

 private:
  std::u16string_view text_;
  std::size_t i_;
  int count_ = 0;
};

// The runs of letters and digits of text[a, b), last first and in lower case
// ("X-Real-IP:" gives ip, real, x), each passed to f(part, partStart,
// partEnd) until f returns true; whether one did.
template <class F>
bool anyPartBack(std::u16string_view text, std::size_t a, std::size_t b, F f) {
  while (b > a) {
    while (b > a && !alnum(text[b - 1])) --b;
    std::size_t s = b;
    while (s > a && alnum(text[s - 1])) --s;
    if (s == b) return false;
    std::u16string part(text.substr(s, b - s));
    for (auto& c : part) c = fold(c);
    if (f(std::u16string_view(part), s, b)) return true;
    b = s;
  }
  return false;
}

// "Upgraded OpenSSL to", "bump V8 from": an upgrade among the `within` words
// before pos on its line. Updates and migrations also move things to hosts
// ("update DNS to 52.1.2.3"): they count only with `anyChange`.
bool afterUpgrade(std::u16string_view text, std::size_t pos, int within, bool anyChange) {
  struct Stem {
    std::u16string_view stem;
    bool change;  // an update or migration, not an upgrade
  };
  static constexpr Stem kStems[] = {
      {u"upgrad"sv, false}, {u"downgrad"sv, false}, {u"bump"sv, false}, {u"patch"sv, false},
      {u"roll"sv, false},   {u"updat"sv, true},     {u"migrat"sv, true}};
  WordsBefore words(text, pos);
  std::size_t a, b;
  words.next(a, b);  // pos starts a word
  for (int n = 0; n < within && words.next(a, b); ++n) {
    // Compared from the first letter on only where it fits.
    const char16_t first = a < text.size() ? fold(text[a]) : char16_t(0);
    for (const auto& [stem, change] : kStems)
      if (stem[0] == first && (anyChange || !change) && at(text, a, stem)) return true;
  }
  return false;
}

// "version 1.2.3.4", "v 10.0.0.1", "build 4.0.1.2", "§ 12.2.3.4": numbering,
// not hosts. Looks at the two blank-separated words before the quad on its
// line, each without its surrounding punctuation.
// The last labels of the private suffixes of host names ("home.arpa" ends
// in "arpa").
constexpr std::u16string_view kPrivateLastLabels[] = {u"internal", u"local",   u"localdomain",
                                                      u"corp",     u"lan",     u"intranet",
                                                      u"arpa",     u"private", u"home"};

bool introducedAsVersion(std::u16string_view text, std::size_t start, bool small) {
  static constexpr std::u16string_view kWords[] = {
      u"version", u"versions", u"ver",      u"release", u"releases", u"build",     u"firmware",
      u"v",       u"chapter",  u"chapters", u"section", u"sections", u"clause",    u"clauses",
      u"figure",  u"table",    u"oid",      u"rfc",     u"step",     u"paragraph", u"§"};
  static constexpr std::u16string_view kHostWords[] = {u"server", u"host",    u"ip",    u"address",
                                                       u"addr",   u"gateway", u"node",  u"machine",
                                                       u"proxy",  u"peer",    u"client"};
  static constexpr auto kWordLengths = lengthsByFirst(kWords);
  static constexpr auto kHostWordLengths = lengthsByFirst(kHostWords);
  std::size_t i = start;
  while (i > 0 && !space(text[i - 1])) --i;  // the quad's own word
  WordsBefore before(text, i);
  std::size_t a, b;
  before.next(a, b);
  for (int words = 0; words < 2; ++words) {
    if (!before.next(a, b, 16)) return false;
    while (a < b && (text[a] == '(' || text[a] == '[')) ++a;
    while (b > a &&
           (text[b - 1] == ':' || text[b - 1] == ',' || text[b - 1] == '.' || text[b - 1] == ')'))
      --b;
    const std::u16string_view word = text.substr(a, b - a);
    if (word.starts_with(u"§"sv)) return true;
    if (mayBeAmong(kWordLengths, word))
      for (auto w : kWords)
        if (foldedEquals(word, w)) return true;
    // "the build server 79.135.246.22": a host word right before a quad that
    // cannot be a section number speaks for the address.
    if (words == 0 && !small && mayBeAmong(kHostWordLengths, word))
      for (auto w : kHostWords)
        if (foldedEquals(word, w)) return false;
    // "v8: upgrade to 3.24.35.22", "upgrade to V8 4.7.80.25", "Upgraded to
    // 4.6.85.25 from 4.5.103.35" (but "update the A record to 52.1.2.3"
    // points a name at an address).
    if ((foldedEquals(word, u"to"sv) || foldedEquals(word, u"from"sv)) &&
        afterUpgrade(text, a, 3, false))
      return true;
  }
  return false;
}

// "nameserver 8.8.4.4", "ip=4.2.2.2", "1.2.3.4:22", "3.5.17.0/24": a quad of
// small numbers that something names as an address. Looks at the words of
// the quad's own word before it and of the two blank-separated words before
// it on its line, and at a port or prefix length after it.
bool introducedAsAddress(std::u16string_view text, std::size_t start, std::size_t end) {
  auto chAt = [&](std::size_t k) { return k < text.size() ? text[k] : char16_t(0); };
  auto number = [&](std::size_t from, int maxDigits, int max) {
    std::size_t k = from;
    int value = 0;
    while (k < text.size() && digit(text[k]) && int(k - from) < maxDigits)
      value = value * 10 + (text[k++] - '0');
    const bool followed =
        k < text.size() && (joinsAt(text, k) || (text[k] == '.' && digit(chAt(k + 1))));
    return k > from && value <= max && !followed;
  };
  if (end < text.size() && text[end] == ':' && number(end + 1, 5, 65535)) return true;
  // A prefix length after a network ("3.5.17.0/24"); "27.6.1.3/24" cites a
  // paragraph of a standard.
  if (end < text.size() && text[end] == '/' && text[end - 1] == '0' && text[end - 2] == '.' &&
      number(end + 1, 2, 32))
    return true;

  static constexpr std::u16string_view kWords[] = {
      u"ip",   u"ipv4",     u"addr",   u"address", u"host", u"server", u"nameserver",
      u"dns",  u"gateway",  u"gw",     u"route",   u"ping", u"ssh",    u"connect",
      u"peer", u"client",   u"remote", u"listen",  u"bind", u"inet",   u"src",
      u"dst",  u"upstream", u"proxy",  u"from",    u"to"};
  // "from" and "to" also bound ranges of versions ("from 1.2.3.4 to 1.2.4.0")
  // and follow upgrades ("Upgraded OpenSSL to 1.1.1.9").
  auto versionBound = [&](std::u16string_view word, std::size_t wordStart) {
    if (afterUpgrade(text, wordStart, 6, true)) return true;
    if (word == u"from"sv) {
      std::size_t k = end;
      while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
      if (!at(text, k, u"to "sv)) return false;
      for (k += 3; k < text.size() && text[k] == ' ';) ++k;
      return k < text.size() && digit(text[k]);
    }
    if (word == u"to"sv) {
      std::size_t k = wordStart;
      while (k > 0 && (text[k - 1] == ' ' || text[k - 1] == '\t')) --k;
      const std::size_t last = k;
      bool dot = false;
      while (k > 0 && !space(text[k - 1]) && last - k < 32) dot |= text[--k] == '.';
      return dot && last > 0 && digit(text[last - 1]);
    }
    return false;
  };
  WordsBefore words(text, start);
  bool nearest = true;  // the part right before the quad
  std::size_t a, b;
  for (int n = 0; n < 3 && words.next(a, b); ++n) {
    // Its parts, as in "remote_addr=", "X-Real-IP:" or a quoted JSON key;
    // not those of a path or list ("src/include/types.h,v").
    const std::size_t wordEnd = b;
    bool hit = false;
    anyPartBack(text, a, b, [&](std::u16string_view part, std::size_t s, std::size_t e) {
      if (e < wordEnd && (text[e] == '/' || text[e] == ',') && n > 0) return true;
      // Bare, they also close release notes ("merged to 1.6.2.3"): as a key
      // ("to:", "from=") or before a port ("from 3.5.17.22 port 22") they are
      // about an address.
      const bool weak = part == u"from"sv || part == u"to"sv;
      const bool keyed = e < wordEnd && (text[e] == ':' || text[e] == '=');
      const bool weakHolds =
          nearest && (keyed || at(text, end, u" port "sv)) && !versionBound(part, s);
      nearest = false;
      for (auto w : kWords)
        if (part == w && (!weak || weakHolds)) hit = true;
      return hit;
    });
    if (hit) return true;
  }
  return false;
}

// "ssh nas.lan", "ping -c 3 printer.local", "HOST=nas.lan", "server: x.lan":
// a network command or a host key names what follows as a host. Looks at the
// key in the name's own word, then back over options to the word before it.
bool introducedAsHost(std::u16string_view text, std::size_t start) {
  static constexpr std::u16string_view kWords[] = {
      u"ssh",   u"scp",        u"sftp",      u"mosh",    u"rsync",    u"telnet", u"ping",
      u"ping6", u"traceroute", u"tracepath", u"mtr",     u"nc",       u"ncat",   u"curl",
      u"wget",  u"dig",        u"nslookup",  u"host",    u"hostname", u"fqdn",   u"server",
      u"nmap",  u"smbclient",  u"mount",     u"ftp",     u"connect",  u"remote", u"upstream",
      u"proxy", u"gateway",    u"endpoint",  u"address", u"addr",     u"http",   u"https"};
  WordsBefore words(text, start);
  std::size_t a, b;
  for (int n = 0; n < 5 && words.next(a, b); ++n) {
    // The last part of the word: the key of "HOST=nas.lan", the command itself.
    std::u16string last;
    anyPartBack(text, a, b, [&](std::u16string_view part, std::size_t, std::size_t) {
      last = part;
      return true;
    });
    if (last.empty()) {
      if (n == 0) continue;  // the name starts its word
      return false;
    }
    for (auto w : kWords)
      if (last == w) return true;
    if (n == 0) continue;
    if (last == u"to"sv || last == u"at"sv || last == u"via"sv) continue;
    // Options and their numbers between the command and the name.
    const bool number = std::all_of(last.begin(), last.end(), digit);
    if (text[a] == '-' || number) continue;
    return false;
  }
  return false;
}

// "mac 7499.3940.7281", "bssid 001a2b3c4d5e", "  10  7499.3940.7281  DYNAMIC":
// a word naming a hardware address before the value on its line (the key of
// its own word, then up to three words holding no digits), or the type column
// of a switch's address table or ARP cache after it.
bool introducedAsMac(std::u16string_view text, std::size_t start, std::size_t end) {
  static constexpr std::u16string_view kBefore[] = {
      u"mac",   u"macaddr", u"macaddress", u"hwaddr",   u"hwaddress", u"hw",       u"ether",
      u"bssid", u"chaddr",  u"lladdr",     u"hardware", u"physical",  u"ethernet", u"lease"};
  static constexpr std::u16string_view kAfter[] = {u"dynamic", u"static", u"arpa", u"secure"};
  std::size_t k = end;
  while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
  for (auto w : kAfter)
    if (at(text, k, w) && !wordChar(k + w.size() < text.size() ? text[k + w.size()] : 0))
      return true;
  // An ARP cache: "(10.0.0.1) at 0:1a:2b:3c:4d:5e on en0".
  if (at(text, k, u"on "sv) && start >= 4 && at(text, start - 4, u" at "sv)) return true;
  WordsBefore words(text, start);
  std::size_t a, b;
  for (int n = 0; n < 4 && words.next(a, b); ++n) {
    bool hit = false, value = false;
    anyPartBack(text, a, b, [&](std::u16string_view part, std::size_t, std::size_t) {
      for (auto w : kBefore)
        if (part == w) return hit = true;
      value = n > 0 && std::any_of(part.begin(), part.end(), digit);
      return value;
    });
    if (hit) return true;
    if (value) return false;  // another value stands between
  }
  return false;
}

}  // namespace

bool internalHost(std::u16string_view host, const DetectionSettings& settings, bool singleLabel) {
  if (host.empty()) return false;
  if (const auto v4 = NetworkAddress::parseIPv4(host))
    return NetworkAddress::isPrivate(*v4) || NetworkAddress::isLocal(*v4);
  if (host.find(u':') != std::u16string_view::npos) {
    const auto v6 = NetworkAddress::parseIPv6(host);
    return v6 && (NetworkAddress::isPrivate(*v6) || NetworkAddress::isLocal(*v6));
  }
  auto endsWith = [&](std::u16string_view suffix) {
    if (suffix.empty()) return false;
    if (host.size() == suffix.size()) return host == suffix;
    return host.size() > suffix.size() && host[host.size() - suffix.size() - 1] == '.' &&
           host.substr(host.size() - suffix.size()) == suffix;
  };
  for (const auto& domain : settings.internalDomains) {
    std::u16string d(domain);
    for (auto& c : d) c = fold(c);
    while (!d.empty() && d.front() == '.') d.erase(0, 1);
    if (endsWith(d)) return true;
  }
  // ".home" is no delegated domain; home routers hand it out.
  static constexpr std::u16string_view kSuffixes[] = {u"internal",  u"local",   u"localdomain",
                                                      u"corp",      u"lan",     u"intranet",
                                                      u"home.arpa", u"private", u"home"};
  // A name ends in one of them only where its last label ends one: most
  // ("com", "org") are told apart by first letter and length.
  static constexpr auto kLastLabelLengths = lengthsByFirst(kPrivateLastLabels);
  const auto lastDot = host.rfind(u'.');
  const bool dotted = lastDot != std::u16string_view::npos;
  if (dotted && mayBeAmong(kLastLabelLengths, host.substr(lastDot + 1)))
    for (auto s : kSuffixes)
      if (endsWith(s)) return true;
  if (!dotted && singleLabel) {
    for (char16_t c : host)
      if (!(alnum(c) || c == '-' || c == '_')) return false;
    // Names that documentation writes for any host.
    static constexpr std::u16string_view kPlaceholders[] = {
        u"host",     u"hostname",    u"server",      u"servername", u"example",  u"foo",
        u"bar",      u"baz",         u"url",         u"domain",     u"address",  u"ip",
        u"proxy",    u"known",       u"unknown",     u"site",       u"website",  u"yourserver",
        u"myserver", u"your-server", u"your-domain", u"yourdomain", u"mydomain", u"path"};
    if (host.size() == 1) return false;
    for (auto p : kPlaceholders)
      if (host == p) return false;
    return true;
  }
  return false;
}

// "… 2.12 3.51.98.32 2.03.5 …": a quad between decimal fractions is a run of
// coordinates (an SVG path), not an address.
bool betweenFractions(std::u16string_view text, std::size_t start, std::size_t end) {
  auto fraction = [&](std::size_t a, std::size_t b) {
    int dots = 0, digits = 0;
    for (std::size_t k = a; k < b; ++k) {
      if (text[k] == '.')
        ++dots;
      else if (digit(text[k]))
        ++digits;
      else if (text[k] != '-')
        return false;
    }
    return digits > 0 && dots >= 1 && dots <= 2;
  };
  if (start < 2 || text[start - 1] != ' ' || end + 1 >= text.size() || text[end] != ' ')
    return false;
  std::size_t a = start - 1;
  while (a > 0 && !space(text[a - 1]) && start - a < 16) --a;
  std::size_t b = end + 1;
  while (b < text.size() && !space(text[b]) && b - end < 16) ++b;
  return fraction(a, start - 1) && fraction(end + 1, b);
}

void Scanner::ipv4(std::size_t start) {
  const char16_t prev = before(start);
  if (prev == '.' || joinsBefore(text_, start)) return;
  // "linux-2.6.35.4", "openssl-1.1.1.20": a name's version.
  if (prev == '-' && start >= 2 && alpha(text_[start - 2])) return;
  std::size_t i = start;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (ch(i) != '.' || !digit(ch(i + 1))) return;
      ++i;
    }
    const std::size_t g = i;
    i = std::min(digitsEnd(text_, i), g + 4);
  }
  const char16_t next = ch(i);
  if (joinsAt(text_, i)) return;
  if ((next == '.' || next == '-') && digit(ch(i + 1))) {
    if (next == '.') return;  // 1.2.3.4.5
  }
  ipv4Quad(start, i);
}

// Four parts of digits and dots in [start, i): whether they are an address.
// Most starts are turned away before, without setting up what this keeps.
[[gnu::noinline]] void Scanner::ipv4Quad(std::size_t start, std::size_t i) {
  const char16_t next = ch(i);
  // Four parts of digits and dots were read: each is up to three digits, at
  // most 255, with no leading zero.
  std::array<int, 4> a{};
  for (std::size_t k = start, part = 0; part < 4; ++part, ++k) {
    const std::size_t g = k;
    for (; k < i && text_[k] != '.'; ++k) a[part] = a[part] * 10 + (text_[k] - '0');
    if (k - g > 3 || a[part] > 255 || (k - g > 1 && text_[g] == '0')) return;
  }
  // Quads of small numbers ("1.2.3.4", "23.2.2.1") are versions and section
  // numbers; a resolver such as "1.1.1.1" and the 10/8 network are addresses.
  if (a[0] == 255) return;  // a netmask
  const bool small = a[0] <= 31 && a[1] <= 31 && a[2] <= 31 && a[3] <= 31;
  const bool same = a[0] == a[1] && a[1] == a[2] && a[2] == a[3];
  if (small && !same && a[0] != 10 && !introducedAsAddress(text_, start, i)) return;
  // Object identifiers of the directory and organisation arcs ("2.5.4.3",
  // "1.3.6.1", "1.3.101.110").
  if ((a[0] == 2 && a[1] == 5) || (a[0] == 1 && a[1] == 3)) return;
  // A heading's number at the start of its line ("10.3.2.3. Interior Nodes").
  if (next == '.' && (ch(i + 1) == ' ' || ch(i + 1) == 0xa0 || ch(i + 1) == '\t') &&
      (start == 0 || text_[start - 1] == '\n' || text_[start - 1] == '>'))
    return;
  if (introducedAsVersion(text_, start, small) || betweenFractions(text_, start, i)) return;
  add(Kind::ipv4, start, i);
}

void Scanner::ipv6(std::size_t colon) {
  std::size_t b = colon;
  while (b > 0 && ipv6Char(text_[b - 1]) && colon - b < 5) --b;
  std::size_t e = colon;
  while (e < text_.size() && ipv6Char(text_[e]) && e - b <= 46) ++e;
  if (e < text_.size() && ipv6Char(text_[e])) {
    while (e < text_.size() && ipv6Char(text_[e])) ++e;
    ipv6Skip_ = e;
    return;
  }
  ipv6Skip_ = e;
  // Most colons stand alone ("key: value", "12:30"): an address holds two.
  if (std::count(text_.begin() + std::ptrdiff_t(b), text_.begin() + std::ptrdiff_t(e), u':') < 2)
    return;
  ipv6Run(colon, b, e);
}

// The hex digits, colons and dots [b, e) around the colon: whether they are
// an address. Most colons are turned away before, without setting up what
// this keeps.
[[gnu::noinline]] void Scanner::ipv6Run(std::size_t colon, std::size_t b, std::size_t e) {
  if (b > 0 && (joinsBefore(text_, b) || ipv6Char(text_[b - 1]))) {
    // "addr:fe80::1": a label and a colon before the address.
    if (!hex(ch(colon + 1)) || !alpha(text_[b - 1])) return;
    b = colon + 1;
  }
  // Sentence punctuation after the address.
  while (e > colon && text_[e - 1] == '.') --e;
  if (e - b >= 2 && text_[e - 1] == ':' && text_[e - 2] != ':') --e;
  std::size_t end = e;
  if (ch(end) == '%' && alnum(ch(end + 1))) {
    ++end;
    while (end < text_.size() &&
           (alnum(text_[end]) || text_[end] == '_' || text_[end] == '.' || text_[end] == '-') &&
           end - e < 16)
      ++end;
  }
  if (joinsAt(text_, end)) return;
  const auto value = text_.substr(b, end - b);
  int colons = 0;
  bool hexDigit = false, doubleColon = false;
  char16_t last = 0;
  for (char16_t c : value.substr(0, e - b)) {
    colons += c == ':';
    hexDigit |= hex(c);
    doubleColon |= c == ':' && last == ':';
    last = c;
  }
  if (colons < 2 || !hexDigit) return;
  // Without "::" an address writes all eight groups (six before an IPv4
  // tail): times ("09:26:54") and keys ("user:1842:profile") hold fewer.
  if (!doubleColon && colons < 6) return;
  // "C::" and "A::B" are scopes in code: a short form needs a digit ("::1").
  int groups = 0, pairs = 0;
  bool number = false;
  std::size_t firstGroup = 0;  // length of the group before the first colon
  while (b + firstGroup < e && hex(text_[b + firstGroup])) ++firstGroup;
  for (std::size_t k = b; k < e; ++k) {
    if (hex(text_[k]) && (k == b || !hex(text_[k - 1]))) {
      ++groups;
      pairs += hex(ch(k + 1)) && !hex(ch(k + 2)) && k + 2 <= e;
    }
    number |= digit(text_[k]);
  }
  if (groups < 3 && !number) return;
  if (groups < 2 && value != u"::1"sv) return;
  // "A1::B2", "a::1" and "add::a1" are scopes too, "x[100::200]" a slice: a
  // two-group address starts with a network's group, digits and a letter or
  // four digits ("fe80::1", "2001::5").
  if (groups == 2 && firstGroup > 0) {
    const auto first = text_.substr(b, firstGroup);
    const bool digits = std::any_of(first.begin(), first.end(), digit);
    const bool letters = std::any_of(first.begin(), first.end(), alpha);
    if (firstGroup < 3 || !digits || (!letters && firstGroup < 4)) return;
  }
  // Eight two-digit groups are bytes (a WWN, an EUI-64, a dump) or a time.
  if (groups == 8 && pairs == 8) return;
  if (!NetworkAddress::parseIPv6(value)) return;
  add(Kind::ipv6, b, end);
}

void Scanner::mac(std::size_t start) {
  const char16_t prev = before(start);
  if (joinsBefore(text_, start) || prev == '-' || prev == '.') return;
  if (prev == ':') {
    // Only after a label ("MAC:00:1a:…"), not after another hex pair.
    std::size_t k = start - 1;
    bool label = false;
    while (k > 0 && alnum(text_[k - 1]) && start - k < 32) {
      label |= !hex(text_[k - 1]);
      --k;
    }
    if (!label && start - 1 - k == 2) return;
    if (start - 1 == k) return;
  }
  const char16_t sep = ch(hex(ch(start + 1)) ? start + 2 : start + 1);
  std::size_t end;
  bool letter = false, nonZero = false;
  if (sep == ':' || sep == '-') {
    std::size_t p = start;
    bool unpadded = false;
    for (int group = 0; group < 6; ++group) {
      if (group > 0 && ch(p++) != sep) return;
      const std::size_t g = p;
      for (; hex(ch(p)) && p - g < 2; ++p) {
        letter |= alpha(ch(p));
        nonZero |= ch(p) != '0';
      }
      if (p == g) return;
      unpadded |= p - g == 1;
    }
    end = p;
    // "0:1c:42:a:b:c": macOS tools drop leading zeros; such groups are an
    // address only where something calls them one.
    if (unpadded && (sep != ':' || !introducedAsMac(text_, start, end))) return;
  } else if (ch(start + 4) == '.') {
    for (int group = 0; group < 3; ++group) {
      const std::size_t g = start + std::size_t(group) * 5;
      for (int k = 0; k < 4; ++k) {
        if (!hex(ch(g + k))) return;
        letter |= alpha(ch(g + k));
        nonZero |= ch(g + k) != '0';
      }
      if (group < 2 && ch(g + 4) != '.') return;
    }
    end = start + 14;
    // Dotted digit groups are numbers unless something calls them an address.
    if (!letter && !introducedAsMac(text_, start, end)) return;
  } else {
    // Twelve hex digits in a row: an address only where a word says so.
    for (std::size_t k = start; k < start + 12; ++k) {
      if (!hex(ch(k))) return;
      nonZero |= ch(k) != '0';
    }
    end = start + 12;
    if (!introducedAsMac(text_, start, end)) return;
  }
  const char16_t next = ch(end);
  if (joinsAt(text_, end)) return;
  if ((next == sep || next == '.' || next == ':' || next == '-') && hex(ch(end + 1))) return;
  if (!nonZero) return;
  // The broadcast address names no device.
  bool broadcast = true;
  for (std::size_t k = start; k < end; ++k)
    if (hex(text_[k]) && fold(text_[k]) != 'f') broadcast = false;
  if (broadcast) return;
  add(Kind::macAddress, start, end);
}

// Its callers have turned away starts in the middle of a path, an address or
// a longer name (hostMayStart()).
void Scanner::bareHost(std::size_t start, std::size_t wordEnd) {
  // Letters, digits, dots and hyphens, as one look-up.
  static constexpr auto kHostChars = [] {
    std::array<bool, 128> t{};
    for (char16_t c = 0; c < 128; ++c) t[c] = alnum(c) || c == '-' || c == '.';
    return t;
  }();
  std::size_t e = wordEnd;  // [start, wordEnd) holds letters and digits
  std::size_t lastDot = 0;  // after the last dot read, 0 before any
#if defined(__SSE2__)
  // Sixteen characters a step: where the name ends is no branch per character.
  while (text_.size() - e >= 16) {
    const auto* p = reinterpret_cast<const __m128i*>(text_.data() + e);
    // Characters past U+00FF saturate to 0 or 0xFF, which match nothing below.
    const __m128i v = _mm_packus_epi16(_mm_loadu_si128(p), _mm_loadu_si128(p + 1));
    const __m128i zero = _mm_setzero_si128();
    const __m128i digit =
        _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8('0')), _mm_set1_epi8(9)), zero);
    const __m128i letter = _mm_cmpeq_epi8(
        _mm_subs_epu8(_mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a')),
                      _mm_set1_epi8(25)),
        zero);
    const __m128i dots = _mm_cmpeq_epi8(v, _mm_set1_epi8('.'));
    const __m128i host = _mm_or_si128(_mm_or_si128(digit, letter),
                                      _mm_or_si128(dots, _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))));
    const unsigned past = ~unsigned(_mm_movemask_epi8(host)) & 0xFFFFu;
    const int n = std::countr_zero(past | 0x10000u);
    // Whether a dot was read is as likely as not: noted without a branch.
    const unsigned dotsIn = unsigned(_mm_movemask_epi8(dots)) & ((1u << n) - 1);
    const std::size_t any = std::size_t(0) - std::size_t(dotsIn != 0);
    lastDot = ((e + std::size_t(std::bit_width(dotsIn))) & any) | (lastDot & ~any);
    e += std::size_t(n);
    if (n < 16) break;
  }
#endif
  for (; e < text_.size() && text_[e] < 128 && kHostChars[text_[e]]; ++e)
    if (text_[e] == '.') lastDot = e + 1;
  hostSkip_ = e;
  if (lastDot == 0) return;  // no dot
  while (e > start && (text_[e - 1] == '.' || text_[e - 1] == '-')) --e;
  // Most dotted words ("e.g", "main.py", "1.5") end in no internal suffix:
  // their last label is compared before anything is copied. The last dot
  // was noted while reading, unless the name's end was cut back over it.
  if (lastDot > e) {
    lastDot = e;
    while (lastDot > start && text_[lastDot - 1] != '.') --lastDot;
  }
  if (lastDot == start) return;
  const auto tail = text_.substr(lastDot, e - lastDot);
  auto sameLabel = [&](std::u16string_view label) {
    if (label.size() != tail.size()) return false;
    for (std::size_t k = 0; k < label.size(); ++k)
      if (fold(tail[k]) != fold(label[k])) return false;
    return true;
  };
  // The lengths of those labels by first letter: most tails have none of them.
  static constexpr auto kLastLabelLengths = lengthsByFirst(kPrivateLastLabels);
  bool candidate = false;
  if (mayBeAmong(kLastLabelLengths, tail))
    for (std::u16string_view label : kPrivateLastLabels) candidate = candidate || sameLabel(label);
  for (const auto& domain : settings_.internalDomains) {
    const auto dot = domain.rfind(u'.');
    candidate =
        candidate ||
        sameLabel(std::u16string_view(domain).substr(dot == std::u16string::npos ? 0 : dot + 1));
  }
  if (candidate) internalHostName(start, e);
}

// [start, e), a dotted name that ends in an internal suffix: whether it is
// an internal host. Most names are turned away before, without setting up
// what this keeps.
[[gnu::noinline]] void Scanner::internalHostName(std::size_t start, std::size_t e) {
  std::u16string host(text_.substr(start, e - start));
  for (auto& c : host) c = fold(c);
  if (NetworkAddress::parseIPv4(host)) return;  // addresses are ipv4 findings
  if (host.find(u".."sv) != std::u16string::npos) return;
  // Member access in code ("self.cache.local") is no host name.
  for (std::u16string_view receiver :
       {u"self."sv, u"this."sv, u"cls."sv, u"obj."sv, u"ctx."sv, u"app."sv})
    if (host.starts_with(receiver)) return;
  if (!internalHost(host, settings_, false)) return;
  if (joinsAt(text_, e) || ch(e) == '@') return;
  // Host names are written in lower case; "Requires.private" is a field.
  for (std::size_t k = start; k < e; ++k)
    if (upper(text_[k])) return;
  std::size_t end = e;
  if (ch(end) == ':' && digit(ch(end + 1))) {
    ++end;
    while (end < text_.size() && digit(text_[end]) && end - e < 7) ++end;
  }
  if (ch(end) == '/') end = urlEnd(end);
  // ".local", ".lan" and ".private" also end file names ("settings.local"): a
  // two-label name counts as a host only with a port, a path or a word that
  // calls it one. ".home" ends properties ("user.home") at any length.
  const bool ambiguous =
      host.ends_with(u".local"sv) || host.ends_with(u".lan"sv) || host.ends_with(u".private"sv);
  const bool twoLabels = std::count(host.begin(), host.end(), u'.') < 2;
  const bool home = host.ends_with(u".home"sv);
  // Code names ending in such a label: a call ("cache.local()"), a package
  // ("com.acme.internal", "import x.y.internal.*") or a member chain closing a
  // statement ("result.first.local);") unless a host word stands before it.
  const bool call = ch(e) == '(' || (ch(e) == '.' && ch(e + 1) == '*');
  const auto firstLabel = std::u16string_view(host).substr(0, host.find(u'.'));
  bool package = false;
  for (std::u16string_view p :
       {u"com", u"org", u"net", u"io", u"java", u"javax", u"android", u"kotlinx"})
    package = package || (!twoLabels && firstLabel == p);
  const bool plain =
      std::none_of(host.begin(), host.end(), [](char16_t c) { return digit(c) || c == '-'; });
  const bool member =
      !twoLabels && plain && end == e && (ch(e) == ';' || (ch(e) == ')' && before(start) != '('));
  if (call || package) return;
  if (((ambiguous && twoLabels && end == e) || (home && ch(e) != ':') || member) &&
      !introducedAsHost(text_, start))
    return;
  hostSkip_ = std::max(hostSkip_, end);
  add(Kind::internalUrl, start, end);
}

}  // namespace clipvane::detect
