#pragma once
// The Detect tab's ignored texts and imported word lists: the edits of the
// two lists, the usage line under the lists and the "Added" column's text.
#include <QString>

#include <optional>

#include "AppSettings.h"
#include "Types.h"

namespace clipvane {

namespace DetectLists {

// The text the user typed, trimmed, as a new ignored entry seen as "Text";
// none for a blank text. An entry already listed is not looked for.
std::optional<IgnoredText> ignoredText(const QString& typed, Date now);
// Removes every ignored text with this id; the others keep their order.
void removeIgnored(AppSettings& settings, const Uuid& id);

// Whether the list with this id is looked for; false when there is none.
bool listEnabled(const AppSettings& settings, const Uuid& id);
// Sets `enabled` of the first list with this id; nothing when there is none.
void setListEnabled(AppSettings& settings, const Uuid& id, bool enabled);
// Removes every list with this id (with its items); the others keep their order.
void removeList(AppSettings& settings, const Uuid& id);

// "120 of 1,000 · 0.3 of 1 MB": the items and bytes of every list, disabled
// ones included, against the import's limits, in the user's locale.
QString importUsage(const AppSettings& settings);

// The "Added" column: weekday, hour and minute in the user's locale
// ("Tue 3:07 PM"), no day of the month.
QString when(Date date);

}  // namespace DetectLists

}  // namespace clipvane
