#include "XdgLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace clipvane::x11 {

XdgLoginItem::XdgLoginItem(QString program) : program_(std::move(program)) {
  if (program_.isEmpty()) program_ = QCoreApplication::applicationFilePath();
}

QString XdgLoginItem::path() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  // The variable counts only when it names an absolute path.
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + "/.config";
  return config + "/autostart/clipvane.desktop";
}

QString XdgLoginItem::execLine(const QString& program) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool needsQuotes = false;
  for (QChar c : program) needsQuotes |= reserved.contains(c);
  if (!needsQuotes) return program;
  QString quoted;
  for (QChar c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  // A backslash is itself escaped once more by the key file's own rules.
  quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  return '"' + quoted + '"';
}

LoginItemStatus XdgLoginItem::status() {
  QFile file(path());
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return LoginItemStatus::notRegistered;
  bool inMain = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) inMain = line == QLatin1String("[Desktop Entry]");
    const auto eq = line.indexOf('=');
    if (!inMain || eq <= 0) continue;
    const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
    if ((key == QLatin1String("Hidden") && value == QLatin1String("true")) ||
        (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")))
      return LoginItemStatus::notRegistered;
  }
  return LoginItemStatus::enabled;
}

std::optional<QString> XdgLoginItem::registerItem() {
  const QString file = path();
  if (!QDir().mkpath(QFileInfo(file).path()))
    return QStringLiteral("cannot create %1").arg(QFileInfo(file).path());
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return out.errorString();
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Clipvane\n"
                            "Comment=Keeps sensitive data out of pasted text\n"
                            "Exec=%1\n"
                            "Icon=clipvane\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n")
                            .arg(execLine(program_));
  out.write(entry.toUtf8());
  if (!out.commit()) return out.errorString();
  return std::nullopt;
}

std::optional<QString> XdgLoginItem::retargetItem() {
  if (status() != LoginItemStatus::enabled || !QFileInfo(program_).isExecutable())
    return std::nullopt;
  QFile file(path());
  if (!file.open(QIODevice::ReadOnly)) return file.errorString();
  QList<QByteArray> lines = file.readAll().split('\n');
  file.close();
  const QByteArray exec = "Exec=" + execLine(program_).toUtf8();
  bool inMain = false, found = false;
  for (QByteArray& line : lines) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('[')) inMain = trimmed == "[Desktop Entry]";
    const auto eq = trimmed.indexOf('=');
    if (!inMain || eq <= 0 || trimmed.left(eq).trimmed() != "Exec") continue;
    if (trimmed == exec) return std::nullopt;
    line = exec;
    found = true;
  }
  // An entry that starts nothing is written anew.
  if (!found) return registerItem();
  QSaveFile out(path());
  if (!out.open(QIODevice::WriteOnly)) return out.errorString();
  out.write(lines.join('\n'));
  if (!out.commit()) return out.errorString();
  return std::nullopt;
}

std::optional<QString> XdgLoginItem::unregisterItem() {
  QFile file(path());
  if (!file.exists()) return std::nullopt;
  if (!file.remove()) return file.errorString();
  return std::nullopt;
}

}  // namespace clipvane::x11
