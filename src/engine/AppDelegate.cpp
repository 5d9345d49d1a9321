#include "AppDelegate.h"

#include <QPointer>
#include <QRegularExpression>
#include <QUrl>
#include <cstdio>

#include "AppModel.h"
#include "OnMain.h"
#include "SingleInstance.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WindowsPort.h"

namespace clipvane {

namespace {

const QString scheme = QStringLiteral("clipvane");

// The host exactly as written (a parsed URL lower-cases it).
QString rawHost(const QString& url) {
  const qsizetype start = scheme.size() + 1;
  if (!url.mid(start).startsWith(QStringLiteral("//"))) return {};
  QString authority = url.mid(start + 2);
  const qsizetype end = authority.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
  if (end >= 0) authority.truncate(end);
  if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) authority.remove(0, at + 1);
  if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) authority.truncate(colon);
  return QUrl::fromPercentEncoding(authority.toUtf8());
}

SettingsTab tabFor(const QString& key) {
  if (key == QStringLiteral("privacy")) return SettingsTab::autoMask;
  return fromRawName<SettingsTab>(key.toStdString()).value_or(SettingsTab::general);
}

// Another process holds the name a running copy would: the user would
// otherwise believe the program protects them.
void refuseToStart(const RunningCopy& holder) {
  const QString name =
      Ports::get<InstancePort>().bundleIdentifier().value_or(QStringLiteral("Clipvane"));
  std::fprintf(stderr,
               "Clipvane could not start: another process (%lld) holds its name %s on the "
               "session bus\n",
               static_cast<long long>(holder.pid), name.toLocal8Bit().constData());
  std::fflush(stderr);
  Ports::get<PanelsPort>().showToast(
      Toast{QStringLiteral("priority_high"), Tint::bad,
            QStringLiteral(
                "Clipvane could not start: another process holds its name on the session bus"),
            std::nullopt},
      false);
  onMain(AppDelegate::refusalWait(), [] { Ports::get<InstancePort>().terminate(1); });
}

}  // namespace

double& AppDelegate::refusalWait() {
  static double seconds = defaultRefusalWait;
  return seconds;
}

AppDelegate::AppDelegate(AppModel* model) : model_(model) {}

std::optional<UrlRoute> AppDelegate::route(const QString& url) {
  // The scheme must match exactly, letter case included.
  if (!url.startsWith(scheme + u':')) return std::nullopt;
  if (rawHost(url) == QStringLiteral("activity")) return UrlRoute{true, SettingsTab::general};
  // The first component after the root; empty components do not count.
  const QString path = QUrl(url).path();
  if (!path.startsWith(u'/')) return UrlRoute{false, SettingsTab::general};
  const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
  return UrlRoute{false, parts.isEmpty() ? SettingsTab::general : tabFor(parts.front())};
}

void AppDelegate::willFinishLaunching() { runningCopy_ = SingleInstance::olderCopy(); }

void AppDelegate::open(const QStringList& urls) {
  if (runningCopy_) {
    openedWith_.append(urls);
    return;
  }
  WindowsPort& windows = Ports::get<WindowsPort>();
  for (const QString& url : urls) {
    const auto r = route(url);
    if (!r) continue;
    if (r->activity)
      windows.showActivity(false);
    else
      windows.showSettings(r->tab);
  }
}

void AppDelegate::didFinishLaunching() {
  if (runningCopy_ && !runningCopy_->isThisProgram) {
    refuseToStart(*runningCopy_);
    return;
  }
  if (runningCopy_) {
    // URLs that arrive until then go along.
    onMain(handOverDelay,
           [this, copy = *runningCopy_] { SingleInstance::handOver(openedWith_, copy); });
    return;
  }
  SingleInstance::listen([] { Ports::get<WindowsPort>().showSettings(SettingsTab::general); },
                         [self = QPointer<AppDelegate>(this)](const QStringList& urls) {
                           if (self) self->open(urls);
                         });
  (model_ ? *model_ : AppModel::shared()).start();
}

bool AppDelegate::shouldHandleReopen() {
  if (!runningCopy_) Ports::get<WindowsPort>().showSettings(SettingsTab::general);
  return false;
}

}  // namespace clipvane
