#include "E2eSupport.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "X11TestSupport.h"

namespace clipvane::e2e {

using namespace x11::test;

Home::Home() { QDir().mkpath(dir_.path() + "/config"); }

void Home::write(const AppSettings& settings) const {
  QFile f(file("settings.json"));
  if (f.open(QIODevice::WriteOnly)) f.write(QByteArray::fromStdString(settings.toJSON()));
}

AppSettings onboarded() {
  AppSettings s;
  s.onboarded = true;
  return s;
}

Clipvane::Clipvane(const Home& home, const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CLIPVANE_HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.file("config"));
  process_.setProcessEnvironment(env);
  process_.setProcessChannelMode(QProcess::ForwardedChannels);
  process_.start(QStringLiteral(CLIPVANE_PROGRAM), args);
  process_.waitForStarted();
  pid_ = process_.processId();
}

Clipvane::~Clipvane() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(2000);
  }
}

bool Clipvane::waitDocked() {
  return waitUntil([&] { return bool(trayIcon()); }, std::chrono::seconds(20));
}

std::optional<ShownWindow> Clipvane::trayIcon() const {
  for (const ShownWindow& w : shownWindows(pid_))
    if (w.inTray && !w.frame.isEmpty()) return w;
  return std::nullopt;
}

std::vector<ShownWindow> Clipvane::popups() const {
  std::vector<ShownWindow> out;
  for (const ShownWindow& w : shownWindows(pid_))
    if (!w.inTray && w.frame.width() > 1 && w.frame.height() > 1) out.push_back(w);
  return out;
}

std::optional<ShownWindow> Clipvane::newPopup(const std::vector<ShownWindow>& before) const {
  for (const ShownWindow& w : popups()) {
    bool seen = false;
    for (const ShownWindow& b : before) seen = seen || b.id == w.id;
    if (!seen) return w;
  }
  return std::nullopt;
}

std::optional<ShownWindow> Clipvane::window(const QString& title) const {
  auto& d = x11::X11Display::shared();
  for (const ShownWindow& w : popups())
    if (const auto name = d.property(w.id, "_NET_WM_NAME");
        name && QString::fromStdString(*name) == title)
      return w;
  return std::nullopt;
}

void Clipvane::killHard() {
  ::kill(pid_t(pid_), SIGKILL);
  process_.waitForFinished(5000);
}

bool Clipvane::waitExit(int ms) {
  return waitUntil([&] { return process_.state() == QProcess::NotRunning; },
                   std::chrono::milliseconds(ms));
}

QString clipboard() { return QString::fromUtf8(run("xclip", {"-selection", "clipboard", "-o"})); }

Copy::Copy(const QString& text) {
  process_.start("xclip", {"-selection", "clipboard", "-quiet"});
  process_.waitForStarted();
  process_.write(text.toUtf8());
  process_.closeWriteChannel();
}

Copy::~Copy() {
  process_.kill();
  process_.waitForFinished(2000);
}

void screenshot(const QString& name) {
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  QGuiApplication::primaryScreen()->grabWindow(0).save(QStringLiteral(CLIPVANE_SCREENSHOTS) +
                                                       "/e2e-" + name + ".png");
}

void clickNoticeAction(const ShownWindow& notice) {
  // The capsule (40 high) stands centred in a transparent margin; the pill
  // button ends 6 inside its right end.
  const int margin = (notice.frame.height() - 40) / 2;
  const QPoint at(notice.frame.right() - margin - 6 - 18, notice.frame.center().y());
  xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

QString activeClass() {
  const unsigned w = activeWindow();
  if (!w) return {};
  const auto cls = x11::X11Display::shared().property(w, "WM_CLASS");
  return cls ? QString::fromLatin1(QByteArray::fromStdString(*cls)).toLower() : QString();
}

}  // namespace clipvane::e2e
