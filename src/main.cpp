// The program: a tray application on an X11 desktop. It wires the desktop's
// ports, the interface's ports and the model, and hands the command line's
// URLs to the launch logic.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>

#include "AppDelegate.h"
#include "AppModel.h"
#include "CommandLine.h"
#include "Kit.h"
#include "Panels.h"
#include "SessionKind.h"
#include "StatusItemController.h"
#include "Theme.h"
#include "WindowManager.h"
#include "X11Ports.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"

namespace clipvane {
namespace {

// Installs a port for the life of this object.
template <class Port>
struct Installed {
  explicit Installed(Port* port) { Ports::install<Port>(port); }
  ~Installed() { Ports::install<Port>(nullptr); }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;
};

// SIGTERM (a session ending, `kill`) and SIGINT (Ctrl+C in a terminal) end
// the program as Quit does: through the event loop, so that Qt hands a
// clipboard we own to the clipboard manager on the way out rather than it
// emptying with the process.
int quitPipe[2] = {-1, -1};

void quitSignalled(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(quitPipe[1], &byte, 1);
}

void quitOnSignals() {
  if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte = 0;
    while (::read(quitPipe[0], &byte, 1) > 0) {
    }
    // A second signal ends the program at once, the clipboard manager or not.
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = quitSignalled;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace
}  // namespace clipvane

int main(int argc, char** argv) {
  using namespace clipvane;
  // The usage and the version need no display, and never reach a running copy.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  const CommandLine line = CommandLine::parse(args);
  if (line.action != CommandLine::Action::start) {
    std::fputs(line.text.toLocal8Bit().constData(),
               line.action == CommandLine::Action::refuse ? stderr : stdout);
    return line.exitCode();
  }
  // The desktop layer speaks X11 only: no X server, no program.
  const SessionKind session = Session::current();
  const bool hasDisplay = session == SessionKind::x11 || session == SessionKind::xwayland;
  if (const QString refusal = Session::refusal(session, qEnvironmentVariable("DISPLAY"),
                                               hasDisplay && x11::X11Display::shared().ok());
      !refusal.isEmpty()) {
    std::fprintf(stderr, "%s\n", refusal.toLocal8Bit().constData());
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");

  // Qt reads no option of its own from the command line: every argument is
  // the program's.
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  // The class of every window (WM_CLASS), before the first window exists: the
  // desktop entry's StartupWMClass names it, so taskbars match the two.
  QApplication::setApplicationName(QStringLiteral("Clipvane"));
  QApplication::setDesktopFileName(QStringLiteral("clipvane"));
  // Every window's icon, drawn as the icon theme's copy is: it needs no
  // installed theme.
  QApplication::setWindowIcon(AppIconMark::icon());
  // A tray program: closing a window never ends it; only Quit does.
  QApplication::setQuitOnLastWindowClosed(false);
  quitOnSignals();

  x11::X11Ports desktop;
  Theme::followAppearance();

  Installed<WindowsPort> windowsPort(&WindowManager::shared());
  AppModel& model = AppModel::shared();
  StatusItemController status(model);
  Installed<StatusItemPort> statusPort(&status);
  Panels panels;
  panels.setIconFrame([&status] { return status.iconFrame(); });
  Installed<PanelsPort> panelsPort(&panels);

  AppDelegate delegate(&model);
  delegate.willFinishLaunching();
  delegate.open(line.urls);
  delegate.didFinishLaunching();
  return QApplication::exec();
}
