#pragma once
// The field names and labels the field rules know, and how each one's value
// must look.
#include <cstdint>
#include <string>
#include <string_view>

#include "../Kinds.h"

namespace clipvane::detect {

// The shape a value must have to be taken under a key.
enum class Shape : std::uint8_t {
  none,          // a known key whose value is not sensitive (stops suffix matches)
  secret,        // one token; quoted values may hold spaces
  personName,    // capitalised words
  username,      // one token
  organization,  // a short phrase
  identifier,    // an id token with a digit
  date,          // a calendar date
  document,      // passport or licence number
  nationalId,    // social security and national identity numbers
  cvv,           // 3 or 4 digits
  phone,         // 7 to 15 digits with separators
  address,       // a street address or an address phrase
  city,          // capitalised words
  postalCode,    // a postal code
  amount,        // money or a score
  phrase,        // free text of a record
};

enum KeyFlag : std::uint32_t {
  kSuffix = 1 << 0,         // also matches as the end of a longer key ("db_password")
  kWeak = 1 << 1,           // a word that often names non-secrets: the value must look random
  kBare = 1 << 2,           // may stand before its value without ":" ("CVV 123")
  kNeedsContext = 1 << 3,   // only near another key of the same record kind ("title")
  kEmployAnchor = 1 << 4,   // makes the employment context
  kMedicalAnchor = 1 << 5,  // makes the medical context
  kTwoWords = 1 << 6,       // a name of at least two words ("name" alone is too common)
  kAuthScheme = 1 << 7,     // "Bearer …": the value follows the scheme
  kWholeValue = 1 << 8,     // the whole value, spaces included (cookies)
  kUsSsn = 1 << 9,          // nine digits get the US area, group and serial checks
  kNotNumeric = 1 << 10,    // a value of digits only is not taken ("user: 1000")
  kPersonAnchor = 1 << 11,  // makes the context of a person's record ("email", "age")
  kDigitsOnly = 1 << 12,    // a PIN: digits only
  kCookie = 1 << 13,        // "name=value; …" pairs, each value judged on its own
  kTwelveDigits = 1 << 14,  // exactly twelve digits (Japan's My Number)
  // Only the last word of a longer key, after "_", "-", ".", a blank or a
  // small letter ("STRIPE_KEY", "github.pat", "stripeKey"), and the value
  // must look generated: long, letters and digits mixed.
  kCompound = 1 << 15,
  kTokenValue = 1 << 16,  // a generated value here is a secret ("sonar.login=<token>")
};

struct KeyRule {
  std::u16string_view key;  // as written in the table
  Kind kind;
  Shape shape;
  std::uint32_t flags;
};

// Record contexts: a kNeedsContext key is taken only near a key of its group.
enum ContextGroup : unsigned { kEmployment = 1, kMedical = 2, kPerson = 4 };

// The groups a key makes the context of.
unsigned anchorGroups(const KeyRule& rule);
// The group a kNeedsContext key needs.
unsigned neededGroup(const KeyRule& rule);

inline constexpr int kMaxKeyLength = 48;

struct KeyMatch {
  const KeyRule* rule = nullptr;  // Shape::none rules too; nullptr when nothing is known
  int start = -1;                 // where the matched key begins
};

// Reads a key backwards from end, no further than begin, across up to maxWords
// words. Case, "_", "-", ".", apostrophes and blanks do not count ("Date of
// Birth" = "date_of_birth" = "dateOfBirth"). The longest known ending wins: an
// entry marked kSuffix matches the end of any longer key ("db_password"), one
// marked kCompound only the last word of a longer key ("STRIPE_KEY"), any
// other entry must start a word ("Your Password") or, with wholeOnly, begin.
KeyMatch matchKeyBefore(std::u16string_view text, int begin, int end, int maxWords, bool wholeOnly);

// Bit d set when some known key ends with the digit d ("cvv2", "address1"):
// before any other digit, matchKeyBefore() finds nothing.
unsigned keyEndingDigits();

}  // namespace clipvane::detect
