// The program's own figures on a real desktop (run inside
// scripts/x11-session.sh): time from start to the tray icon shown, resident
// memory once idle, after 1,000 and after 5,000 copies, the program's CPU time
// per copy over the first and the last hundred of them, a copy's notice on
// screen, a 10 KB copy until the clipboard holds it masked, the safe-paste key
// until the masked 10 KB text stands in xterm, a GTK field and a Qt field, the
// delay Smart paste adds to a Ctrl+V it lets through, resident memory at its
// peak and 60 s after a 50 MB copy, and a notice's show time in process.
// Prints the figures; asserts nothing.
//
//   bench_program [start|notice|copies|paste|smart|big|panels]...   (none: all)
//
// CLIPVANE_BENCH_PROGRAM names another build of the program to measure (an
// older one, for the figures before a change).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <vector>

#include "AppSettings.h"
#include "Panels.h"
#include "ProgramWindows.h"
#include "Terminal.h"
#include "X11Display.h"
#include "X11Keyboard.h"

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
  if (v.empty()) {
    std::printf("%-46s no figure\n", what);
    return;
  }
  std::printf("%-46s median %8.1f %s  (min %.1f, max %.1f, n=%zu)\n", what, median(v), unit,
              *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()),
              v.size());
}

void report(const char* what, double value, const char* unit) {
  std::printf("%-46s        %8.1f %s\n", what, value, unit);
}

// The machine is shared: every section says how loaded it was.
void load(const char* when) {
  QFile f(QStringLiteral("/proc/loadavg"));
  const QByteArray avg = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
  std::printf("-- %s, load average %s\n", when, avg.constData());
  std::fflush(stdout);
}

QString programPath() {
  const QByteArray other = qgetenv("CLIPVANE_BENCH_PROGRAM");
  return other.isEmpty() ? QStringLiteral(CLIPVANE_PROGRAM) : QString::fromLocal8Bit(other);
}

// A line of /proc/PID/status in KiB (VmRSS, VmHWM), 0 when unknown.
double statusMiB(qint64 pid, const QByteArray& field) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(field + ':'))
      return line.mid(field.size() + 1).trimmed().split(' ').front().toDouble() / 1024.0;
  return 0;
}

// The CPU time the process has used, all its threads, in milliseconds.
double cpuMs(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QByteArray line = stat.readAll();
  // The fields after the command's name, which may hold blanks: utime and
  // stime are the 12th and 13th of them.
  const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (f.size() < 13) return 0;
  return (f[11].toDouble() + f[12].toDouble()) * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}

// Owns the clipboard with the text until another client takes it.
class Copy {
 public:
  explicit Copy(const QString& text) {
    process_.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-quiet"});
    process_.waitForStarted();
    process_.write(text.toUtf8());
    process_.closeWriteChannel();
  }
  ~Copy() {
    process_.kill();
    process_.waitForFinished(2000);
  }

 private:
  QProcess process_;
};

QString clipboardText() { return QGuiApplication::clipboard()->text(QClipboard::Clipboard); }

// Reads the clipboard only after it changed hands: asking the program for it
// on every turn would load the very program being measured.
class ClipboardWatch {
 public:
  ClipboardWatch() {
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, &context_,
                     [this](QClipboard::Mode mode) {
                       if (mode == QClipboard::Clipboard) ++changes_;
                     });
  }
  // Milliseconds until the clipboard's text satisfies the condition, or -1.
  double until(const std::function<bool(const QString&)>& holds, int limitMs = 10000) {
    qint64 seen = -1;
    return msUntil(
        [&] {
          if (changes_ == seen) return false;
          seen = changes_;
          return holds(clipboardText());
        },
        limitMs);
  }

 private:
  QObject context_;
  qint64 changes_ = 0;
};

