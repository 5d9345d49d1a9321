#pragma once
// Small value types shared by the whole core: UTF-16 ranges, dates, UUIDs.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace clipvane {

// A range of UTF-16 code units, as every range the system exchanges is.
struct Range {
  int location = 0;
  int length = 0;
  constexpr int end() const { return location + length; }
  constexpr bool intersects(const Range& o) const {
    return location < o.end() && o.location < end();
  }
  constexpr bool contains(const Range& o) const {
    return location <= o.location && o.end() <= end();
  }
  bool operator==(const Range&) const = default;
};

// Microseconds: the system clock's nanoseconds end in 2262, before the
// "until resumed" date.
using Date = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;

// The "until resumed" pause end: 4001-01-01T00:00:00Z.
Date distantFuture();

// ISO 8601 UTC without fraction ("2026-12-06T20:37:24Z").
std::string formatISO8601(Date d);
// Accepts a fraction and a numeric offset ("…T21:37:24.5+01:00") besides "Z".
std::optional<Date> parseISO8601(std::string_view s);

// The one clock the whole program reads, so that tests can move time.
namespace Clock {
Date now();
// Replaces the clock (tests only); an empty function restores the system clock.
void set(std::function<Date()> fn);
}  // namespace Clock

struct Uuid {
  std::array<std::uint8_t, 16> bytes{};
  static Uuid generate();  // random (version 4)
  // Upper-case canonical form "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
  std::string string() const;
  static std::optional<Uuid> parse(std::string_view s);  // either case
  bool operator==(const Uuid&) const = default;
  auto operator<=>(const Uuid&) const = default;
};

// Overwrites the string's whole buffer, then empties it and lets the buffer
// go: for texts that held originals or keys.
void wipe(std::string& s);
void wipe(std::u16string& s);

// UTF-8 <-> UTF-16. Invalid input is replaced by U+FFFD, never rejected.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace clipvane
