#pragma once
// The 30-day history of safe pastes, "activity.json".
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Kinds.h"
#include "Types.h"

namespace clipvane {

struct ActivityEntry {
  enum class PlaceKind { site, app, terminal };
  enum class Outcome { hidden, blocked, kept };

  Uuid id = Uuid::generate();
  Date date{};
  std::u16string place;
  PlaceKind placeKind = PlaceKind::app;
  Outcome outcome = Outcome::hidden;
  std::map<Kind, int> counts;
  int kept = 0;
  std::optional<std::vector<std::u16string>> masks;

  int hiddenCount() const;
  bool operator==(const ActivityEntry&) const = default;
};

template <>
struct EnumTraits<ActivityEntry::PlaceKind> {
  static constexpr std::array<std::string_view, 3> names = {"site", "app", "terminal"};
};
template <>
struct EnumTraits<ActivityEntry::Outcome> {
  static constexpr std::array<std::string_view, 3> names = {"hidden", "blocked", "kept"};
};

namespace ActivityStore {
// Every entry, oldest first; missing or bad file: none. Takes no lock.
std::vector<ActivityEntry> read();
// Under the lock: read, drop entries older than 30 days, append, write.
// Returns the stored list; throws StorageError.
std::vector<ActivityEntry> append(const ActivityEntry& entry);
// Removes every entry (under the lock).
void clear();
}  // namespace ActivityStore

}  // namespace clipvane
