#pragma once
// Parsing and range classification of IPv4 and IPv6 addresses.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace clipvane::NetworkAddress {

using IPv4 = std::array<std::uint8_t, 4>;
using IPv6 = std::array<std::uint8_t, 16>;

// Dotted quad, octets 0-255 without leading zeros beyond "0".
std::optional<IPv4> parseIPv4(std::u16string_view s);
// Every textual form of RFC 4291 (full, "::", embedded IPv4) with an
// optional zone id ("%eth0"), either case.
std::optional<IPv6> parseIPv6(std::u16string_view s);

// 127.0.0.0/8, 0.0.0.0, ::1, :: and IPv4-mapped loopback.
bool isLocal(const IPv4& a);
bool isLocal(const IPv6& a);
// RFC 1918, link-local, CGNAT 100.64/10; fe80::/10, fc00::/7 (and mapped IPv4).
bool isPrivate(const IPv4& a);
bool isPrivate(const IPv6& a);

}  // namespace clipvane::NetworkAddress
