#include "DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace clipvane::x11 {

namespace {
constexpr qint64 kSettleMs = 2000;
}  // namespace

DesktopEntries& DesktopEntries::shared() {
  static DesktopEntries entries;
  return entries;
}

QStringList DesktopEntries::applicationDirs() {
  QStringList dirs;
  QString home = qEnvironmentVariable("XDG_DATA_HOME");
  if (home.isEmpty()) home = QDir::homePath() + "/.local/share";
  dirs << home + "/applications";
  QString data = qEnvironmentVariable("XDG_DATA_DIRS");
  if (data.isEmpty()) data = "/usr/local/share:/usr/share";
  for (const QString& d : data.split(':', Qt::SkipEmptyParts)) dirs << d + "/applications";
  dirs.removeDuplicates();
  return dirs;
}

std::optional<DesktopEntry> DesktopEntries::parse(const QString& path, const QString& id) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
  DesktopEntry entry{id, {}, {}, {}, false, false};
  bool inMain = false, application = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) {
      inMain = line == QLatin1String("[Desktop Entry]");
      continue;
    }
    if (!inMain || line.startsWith('#')) continue;
    const auto eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (key == QLatin1String("Type"))
      application = value == QLatin1String("Application");
    else if (key == QLatin1String("Name"))
      entry.name = value;
    else if (key == QLatin1String("Icon"))
      entry.icon = value;
    else if (key == QLatin1String("StartupWMClass"))
      entry.startupWMClass = value;
    else if (key == QLatin1String("Categories"))
      entry.terminal = value.split(';', Qt::SkipEmptyParts).contains("TerminalEmulator");
    else if ((key == QLatin1String("NoDisplay") || key == QLatin1String("Hidden")) &&
             value == QLatin1String("true"))
      entry.hidden = true;
  }
  if (!application) return std::nullopt;
  return entry;
}

void DesktopEntries::refresh() {
  const QStringList dirs = applicationDirs();
  const QDateTime now = QDateTime::currentDateTimeUtc();
  std::vector<QDateTime> stamps;
  bool changing = false;
  for (const QString& d : dirs) {
    stamps.push_back(QFileInfo(d).lastModified());
    // A folder's time stamp moves in steps of a few milliseconds: a second
    // change in the same step as the one already read leaves it as it was.
    // So the index is read again while a folder changed very recently.
    if (stamps.back().isValid() && stamps.back().msecsTo(now) < kSettleMs) changing = true;
  }
  if (dirs == dirs_ && stamps == stamps_ && !changing_) return;
  dirs_ = dirs;
  stamps_ = stamps;
  changing_ = changing;
  entries_.clear();
  byId_.clear();
  QSet<QString> seen;  // an earlier folder hides a later one's entry of the same id
  for (const QString& d : dirs) {
    QDirIterator it(d, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QString id = QDir(d).relativeFilePath(path);
      id.chop(8);
      id.replace('/', '-');
      if (seen.contains(id)) continue;
      seen.insert(id);
      if (auto e = parse(path, id)) {
        byId_.insert(id, entries_.size());
        entries_.push_back(*e);
      }
    }
  }
}

const std::vector<DesktopEntry>& DesktopEntries::all() {
  refresh();
  return entries_;
}

std::optional<DesktopEntry> DesktopEntries::byId(const QString& id) {
  refresh();
  const auto it = byId_.constFind(id);
  if (it == byId_.cend()) return std::nullopt;
  return entries_[*it];
}

QString DesktopEntries::idForWindow(const QString& gtkApplicationId, const QString& wmInstance,
                                    const QString& wmClass) {
  const auto& entries = all();
  // Some applications name themselves differently from their entry
  // (xfce4-terminal's window says "org.xfce.Terminal"): the class decides then.
  if (!gtkApplicationId.isEmpty() && byId_.contains(gtkApplicationId)) return gtkApplicationId;
  for (const QString& key : {wmClass, wmInstance}) {
    if (key.isEmpty()) continue;
    for (const auto& e : entries)
      if (!e.startupWMClass.isEmpty() && e.startupWMClass.compare(key, Qt::CaseInsensitive) == 0)
        return e.id;
  }
  for (const QString& key : {wmClass, wmInstance}) {
    if (key.isEmpty()) continue;
    for (const auto& e : entries) {
      // "org.gnome.Nautilus" for the class "Org.gnome.Nautilus", "firefox" for "firefox".
      if (e.id.compare(key, Qt::CaseInsensitive) == 0) return e.id;
    }
  }
  if (!gtkApplicationId.isEmpty()) return gtkApplicationId;
  return (wmClass.isEmpty() ? wmInstance : wmClass).toLower();
}

QIcon DesktopEntries::icon(const QString& id) {
  const auto entry = byId(id);
  if (!entry || entry->icon.isEmpty()) return {};
  if (QFileInfo(entry->icon).isAbsolute()) return QIcon(entry->icon);
  return QIcon::fromTheme(entry->icon);
}

}  // namespace clipvane::x11
