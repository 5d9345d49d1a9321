#pragma once
// Finds the sensitive values of a text.
#include <string>
#include <utility>
#include <vector>

#include "Kinds.h"
#include "Settings.h"
#include "Types.h"

namespace clipvane {

struct Finding {
  Kind kind;
  Range range;              // UTF-16 units of the scanned text
  std::u16string value;     // the text of the range
  std::u16string mask;      // partial preview, never the whole value
  std::u16string label;     // kind label; for custom findings the rule's, list's or mark's label
  bool contextual = false;  // found only because of a field name or label next to it
  bool jsonNumber = false;  // an unquoted JSON number

  // Placeholder word of a custom label: upper-cased letters and digits, each
  // run of other characters between them one "_"; "CUSTOM" when empty.
  static std::string tokenName(std::u16string_view label);

  bool operator==(const Finding&) const = default;
};

struct Detector {
  struct Span {
    Kind kind;
    Range range;
    bool operator==(const Span&) const = default;
  };

  DetectionSettings settings;
  std::vector<Span> extra;  // language-model and word-list spans

  // Findings in text order. Pure and thread-safe.
  std::vector<Finding> detect(std::u16string_view text) const;

  // Where the given values occur in the text, after trimming each and dropping
  // the values implausible for their kind.
  static std::vector<Span> locate(const std::vector<std::pair<Kind, std::u16string>>& pairs,
                                  std::u16string_view text);
};

}  // namespace clipvane
