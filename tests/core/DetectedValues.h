#pragma once
// What the whole detector finds in a text, as kinds and UTF-8 values, for
// tables of cases that read like the texts users copy.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Detector.h"
#include "Types.h"

namespace clipvane::testing {

using Found = std::vector<std::pair<Kind, std::string>>;

inline Found detected(std::string_view text) {
  Found out;
  for (const auto& f : Detector{}.detect(toUtf16(text))) out.emplace_back(f.kind, toUtf8(f.value));
  return out;
}

inline std::vector<std::string> valuesOf(Kind kind, std::string_view text) {
  std::vector<std::string> out;
  for (const auto& [k, v] : detected(text))
    if (k == kind) out.push_back(v);
  return out;
}

inline std::string describe(const Found& found) {
  std::string s;
  for (const auto& [k, v] : found) s += "[" + std::string(rawName(k)) + ": " + v + "] ";
  return s.empty() ? "nothing" : s;
}

// A text and the values of one kind the detector must find in it, in order.
struct ValuesCase {
  std::string text;
  std::vector<std::string> values;
};

inline void expectValues(Kind kind, const std::vector<ValuesCase>& cases) {
  for (const auto& c : cases)
    EXPECT_EQ(valuesOf(kind, c.text), c.values)
        << rawName(kind) << ": " << c.text << " -> " << describe(detected(c.text));
}

// n characters of the alphabet, the same on every run: key bodies of a
// documented length without counting them out by hand.
inline std::string body(std::size_t n, std::string_view alphabet, std::uint32_t seed = 7) {
  std::string s;
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    s += alphabet[(x >> 8) % alphabet.size()];
  }
  return s;
}

inline constexpr std::string_view kAlnum =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::string_view kLowerAlnum = "abcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::string_view kUpperDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr std::string_view kHex = "0123456789abcdef";
inline constexpr std::string_view kToken =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

}  // namespace clipvane::testing
