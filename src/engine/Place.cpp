#include "Place.h"

#include <QRegularExpression>

#include "Accessibility.h"
#include "AppIds.h"
#include "AppModel.h"
#include "AppSettings.h"
#include "SmartPaste.h"

namespace clipvane {

const std::set<std::u16string>& Place::terminals() {
  static const std::set<std::u16string> ids(std::begin(AppIds::terminals),
                                            std::end(AppIds::terminals));
  return ids;
}

const std::set<std::u16string>& Place::browsers() {
  static const std::set<std::u16string> ids(std::begin(AppIds::browsers),
                                            std::end(AppIds::browsers));
  return ids;
}

bool Place::isTerminal(const std::optional<std::u16string>& bundleID) {
  return bundleID && terminals().count(*bundleID) > 0;
}

bool Place::isTerminal(const std::optional<RunningApp>& app) {
  if (!app) return false;
  return app->terminal || (app->bundleID && isTerminal(app->bundleID->toStdU16String()));
}

Place Place::current(const std::optional<RunningApp>& app) {
  return of(app, AppModel::shared().settings());
}

Place Place::of(const std::optional<RunningApp>& app, const AppSettings& settings) {
  if (!app) return {QStringLiteral("Unknown"), ActivityEntry::PlaceKind::app};
  const QString name = app->name.isEmpty() ? QStringLiteral("App") : app->name;
  const std::optional<std::u16string> id =
      app->bundleID ? std::optional(app->bundleID->toStdU16String()) : std::nullopt;
  const auto pid = std::int32_t(app->pid);

  if (id && browsers().count(*id)) {
    std::vector<QString> sites;
    for (const auto& entry : settings.protectedApps)
      if (entry.site) sites.push_back(QString::fromStdU16String(*entry.site));
    if (auto host = siteHost(pid, sites)) return {*host, ActivityEntry::PlaceKind::site};
    return {name, ActivityEntry::PlaceKind::app};
  }

  if (isTerminal(app)) {
    const QString title = Accessibility::focusedWindowTitle(pid).value_or(QString()).toLower();
    for (const char* agent : SmartPaste::agentNames)
      if (title.contains(QLatin1String(agent)))
        return {name + QStringLiteral(" \u00B7 ") + QLatin1String(agent),
                ActivityEntry::PlaceKind::terminal};
    return {name, ActivityEntry::PlaceKind::terminal};
  }

  return {name, ActivityEntry::PlaceKind::app};
}

std::optional<QString> Place::siteHost(std::int32_t pid, const std::vector<QString>& sites) {
  if (auto host = Accessibility::frontTabHost(pid)) return host;
  const QString title = Accessibility::focusedWindowTitle(pid).value_or(QString()).toLower();
  if (title.isEmpty() || sites.empty()) return std::nullopt;
  for (const QString& site : sites) {
    const QString s = site.toLower();
    if (s.isEmpty()) continue;
    // The site only as a whole host: nothing host-like right before it, and
    // after it neither a host character nor a dot that starts another label
    // (a sentence's full stop is fine).
    const QRegularExpression pattern(QStringLiteral("(?<![a-z0-9.-])") +
                                     QRegularExpression::escape(s) +
                                     QStringLiteral("(?![a-z0-9-]|\\.[a-z0-9])"));
    if (!pattern.isValid()) continue;
    if (pattern.match(title).hasMatch()) return s;
  }
  return std::nullopt;
}

}  // namespace clipvane
