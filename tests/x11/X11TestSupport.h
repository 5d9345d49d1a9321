#pragma once
// Shared pieces of the desktop tests: bounded waits that keep the event loop
// turning, and the helper client in a process of its own.
#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "Terminal.h"

class QWidget;

namespace clipvane::x11::test {

// Turns the event loop until the condition holds; false after the limit.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs a command to its end and returns its standard output (and its exit code).
QByteArray run(const QString& program, const QStringList& args, const QByteArray& input = {},
               int* exitCode = nullptr);

// The helper client (tests/x11/helper) in one of its modes, or the GTK
// window that speaks as it does.
class Helper {
 public:
  explicit Helper(const QStringList& args, const QString& program = CLIPVANE_X11_HELPER);
  ~Helper();
  static std::unique_ptr<Helper> window(const QString& name);
  // A GTK window with one entry, of the class "target" as the helper's
  // window. It also tells each key pressed with Ctrl ("key ctrl+k").
  static std::unique_ptr<Helper> gtkWindow(const QString& name);
  // Starts a helper that owns the clipboard with these formats.
  static std::unique_ptr<Helper> copy(const QList<std::pair<QString, QByteArray>>& formats);

  qint64 pid() const { return process_.processId(); }
  unsigned windowId() const { return windowId_; }
  QString text() const { return text_; }
  // The text field on screen, as last reported.
  QRect field() const { return field_; }
  // Waits for the line starting with `tag`.
  bool waitFor(const QByteArray& tag);
  // Waits until this window is the active one and has the keyboard focus.
  bool waitActive();
  bool waitForExit();
  int exitCode() const { return process_.exitCode(); }

 private:
  void readLines();
  QProcess process_;
  QByteArray buffer_;
  QList<QByteArray> lines_;
  unsigned windowId_ = 0;
  QString text_;
  QRect field_;
  bool focused_ = false;
};

// The server's keyboard layout, switched for a test; the one found at the
// start comes back at the end.
class KeyboardLayout {
 public:
  KeyboardLayout();
  ~KeyboardLayout();
  // Waits until the server has the new layout (setxkbmap has ended).
  static void set(const QString& layout, const QString& variant);
  // Locks the group (0 the first layout, 1 the second) as a layout switch
  // key does; true once the server has it in force.
  static bool lockGroup(int group);

 private:
  QString layout_ = QStringLiteral("us"), variant_;
};

// Runs an account tool, again while another holds the user database's lock.
int accountTool(const QString& tool, const QStringList& args, const QByteArray& input = {});

// A throw-away account with a known password; made only where the tests
// run as root (CI), since it changes the machine's user list. Named after the
// process, so that runs at once on one machine (two checkouts, the plain and
// the sanitized suite) never share one; removed when the test ends, passed or
// failed. One left by a run that was killed goes at the next run.
struct TestUser {
  TestUser();
  ~TestUser();
  TestUser(const TestUser&) = delete;
  TestUser& operator=(const TestUser&) = delete;
  static QString prefix();
  // The accounts of this kind whose process is gone.
  static void removeOrphans();

  const QString name;
  const QString password = QStringLiteral("c0rrect h\u00f6rse");
  bool ready = false;
};

// The program's password dialog while it is on screen.
QWidget* passwordDialog();

// The active window according to the window manager (0 when none).
unsigned activeWindow();
// The window with the X input focus.
unsigned inputFocus();
// Runs xdotool with the arguments.
void xdotool(const QStringList& args);
// Presses the keys by their codes in order and lets them go in reverse, as a
// keyboard sends them, and waits for nothing (the keyboard may stay frozen
// until a grab's owner has decided). xdotool is no help here: it switches
// the group in force for the keys it types.
void typeKeys(const std::vector<unsigned>& codes);

}  // namespace clipvane::x11::test
