// The program's roads end to end on a real X server: the program as installed,
// a tray host, test windows and terminals, the clipboard through xclip and the
// keyboard through xdotool. Every step leaves a screenshot.
#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>

#include <nlohmann/json.hpp>
#include <set>

#include "Activity.h"
#include "E2eSupport.h"
#include "Vault.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::e2e;
using x11::test::Helper;
using x11::test::waitUntil;
using x11::test::xdotool;
using namespace std::chrono_literals;

namespace {

const QString original = "Write to jane.doe@example.com, card 4111 1111 1111 1111, thanks";

bool isMasked(const QString& text) {
  return text.contains("[EMAIL_1]") && !text.contains("jane.doe") &&
         !text.contains("4111 1111 1111 1111") && text.contains("Write to ");
}

const QString safePasteKey = "ctrl+super+v";
const QString restoreKey = "ctrl+super+r";

// A window of the program taller than a notice: the review panel.
std::optional<ShownWindow> reviewPanel(const Clipvane& program,
                                       const std::vector<ShownWindow>& before) {
  for (const ShownWindow& w : program.popups()) {
    bool seen = false;
    for (const ShownWindow& b : before) seen = seen || b.id == w.id;
    if (!seen && w.frame.height() > 140) return w;
  }
  return std::nullopt;
}

// Presses the key until the panel has gone: the panel takes the keyboard only
// once the hot key's own grab has ended, and a key pressed before that goes
// to the window in front (where Return and Escape do nothing).
bool answerReview(const Clipvane& program, const ShownWindow& panel, const QString& key) {
  for (int i = 0; i < 10; ++i) {
    xdotool({"key", key});
    if (waitUntil(
            [&] {
              for (const ShownWindow& w : program.popups())
                if (w.id == panel.id) return false;
              return true;
            },
            500ms))
      return true;
  }
  return false;
}

// Brings the window to the front as a click on it would.
bool activate(Helper& window) {
  xdotool({"windowactivate", "--sync", QString::number(window.windowId())});
  return window.waitActive();
}

class Roads : public ::testing::Test {
 protected:
  // Starts the program over settings the road has set.
  void start(const AppSettings& settings) {
    home.write(settings);
    program = std::make_unique<Clipvane>(home);
    ASSERT_TRUE(program->waitDocked()) << "no tray icon";
  }

  std::unique_ptr<Helper> window(const QString& name) {
    auto w = Helper::window(name);
    if (w && !w->waitActive()) return nullptr;
    return w;
  }

  // Copies the text and waits until the program has masked it on the
  // clipboard; returns the notice it shows.
  std::optional<ShownWindow> copyMasked(const QString& step) {
    const auto before = program->popups();
    copy = std::make_unique<Copy>(original);
    QString now;
    EXPECT_TRUE(waitUntil([&] { return isMasked(now = clipboard()); })) << now.toStdString();
    std::optional<ShownWindow> notice;
    EXPECT_TRUE(waitUntil([&] { return bool(notice = program->newPopup(before)); }));
    waitUntil([] { return false; }, 400ms);  // faded in
    screenshot(step);
    return notice;
  }

  // Road 1's Undo: the original comes back on the clipboard.
  bool undo(const ShownWindow& notice, const QString& step) {
    clickNoticeAction(notice);
    const bool back = waitUntil([&] { return clipboard() == original; });
    screenshot(step);
    return back;
  }

  // Auto-mask off, the review shown: every safe paste asks first.
  static AppSettings reviewing() {
    AppSettings settings = onboarded();
    settings.autoMask = false;
    settings.whenAutoMaskOff = AppSettings::WhenAutoMaskOff::showReview;
    return settings;
  }

  // Copies the text, which stays as it is on the clipboard.
  bool copyPlain(const QString& text) {
    copy = std::make_unique<Copy>(text);
    return waitUntil([&] { return clipboard() == text; });
  }

  // The safe-paste key until the review panel stands.
  std::optional<ShownWindow> openReview() {
    const auto before = program->popups();
    xdotool({"key", safePasteKey});
    std::optional<ShownWindow> panel;
    waitUntil([&] { return bool(panel = reviewPanel(*program, before)); });
    return panel;
  }

