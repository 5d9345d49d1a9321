#pragma once
// The installed program as a user meets it on a real desktop: started over a
// private data folder whose settings were written first, driven from outside
// with xclip and xdotool, and photographed at every step.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "AppSettings.h"
#include "ProgramWindows.h"

namespace clipvane::e2e {

using x11::test::ShownWindow;

// A private data folder (CLIPVANE_HOME) with its own configuration folder,
// so the login item and the desktop's settings stay the test's own.
class Home {
 public:
  Home();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.path() + "/" + name; }
  // Writes the settings file as the settings window would.
  void write(const AppSettings& settings) const;

 private:
  QTemporaryDir dir_;
};

// Settings of an onboarded user; each road changes what it needs.
AppSettings onboarded();

// The program over a data folder; ended when this goes.
class Clipvane {
 public:
  explicit Clipvane(const Home& home, const QStringList& args = {});
  ~Clipvane();
  Clipvane(const Clipvane&) = delete;
  Clipvane& operator=(const Clipvane&) = delete;

  qint64 pid() const { return pid_; }
  bool running() const { return process_.state() == QProcess::Running; }
  // Waits (bounded) for the tray icon; false when it never came.
  bool waitDocked();
  std::optional<ShownWindow> trayIcon() const;
  // The program's windows outside the tray.
  std::vector<ShownWindow> popups() const;
  // A window of the program not among `before`.
  std::optional<ShownWindow> newPopup(const std::vector<ShownWindow>& before) const;
  // A shown window of the program with this title.
  std::optional<ShownWindow> window(const QString& title) const;
  // Ends the process at once, as a crash or a power cut would.
  void killHard();
  bool waitExit(int ms);
  int exitCode() const { return process_.exitCode(); }

 private:
  QProcess process_;
  qint64 pid_ = 0;
};

// The CLIPBOARD selection as another client reads it (empty when none).
QString clipboard();
// Owns the clipboard with this text (xclip) until another client takes it.
class Copy {
 public:
  explicit Copy(const QString& text);
  ~Copy();

 private:
  QProcess process_;
};

// Saves the whole screen as CLIPVANE_SCREENSHOTS/e2e-NAME.png.
void screenshot(const QString& name);

// Clicks the action button at the round end of the notice.
void clickNoticeAction(const ShownWindow& notice);

// The window manager's active window's WM_CLASS, lower case ("" when none).
QString activeClass();

}  // namespace clipvane::e2e
