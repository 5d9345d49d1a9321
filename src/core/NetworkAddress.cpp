#include "NetworkAddress.h"

namespace clipvane::NetworkAddress {
namespace {

int hexValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<IPv4> mappedIPv4(const IPv6& a) {
  for (int i = 0; i < 10; ++i)
    if (a[i] != 0) return std::nullopt;
  if (a[10] != 0xff || a[11] != 0xff) return std::nullopt;
  return IPv4{a[12], a[13], a[14], a[15]};
}

}  // namespace

std::optional<IPv4> parseIPv4(std::u16string_view s) {
  IPv4 out{};
  std::size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= s.size() || s[i] != '.') return std::nullopt;
      ++i;
    }
    const std::size_t start = i;
    int value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) {
      value = value * 10 + (s[i] - '0');
      ++i;
    }
    const std::size_t len = i - start;
    if (len == 0 || value > 255 || (len > 1 && s[start] == '0')) return std::nullopt;
    if (i < s.size() && s[i] >= '0' && s[i] <= '9') return std::nullopt;
    out[part] = static_cast<std::uint8_t>(value);
  }
  if (i != s.size()) return std::nullopt;
  return out;
}

std::optional<IPv6> parseIPv6(std::u16string_view s) {
  if (const auto pct = s.find(u'%'); pct != std::u16string_view::npos) {
    const auto zone = s.substr(pct + 1);
    if (zone.empty()) return std::nullopt;
    for (char16_t c : zone)
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            c == '_' || c == '-' || c == '.'))
        return std::nullopt;
    s = s.substr(0, pct);
  }
  if (s.size() < 2 || s.size() > 45) return std::nullopt;

  std::array<std::uint16_t, 8> groups{};
  int count = 0;  // groups written
  int gap = -1;   // index of "::" in groups
  std::size_t i = 0;
  if (s[0] == ':') {
    if (s[1] != ':') return std::nullopt;
    gap = 0;
    i = 2;
    if (i == s.size()) return IPv6{};
  }
  while (i < s.size()) {
    // One group, or an embedded IPv4 address at the end.
    std::size_t j = i;
    int value = 0;
    while (j < s.size() && j - i < 5 && hexValue(s[j]) >= 0) {
      value = value * 16 + hexValue(s[j]);
      ++j;
    }
    const std::size_t len = j - i;
    if (j < s.size() && s[j] == '.') {
      const auto v4 = parseIPv4(s.substr(i));
      if (!v4 || count > 6) return std::nullopt;
      groups[count++] = static_cast<std::uint16_t>((*v4)[0] << 8 | (*v4)[1]);
      groups[count++] = static_cast<std::uint16_t>((*v4)[2] << 8 | (*v4)[3]);
      i = s.size();
      break;
    }
    if (len == 0 || len > 4 || count >= 8) return std::nullopt;
    groups[count++] = static_cast<std::uint16_t>(value);
    i = j;
    if (i == s.size()) break;
    if (s[i] != ':') return std::nullopt;
    ++i;
    if (i < s.size() && s[i] == ':') {
      if (gap >= 0) return std::nullopt;
      gap = count;
      ++i;
      if (i == s.size()) break;
    } else if (i == s.size()) {
      return std::nullopt;  // a single trailing colon
    }
  }
  if (gap < 0 && count != 8) return std::nullopt;
  if (gap >= 0 && count > 7) return std::nullopt;

  std::array<std::uint16_t, 8> full{};
  if (gap < 0) {
    full = groups;
  } else {
    const int tail = count - gap;
    for (int k = 0; k < gap; ++k) full[k] = groups[k];
    for (int k = 0; k < tail; ++k) full[8 - tail + k] = groups[gap + k];
  }
  IPv6 out{};
  for (int k = 0; k < 8; ++k) {
    out[2 * k] = static_cast<std::uint8_t>(full[k] >> 8);
    out[2 * k + 1] = static_cast<std::uint8_t>(full[k] & 0xff);
  }
  return out;
}

bool isLocal(const IPv4& a) {
  return a[0] == 127 || (a[0] == 0 && a[1] == 0 && a[2] == 0 && a[3] == 0);
}

bool isLocal(const IPv6& a) {
  for (int i = 0; i < 15; ++i)
    if (a[i] != 0) {
      const auto v4 = mappedIPv4(a);
      return v4 && isLocal(*v4);
    }
  return a[15] == 0 || a[15] == 1;
}

bool isPrivate(const IPv4& a) {
  return a[0] == 10 || (a[0] == 172 && (a[1] & 0xf0) == 16) || (a[0] == 192 && a[1] == 168) ||
         (a[0] == 169 && a[1] == 254) || (a[0] == 100 && (a[1] & 0xc0) == 64);
}

bool isPrivate(const IPv6& a) {
  if (a[0] == 0xfe && (a[1] & 0xc0) == 0x80) return true;  // fe80::/10
  if ((a[0] & 0xfe) == 0xfc) return true;                  // fc00::/7
  const auto v4 = mappedIPv4(a);
  return v4 && isPrivate(*v4);
}

}  // namespace clipvane::NetworkAddress
