#pragma once
// Debian's Chromium and Firefox ESR showing a page served on 127.0.0.1, for
// the checks that need a real web engine. Header only: the desktop
// benchmarks use it too. Each browser runs with a profile of its own and
// reaches nothing beyond this machine.
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <string>

#include "X11Display.h"

namespace clipvane::x11::test {

// Serves one page at "/" and notes what the page posts to "/value".
class LocalPage {
 public:
  // `frame`, when given, is served at "/frame"; "{PORT}" in either page
  // reads as the server's port.
  explicit LocalPage(QByteArray html, QByteArray frame = {})
      : html_(std::move(html)), frame_(std::move(frame)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) serve(socket);
    });
  }

  QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()); }
  // Whether the page has posted its field yet (it does once loaded, with the
  // field focused), and the field's text as it last posted it.
  bool posted() const { return posted_; }
  QString value() const { return value_; }

  // A chat box whose only word "chat" is its placeholder; its text is posted
  // once the page is loaded and on every change.
  // A shop page whose chat box comes in a frame from another host
  // (localhost, where the page is 127.0.0.1); the frame is chatPage().
  static QByteArray framedPage() {
    return R"(<!doctype html><html><head><meta charset="utf-8"><title>Framed shop</title></head>
<body><h1>Shop</h1>
<iframe id="chat" src="http://localhost:{PORT}/frame" width="500" height="200"></iframe>
<script>
const chat = document.getElementById('chat');
chat.addEventListener('load', () => chat.focus());
// A focus asked for before the window itself had it may be dropped: asked
// again until the frame holds it.
const again = setInterval(() => {
  if (document.activeElement === chat && document.hasFocus()) clearInterval(again);
  else chat.focus();
}, 500);
</script></body></html>
)";
  }

  static QByteArray chatPage() {
    return R"(<!doctype html><html><head><meta charset="utf-8"><title>Local chat</title></head>
<body><h1>Support</h1>
<textarea id="box" aria-label="Message" placeholder="Ask the chat anything" rows="4" cols="40"
 autofocus></textarea>
<script>
const box = document.getElementById('box');
const post = () => fetch('/value', {method: 'POST', body: box.value});
box.addEventListener('input', post);
box.focus();
// In a frame from another host the box's own focus may come before the
// frame has any: it is taken again when the frame gets it.
window.addEventListener('focus', () => { if (document.activeElement !== box) box.focus(); });
post();
</script></body></html>
)";
  }

 private:
  void serve(QTcpSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
      *buffer += socket->readAll();
      const qsizetype end = buffer->indexOf("\r\n\r\n");
      if (end < 0) return;
      const QByteArray head = buffer->left(end);
      qsizetype length = 0;
      for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toInt();
      if (buffer->size() < end + 4 + length) return;
      const QByteArray target = head.split(' ').value(1);
      QByteArray status = "200 OK", body;
      if (head.startsWith("POST") && target == "/value") {
        value_ = QString::fromUtf8(buffer->mid(end + 4, length));
        posted_ = true;
      } else if (target == "/" || (target == "/frame" && !frame_.isEmpty())) {
        body = target == "/" ? html_ : frame_;
        body.replace("{PORT}", QByteArray::number(server_.serverPort()));
      } else {
        status = "404 Not Found";
      }
      socket->write("HTTP/1.1 " + status +
                    "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                    QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
      socket->disconnectFromHost();
    });
  }

  QByteArray html_, frame_;
  QTcpServer server_;
  QString value_;
  bool posted_ = false;
};

class Browser {
 public:
  enum class Engine { chromium, firefox };

  static QString program(Engine engine) {
    return engine == Engine::chromium ? QStringLiteral("/usr/bin/chromium")
                                      : QStringLiteral("/usr/bin/firefox-esr");
  }
  static bool available(Engine engine) { return QFileInfo(program(engine)).isExecutable(); }

  // How Chromium is started: told to expose its pages to accessibility
  // clients, or as users start it, waiting for one to show itself.
  enum class Start { withAccessibility, asUsersStartIt };

