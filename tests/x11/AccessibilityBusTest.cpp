// The accessibility bus: a desktop without one, and a desktop session that
// ends beside ours.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "X11TestSupport.h"

using namespace clipvane::x11::test;

namespace {

// A session bus that offers no service (at-spi2-core is only recommended on
// Debian): nothing answers for org.a11y.Bus.
constexpr char kBareBus[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

struct Outcome {
  bool normalExit = false;
  int code = -1;
  QByteArray output, errors;
};

// Runs a program to its end with the environment changed by `edit`.
Outcome runWith(const QString& program, const QStringList& args,
                const std::function<void(QProcessEnvironment&)>& edit) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  edit(env);
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.start(program, args);
  if (!p.waitForStarted() || !p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    return {};
  }
  return {p.exitStatus() == QProcess::NormalExit, p.exitCode(), p.readAllStandardOutput(),
          p.readAllStandardError()};
}

// This session's accessibility bus, as applications starting now find it.
QString accessibilityBus() {
  return QString::fromUtf8(
             run("dbus-send", {"--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                               "/org/a11y/bus", "org.a11y.Bus.GetAddress"}))
      .trimmed();
}

// Whether a new connection to the bus reaches the accessibility registry.
bool registryAnswers(const QString& bus) {
  int code = -1;
  run("dbus-send",
      {"--bus=" + bus, "--print-reply", "--dest=org.a11y.atspi.Registry",
       "/org/a11y/atspi/accessible/root", "org.freedesktop.DBus.Properties.Get",
       "string:org.a11y.atspi.Accessible", "string:Name"},
      {}, &code);
  return code == 0;
}

}  // namespace

TEST(AccessibilityBus, WithoutOneEveryQueryAnswersNothing) {
  QTemporaryDir dir;
  const QString config = dir.filePath("bus.conf");
  {
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kBareBus);
  }
  // No X display either: libatspi would find a bus named on the root window.
  const Outcome bare = runWith(
      "dbus-run-session",
      {"--config-file=" + config, "--", CLIPVANE_X11_HELPER, "atspi",
       QString::number(QCoreApplication::applicationPid())},
      [](QProcessEnvironment& env) {
        for (const char* name : {"DISPLAY", "AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS"})
          env.remove(name);
      });
  ASSERT_TRUE(bare.normalExit);
  EXPECT_EQ(bare.code, 0) << "128 + 5: the query aborted the process (SIGTRAP)";
  // The window's title is the window manager's: it needs no bus.
  const QByteArray answers = "bus 0\nfocus none\ntitle claude - bash\n";
  EXPECT_EQ(bare.output, answers + answers);

  // The same helper on this session's bus finds it.
  const Outcome here =
      runWith(CLIPVANE_X11_HELPER, {"atspi", QString::number(QCoreApplication::applicationPid())},
              [](QProcessEnvironment&) {});
  ASSERT_TRUE(here.normalExit);
  EXPECT_TRUE(here.output.startsWith("bus 1\n")) << here.output.toStdString();
}

TEST(AccessibilityBus, AnotherSessionEndingLeavesOursAlone) {
  const QString bus = accessibilityBus();
  ASSERT_FALSE(bus.isEmpty());
  // The bus lives in this session's own runtime folder.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  ASSERT_FALSE(runtime.isEmpty());
  EXPECT_TRUE(bus.startsWith("unix:path=" + runtime + "/")) << bus.toStdString();

  // A second suite started beside this one, from the same user's shell.
  const Outcome other = runWith(
      CLIPVANE_SOURCE_DIR "/scripts/x11-session.sh", {"true"}, [](QProcessEnvironment& env) {
        for (const char* name : {"CLIPVANE_X11_SESSION", "DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                 "XDG_RUNTIME_DIR", "AT_SPI_BUS_ADDRESS"})
          env.remove(name);
      });
  ASSERT_TRUE(other.normalExit);
  ASSERT_EQ(other.code, 0) << other.errors.toStdString();

  // An application starting now still reaches this session's registry.
  EXPECT_EQ(accessibilityBus(), bus);
  EXPECT_TRUE(registryAnswers(bus));
}
