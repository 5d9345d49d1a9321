#include "DesktopEntries.h"

#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <ctime>

namespace clipvane::x11 {

namespace {

constexpr std::int64_t kSettleNs = 2'000'000'000;

std::int64_t nanoseconds(const timespec& t) {
  return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// A folder's modification time; -1 when it is missing.
std::int64_t stamp(const QString& dir) {
  struct stat info {};
  if (::stat(QFile::encodeName(dir).constData(), &info) != 0) return -1;
  return nanoseconds(info.st_mtim);
}

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
  timespec clock{};
  ::clock_gettime(CLOCK_REALTIME, &clock);
  const std::int64_t now = nanoseconds(clock);
  std::vector<std::int64_t> stamps;
  bool changing = false;
  for (const QString& d : dirs) {
    stamps.push_back(stamp(d));
    // A folder's time stamp moves in steps of a few milliseconds: a second
    // change in the same step as the one already read leaves it as it was.
    // So the index is read again while a folder changed very recently.
    if (stamps.back() >= 0 && now - stamps.back() < kSettleNs) changing = true;
  }
  if (dirs == dirs_ && stamps == stamps_ && !changing_) return;
  dirs_ = dirs;
  stamps_ = stamps;
  changing_ = changing;
  entries_.clear();
  byId_.clear();
  byLowerId_.clear();
  byClass_.clear();
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
        const std::size_t index = entries_.size();
        byId_.insert(id, index);
        // The first entry of a name wins.
        if (const QString lower = id.toLower(); !byLowerId_.contains(lower))
          byLowerId_.insert(lower, index);
        if (const QString cls = e->startupWMClass.toLower();
            !cls.isEmpty() && !byClass_.contains(cls))
          byClass_.insert(cls, index);
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
  refresh();
  // Some applications name themselves differently from their entry (MATE
  // Terminal's window says "org.mate.Terminal"): the class decides then.
  if (!gtkApplicationId.isEmpty() && byId_.contains(gtkApplicationId)) return gtkApplicationId;
  const QString keys[] = {wmClass.toLower(), wmInstance.toLower()};
  // The entry that names the window's class, then the one whose id is the
  // class: "org.gnome.Nautilus" for "Org.gnome.Nautilus", "firefox" for "firefox".
  for (const auto* index : {&byClass_, &byLowerId_})
    for (const QString& key : keys) {
      if (key.isEmpty()) continue;
      if (const auto it = index->constFind(key); it != index->cend()) return entries_[*it].id;
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
