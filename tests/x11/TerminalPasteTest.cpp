// The safe paste into real terminals: what the program writes is what the
// terminal receives after the program's own paste keys.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "Pasteboard.h"
#include "Place.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

class TerminalPasteTest : public ::testing::Test {
 protected:
  TerminalPasteTest() {
    // GNOME Terminal and xfce4-terminal start their windows through the
    // session bus, which must know the display.
    qputenv("LANG", "C.UTF-8");
    run("dbus-update-activation-environment", {"DISPLAY", "XAUTHORITY", "LANG"});
  }

  // Starts the terminal, waits for its window in front with its shell
  // running, then pastes four times through the safe-paste road; each text
  // must arrive whole.
  void safePastesArrive(const QString& program, const QStringList& args, const QString& id) {
    if (QStandardPaths::findExecutable(program).isEmpty()) GTEST_SKIP() << program.toStdString();
    Terminal term(program, args);
    std::optional<RunningApp> front;
    ASSERT_TRUE(waitUntil(
        [&] {
          front = ports.workspace.frontmostApplication();
          return term.running() && front && front->bundleID == id;
        },
        std::chrono::seconds(30)))
        << program.toStdString() << " in front: "
        << (front && front->bundleID ? front->bundleID->toStdString() : std::string("none"));
    if (!Place::isTerminal(front)) GTEST_SKIP() << id.toStdString() << " not taken for a terminal";

    for (int i = 1; i <= 4; ++i) {
      const QString text = QString("masked [EMAIL_%1] ").arg(i);
      // The last two while the user still holds the keys of the paste that
      // triggered it, and lets go of them a little later.
      if (i > 2) {
        xdotool({"keydown", "ctrl+shift"});
        QProcess::startDetached("xdotool", {"sleep", "0.3", "keyup", "ctrl+shift"});
      }
      std::optional<Pasteboard::PasteResult> told;
      Pasteboard::paste(text, false, [&](Pasteboard::PasteResult r) { told = r; });
      ASSERT_TRUE(waitUntil([&] { return told.has_value(); }));
      ASSERT_EQ(told, Pasteboard::PasteResult::pasted);
      EXPECT_TRUE(waitUntil([&] { return term.received().endsWith(text.toUtf8()); },
                            std::chrono::seconds(5)))
          << program.toStdString() << " paste " << i << " received \""
          << term.received().toStdString() << '"';
    }
  }

  X11Ports ports;
};

}  // namespace

TEST_F(TerminalPasteTest, GnomeTerminal) {
  safePastesArrive("gnome-terminal", {"--wait", "--"}, "org.gnome.Terminal");
}

TEST_F(TerminalPasteTest, Xfce4Terminal) {
  safePastesArrive("xfce4-terminal", {"--disable-server", "-x"}, "xfce4-terminal");
}

// xterm pastes the CLIPBOARD selection only when told to.
TEST_F(TerminalPasteTest, Xterm) {
  safePastesArrive("xterm",
                   {"-xrm",
                    "XTerm*VT100.translations: #override Ctrl Shift <Key>V: "
                    "insert-selection(CLIPBOARD)",
                    "-e"},
                   "debian-xterm");
}

TEST_F(TerminalPasteTest, Konsole) {
  safePastesArrive("konsole", {"--nofork", "-e"}, "org.kde.konsole");
}
