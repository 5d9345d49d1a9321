#pragma once
// A terminal emulator whose shell writes every byte it receives to a file,
// with no echo and no waiting for the end of a line. Shared by the desktop
// tests and the program's benchmark.
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace clipvane::x11::test {

class Terminal {
 public:
  Terminal(const QString& program, QStringList args) {
    const QString shell =
        QString("echo $$ > '%1/pid'; stty -icanon -echo; exec cat > '%1/received'")
            .arg(dir_.path());
    args << "sh"
         << "-c" << shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, args);
    process_.waitForStarted();
  }
  ~Terminal() {
    // Ending the shell closes the window, wherever the terminal runs it.
    if (const qint64 pid = read("pid").trimmed().toLongLong(); pid > 0) ::kill(pid_t(pid), SIGHUP);
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(3000);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  QByteArray received() const { return read("received"); }
  bool running() const { return QFile::exists(dir_.path() + "/received"); }
  // The terminal's own process (not the shell's).
  qint64 pid() const { return process_.processId(); }

 private:
  QByteArray read(const QString& name) const {
    QFile f(dir_.path() + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir_;
  QProcess process_;
};

}  // namespace clipvane::x11::test
