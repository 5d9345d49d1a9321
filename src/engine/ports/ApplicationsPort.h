#pragma once
// The applications installed on the desktop, for the settings' application
// chooser and the icons of protected applications.
#include <QString>

#include <optional>
#include <vector>

namespace clipvane {

struct InstalledApp {
  QString id;    // the desktop-entry id ("org.gnome.Terminal", "firefox")
  QString name;  // the name the desktop shows
  // A themed icon name ("utilities-terminal") or an absolute image path;
  // empty when the entry names none.
  QString icon;
  bool operator==(const InstalledApp&) const = default;
};

class ApplicationsPort {
 public:
  virtual ~ApplicationsPort() = default;

  // Every application the desktop lists (entries marked hidden or not to be
  // displayed are left out), sorted by name.
  virtual std::vector<InstalledApp> applications() = 0;
  // The installed application with this id, listed or not; none when no
  // entry has it.
  virtual std::optional<InstalledApp> application(const QString& id) = 0;
};

}  // namespace clipvane