  Home home;
  std::unique_ptr<Clipvane> program;
  std::unique_ptr<Copy> copy;
};

}  // namespace

// 1. Auto-mask on: the copied address and card are masked; Undo brings them back.
TEST_F(Roads, CopiedTextIsMaskedAndUndoBringsTheOriginalBack) {
  start(onboarded());
  const auto notice = copyMasked("road1-1-masked");
  ASSERT_TRUE(notice);
  EXPECT_TRUE(undo(*notice, "road1-2-undone")) << clipboard().toStdString();
  EXPECT_TRUE(program->running());
}

// 2. The safe-paste hot key pastes masked text; the previous clipboard returns
// once the window has fetched the paste.
TEST_F(Roads, SafePasteHotKeyPastesMaskedAndTheClipboardReturns) {
  start(onboarded());
  auto target = window("clipvane-e2e-target");
  ASSERT_TRUE(target);
  const auto notice = copyMasked("road2-1-masked");
  ASSERT_TRUE(notice);
  ASSERT_TRUE(undo(*notice, "road2-2-original"));

  ASSERT_TRUE(target->waitActive());
  xdotool({"key", safePasteKey});
  EXPECT_TRUE(waitUntil([&] { return isMasked(target->text()); })) << target->text().toStdString();
  screenshot("road2-3-pasted");
  // Read only after the window has fetched the paste: an earlier read would
  // count as the destination's.
  EXPECT_TRUE(waitUntil([&] { return clipboard() == original; })) << clipboard().toStdString();
  EXPECT_TRUE(isMasked(target->text()));
}

// 3. Smart paste: Ctrl+V in a protected application pastes masked, in another
// one it passes unchanged, and a key typed right after arrives each time.
TEST_F(Roads, SmartPasteMasksInAProtectedApplicationOnly) {
  AppSettings settings = onboarded();
  settings.smartPaste = true;
  AppSettings::ProtectedApp app;
  app.name = u"E2E Target";
  app.bundleID = u"clipvane-e2e-protected";
  app.scope = AppSettings::ProtectedApp::Scope::allPastes;
  settings.protectedApps.push_back(app);
  start(settings);

  auto other = window("clipvane-e2e-other");
  auto target = window("clipvane-e2e-protected");
  ASSERT_TRUE(target && other);
  const auto notice = copyMasked("road3-1-masked");
  ASSERT_TRUE(notice);
  ASSERT_TRUE(undo(*notice, "road3-2-original"));

  ASSERT_TRUE(target->waitActive());
  xdotool({"key", "ctrl+v", "z"});
  EXPECT_TRUE(waitUntil([&] { return isMasked(target->text()) && target->text().contains('z'); }))
      << target->text().toStdString();
  screenshot("road3-3-protected");
  EXPECT_TRUE(waitUntil([&] { return clipboard() == original; })) << clipboard().toStdString();
  ASSERT_TRUE(activate(*other));
  xdotool({"key", "ctrl+v", "y"});
  EXPECT_TRUE(waitUntil([&] { return other->text().remove('y') == original; }))
      << other->text().toStdString();
  screenshot("road3-4-other");
}

// 4. Terminals paste with Ctrl+Shift+V: the masked text arrives whole.
class TerminalRoads : public Roads, public ::testing::WithParamInterface<const char*> {};

