#pragma once
// Numbers and times of day as the user's locale writes them. Main thread or
// any: both read only the default locale.
#include <QString>

#include <string_view>

#include "Types.h"

namespace clipvane::LocaleText {

// A whole number with the locale's digit grouping ("120,000", "120.000");
// the C locale, which Qt leaves ungrouped, groups too.
QString count(qlonglong n);
// The date through an ICU skeleton ("MMMd": Mar 5, "EEEjmm": Mon 3:45 PM):
// the locale chooses the order, the clock and the day-period marker. Empty
// when ICU has no pattern.
QString skeleton(Date date, std::u16string_view skeleton);
// The time of day in hours and minutes on the locale's clock ("10:13",
// "10:13 AM"), never with seconds.
QString shortTime(Date date);

}  // namespace clipvane::LocaleText
