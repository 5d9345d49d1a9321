#pragma once
// The detection part of the settings and the user's own rules and lists.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Kinds.h"
#include "Policy.h"
#include "Types.h"

namespace clipvane {

struct CustomRule {
  enum class RuleType { terms, pattern };
  Uuid id = Uuid::generate();
  std::u16string name;
  RuleType type = RuleType::terms;
  std::vector<std::u16string> terms;
  std::u16string pattern;
  bool enabled = true;
  bool operator==(const CustomRule&) const = default;
};
template <>
struct EnumTraits<CustomRule::RuleType> {
  static constexpr std::array<std::string_view, 2> names = {"terms", "pattern"};
};

// A text the user told the system to ignore.
struct IgnoredText {
  Uuid id = Uuid::generate();
  std::u16string text;
  std::u16string seenAs;  // the label it had when it was ignored
  Date added{};
  bool operator==(const IgnoredText&) const = default;
};

// A text the user marked as sensitive.
struct MarkedText {
  Uuid id = Uuid::generate();
  std::u16string text;
  Kind kind = Kind::custom;
  bool operator==(const MarkedText&) const = default;
};

// A word list imported from a file.
struct ImportedList {
  Uuid id = Uuid::generate();
  std::u16string file;
  Kind kind = Kind::custom;
  std::vector<std::u16string> items;
  int bytes = 0;
  Date added{};
  bool enabled = true;
  bool operator==(const ImportedList&) const = default;
};

struct DetectionSettings {
  std::map<Kind::Group, bool> groups;  // no entry = on
  std::set<Kind> disabledKinds;        // ordered by declaration order
  std::map<Kind, PasteAction> kindActions;
  std::vector<std::u16string> internalDomains;  // host suffixes, "corp.example.com"
  std::vector<CustomRule> customRules;
  bool skipLocalAddresses = true;
  bool skipPrivateRanges = false;

  // False when the kind's group is switched off, else true unless disabled.
  bool isEnabled(Kind kind) const;
  // Folds switched-off groups into disabledKinds first, then sets the kind.
  void setEnabled(Kind kind, bool enabled);

  bool operator==(const DetectionSettings&) const = default;
};

}  // namespace clipvane