TEST_P(TerminalRoads, SafePasteArrivesInTheTerminal) {
  const QString which = GetParam();
  QString exe;
  QStringList args;
  QString cls;
  if (which == "xterm") {
    exe = "xterm";
    args = {"-xrm",
            "XTerm*VT100.translations: #override Ctrl Shift <Key>V: insert-selection(CLIPBOARD)",
            "-e"};
    cls = "xterm";
  } else {
    // GNOME Terminal, else xfce4-terminal.
    if (!QStandardPaths::findExecutable("gnome-terminal").isEmpty()) {
      exe = "gnome-terminal";
      args = {"--wait", "--"};
      cls = "gnome-terminal";
    } else {
      exe = "xfce4-terminal";
      args = {"--disable-server", "-x"};
      cls = "xfce4-terminal";
    }
    // Both start their windows through the session bus, which must know the display.
    qputenv("LANG", "C.UTF-8");
    x11::test::run("dbus-update-activation-environment", {"DISPLAY", "XAUTHORITY", "LANG"});
  }
  if (QStandardPaths::findExecutable(exe).isEmpty()) GTEST_SKIP() << exe.toStdString();
  start(onboarded());
  x11::test::Terminal term(exe, args);
  ASSERT_TRUE(waitUntil([&] { return term.running() && activeClass().contains(cls); }, 30s))
      << activeClass().toStdString();

  ASSERT_TRUE(copyMasked("road4-" + which + "-1-masked"));
  ASSERT_TRUE(waitUntil([&] { return activeClass().contains(cls); }));
  xdotool({"key", safePasteKey});
  QByteArray got;
  EXPECT_TRUE(waitUntil([&] { return isMasked(QString::fromUtf8(got = term.received())); }))
      << got.toStdString();
  EXPECT_FALSE(got.contains('\x16')) << "a Ctrl+V reached the terminal as a literal";
  screenshot("road4-" + which + "-2-pasted");
}

INSTANTIATE_TEST_SUITE_P(E2e, TerminalRoads, ::testing::Values("xterm", "desktop"));

// The active window's client area on the screen (xwininfo's absolute
// corner: xdotool's geometry counts the window manager's frame twice).
QRect activeFrame() {
  const QString id = QString::number(x11::test::activeWindow());
  QRect frame;
  for (const QByteArray& raw : x11::test::run("xwininfo", {"-id", id}).split('\n')) {
    const QList<QByteArray> kv = raw.trimmed().split(':');
    if (kv.size() != 2) continue;
    const int v = kv[1].trimmed().toInt();
    if (kv[0] == "Absolute upper-left X") frame.moveLeft(v);
    if (kv[0] == "Absolute upper-left Y") frame.moveTop(v);
    if (kv[0] == "Width") frame.setWidth(v);
    if (kv[0] == "Height") frame.setHeight(v);
  }
  return frame;
}

// A GTK window with one entry, as a dialog asking for a line (the class is
// its name, so that the active window can be told).
constexpr char gtkEntry[] = R"(
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk
GLib.set_prgname("clipvane-e2e-gtk-entry")
w = Gtk.Window(title="Enter a line")
w.set_default_size(420, 60)
w.add(Gtk.Entry())
w.connect("destroy", Gtk.main_quit)
w.show_all()
Gtk.main()
)";

// 4b. The safe-paste key held as people hold it, the pointer far away: the
// review stands at the text cursor of a GTK window (which tells no focused
// field while the key's grab lasts), not under the pointer.
class CaretRoads : public Roads, public ::testing::WithParamInterface<const char*> {};

