#pragma once
// The desktop around the program: the frontmost application, URLs, sounds.
#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <optional>

namespace clipvane {

struct RunningApp {
  qint64 pid = 0;
  // The desktop-entry id ("org.gnome.Terminal", "firefox"); none when unknown.
  std::optional<QString> bundleID;
  QString name;
  // Its desktop entry lists the category TerminalEmulator: it takes Ctrl+V
  // as a literal and pastes with Ctrl+Shift+V.
  bool terminal = false;
  // The window in front (on X11 its id); 0 when unknown.
  quint64 window = 0;
  bool operator==(const RunningApp&) const = default;
};

class WorkspacePort {
 public:
  virtual ~WorkspacePort() = default;

  // The application of the active window; never one of our own windows.
  virtual std::optional<RunningApp> frontmostApplication() = 0;
  // The desktop asks for fewer animations.
  virtual bool reduceMotion() = 0;
  virtual bool openUrl(const QUrl& url) = 0;
  // The system alert sound.
  virtual void beep() = 0;
};

}  // namespace clipvane
