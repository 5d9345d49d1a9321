#include "X11Workspace.h"

#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "DesktopEntries.h"
#include "DesktopSettings.h"
#include "X11Display.h"

namespace clipvane::x11 {

namespace {

QString text(const std::optional<std::string>& bytes) {
  if (!bytes) return {};
  std::string s = *bytes;
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

X11Workspace::X11Workspace(X11Display& display) : display_(display) {}

WindowFacts X11Workspace::facts(xcb_window_t window) {
  WindowFacts f;
  f.window = window;
  f.pid = display_.cardinal(window, "_NET_WM_PID").value_or(0);
  if (auto cls = display_.property(window, "WM_CLASS", XCB_ATOM_STRING)) {
    // "instance\0class\0"
    const auto nul = cls->find('\0');
    f.wmInstance = QString::fromLatin1(cls->substr(0, nul));
    if (nul != std::string::npos) f.wmClass = text(cls->substr(nul + 1));
  }
  f.gtkApplicationId = text(display_.property(window, "_GTK_APPLICATION_ID"));
  f.title = text(display_.property(window, "_NET_WM_NAME"));
  if (f.title.isEmpty()) f.title = text(display_.property(window, "WM_NAME"));
  return f;
}

bool X11Workspace::isPanel(xcb_window_t window) {
  auto types = display_.property(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
  if (!types) return false;
  const xcb_atom_t dock = display_.atom("_NET_WM_WINDOW_TYPE_DOCK");
  const xcb_atom_t desktop = display_.atom("_NET_WM_WINDOW_TYPE_DESKTOP");
  for (size_t i = 0; i + 4 <= types->size(); i += 4) {
    xcb_atom_t a;
    std::memcpy(&a, types->data() + i, 4);
    if (a == dock || a == desktop) return true;
  }
  return false;
}

std::optional<xcb_window_t> X11Workspace::clientOf(xcb_window_t window) {
  // Up from the focus until a window that carries the application's
  // properties (the client inside the window manager's frame).
  xcb_connection_t* c = display_.conn();
  for (int depth = 0; window && window != display_.root() && depth < 32; ++depth) {
    if (display_.property(window, "WM_CLASS")) return window;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
    if (!tree) return std::nullopt;
    window = tree->parent;
  }
  return std::nullopt;
}

bool X11Workspace::isApplication(const WindowFacts& f) {
  // A window without a process (one that is gone, or a client that names
  // none) is no application the user works in.
  if (f.pid <= 0) return false;
  // Nor is the window manager's own window, which takes the focus when no
  // window has it, nor any other window of its process.
  const auto check = display_.windowProperty(display_.root(), "_NET_SUPPORTING_WM_CHECK");
  if (!check) return true;
  if (*check == f.window) return false;
  const auto manager = display_.cardinal(*check, "_NET_WM_PID");
  return !(manager && qint64(*manager) == f.pid);
}

std::optional<WindowFacts> X11Workspace::activeWindow(bool includeOwn) {
  if (!display_.ok()) return std::nullopt;
  std::optional<xcb_window_t> active =
      display_.windowProperty(display_.root(), "_NET_ACTIVE_WINDOW");
  if (!active) {
    xcb_connection_t* c = display_.conn();
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &std::free);
    if (focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT) active = clientOf(focus->focus);
  }
  // No window in front: no application.
  if (!active) return std::nullopt;
  const qint64 self = getpid();
  WindowFacts f = facts(*active);
  if (f.pid != self) {
    if (!isApplication(f)) return std::nullopt;
    return f;
  }
  if (includeOwn) return f;
  // Our own window (a popup, the review panel) is in front: the application
  // the user works in is the highest other window.
  auto stacking = display_.property(display_.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
  if (!stacking) return std::nullopt;
  for (size_t i = stacking->size() / 4; i-- > 0;) {
    xcb_window_t w;
    std::memcpy(&w, stacking->data() + i * 4, 4);
    if (isPanel(w)) continue;
    WindowFacts other = facts(w);
    if (other.pid != self && isApplication(other)) return other;
  }
  return std::nullopt;
}

quint64 X11Workspace::frontWindow() {
  const auto f = activeWindow();
  return f ? f->window : 0;
}

std::optional<RunningApp> X11Workspace::frontmostApplication() {
  auto f = activeWindow();
  if (!f) return std::nullopt;
  auto& entries = DesktopEntries::shared();
  const QString id = entries.idForWindow(f->gtkApplicationId, f->wmInstance, f->wmClass);
  RunningApp app;
  app.pid = f->pid;
  app.window = f->window;
  if (!id.isEmpty()) app.bundleID = id;
  const auto entry = id.isEmpty() ? std::nullopt : entries.byId(id);
  app.name = entry && !entry->name.isEmpty() ? entry->name
             : !f->wmClass.isEmpty()         ? f->wmClass
                                             : f->title;
  app.terminal = entry && entry->terminal;
  return app;
}

std::optional<QString> X11Workspace::windowTitle(qint64 pid) {
  auto active = activeWindow(true);
  if (active && active->pid == pid) return active->title;
  auto stacking = display_.property(display_.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
  if (!stacking) return std::nullopt;
  for (size_t i = stacking->size() / 4; i-- > 0;) {
    xcb_window_t w;
    std::memcpy(&w, stacking->data() + i * 4, 4);
    WindowFacts f = facts(w);
    if (f.pid == pid) return f.title;
  }
  return std::nullopt;
}

bool X11Workspace::reduceMotion() {
  const auto animations = DesktopSettings::animationsEnabled();
  return animations && !*animations;
}

bool X11Workspace::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void X11Workspace::beep() { QApplication::beep(); }

}  // namespace clipvane::x11
