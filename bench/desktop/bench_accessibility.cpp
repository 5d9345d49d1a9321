// How long the accessibility queries hold the caller (the paste-key decision
// holds the whole keyboard meanwhile), on a real desktop (run inside
// scripts/x11-session.sh): against a Qt and a GTK window that answer, against
// the same windows stopped (kill -STOP) three times in a row, and against a
// page in Chromium and in Firefox ESR when they are installed. Prints the
// figures; asserts nothing.
#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "Accessibility.h"
#include "Browsers.h"
#include "X11Ports.h"

using namespace clipvane;

namespace {

void idle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
}

bool waitFor(const std::function<bool()>& condition, int limitMs = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > limitMs) return false;
    idle(20);
  }
  return true;
}

double msOf(const std::function<void()>& query) {
  QElapsedTimer clock;
  clock.start();
  query();
  return double(clock.nsecsElapsed()) / 1e6;
}

struct Query {
  const char* name;
  std::function<void(std::int32_t pid)> run;
};

const std::vector<Query>& queries() {
  static const std::vector<Query> all = {
      {"focused field", [](std::int32_t) { (void)Accessibility::focusedElementRect(); }},
      {"caret", [](std::int32_t) { (void)Accessibility::selectionRect(); }},
      {"field texts", [](std::int32_t) { (void)Accessibility::focusedElementText(); }},
      {"window title", [](std::int32_t pid) { (void)Accessibility::focusedWindowTitle(pid); }},
      {"front tab", [](std::int32_t pid) { (void)Accessibility::frontTabHost(pid); }},
  };
  return all;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// Each query ten times against an application that answers.
void answering(const char* target, std::int32_t pid) {
  for (const Query& q : queries()) {
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i) ms.push_back(msOf([&] { q.run(pid); }));
    std::printf("%-14s %-14s answering   median %7.1f ms  max %7.1f ms\n", target, q.name,
                median(ms), *std::max_element(ms.begin(), ms.end()));
  }
}

// Each query three times in a row against the stopped application, each
// series after the application answered again.
void stopped(const char* target, qint64 pid) {
  for (const Query& q : queries()) {
    ::kill(pid_t(pid), SIGCONT);
    // Answering again, and no longer left alone after its last silence.
    waitFor([] { return Accessibility::focusedElementRect().has_value(); });
    ::kill(pid_t(pid), SIGSTOP);
    idle(50);
    double ms[3];
    for (double& m : ms) m = msOf([&] { q.run(std::int32_t(pid)); });
    std::printf("%-14s %-14s stopped     1st %7.1f ms  2nd %7.1f ms  3rd %7.1f ms\n", target,
                q.name, ms[0], ms[1], ms[2]);
  }
  ::kill(pid_t(pid), SIGCONT);
}

bool fieldFound() {
  return waitFor([] { return Accessibility::focusedElementRect().has_value(); });
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  x11::X11Ports ports;

  {
    QProcess qt;
    qt.start(QStringLiteral(CLIPVANE_X11_HELPER), {"window", "Target"});
    if (qt.waitForStarted() && fieldFound()) {
      answering("Qt field", std::int32_t(qt.processId()));
      stopped("Qt field", qt.processId());
    } else {
      std::printf("Qt field: no focused field found\n");
    }
    qt.kill();
    qt.waitForFinished();
  }
  {
    QProcess gtk;
    gtk.start(QStringLiteral("xfce4-terminal"), {"--disable-server", "--geometry=60x8+200+200"});
    if (gtk.waitForStarted() && fieldFound()) {
      answering("GTK terminal", std::int32_t(gtk.processId()));
      stopped("GTK terminal", gtk.processId());
    } else {
      std::printf("GTK terminal: xfce4-terminal missing or no focused field found\n");
    }
    gtk.kill();
    gtk.waitForFinished();
  }
  x11::test::LocalPage page(x11::test::LocalPage::chatPage());
  for (auto engine : {x11::test::Browser::Engine::chromium, x11::test::Browser::Engine::firefox}) {
    const char* name = engine == x11::test::Browser::Engine::chromium ? "Chromium" : "Firefox ESR";
    if (!x11::test::Browser::available(engine)) {
      std::printf("%s: not installed\n", name);
      continue;
    }
    x11::test::Browser browser(engine, page.url());
    if (!browser.waitShown()) {
      std::printf("%s: %s\n", name, browser.failure().c_str());
      continue;
    }
    if (!fieldFound()) {
      std::printf("%s: no focused field found\n", name);
      continue;
    }
    answering(name, std::int32_t(browser.pid()));
    stopped(name, browser.pid());
  }
  return 0;
}
