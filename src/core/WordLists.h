#pragma once
// Marked texts, ignored texts and imported word lists.
#include <string>
#include <utility>
#include <vector>

#include "Detector.h"
#include "Kinds.h"
#include "Settings.h"

namespace clipvane::WordLists {

using Term = std::pair<std::u16string, Kind>;

struct ParsedCSV {
  std::vector<std::u16string> values;
  int rows = 0;
  bool operator==(const ParsedCSV&) const = default;
};

// Cells of a CSV, TSV or plain-text word list (see the rules in the .cpp).
ParsedCSV parseCSV(std::u16string_view text);

// Offered when the user marks a text, and for an imported list.
const std::vector<std::pair<std::u16string, Kind>>& markKinds();
const std::vector<std::pair<std::u16string, Kind>>& importKinds();
// The marking-menu label of a kind, else the kind's own label.
std::u16string label(Kind kind);

inline constexpr int maxRows = 1000;
inline constexpr int maxBytes = 1000000;

// Whole-word, case-insensitive occurrences of the terms; one pass over the text.
std::vector<Detector::Span> spans(const std::vector<Term>& terms, std::u16string_view text);

// A finding equal to a marked text (trimmed, lower case) takes its kind and label.
std::vector<Finding> relabel(std::vector<Finding> findings, const std::vector<MarkedText>& marked);
// Drops findings equal to an ignored text (trimmed, lower case).
std::vector<Finding> removeIgnored(std::vector<Finding> findings,
                                   const std::vector<IgnoredText>& ignored);

}  // namespace clipvane::WordLists
