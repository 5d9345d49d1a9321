// The program's own figures on a real desktop (run inside
// scripts/x11-session.sh): time from start to the tray icon shown, resident
// memory once idle and after 1,000 copies, a copy's notice on screen, a 10 KB
// copy until the clipboard holds it masked, the safe-paste key until the
// masked 10 KB text stands in a window, the delay Smart paste adds to a
// Ctrl+V it lets through, and a notice's show time in process. Prints the
// figures; asserts nothing.
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

#include <algorithm>
#include <cstdio>
#include <vector>

#include "AppSettings.h"
#include "Panels.h"
#include "ProgramWindows.h"
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
  std::printf("%-40s median %8.1f %s  (min %.1f, max %.1f, n=%zu)\n", what, median(v), unit,
              *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()),
              v.size());
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

// A text of about 10 KB: prose with an address and a card every few lines.
QString tenKB(int run) {
  QString text = QStringLiteral("BEGIN%1 ").arg(run);
  for (int i = 0; text.size() < 10 * 1024; ++i)
    text += i % 8 == 0 ? QStringLiteral(
                             "Write to person%1.run%2@example.com or use the card "
                             "4111 1111 1111 1111 for the order. ")
                             .arg(i)
                             .arg(run)
                       : QStringLiteral(
                             "The meeting notes of line %1 say nothing in "
                             "particular about anything at all. ")
                             .arg(i);
  return text + QStringLiteral("END");
}

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

  // 1,000 copies of an address, each until the clipboard holds it masked.
  {
    Program program(QStringLiteral(CLIPVANE_PROGRAM), settingsJson([](AppSettings&) {}), {});
    msUntil([&] { return bool(program.trayIcon()); });
    idle(2000);
    const double before = double(program.residentKiB()) / 1024.0;
    std::vector<double> masked;
    for (int i = 0; i < 1000; ++i) {
      const QString tag = QStringLiteral("copy %1 ").arg(i);
      Copy copy(tag + QStringLiteral("mail user%1@example.com").arg(i));
      masked.push_back(msUntil([&] {
        const QString now = clipboardText();
        return now.startsWith(tag) && now.contains(QStringLiteral("[EMAIL_"));
      }));
    }
    idle(3000);
    report("copy of an address to masked clipboard", masked, "ms");
    report("resident memory, idle after start", {before}, "MiB");
    report("resident memory, idle after 1,000 copies", {double(program.residentKiB()) / 1024.0},
           "MiB");
  }

  // 10 KB: copy to masked clipboard; the safe-paste key to the masked text in
  // a window (the original back on the clipboard through the notice's Undo).
  {
    Program program(QStringLiteral(CLIPVANE_PROGRAM),
                    settingsJson([](AppSettings& s) { s.aiCheck = false; }), {});
    msUntil([&] { return bool(program.trayIcon()); });
    Field field;
    msUntil([&] { return field.active(); });
    x11::X11Keyboard keyboard(x11::X11Display::shared());
    std::vector<double> copied, pasted;
    for (int run = 0; run < 5; ++run) {
      const QString text = tenKB(run);
      const QString head = QStringLiteral("BEGIN%1 Write to [EMAIL_").arg(run);
      const auto shown = program.popups();
      Copy copy(text);
      copied.push_back(msUntil([&] { return clipboardText().startsWith(head); }));
      std::optional<ShownWindow> notice;
      msUntil([&] {
        for (const ShownWindow& w : program.popups()) {
          bool seen = false;
          for (const ShownWindow& b : shown) seen = seen || b.id == w.id;
          if (!seen) notice = w;
        }
        return bool(notice);
      });
      if (!notice) continue;
      idle(400);
      clickNoticeAction(*notice);
      if (msUntil([&] { return clipboardText() == text; }) < 0) continue;
      field.clear();
      field.activateWindow();
      msUntil([&] { return field.active(); });
      QElapsedTimer clock;
      clock.start();
      keyboard.postKey(KeyCode::v, Modifier::control | Modifier::command);
      if (msUntil([&] { return field.text().startsWith(head) && field.text().endsWith("END"); }) <
          0)
        continue;
      pasted.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    report("10 KB copy to masked clipboard", copied, "ms");
    if (!pasted.empty()) report("10 KB safe-paste key to masked text shown", pasted, "ms");
  }

  // The delay Smart paste adds to a Ctrl+V it lets through (an application
  // that is not protected), with 3,000 desktop entries installed: the key's
  // arrival with Smart paste on less its arrival with it off.
  {
    QTemporaryDir data;
    installEntries(data.path(), 3000);
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("XDG_DATA_DIRS"), data.path() + QStringLiteral(":/usr/share"));
    Copy copy(QStringLiteral("plain words"));
    Field field;
    x11::X11Keyboard keyboard(x11::X11Display::shared());
    std::vector<double> arrival[2];
    for (int on = 0; on < 2; ++on) {
      Program program(QStringLiteral(CLIPVANE_PROGRAM),
                      settingsJson([on](AppSettings& s) { s.smartPaste = on == 1; }), extra);
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
      std::printf("%-40s median %8.2f ms\n", "Smart paste delay on a Ctrl+V let through",
                  median(arrival[1]) - median(arrival[0]));
    }
  }

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
