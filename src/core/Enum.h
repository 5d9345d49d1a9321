#pragma once
// Raw names of stored enumerations. Every stored enumeration declares an
// EnumTraits specialisation with its case names in declaration order; the
// stored form of a value is its case name.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <type_traits>

namespace clipvane {

template <class E>
struct EnumTraits;  // static constexpr std::array<std::string_view, N> names;

// The case at position i; also serves class types that wrap an enumeration
// (such as Kind) through their nested Value.
template <class E>
constexpr E enumAt(std::size_t i) {
  if constexpr (std::is_enum_v<E>)
    return static_cast<E>(i);
  else
    return E(static_cast<typename E::Value>(i));
}

template <class E>
constexpr std::string_view rawName(E e) {
  return EnumTraits<E>::names[static_cast<std::size_t>(e)];
}

template <class E>
constexpr std::optional<E> fromRawName(std::string_view name) {
  const auto& names = EnumTraits<E>::names;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return enumAt<E>(i);
  return std::nullopt;
}

// All cases in declaration order.
template <class E>
constexpr auto allCases() {
  constexpr std::size_t n = EnumTraits<E>::names.size();
  std::array<E, n> out{};
  for (std::size_t i = 0; i < n; ++i) out[i] = enumAt<E>(i);
  return out;
}

}  // namespace clipvane
