#pragma once
// What a paste does with each finding.
#include <set>
#include <string>
#include <vector>

#include "Enum.h"
#include "Kinds.h"

namespace clipvane {

struct Finding;

enum class PasteAction { block, review, quiet };
template <>
struct EnumTraits<PasteAction> {
  static constexpr std::array<std::string_view, 3> names = {"block", "review", "quiet"};
};

// The plan for one paste: indices into the findings that may not pass
// (written as "[removed]", never stored) and whether to ask first.
struct PastePlan {
  std::set<int> locked;
  bool ask = false;
  bool operator==(const PastePlan&) const = default;
};

enum class PasteMode { none, quiet, review, block };
template <>
struct EnumTraits<PasteMode> {
  static constexpr std::array<std::string_view, 4> names = {"none", "quiet", "review", "block"};
};

struct Decision {
  PasteMode mode = PasteMode::none;
  std::set<int> locked;
  bool operator==(const Decision&) const = default;
};

namespace Policy {

struct Summary {
  Kind kind;
  std::u16string label;
  int count = 0;
  bool operator==(const Summary&) const = default;
};

// One summary per distinct (kind, label), in order of first appearance.
std::vector<Summary> summarize(const std::vector<Finding>& findings);

}  // namespace Policy
}  // namespace clipvane
