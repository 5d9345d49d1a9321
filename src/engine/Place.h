#pragma once
// Where a paste went, as the activity history shows it: the site open in a
// browser's front tab, a terminal with the coding agent running in it, or an
// application's name.
#include <QString>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Activity.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

struct AppSettings;

struct Place {
  QString name;
  ActivityEntry::PlaceKind kind = ActivityEntry::PlaceKind::app;

  // Desktop-entry ids (AppIds.h).
  static const std::set<std::u16string>& terminals();
  static const std::set<std::u16string>& browsers();
  static bool isTerminal(const std::optional<std::u16string>& bundleID);
  // A terminal by its desktop entry's category, or, for a window without an
  // entry, by the fixed list.
  static bool isTerminal(const std::optional<RunningApp>& app);

  // The destination for an application ("Unknown" when there is none), with
  // the protected sites of the shared model's settings. Reads the
  // accessibility tree; main thread.
  static Place current(const std::optional<RunningApp>& app);
  static Place of(const std::optional<RunningApp>& app, const AppSettings& settings);

  // The host of the page in the process's front tab; else the first of the
  // sites that stands in the focused window's title as a whole host.
  static std::optional<QString> siteHost(std::int32_t pid, const std::vector<QString>& sites);

  bool operator==(const Place&) const = default;
};

}  // namespace clipvane