// About `size` characters of prose with an address and a card every few lines.
QString prose(int run, int size) {
  QString text = QStringLiteral("BEGIN%1 ").arg(run);
  text.reserve(size + 200);
  for (int i = 0; text.size() < size; ++i)
    text += i % 8 == 0 ? QStringLiteral(
                             "Write to person%1.run%2@example.com or use the card "
                             "4111 1111 1111 1111 for the order. ")
                             .arg(i % 120)
                             .arg(run)
                       : QStringLiteral(
                             "The meeting notes of line %1 say nothing in "
                             "particular about anything at all. ")
                             .arg(i);
  return text + QStringLiteral("END");
}

QString tenKB(int run) { return prose(run, 10 * 1024); }

QByteArray settingsJson(const std::function<void(AppSettings&)>& change) {
  AppSettings s;
  s.onboarded = true;
  change(s);
  return QByteArray::fromStdString(s.toJSON());
}

// A one-field window of this process as the paste destination; it notes when
// a Ctrl+V reaches it.
class Field : public QLineEdit {
 public:
  Field() {
    setWindowTitle(QStringLiteral("bench field"));
    resize(500, 60);
    move(300, 300);
    show();
    activateWindow();
    setFocus();
  }
  bool active() {
    auto& d = x11::X11Display::shared();
    return windowHandle() && QGuiApplication::focusWindow() == windowHandle() &&
           d.windowProperty(d.root(), "_NET_ACTIVE_WINDOW").value_or(0) == winId();
  }
  qint64 pasteKeyAt = 0;  // QElapsedTimer ns of the last Ctrl+V seen
  QElapsedTimer* clock = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (clock && event->key() == Qt::Key_V && (event->modifiers() & Qt::ControlModifier))
      pasteKeyAt = clock->nsecsElapsed();
    QLineEdit::keyPressEvent(event);
  }
};

