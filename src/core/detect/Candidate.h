#pragma once
// A value some rule proposes, before checks, skips and overlap resolution.
#include <string>
#include <string_view>
#include <vector>

#include "../Kinds.h"
#include "../Settings.h"
#include "../Types.h"

namespace clipvane::detect {

struct Candidate {
  Kind kind;
  Range range;
  bool contextual = false;  // found through a field name or label
  bool jsonNumber = false;  // an unquoted JSON number
  bool userMade = false;    // custom rules and extra spans rank above the built-in kinds
  // Empty: the kind's label. A custom rule's name, which the settings hold
  // while the text is scanned: the candidate stays a plain value, copied
  // and moved without allocating.
  std::u16string_view label;
};

// Values under known field names and labels (JSON, YAML, .env/INI, headers,
// query strings, CSV with a header row, code literals, prose labels) and
// free-text postal addresses and salutation names. Appends to out; finds only
// kinds the settings enable.
namespace FieldRules {
void find(std::u16string_view text, const DetectionSettings& settings, std::vector<Candidate>& out);

// Values that stand for a secret without being one: "", "***", "xxx",
// "<password>", "${VAR}", "changeme", …
bool isPlaceholderValue(std::u16string_view value);

// Placeholders, and what else stands where a secret goes without being one:
// references ("$(vault read …)", "$this->password", "!secret db"), pieces of
// a concatenation, bodies of one repeated character, the words of examples
// ("example-password", "django-insecure-…") and the passwords tutorials type
// ("password123", "abc123").
bool isStandInSecret(std::u16string_view value);

// The password of a URL's user part ("https://user:pw@host") that stands in
// for one: isStandInSecret, the user's own name, or the documentation's
// syntax ("[user[:password]@]").
bool isStandInUrlPassword(std::u16string_view user, std::u16string_view password);

// A person's account name as a command or URL gives it ("jdoe", "m.rossi"),
// not a built-in account ("root", "git", "ec2-user") nor a stand-in.
bool isAccountName(std::u16string_view value);
}  // namespace FieldRules

}  // namespace clipvane::detect
