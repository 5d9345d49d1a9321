#pragma once
// The installed applications as the desktop knows them: the .desktop files of
// $XDG_DATA_HOME and $XDG_DATA_DIRS, by desktop-entry id ("org.gnome.Terminal").
// The files are read once and again only when a folder changed (and during the
// two seconds after a change): a lookup on every intercepted paste key costs a
// stat of each folder and a hash lookup.
#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace clipvane::x11 {

struct DesktopEntry {
  QString id;  // file name without ".desktop", sub-folders joined by '-'
  QString name;
  QString icon;
  QString startupWMClass;
  bool hidden = false;    // NoDisplay or Hidden: not for the application list
  bool terminal = false;  // Categories lists TerminalEmulator
};

class DesktopEntries {
 public:
  // The index of the current data directories, rebuilt when one changed.
  static DesktopEntries& shared();

  const std::vector<DesktopEntry>& all();
  std::optional<DesktopEntry> byId(const QString& id);

  // The desktop-entry id of a window's application: its GTK application id
  // when an entry has it, else the entry whose StartupWMClass or id matches
  // the window's class (or instance), else the GTK application id, else the
  // class in lower case.
  QString idForWindow(const QString& gtkApplicationId, const QString& wmInstance,
                      const QString& wmClass);
  QIcon icon(const QString& id);

  // Reads one file; nothing when it is no application entry.
  static std::optional<DesktopEntry> parse(const QString& path, const QString& id);
  static QStringList applicationDirs();

 private:
  void refresh();
  std::vector<DesktopEntry> entries_;
  // Index in entries_ by id, by id in lower case and by StartupWMClass in
  // lower case (the first entry of a name).
  QHash<QString, std::size_t> byId_, byLowerId_, byClass_;
  QStringList dirs_;
  std::vector<std::int64_t> stamps_;  // modification times, ns; -1: missing
  bool changing_ = false;             // a folder had changed just before the last reading
};

}  // namespace clipvane::x11