void click(const QPoint& at) {
  QProcess::execute(QStringLiteral("xdotool"),
                    {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

// A notice's action button, at the round end of its capsule (40 high) inside
// the transparent margin.
void clickNoticeAction(const ShownWindow& notice) {
  const int margin = (notice.frame.height() - 40) / 2;
  click(QPoint(notice.frame.right() - margin - 6 - 18, notice.frame.center().y()));
}

// The first window shown since `before`, waited for.
std::optional<ShownWindow> newPopup(const Program& program, const std::vector<ShownWindow>& before,
                                    int limitMs = 10000) {
  std::optional<ShownWindow> found;
  msUntil(
      [&] {
        for (const ShownWindow& w : program.popups()) {
          bool seen = false;
          for (const ShownWindow& b : before) seen = seen || b.id == w.id;
          if (!seen) found = w;
        }
        return bool(found);
      },
      limitMs);
  return found;
}

bool activeIs(xcb_window_t window) {
  auto& d = x11::X11Display::shared();
  return window && d.windowProperty(d.root(), "_NET_ACTIVE_WINDOW").value_or(0) == window;
}

// Brings another process's window to the front.
bool activate(xcb_window_t window) {
  if (activeIs(window)) return true;
  QProcess::execute(QStringLiteral("xdotool"), {"windowactivate", QString::number(window)});
  return msUntil([&] { return activeIs(window); }, 5000) >= 0;
}

// A few thousand applications installed in a private data folder.
void installEntries(const QString& dir, int count) {
  QDir().mkpath(dir + QStringLiteral("/applications"));
  for (int i = 0; i < count; ++i) {
    QFile f(dir + QStringLiteral("/applications/org.example.App%1.desktop").arg(i));
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Example %1\nExec=app%1\n"
                           "Icon=app%1\nStartupWMClass=App%1\nCategories=Utility;\n")
                .arg(i)
                .toUtf8());
  }
}

// ---- sections -------------------------------------------------------------------

// Start to tray icon, then idle memory.
void startFigures() {
  std::vector<double> start, rss;
  for (int i = 0; i < 5; ++i) {
    Program program(programPath());
    start.push_back(msUntil([&] { return bool(program.trayIcon()); }));
    idle(3000);
    rss.push_back(statusMiB(program.pid(), "VmRSS"));
  }
  report("start to tray icon shown", start, "ms");
  report("resident memory, idle 3 s after start", rss, "MiB");
}

// A copied address until its notice stands on screen.
void noticeFigures() {
  std::vector<double> notice;
  Program program(programPath());
  msUntil([&] { return bool(program.trayIcon()); });
  idle(2000);
  for (int i = 0; i < 5; ++i) {
    // The notice before, gone: the next one reuses its window.
    msUntil([&] { return program.popups().empty(); }, 8000);
    const auto before = program.popups();
    QElapsedTimer clock;
    clock.start();
    Copy copy(QStringLiteral("mail jane%1@example.com").arg(i));
    if (newPopup(program, before)) notice.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  report("copy of an address to its notice shown", notice, "ms");
}

// 5,000 copies of an address, each until the clipboard holds it masked:
// memory after 1,000 and 5,000, CPU per copy over the first and last hundred.
void copyFigures() {
  Program program(programPath(), settingsJson([](AppSettings&) {}), {});
  msUntil([&] { return bool(program.trayIcon()); });
  idle(2000);
  const double before = statusMiB(program.pid(), "VmRSS");
  ClipboardWatch watch;
  const int copies = 5000, window = 100;
  std::vector<double> masked;
  double mark = 0, firstCpu = -1, lastCpu = -1, after1000 = 0;
  int missed = 0;
  for (int i = 0; i < copies; ++i) {
    if (i == 0 || i == copies - window) mark = cpuMs(program.pid());
    const QString tag = QStringLiteral("copy %1 ").arg(i);
    Copy copy(tag + QStringLiteral("mail user%1@example.com").arg(i));
    const double ms = watch.until(
        [&](const QString& now) { return now.startsWith(tag) && now.contains("[EMAIL_"); });
    if (ms < 0) ++missed;
    if (i < 1000 && ms >= 0) masked.push_back(ms);
    if (i == window - 1) firstCpu = (cpuMs(program.pid()) - mark) / window;
    if (i == copies - 1) lastCpu = (cpuMs(program.pid()) - mark) / window;
    if (i == 999) {
      idle(3000);
      after1000 = statusMiB(program.pid(), "VmRSS");
    }
  }
  idle(3000);
  report("copy of an address to masked clipboard", masked, "ms");
  report("resident memory, idle after start", before, "MiB");
  report("resident memory, idle after 1,000 copies", after1000, "MiB");
  report("resident memory, idle after 5,000 copies", statusMiB(program.pid(), "VmRSS"), "MiB");
  report("CPU per copy, copies 1 to 100", firstCpu, "ms");
  report("CPU per copy, copies 4,901 to 5,000", lastCpu, "ms");
  if (missed) std::printf("(%d copies never came back masked)\n", missed);
}

// Where a safe paste lands.
struct Destination {
  const char* name;
  std::function<bool()> activate;  // in front with the keyboard focus
  std::function<void()> clear;
  std::function<bool(const QString& head)> holds;  // the masked text whole
};

// 10 KB: copy to masked clipboard; the safe-paste key to the masked text in
// the destination (the original back on the clipboard through the notice's
// Undo first).
void pasteInto(Program& program, Destination& to, int first, std::vector<double>& copied) {
  ClipboardWatch watch;
  x11::X11Keyboard keyboard(x11::X11Display::shared());
  std::vector<double> pasted;
  const auto skip = [&](int run, const char* why) {
    std::fprintf(stderr, "%s, run %d: %s\n", to.name, run, why);
  };
  for (int run = first; run < first + 7; ++run) {
    const QString text = tenKB(run);
    const QString head = QStringLiteral("BEGIN%1 Write to [EMAIL_").arg(run);
    if (!to.activate()) {
      skip(run, "not in front");
      continue;
    }
    // The notice of the paste before, gone: the copy's notice reuses its window.
    msUntil([&] { return program.popups().empty(); }, 8000);
    const auto shown = program.popups();
    Copy copy(text);
    const double ms = watch.until([&](const QString& now) { return now.startsWith(head); });
    if (ms < 0) {
      skip(run, "copy not masked");
      continue;
    }
    copied.push_back(ms);
    const std::optional<ShownWindow> notice = newPopup(program, shown);
    if (!notice) {
      skip(run, "no notice");
      continue;
    }
    idle(400);
    clickNoticeAction(*notice);
    if (watch.until([&](const QString& now) { return now == text; }) < 0) {
      skip(run, "undo did not bring the copy back");
      continue;
    }
    to.clear();
    if (!to.activate()) {
      skip(run, "not in front");
      continue;
    }
    idle(200);
    QElapsedTimer clock;
    clock.start();
    keyboard.postKey(KeyCode::v, Modifier::control | Modifier::command);
    if (msUntil([&] { return to.holds(head); }) < 0) {
      skip(run, "the masked text never arrived");
      continue;
    }
    pasted.push_back(double(clock.nsecsElapsed()) / 1e6);
    idle(1500);  // the previous clipboard comes back
  }
  const std::string what = std::string("10 KB safe-paste key to text in ") + to.name;
  report(what.c_str(), pasted, "ms");
}

void pasteFigures() {
  Program program(programPath(), settingsJson([](AppSettings& s) { s.aiCheck = false; }), {});
  msUntil([&] { return bool(program.trayIcon()); });
  std::vector<double> copied;

  {
    Field field;
    Destination qt{"a Qt field",
                   [&] {
                     field.activateWindow();
                     return msUntil([&] { return field.active(); }, 5000) >= 0;
                   },
                   [&] { field.clear(); },
                   [&](const QString& head) {
                     return field.text().startsWith(head) && field.text().endsWith("END");
                   }};
    pasteInto(program, qt, 0, copied);
  }

  {
    // xterm pastes the CLIPBOARD selection only when told to.
    Terminal xterm(QStringLiteral("xterm"),
                   {"-xrm",
                    "XTerm*VT100.translations: #override Ctrl Shift <Key>V: "
                    "insert-selection(CLIPBOARD)",
                    "-e"});
    xcb_window_t window = 0;
    msUntil(
        [&] {
          const auto shown = shownWindows(xterm.pid());
          if (!shown.empty()) window = shown.front().id;
          return window && xterm.running();
        },
        20000);
    qsizetype seen = 0;
    Destination term{"xterm", [&] { return activate(window); },
                     [&] { seen = xterm.received().size(); },
                     [&](const QString& head) {
                       const QByteArray now = xterm.received().mid(seen);
                       return now.contains(head.toUtf8()) && now.endsWith("END");
                     }};
    if (window) pasteInto(program, term, 100, copied);
  }

#ifdef CLIPVANE_GTK_FIELD
  {
    QProcess gtk;
    gtk.start(QStringLiteral(CLIPVANE_GTK_FIELD), {});
    QByteArray buffer, text;
    xcb_window_t window = 0;
    const auto read = [&] {
      buffer += gtk.readAllStandardOutput();
      for (qsizetype nl; (nl = buffer.indexOf('\n')) >= 0; buffer.remove(0, nl + 1)) {
        const QByteArray line = buffer.left(nl);
        if (line.startsWith("window ")) window = line.mid(7).toUInt();
        if (line.startsWith("text ")) text = line.mid(5);
      }
    };
    QObject::connect(&gtk, &QProcess::readyReadStandardOutput, read);
    msUntil([&] { return window != 0; }, 20000);
    Destination field{"a GTK field", [&] { return activate(window); },
                      [&] {
                        gtk.write("clear\n");
                        msUntil([&] { return text.isEmpty(); }, 2000);
                      },
                      [&](const QString& head) {
                        return text.startsWith(head.toUtf8()) && text.endsWith("END");
                      }};
    if (window) pasteInto(program, field, 200, copied);
    gtk.kill();
    gtk.waitForFinished(2000);
  }
#else
  std::printf("(no GTK field: built without GTK's headers)\n");
#endif
  report("10 KB copy to masked clipboard", copied, "ms");
}

// The delay Smart paste adds to a Ctrl+V it lets through (an application
// that is not protected), with 3,000 desktop entries installed: the key's
// arrival with Smart paste on less its arrival with it off.
void smartPasteFigures() {
  QTemporaryDir data;
  installEntries(data.path(), 3000);
  QProcessEnvironment extra;
  extra.insert(QStringLiteral("XDG_DATA_DIRS"), data.path() + QStringLiteral(":/usr/share"));
  Copy copy(QStringLiteral("plain words"));
  Field field;
  x11::X11Keyboard keyboard(x11::X11Display::shared());
  std::vector<double> arrival[2];
  for (int on = 0; on < 2; ++on) {
    Program program(programPath(), settingsJson([on](AppSettings& s) { s.smartPaste = on == 1; }),
                    extra);
    msUntil([&] { return bool(program.trayIcon()); });
    idle(1500);
    field.activateWindow();
    msUntil([&] { return field.active(); });
    QElapsedTimer clock;
    clock.start();
    field.clock = &clock;
    for (int i = 0; i < 60; ++i) {
      field.clear();
      field.pasteKeyAt = 0;
      const qint64 sent = clock.nsecsElapsed();
      keyboard.postPaste(false);
      if (msUntil([&] { return field.pasteKeyAt != 0; }, 2000) < 0) continue;
      if (i >= 10) arrival[on].push_back(double(field.pasteKeyAt - sent) / 1e6);
    }
    field.clock = nullptr;
  }
  if (!arrival[0].empty() && !arrival[1].empty()) {
    report("Ctrl+V arrival, Smart paste off", arrival[0], "ms");
    report("Ctrl+V arrival, Smart paste on (let through)", arrival[1], "ms");
    std::printf("%-46s median %8.2f ms\n", "Smart paste delay on a Ctrl+V let through",
                median(arrival[1]) - median(arrival[0]));
  }
}

// A 50 MB copy until the clipboard holds it masked; memory at the peak and
// 60 s later.
void bigCopyFigures() {
  Program program(programPath(), settingsJson([](AppSettings& s) { s.aiCheck = false; }), {});
  msUntil([&] { return bool(program.trayIcon()); });
  idle(2000);
  const QString text = prose(0, 50 * 1024 * 1024);
  const auto shown = program.popups();
  QElapsedTimer clock;
  clock.start();
  Copy copy(text);
  // Its notice says the clipboard holds it masked; reading 50 MB back to
  // look would add its own memory to the program's.
  if (!newPopup(program, shown, 600000)) {
    std::printf("(the 50 MB copy was never masked)\n");
    return;
  }
  report("50 MB copy to masked clipboard", double(clock.nsecsElapsed()) / 1e6, "ms");
  report("resident memory, peak of a 50 MB copy", statusMiB(program.pid(), "VmHWM"), "MiB");
  idle(5000);
  report("resident memory, 5 s after a 50 MB copy", statusMiB(program.pid(), "VmRSS"), "MiB");
  idle(55000);
  report("resident memory, 60 s after a 50 MB copy", statusMiB(program.pid(), "VmRSS"), "MiB");
}

// One notice shown by the panels in this process, until its window is exposed.
void panelFigures() {
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
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  std::set<std::string> chosen;
  for (int i = 1; i < argc; ++i) chosen.insert(argv[i]);
  const auto run = [&](const char* name, void (*section)()) {
    if (!chosen.empty() && !chosen.contains(name)) return;
    load(name);
    section();
    std::fflush(stdout);
  };
  std::printf("program: %s\n", programPath().toLocal8Bit().constData());
  run("start", startFigures);
  run("notice", noticeFigures);
  run("copies", copyFigures);
  run("paste", pasteFigures);
  run("smart", smartPasteFigures);
  run("big", bigCopyFigures);
  run("panels", panelFigures);
  load("end");
  return 0;
}
