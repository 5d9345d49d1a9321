#pragma once
// Partial previews of found values.
#include <string>
#include <string_view>

#include "Kinds.h"

namespace clipvane::Masks {

inline constexpr std::u16string_view removed = u"[removed]";

// The partial preview of a value of the given kind; never the whole value and
// never splits a grapheme cluster.
std::u16string mask(Kind kind, std::u16string_view value);

}  // namespace clipvane::Masks