  // `extra`: more of Chromium's flags.
  Browser(Engine engine, const QString& url, Start start = Start::withAccessibility,
          const QStringList& extra = {}) {
    QStringList args;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (engine == Engine::chromium) {
      // Without the background flags Chromium tries the network at every
      // start.
      if (start == Start::withAccessibility) args << "--force-renderer-accessibility";
      args << "--disable-gpu"
           << "--disable-quic"
           << "--no-first-run"
           << "--no-default-browser-check"
           << "--disable-background-networking"
           << "--disable-component-update"
           << "--disable-sync"
           << "--password-store=basic"
           << "--window-position=80,60"
           << "--window-size=900,600"
           << "--user-data-dir=" + profile_.path();
      // Containers keep /dev/shm small (64 MB by default), too small for
      // Chromium's shared memory; root's Chromium starts only unsandboxed.
      args << "--disable-dev-shm-usage";
      if (::geteuid() == 0) args << "--no-sandbox";
      args << extra;
    } else {
      QFile prefs(profile_.filePath("user.js"));
      if (prefs.open(QIODevice::WriteOnly))
        prefs.write(
            "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
            "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
            "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
            "user_pref(\"startup.homepage_welcome_url\", \"\");\n"
            "user_pref(\"datareporting.policy.dataSubmissionPolicyBypassNotification\", true);\n"
            "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n"
            "user_pref(\"browser.sessionstore.resume_from_crash\", false);\n"
            "user_pref(\"network.captive-portal-service.enabled\", false);\n"
            "user_pref(\"app.normandy.enabled\", false);\n");
      // A crash ends the process instead of leaving a reporter's window.
      env.insert(QStringLiteral("MOZ_CRASHREPORTER_DISABLE"), QStringLiteral("1"));
      args << "--no-remote"
           << "--new-instance"
           << "--profile" << profile_.path();
    }
    // What the browser says goes to a file, not to the test's output: a
    // helper process of the browser that outlives it would hold the test
    // runner's pipe open, and a browser that fails says why in the file.
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(logDir_.filePath(QStringLiteral("browser.log")));
    process_.start(program(engine), args << url);
    process_.waitForStarted(10000);
  }

  ~Browser() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  qint64 pid() const { return process_.processId(); }

  // Why the browser is not there to be tested: whether it started, how it
  // ended, and the last of what it said.
  std::string failure() const {
    QString why;
    if (process_.error() == QProcess::FailedToStart)
      why = QStringLiteral("did not start: ") + process_.errorString();
    else if (process_.state() == QProcess::NotRunning)
      why = process_.exitStatus() == QProcess::CrashExit
                ? QStringLiteral("crashed")
                : QStringLiteral("ended with exit code %1").arg(process_.exitCode());
    else
      why = QStringLiteral("runs, but its window with the page did not come to the front");
    QFile log(logDir_.filePath(QStringLiteral("browser.log")));
    QByteArray said;
    if (log.open(QIODevice::ReadOnly)) said = log.readAll().right(2000);
    return (why + QStringLiteral("\n--- what it said (last lines):\n") + QString::fromUtf8(said))
        .toStdString();
  }

  // Waits until the browser's window is the active one and shows the page
  // (its title starts with the page's). Browsers start slowly on a loaded
  // machine.
  bool waitShown(const QString& title = QStringLiteral("Local chat"), int limitMs = 60000) {
    auto& d = X11Display::shared();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
      if (process_.state() == QProcess::NotRunning) return false;
      if (auto w = d.windowProperty(d.root(), "_NET_ACTIVE_WINDOW")) {
        const auto pid = d.cardinal(*w, "_NET_WM_PID");
        const auto name = d.property(*w, "_NET_WM_NAME");
        if (pid && qint64(*pid) == process_.processId() && name &&
            QString::fromUtf8(name->data(), qsizetype(name->size())).startsWith(title))
          return true;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(20);
    }
    return false;
  }

 private:
  QTemporaryDir profile_;
  QTemporaryDir logDir_;
  QProcess process_;
};

}  // namespace clipvane::x11::test
