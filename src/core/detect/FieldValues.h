#pragma once
// The shapes of field values: where a value of a given shape ends, and
// whether it is real data or a stand-in.
#include <string_view>

#include "FieldKeys.h"

namespace clipvane::detect::fieldvalue {

struct Span {
  int begin = 0;
  int end = 0;
};

enum class Mode {
  whole,    // [begin, end) is the complete value (a quoted string, a CSV cell)
  leading,  // the value starts at begin and ends where its shape ends, at end at the latest
  code,     // as leading, in code: a bare identifier is a variable, not a value
};

// Where a value of the rule's shape lies in text[begin, end), or {-1, -1}.
// `strict` asks secrets to look random (labels in running prose).
Span match(std::u16string_view text, int begin, int end, const KeyRule& rule, Mode mode,
           bool strict = false);

// End of a calendar date starting at begin ("1990-04-12", "12/04/1990",
// "April 12, 1990", "12 Apr 1990"), or -1.
int dateEnd(std::u16string_view text, int begin, int end);

// End of an unquoted JSON number starting at begin, or -1.
int jsonNumberEnd(std::u16string_view text, int begin, int end);

// A free-text street address starting with its house number at begin
// ("221B Baker Street, London NW1 6XE"), or {-1, -1}. withPlace tells whether
// a unit, city, region or postal code follows the street.
// With lower, the words may be in lower case ("221b baker street") and the
// place after the street is left to the caller.
// weakSuffix tells whether the street ends with a word that is also an
// everyday noun ("Harbor View"), which is a street only with a place after it.
Span streetAddress(std::u16string_view text, int begin, int end, bool* withPlace = nullptr,
                   bool lower = false, bool* weakSuffix = nullptr);

// A street name that ends like one ("Hauptstraße", "Kerkstraat") and the
// house number after it: "Hauptstraße 5, 10115 Berlin".
// "P.O. Box 1234, Springfield, IL 62704", given where the number begins.
Span poBox(std::u16string_view text, int begin, int number, int end, bool* withPlace);
// Where "Flat 3, " begins before the house number of "Flat 3, 12 High Street", or -1.
int unitBefore(std::u16string_view text, int begin, int number);

// With anyCase also in one case throughout ("HAUPTSTRASSE", "storgatan").
bool isStreetWord(std::u16string_view word, bool anyCase = false);
// A kind of street written before its name: "rue", "avenue", "via".
bool isLeadingStreetType(std::u16string_view word);
Span streetFirstAddress(std::u16string_view text, int wordBegin, int number, int end);
// Where "Calle Mayor 12", "Via Roma 15" begins, given its house number; -1
// when no kind of street opens the words before the number.
int typeFirstStreetStart(std::u16string_view text, int begin, int number);

// Capitalised name words starting at begin (after a salutation), or {-1, -1}.
Span nameAfterSalutation(std::u16string_view text, int begin, int end);

// A value a machine made: sixteen characters or more, mostly letters and
// digits, the two mixed all along ("Hy7KpQ2mN8vXc4Rt", "4f9a8c7d…"); a UUID
// only when uuid is set.
bool generatedValue(std::u16string_view value, bool uuid);

// A person's name at the start of an address value: "Jane Doe" alone, or
// before the house number ("Jane Doe, 742 Evergreen Terrace"); {-1, -1} when none.
Span recipientName(std::u16string_view text, int begin, int end);

bool isMonthName(std::u16string_view word);
bool isUnitWord(std::u16string_view word);         // apt, suite, flat, …
bool isStreetSuffix(std::u16string_view word);     // street, avenue, lane, …
bool isAnyStreetSuffix(std::u16string_view word);  // those, and creek, view, mill, …
bool isStreetParticle(std::u16string_view word);   // de, la, del, …
bool isSentenceWord(std::u16string_view word);     // the, of, for, … (no street's name)
// End of a postcode at begin ("62704", "SW1A 2AA", "00-514"), or -1; with
// anyCase also in lower case ("nw1 6xe").
int postcodeEnd(std::u16string_view text, int begin, int end, bool anyCase);
// The end of a place name that ran on into the next sentence: "København V.
// Thanks" ends after "V", "Hellerup. Come by" after "Hellerup"; else end.
int placeSentenceEnd(std::u16string_view text, int begin, int end);
// End of a place name of up to maxWords capitalised words, or -1.
int cityEnd(std::u16string_view text, int begin, int end, int maxWords);
bool isNullWord(std::u16string_view value);  // true, false, null, none, n/a, …

}  // namespace clipvane::detect::fieldvalue