TEST_P(CaretRoads, TheHotKeyOpensTheReviewAtTheTextCursorWithThePointerFarAway) {
  const QString which = GetParam();
  const bool terminal = which == "xfce4-terminal";
  if (terminal && QStandardPaths::findExecutable("xfce4-terminal").isEmpty())
    GTEST_SKIP() << "no xfce4-terminal";
  qputenv("LANG", "C.UTF-8");
  x11::test::run("dbus-update-activation-environment", {"DISPLAY", "XAUTHORITY", "LANG"});
  start(reviewing());
  std::optional<x11::test::Terminal> term;
  QProcess entry;
  if (terminal) {
    term.emplace("xfce4-terminal", QStringList{"--disable-server", "--geometry", "60x12", "-x"});
  } else {
    entry.setProcessChannelMode(QProcess::ForwardedChannels);
    entry.start("/usr/bin/python3", {"-c", gtkEntry});  // the system's, with its GTK
  }
  const QString cls = terminal ? "xfce4-terminal" : "clipvane-e2e-gtk-entry";
  ASSERT_TRUE(waitUntil([&] { return activeClass().contains(cls); }, 30s))
      << activeClass().toStdString();
  xdotool({"getactivewindow", "windowmove", "--sync", "640", "400"});
  waitUntil([] { return false; }, 500ms);  // moved, and its text cursor with it
  const QRect window = activeFrame();
  ASSERT_TRUE(copyPlain(original));
  const QPoint pointer(200, 200);
  xdotool({"mousemove", "--sync", "200", "200"});

  const auto before = program->popups();
  xdotool({"keydown", safePasteKey});
  waitUntil([] { return false; }, 400ms);
  xdotool({"keyup", "v", "keyup", "super", "keyup", "ctrl"});
  std::optional<ShownWindow> panel;
  ASSERT_TRUE(waitUntil([&] { return bool(panel = reviewPanel(*program, before)); }));
  waitUntil([] { return false; }, 300ms);  // painted
  screenshot("road4b-review-at-the-cursor-" + which);
  const QRect card = panel->frame.adjusted(32, 32, -32, -32);
  EXPECT_GT((card.center() - pointer).manhattanLength(), 300) << "under the pointer";
  EXPECT_TRUE(card.left() < window.right() && card.right() > window.left())
      << card.x() << " vs " << window.x();
  // 12 above the field or the cursor on the window's first lines, or 12 below it.
  EXPECT_TRUE(card.bottom() >= window.top() - 12 - 1 || card.top() >= window.top())
      << card.y() << "+" << card.height() << " vs " << window.y();
  EXPECT_LE(card.top(), window.bottom());
  ASSERT_TRUE(answerReview(*program, *panel, "Escape"));
  if (!terminal) {
    entry.terminate();
    entry.waitForFinished(3000);
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, CaretRoads, ::testing::Values("xfce4-terminal", "gtk-entry"));

// 5. The review panel: Escape pastes nothing, Return pastes masked into the
// window that had the focus.
TEST_F(Roads, ReviewPanelAnswersEscapeAndReturn) {
  start(reviewing());
  auto target = window("clipvane-e2e-review");
  ASSERT_TRUE(target);
  ASSERT_TRUE(copyPlain(original));

  auto panel = openReview();
  ASSERT_TRUE(panel);
  waitUntil([] { return false; }, 400ms);  // faded in
  screenshot("road5-1-review");
  ASSERT_TRUE(answerReview(*program, *panel, "Escape"));
  screenshot("road5-2-escaped");
  // Nothing arrives after Escape.
  EXPECT_FALSE(waitUntil([&] { return !target->text().isEmpty(); }, 1s))
      << target->text().toStdString();

  ASSERT_TRUE(target->waitActive());
  ASSERT_TRUE(panel = openReview());
  ASSERT_TRUE(answerReview(*program, *panel, "Return"));
  EXPECT_TRUE(waitUntil([&] { return isMasked(target->text()); })) << target->text().toStdString();
  screenshot("road5-3-returned");
}

// 6. Restore Originals turns a reply that quotes the placeholders back.
TEST_F(Roads, RestoreOriginalsTurnsAReplyBack) {
  start(onboarded());
  ASSERT_TRUE(copyMasked("road6-1-masked"));
  const QString masked = clipboard();
  const QString reply = "Re: " + masked;
  copy = std::make_unique<Copy>(reply);
  ASSERT_TRUE(waitUntil([&] { return clipboard() == reply; }));
  xdotool({"key", restoreKey});
  // The card was removed, never stored: only the address comes back.
  const QString restored = "Re: " + QString(masked).replace("[EMAIL_1]", "jane.doe@example.com");
  EXPECT_TRUE(masked.contains("[removed]"));
  EXPECT_TRUE(waitUntil([&] { return clipboard() == restored; })) << clipboard().toStdString();
  screenshot("road6-2-restored");
}

// 7. After a reviewed paste, clipvane://activity opens the activity window
// listing it; the entry's Copy Original puts the original on the clipboard,
// and the notice that follows its notice still takes a click.
// The row and the button are found where the window lays them out (its first
// row under the day's title; the button under the entry's card).
TEST_F(Roads, ActivityWindowListsThePasteAndCopiesTheOriginal) {
  start(reviewing());
  auto target = window("clipvane-e2e-activity");
  ASSERT_TRUE(target);
  ASSERT_TRUE(copyPlain(original));
  const auto panel = openReview();
  ASSERT_TRUE(panel);
  ASSERT_TRUE(answerReview(*program, *panel, "Return"));
  ASSERT_TRUE(waitUntil([&] { return isMasked(target->text()); }));

  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  EXPECT_TRUE(waitUntil([] { return ActivityStore::read().size() == 1; }));
  qunsetenv("CLIPVANE_HOME");
  Clipvane second(home, {"clipvane://activity"});
  EXPECT_TRUE(second.waitExit(10000));
  std::optional<ShownWindow> activity;
  ASSERT_TRUE(waitUntil([&] { return bool(activity = program->window("Activity — Clipvane")); }));
  waitUntil([] { return false; }, 300ms);  // painted
  screenshot("road7-1-activity");
  const QPoint row(activity->frame.center().x(), activity->frame.top() + 107);
  xdotool({"mousemove", QString::number(row.x()), QString::number(row.y()), "click", "1"});
  waitUntil([] { return false; }, 500ms);  // painted
  screenshot("road7-2-entry");
  const QPoint button(activity->frame.center().x(), activity->frame.top() + 276);
  xdotool({"mousemove", QString::number(button.x()), QString::number(button.y()), "click", "1"});
  // The card was removed, never stored: the address is the original kept.
  EXPECT_TRUE(waitUntil([&] { return clipboard().contains("jane.doe@example.com"); }))
      << clipboard().toStdString();
  screenshot("road7-3-copied");

  // The next notice after that button-less "Original copied" takes the click
  // on its button: the copy alert's Clear empties the clipboard.
  const auto before = program->popups();
  ASSERT_TRUE(copyPlain("Mail ann@example.com"));
  std::optional<ShownWindow> alert;
  ASSERT_TRUE(waitUntil([&] { return bool(alert = program->newPopup(before)); }));
  waitUntil([] { return false; }, 400ms);  // faded in
  screenshot("road7-4-alert");
  clickNoticeAction(*alert);
  EXPECT_TRUE(waitUntil([&] { return clipboard().isEmpty(); })) << clipboard().toStdString();
}

// 7b. Partial masks as labels, where one label stands inside another: after
// three reviewed pastes the third one's entry keeps only its own label, and
// its Copy Original copies only its own address.
TEST_F(Roads, EachPasteKeepsItsOwnPartialMaskAndCopiesItsOwnOriginal) {
  AppSettings settings = reviewing();
  settings.labelStyle = Vault::LabelStyle::mask;
  start(settings);
  auto target = window("clipvane-e2e-labels");
  ASSERT_TRUE(target);
  const std::pair<QString, QString> pastes[] = {
      {"Contact me at jane.doe@example.com;", "Contact me at j•••@e•••.com;"},
      {"Write to bob@example.com;", "Write to b•••@e•••.com;"},
      {"Card 4111 1111 1111 1111 cvv 123 to john@example.com;",
       "Card [removed] cvv [removed] to j•••@e•••.com #2;"},
  };
  for (const auto& [text, masked] : pastes) {
    ASSERT_TRUE(copyPlain(text) && target->waitActive());
    const auto panel = openReview();
    ASSERT_TRUE(panel && answerReview(*program, *panel, "Return"));
    EXPECT_TRUE(waitUntil([&] { return target->text().endsWith(masked); }))
        << target->text().toStdString();
  }
  screenshot("road7b-1-pasted");

  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  std::vector<ActivityEntry> history;
  EXPECT_TRUE(waitUntil([&] { return (history = ActivityStore::read()).size() == 3; }));
  qunsetenv("CLIPVANE_HOME");
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[2].masks, std::optional(std::vector<std::u16string>{u"j•••@e•••.com #2"}));

  // The newest entry is the first row.
  Clipvane second(home, {"clipvane://activity"});
  EXPECT_TRUE(second.waitExit(10000));
  std::optional<ShownWindow> activity;
  ASSERT_TRUE(waitUntil([&] { return bool(activity = program->window("Activity — Clipvane")); }));
  waitUntil([] { return false; }, 300ms);  // painted
  const QPoint row(activity->frame.center().x(), activity->frame.top() + 107);
  xdotool({"mousemove", QString::number(row.x()), QString::number(row.y()), "click", "1"});
  waitUntil([] { return false; }, 500ms);  // painted
  screenshot("road7b-2-entry");
  const QPoint button(activity->frame.center().x(), activity->frame.top() + 276);
  xdotool({"mousemove", QString::number(button.x()), QString::number(button.y()), "click", "1"});
  EXPECT_TRUE(waitUntil([&] { return clipboard() == "john@example.com"; }))
      << clipboard().toStdString();
  screenshot("road7b-3-copied");
}

