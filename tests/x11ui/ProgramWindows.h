#pragma once
// The real program as a user's desktop sees it: started in a private data
// folder, found by its windows on the X server (the tray icon inside the tray
// host, the menu, the notices). Shared by the program's desktop tests and its
// benchmark driver.
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <vector>

#include "X11Display.h"

namespace clipvane::x11::test {

// One window of a process that the user can see.
struct ShownWindow {
  xcb_window_t id = 0;
  QRect frame;          // on the root window
  bool inTray = false;  // a descendant of the tray host's window
};

namespace detail {

template <class Reply>
using Owned = std::unique_ptr<Reply, decltype(&free)>;

inline void collect(X11Display& d, xcb_window_t window, bool inTray, std::uint32_t pid,
                    std::vector<ShownWindow>& out) {
  xcb_connection_t* c = d.conn();
  Owned<xcb_get_window_attributes_reply_t> attrs(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &free);
  if (!attrs || attrs->map_state != XCB_MAP_STATE_VIEWABLE) return;
  const auto cls = d.property(window, "WM_CLASS");
  inTray = inTray || (cls && cls->find("tint2") != std::string::npos);
  if (d.cardinal(window, "_NET_WM_PID") == pid) {
    Owned<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &free);
    Owned<xcb_translate_coordinates_reply_t> at(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, d.root(), 0, 0),
                                        nullptr),
        &free);
    if (g && at) out.push_back({window, QRect(at->dst_x, at->dst_y, g->width, g->height), inTray});
  }
  Owned<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr),
                                     &free);
  if (!tree) return;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
    collect(d, children[i], inTray, pid, out);
}

}  // namespace detail

// Every viewable window of the process, in stacking order from the bottom.
inline std::vector<ShownWindow> shownWindows(qint64 pid, X11Display& d = X11Display::shared()) {
  std::vector<ShownWindow> out;
  detail::collect(d, d.root(), false, std::uint32_t(pid), out);
  return out;
}

// The program in a data folder of its own; ended when this goes. Unless
// `firstRun`, its settings say setup is done, so no first-run window opens.
class Program {
 public:
  explicit Program(const QString& executable, bool firstRun = false)
      : Program(executable, firstRun ? QByteArray() : QByteArray(R"({"onboarded": true})"), {}) {}
  // `settings`: the settings file written before the start (none: defaults);
  // `extra`: environment added to the test's own.
  Program(const QString& executable, const QByteArray& settings, const QProcessEnvironment& extra) {
    if (!settings.isEmpty()) {
      QFile file(home_.filePath(QStringLiteral("settings.json")));
      if (file.open(QIODevice::WriteOnly)) file.write(settings);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    env.insert(QStringLiteral("CLIPVANE_HOME"), home_.path());
    // The program points an autostart entry that is on at itself: the
    // user's own entry is never the test's.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(executable, {});
    process_.waitForStarted();
  }
  ~Program() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(2000);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  qint64 pid() const { return process_.processId(); }
  bool running() const { return process_.state() == QProcess::Running; }
  QString home() const { return home_.path(); }

  // The tray icon, once the tray host has embedded it.
  std::optional<ShownWindow> trayIcon() const {
    for (const ShownWindow& w : shownWindows(pid()))
      if (w.inTray && !w.frame.isEmpty()) return w;
    return std::nullopt;
  }
  // The shown window whose title (_NET_WM_NAME) is `title`.
  std::optional<ShownWindow> titled(const std::string& title) const {
    for (const ShownWindow& w : popups()) {
      const auto name = X11Display::shared().property(w.id, "_NET_WM_NAME");
      if (name && *name == title) return w;
    }
    return std::nullopt;
  }
  // Starts a second copy with the URL (none: a plain second start) in this
  // program's data folder; true once it has handed it over and ended.
  bool handOver(const QString& url) const {
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CLIPVANE_HOME"), home());
    second.setProcessEnvironment(env);
    second.start(process_.program(), url.isEmpty() ? QStringList() : QStringList{url});
    return second.waitForStarted() && second.waitForFinished(10000) &&
           second.exitStatus() == QProcess::NormalExit;
  }
  // Shown windows outside the tray (menus, notices, windows).
  std::vector<ShownWindow> popups() const {
    std::vector<ShownWindow> out;
    for (const ShownWindow& w : shownWindows(pid()))
      if (!w.inTray && w.frame.width() > 1 && w.frame.height() > 1) out.push_back(w);
    return out;
  }
  // Resident memory in KiB (VmRSS), 0 when unknown.
  long residentKiB() const {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
  }

 private:
  QTemporaryDir home_;
  QProcess process_;
};

}  // namespace clipvane::x11::test
