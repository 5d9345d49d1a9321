#pragma once
// The desktop around the program: the active window's application (from the
// window manager's properties), URLs, the alert sound and the motion setting.
#include <xcb/xcb.h>

#include <optional>

#include "ports/WorkspacePort.h"

namespace clipvane::x11 {

class X11Display;

struct WindowFacts {
  xcb_window_t window = 0;
  qint64 pid = 0;
  QString wmInstance, wmClass, gtkApplicationId, title;
};

class X11Workspace : public WorkspacePort {
 public:
  explicit X11Workspace(X11Display& display);

  std::optional<RunningApp> frontmostApplication() override;
  // The window of the frontmost application (0: none); any thread may ask.
  quint64 frontWindow();
  bool reduceMotion() override;
  bool openUrl(const QUrl& url) override;
  void beep() override;

  // The window the user works in: the active one, or the input focus's
  // top-level window when the window manager names none; windows of this
  // process count only when `includeOwn`. Nothing when no application's
  // window is in front.
  std::optional<WindowFacts> activeWindow(bool includeOwn = false);
  // The title of the process's focused window (_NET_WM_NAME, else WM_NAME).
  std::optional<QString> windowTitle(qint64 pid);
  WindowFacts facts(xcb_window_t window);

 private:
  std::optional<xcb_window_t> clientOf(xcb_window_t window);
  bool isPanel(xcb_window_t window);
  bool isApplication(const WindowFacts& f);

  X11Display& display_;
};

}  // namespace clipvane::x11
