#pragma once
// The texts of the review panel: its title, the value column of the item
// list and the preview of the text as it would be pasted.
#include <QString>

#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "ReviewSession.h"
#include "Theme.h"

namespace clipvane::ReviewText {

// "1 item found", "3 items found", "0 items found".
QString title(std::size_t found);

// A finding's value as the item list shows it: a private key never, a card
// as its last four digits, anything else on one line and cut after 20
// characters when it has 23 or more.
QString shown(const Finding& finding);

// One stretch of the preview: plain text, or a label drawn in `color` on the
// same colour at 12 % opacity.
struct Run {
  QString text;
  std::optional<ThemeColor> color;
  bool operator==(const Run&) const = default;
};

// The text as it would be pasted with `keep` unmasked: kept values as they
// are, locked ones as "[removed]", the others as the session's labels when it
// has them, else as numbered tokens (the same value of the same word keeps
// its number) or as their partial masks.
// Findings that overlap the previous one or run past the text are skipped.
// Only its first `limit` characters are made (a panel shows a few lines of a
// text that may be megabytes long); `whole` tells whether that was all of it.
std::vector<Run> preview(const ReviewSession& session, const std::set<int>& keep,
                         qsizetype limit = std::numeric_limits<qsizetype>::max(),
                         bool* whole = nullptr);

}  // namespace clipvane::ReviewText
