#include "X11Applications.h"

#include <QCollator>

#include <algorithm>

#include "DesktopEntries.h"

namespace clipvane::x11 {

namespace {
InstalledApp installed(const DesktopEntry& e) {
  return {e.id, e.name.isEmpty() ? e.id : e.name, e.icon};
}
}  // namespace

std::vector<InstalledApp> X11Applications::applications() {
  std::vector<InstalledApp> out;
  for (const DesktopEntry& e : DesktopEntries::shared().all())
    if (!e.hidden) out.push_back(installed(e));
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setNumericMode(true);
  std::stable_sort(out.begin(), out.end(), [&](const InstalledApp& a, const InstalledApp& b) {
    return collator.compare(a.name, b.name) < 0;
  });
  return out;
}

std::optional<InstalledApp> X11Applications::application(const QString& id) {
  const auto e = DesktopEntries::shared().byId(id);
  if (!e) return std::nullopt;
  return installed(*e);
}

}  // namespace clipvane::x11
