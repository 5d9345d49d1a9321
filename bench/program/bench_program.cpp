// The program's own figures on a real desktop (run inside
// scripts/x11-session.sh): time from start to the tray icon shown, resident
// memory once idle, a copy's notice on screen, and a notice's show time in
// process. Prints the figures; asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Panels.h"
#include "ProgramWindows.h"

using namespace clipvane;
using namespace clipvane::x11::test;

namespace {

// Polls until the condition holds; the milliseconds it took, or -1.
template <class Condition>
double msUntil(Condition condition, int limitMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > limitMs) return -1;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::usleep(500);
  }
  return double(clock.nsecsElapsed()) / 1e6;
}

void idle(int ms) {
  msUntil([] { return false; }, ms);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

void report(const char* what, const std::vector<double>& v, const char* unit) {
  std::printf("%-40s median %8.1f %s  (min %.1f, max %.1f, n=%zu)\n", what, median(v), unit,
              *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()),
              v.size());
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  const int runs = 5;

  // Start to tray icon, then idle memory of the last run.
  std::vector<double> start, rss, notice;
  for (int i = 0; i < runs; ++i) {
    Program program(QStringLiteral(CLIPVANE_PROGRAM));
    start.push_back(msUntil([&] { return bool(program.trayIcon()); }));
    idle(3000);
    rss.push_back(double(program.residentKiB()) / 1024.0);

    // A copied address until its notice stands on screen.
    const auto before = program.popups().size();
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-quiet"});
    xclip.waitForStarted();
    xclip.write(QStringLiteral("mail jane%1@example.com").arg(i).toUtf8());
    xclip.closeWriteChannel();
    notice.push_back(msUntil([&] { return program.popups().size() > before; }));
    xclip.kill();
    xclip.waitForFinished();
  }
  report("start to tray icon shown", start, "ms");
  report("resident memory, idle 3 s after start", rss, "MiB");
  report("copy of an address to its notice shown", notice, "ms");

  // One notice shown by the panels in this process, until its window is exposed.
  Panels panels;
  std::vector<double> show;
  for (int i = 0; i < 20; ++i) {
    panels.dismissToast();
    idle(50);
    QElapsedTimer clock;
    clock.start();
    panels.showToast(Toast{QStringLiteral("check.fill"), Tint::acc,
                           QStringLiteral("Email masked %1").arg(i), std::nullopt},
                     false);
    msUntil([&] {
      FloatingPanel* p = panels.toastPanel();
      return p && p->isVisible() && p->windowHandle() && p->windowHandle()->isExposed();
    });
    show.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  report("notice: showToast to window exposed", show, "ms");
  return 0;
}
