#pragma once
// Street addresses beyond one line and one language: the unit and place lines
// around a street line ("Apt. 12", "Springfield, IL 62704", "London\nSW1A
// 2AA"), US military addresses ("PSC 1234, Box 5678\nAPO AE 09204"), streets
// named before their number in the ways of many countries ("Váci u. 19",
// "ul. Marszałkowska 84/92", "Karl Johans gate 22"), and Greek and Cyrillic
// street lines ("Ερμού 25, 105 63 Αθήνα", "ул. Тверская, д. 7").
#include <string_view>

#include "FieldValues.h"

namespace clipvane::detect::address {

using View = std::u16string_view;
using fieldvalue::Span;

// A word that names a unit of a building: "Apt", "Suite", "Flat", "Studio".
bool unitWord(View word);

// Whether [b, e) holds one unit and nothing else: "Apt. 12", "Flat 3B".
bool unitLine(View t, int b, int e);

// The address a, found on the line [ls, le), with the unit line above it and
// the unit and place lines below it when it runs to its line's end. With
// lower, the place lines may be in lower case too; without anyPlace, a place
// line must name its place before its postcode ("Springfield, IL 62704").
Span block(View t, Span a, int ls, int le, bool lower, bool anyPlace = true);

// A place after a street written in lower case, from `from` (at its comma)
// to the end of its line: ", springfield, il 62704", ", london nw1 6xe". Its
// end, or -1; a postcode must be part of it.
int lowerPlaceEnd(View t, int from, int le);

// "PSC 1234, Box 5678", "Unit 2050 Box 4190", "CMR 410 Box 123", given where
// the digits after its first word begin, with its APO, FPO or DPO line; and
// "APO AE 09204" given where its digits begin, with the box or ship line
// above it. {-1, -1} when none.
Span military(View t, int ls, int le, int number);

// "Flat 3B\nBaker Street\nLondon\nSW1A 2AA": a unit line, given where its
// number begins, above a street line without a house number.
Span unitAboveStreet(View t, int ls, int le, int number);

// A street named before its number, given where the number begins: the
// kind of street after the name ("Váci u. 19", "Kossuth utca 12", "Karl
// Johans gate 22"), a kind of street before it in any case ("ul. Lipowa
// 12/3", "via Garibaldi 7"), or Greek and Cyrillic ("Ερμού 25", "ул.
// Тверская, д. 7"). Where the street begins, or -1. standsAlone tells whether
// its kind of street says "street" clearly ("ul.", "u.", "ул."); else a
// place after it or a word that introduces one must tell it from "Via
// Verde 3 stars". With lower, the name may be in lower case ("via roma 15"),
// and needs a kind of street.
int namedStreetStart(View t, int ls, int number, bool* standsAlone, bool lower = false);

// What follows a street: a place with a postcode or region, a city alone, or none.
enum class Place { none, place, cityOnly };

// Whether a word in lower case that starts with c may be a kind of street
// written after the name ("gate", "utca", "u."): a first look.
inline bool mayBeTypeAfterName(char16_t c) {
  return c == u'u' || c == u'g' || c == u'v' || c == u't' || c == u'k' || c == u'n' || c == u'i' ||
         c == u'c' || c == 0xFA /* ú */;
}

// The end of the house number at `number` and what follows the street on
// its line: "12/3", "7к2", ", 00-514 Warszawa", ", 105 63 Αθήνα",
// ", кв. 5, Москва, 125009".
int namedStreetEnd(View t, int number, int le, Place* place);

}  // namespace clipvane::detect::address