// 7c. A vault damaged while the program was away (a truncated key, garbage
// in place of the vault) is set aside, key and all, and the next copy is
// masked in a new one.
TEST_F(Roads, ADamagedVaultIsSetAsideAndTheNextCopyIsMasked) {
  const QByteArray garbage(4096, 'x');
  const auto put = [&](const QString& name, const QByteArray& bytes) {
    QFile f(home.file(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
  };
  ASSERT_TRUE(put("vault.bin", garbage) && put("vault.key", "0123456789"));
  start(onboarded());
  ASSERT_TRUE(copyMasked("road7c-1-renewed"));
  const auto contents = [&](const QString& name) {
    QFile f(home.file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  EXPECT_EQ(contents("vault.bin.bad"), garbage);
  EXPECT_EQ(contents("vault.key.bad"), "0123456789");
  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 1u);
  qunsetenv("CLIPVANE_HOME");
}

// 8. A second copy started with a settings URL hands it to the first and ends;
// the first opens the settings window at that tab.
TEST_F(Roads, SecondCopyOpensTheSettingsTabInTheFirst) {
  start(onboarded());
  Clipvane second(home, {"clipvane://settings/apps"});
  EXPECT_TRUE(second.waitExit(10000));
  EXPECT_EQ(second.exitCode(), 0);
  std::optional<ShownWindow> settings;
  EXPECT_TRUE(waitUntil([&] { return bool(settings = program->window("Apps — Clipvane")); }))
      << "no settings window at the Apps tab";
  waitUntil([] { return false; }, 300ms);  // painted
  screenshot("road8-settings-apps");
  EXPECT_TRUE(program->running());
}

// 9. A first run on an empty data folder shows the first-run window; going
// through its steps with Return closes it and leaves the user onboarded.
TEST_F(Roads, FirstRunEndsOnboarded) {
  program = std::make_unique<Clipvane>(home);
  std::optional<ShownWindow> welcome;
  ASSERT_TRUE(waitUntil([&] { return bool(welcome = program->window("Welcome to Clipvane")); }))
      << "no first-run window";
  waitUntil([] { return false; }, 300ms);  // painted
  screenshot("road9-1-welcome");
  const auto onboardedOnDisk = [&] {
    QFile f(home.file("settings.json"));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const auto s = AppSettings::fromJSON(f.readAll().toStdString());
    return s && s->onboarded;
  };
  EXPECT_FALSE(onboardedOnDisk());
  // One Return a step (mode, then ready; the access step only when the
  // session cannot post keys).
  for (int step = 0; step < 4 && program->window("Welcome to Clipvane"); ++step) {
    xdotool({"windowactivate", "--sync", QString::number(welcome->id)});
    xdotool({"key", "Return"});
    waitUntil([] { return false; }, 300ms);  // the next step laid out
    screenshot(QString("road9-%1-step").arg(step + 2));
  }
  EXPECT_TRUE(waitUntil([&] { return !program->window("Welcome to Clipvane"); }));
  EXPECT_TRUE(waitUntil(onboardedOnDisk));
  EXPECT_TRUE(program->running());
}

// 10. kill -9 during a burst of copies and pastes: every file stays readable
// and the next start keeps every entry written before the kill.
TEST_F(Roads, HardKillDuringABurstLosesNoCommittedEntry) {
  start(reviewing());
  auto target = window("clipvane-e2e-burst");
  ASSERT_TRUE(target);
  // The test reads the stores as the program does.
  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  const double keep = 30 * 24 * 3600.0;

  int pasted = 0;
  // One copy and its reviewed paste; `wait` false leaves it in flight.
  const auto round = [&](int i, bool wait) {
    if (!copyPlain(QString("Mail user%1@example.com now;").arg(i)) || !target->waitActive())
      return false;
    const auto panel = openReview();
    if (!panel || !answerReview(*program, *panel, "Return")) return false;
    ++pasted;
    return !wait || waitUntil([&] { return target->text().count("now;") == pasted; });
  };
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(round(i, true)) << "round " << i;
  // A paste is recorded once its key went: the entry may follow the text.
  waitUntil([] { return ActivityStore::read().size() >= 4; });

  std::set<std::string> history;
  for (const ActivityEntry& e : ActivityStore::read()) history.insert(e.id.string());
  std::set<std::u16string> masks;
  for (const Vault::Entry& e : VaultStore::read(keep).entries) masks.insert(e.mask);
  EXPECT_EQ(history.size(), 4u);
  EXPECT_FALSE(masks.empty());

  // Two more in flight, then the kill.
  ASSERT_TRUE(round(4, false));
  copy = std::make_unique<Copy>("Mail user5@example.com now;");
  xdotool({"key", safePasteKey});
  program->killHard();
  screenshot("road10-1-killed");

  // Every file reads.
  const auto readsAsJson = [&](const QString& name) {
    QFile f(home.file(name));
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) return false;
    return nlohmann::json::accept(f.readAll().toStdString());
  };
  EXPECT_TRUE(readsAsJson("settings.json"));
  EXPECT_TRUE(readsAsJson("activity.json"));
  {
    QFile f(home.file("settings.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(AppSettings::fromJSON(f.readAll().toStdString()));
  }
  EXPECT_NO_THROW(VaultStore::read(keep));

  // The next start works and keeps what was committed.
  program = std::make_unique<Clipvane>(home);
  ASSERT_TRUE(program->waitDocked());
  pasted = target->text().count("now;");
  ASSERT_TRUE(round(6, true));
  screenshot("road10-2-restarted");
  // Its entry follows the text, once the program has seen the fetch.
  waitUntil([&] { return ActivityStore::read().size() > history.size(); });
  std::set<std::string> after;
  for (const ActivityEntry& e : ActivityStore::read()) after.insert(e.id.string());
  for (const std::string& id : history) EXPECT_TRUE(after.count(id)) << id;
  EXPECT_GE(after.size(), history.size() + 1);
  std::set<std::u16string> masksAfter;
  for (const Vault::Entry& e : VaultStore::read(keep).entries) masksAfter.insert(e.mask);
  for (const std::u16string& m : masks) EXPECT_TRUE(masksAfter.count(m));
  qunsetenv("CLIPVANE_HOME");
}

// 11. Files copied in a file manager, and an image with its text, stay as they
// were copied; rich text is masked as plain text, and no format is left that
// holds the original.
TEST_F(Roads, FilesAndImagesStayAsCopiedAndRichTextKeepsNoOriginal) {
  start(onboarded());
  const QByteArray file = "file:///home/ada/report.pdf";
  const QByteArray address = "ada.lovelace@example.com";
  struct Row {
    const char* name;
    QList<std::pair<QString, QByteArray>> formats;
    bool masked;
  };
  const Row rows[] = {
      {"files",
       {{"x-special/gnome-copied-files", "copy\n" + file},
        {"text/uri-list", file + "\r\n"},
        {"text/plain", file}},
       false},
      {"text, HTML and an image",
       {{"text/plain", "mail " + address},
        {"text/html", "<b>mail " + address + "</b>"},
        {"image/png", QByteArray::fromHex("89504e470d0a1a0a")}},
       false},
      {"rich text",
       {{"text/plain", "mail " + address}, {"text/html", "<b>" + address + "</b>"}},
       true},
  };
  const auto read = [](const QString& target) {
    return x11::test::run("xclip", {"-selection", "clipboard", "-t", target, "-o"});
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto owner = Helper::copy(row.formats);
    ASSERT_TRUE(owner);
    waitUntil([] { return false; }, 2s);  // the program has long seen the copy
    screenshot(QString("road11-%1").arg(row.name).replace(' ', '-').replace(',', ""));
    const QStringList targets =
        QString::fromLatin1(read("TARGETS")).split('\n', Qt::SkipEmptyParts);
    if (!row.masked) {
      for (const auto& [type, bytes] : row.formats) {
        EXPECT_TRUE(targets.contains(type)) << type.toStdString();
        EXPECT_EQ(read(type == "text/plain" ? "UTF8_STRING" : type).toStdString(),
                  bytes.toStdString())
            << type.toStdString();
      }
      continue;
    }
    EXPECT_EQ(read("UTF8_STRING").toStdString(), "mail [EMAIL_1]");
    EXPECT_FALSE(targets.contains("text/html")) << targets.join(' ').toStdString();
    for (const QString& target : targets) {
      if (target == "TARGETS" || target == "MULTIPLE" || target == "TIMESTAMP" ||
          target == "SAVE_TARGETS")
        continue;
      EXPECT_FALSE(read(target).contains(address)) << target.toStdString();
    }
  }
}

// 12. A copy pasted at once, by the hot key into a terminal or by a burst of
// Ctrl+V in a protected window, leaves no original on the clipboard: what
// comes back after the paste is what the auto-mask made of the copy.
TEST_F(Roads, ACopyPastedAtOnceLeavesNoOriginalOnTheClipboard) {
  AppSettings settings = onboarded();
  settings.smartPaste = true;
  AppSettings::ProtectedApp app;
  app.name = u"E2E Burst";
  app.bundleID = u"clipvane-e2e-burst";
  app.scope = AppSettings::ProtectedApp::Scope::allPastes;
  settings.protectedApps.push_back(app);
  start(settings);

  x11::test::Terminal term(
      "xterm",
      {"-xrm", "XTerm*VT100.translations: #override Ctrl Shift <Key>V: insert-selection(CLIPBOARD)",
       "-e"});
  ASSERT_TRUE(waitUntil([&] { return term.running() && activeClass().contains("xterm"); }, 30s));
  auto burst = window("clipvane-e2e-burst");
  ASSERT_TRUE(burst);

  struct Row {
    const char* name;
    bool terminal;
    QStringList keys;
  };
  const Row rows[] = {
      {"hot key into a terminal", true, {safePasteKey}},
      {"Ctrl+V burst in a protected window", false, {"ctrl+v", "ctrl+v", "ctrl+v"}},
  };
  int n = 0;
  for (const Row& row : rows) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(std::string(row.name) + ", round " + std::to_string(round));
      const QString address = QString("user%1@example.com").arg(++n);
      const QString text = "Mail " + address + " now;";
      if (row.terminal) {
        xdotool({"search", "--class", "xterm", "windowactivate", "--sync"});
        ASSERT_TRUE(waitUntil([] { return activeClass().contains("xterm"); }));
      } else {
        ASSERT_TRUE(activate(*burst));
      }
      const auto received = [&] {
        return row.terminal ? QString::fromUtf8(term.received()) : burst->text();
      };
      const int before = received().count("now;");
      // The copy is on the clipboard once it reads as copied or, as the
      // program masks it within milliseconds, as this copy's masked form.
      const QString prior = clipboard();
      copy = std::make_unique<Copy>(text);
      ASSERT_TRUE(waitUntil(
          [&] {
            const QString now = clipboard();
            return now == text || (now != prior && now.startsWith("Mail [EMAIL_"));
          },
          2s));
      xdotool(QStringList{"key", "--delay", "40"} + row.keys);
      EXPECT_TRUE(waitUntil([&] { return received().count("now;") > before; }))
          << received().toStdString();
      waitUntil([] { return false; }, 4s);
      EXPECT_FALSE(received().contains(address)) << received().toStdString();
      const QString now = clipboard();
      EXPECT_FALSE(now.contains(address)) << now.toStdString();
      EXPECT_TRUE(now.contains("[EMAIL_")) << now.toStdString();
    }
  }
  screenshot("road12-pasted-at-once");
}
