// The engine over the real desktop ports, as the program wires them: a copy
// seen on the real clipboard, and safe pastes into a real Qt window and a
// real terminal started by the hot key or by the intercepted paste key, with
// the user's keys coming up in either order and after a layout switch.
// Only the user-interface ports are fakes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "../engine/fakes/FakePorts.h"
#include "Accessibility.h"
#include "AppModel.h"
#include "Browsers.h"
#include "Pasteboard.h"
#include "Place.h"
#include "SmartPaste.h"
#include "Storage.h"
#include "Vault.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;
using Scope = AppSettings::ProtectedApp::Scope;

namespace {

// The program's data and the desktop's settings in folders of their own,
// set before the model reads them.
struct Home {
  Home() {
    qputenv("CLIPVANE_HOME", dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    // The system's desktop entries, whatever an earlier test set.
    qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
    qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
  }
  QTemporaryDir dir;
};

// The user-interface ports, which this suite does not look at on screen.
struct InterfaceFakes {
  InterfaceFakes() { install(true); }
  ~InterfaceFakes() { install(false); }
  void install(bool on) {
    Ports::install<PanelsPort>(on ? &panels : nullptr);
    Ports::install<StatusItemPort>(on ? &statusItem : nullptr);
    Ports::install<WindowsPort>(on ? &windows : nullptr);
  }
  fakes::FakePanels panels;
  fakes::FakeStatusItem statusItem;
  fakes::FakeWindows windows;
};

// The user's hands on the keyboard, in a process of their own so that the
// program may block its main thread meanwhile: the keys go down, and after a
// while come up, the modifiers first or the last key first. The pauses are
// the user's, not waits of the test.
class Hands {
 public:
  Hands(const QStringList& keys, bool modifiersFirst) {
    QStringList args;
    for (const QString& k : keys) args << "keydown" << k;
    const QStringList modifiers = keys.mid(0, keys.size() - 1);
    QStringList first{keys.back()}, then = modifiers;
    if (modifiersFirst) std::swap(first, then);
    args << "sleep"
         << "0.3";
    for (const QString& k : first) args << "keyup" << k;
    args << "sleep"
         << "0.3";
    for (const QString& k : then) args << "keyup" << k;
    process_.start("xdotool", args);
  }
  ~Hands() {
    waitUntil([&] { return process_.state() == QProcess::NotRunning; });
  }

 private:
  QProcess process_;
};

// An xterm whose shell writes every byte it gets to a file. Ctrl+Shift+V
// pastes the clipboard, as xterm users set it up (by default xterm pastes
// the primary selection only, with the middle button); a stock one has no
// key that pastes the clipboard.
class Xterm {
 public:
  explicit Xterm(bool pastesClipboard = true) {
    const QString out = dir_.path() + "/typed";
    QStringList args;
    if (pastesClipboard)
      args << "-xrm"
           << "XTerm*VT100.translations: #override Shift Ctrl <Key>V: "
              "insert-selection(CLIPBOARD)";
    process_.start("xterm", args << "-e"
                                 << "sh"
                                 << "-c"
                                 << "stty raw -echo; exec cat > '" + out + "'");
    file_.setFileName(out);
  }
  ~Xterm() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  // Waits until its window is the active one.
  bool waitActive() {
    auto& d = X11Display::shared();
    return waitUntil([&] {
      const unsigned w = activeWindow();
      return w && d.cardinal(w, "_NET_WM_PID") == uint32_t(process_.processId());
    });
  }
  QString text() {
    if (!file_.isOpen()) file_.open(QIODevice::ReadOnly);
    file_.seek(0);
    return QString::fromUtf8(file_.readAll());
  }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  QFile file_;
};

// Counts the server's notices of a new key mapping, each once every port
// has taken it: the ports' listeners came first and run first.
class MappingNotices {
 public:
  explicit MappingNotices(X11Display& display) : display_(display) {
    id_ = display.addListener([this](const xcb_generic_event_t& e) {
      if (isKeyMappingChange(display_, e)) ++seen;
      return false;
    });
  }
  ~MappingNotices() { display_.removeListener(id_); }
  std::atomic<int> seen{0};

 private:
  X11Display& display_;
  int id_ = 0;
};

AppSettings::ProtectedApp protect(const char16_t* id) {
  AppSettings::ProtectedApp app;
  app.name = id;
  app.bundleID = id;
  app.scope = Scope::allPastes;
  return app;
}

class EngineOnX11 : public ::testing::Test {
 protected:
  EngineOnX11() {
    Pasteboard::ownChanges().clear();
    Pasteboard::pendingRestore().reset();
    Pasteboard::restoreLimit() = Pasteboard::defaultRestoreLimit;
    AppSettings s = model.settings();
    s.onboarded = true;
    s.smartPaste = true;
    s.aiCheck = false;
    s.autoMask = false;
    // The Qt helper has no desktop entry: its class in lower case.
    s.protectedApps = {protect(u"target"), protect(u"debian-xterm")};
    model.setSettings(s);
    model.start();
    // The model's start runs the tap of the shared model; this one, started
    // after it, answers the grab for the model under test.
    tap.start();
  }
  ~EngineOnX11() override {
    tap.stop();
    SmartPaste::shared().stop();
    // A return still pending must never reach the next test's clipboard.
    Pasteboard::pendingRestore().reset();
    Pasteboard::userPasteKey().reset();
  }

  // A page in a real browser, the browser protected for chat boxes: the
  // chat box's only chat word is its placeholder. Its first answers, the
  // site, a Ctrl+V taken and masked into the page, the caret at the end.
  void browserRoad(Browser::Engine engine, const char16_t* id);
  // A page whose focused field is in a frame from another host.
  void framedPlace(Browser::Engine engine);
  // Ctrl+V in the page's field is taken and pastes the masked text; the
  // history names the site. A browser too busy to answer one of the paste's
  // queries in time gets what any such application gets (the original text,
  // its own name in the history): that paste tells nothing of the browser's
  // answers, so it is undone and tried again after the browser's rest.
  void pasteRecordsTheSite(LocalPage& page, std::chrono::milliseconds rest);
  void everyPasteKeyOpensTheReview(std::unique_ptr<Helper> target);

  void setAutoMask(bool on) {
    AppSettings s = model.settings();
    s.autoMask = on;
    model.setSettings(s);
  }

  // Another application copies the text; the model has scanned it, and it
  // stays on the clipboard as it is (no auto-mask).
  void userCopies(const QString& text) {
    setAutoMask(false);
    run("xclip", {"-selection", "clipboard"}, text.toUtf8());
    ASSERT_TRUE(waitUntil([&] {
      const auto& scan = model.lastScan();
      return scan && scan->text == text && scan->changeCount == board.changeCount();
    })) << text.toStdString();
    ASSERT_TRUE(model.lastScan()->sensitive);
    setAutoMask(true);  // pastes mask from here on
  }

  // A terminal that starts its windows through the session bus, which must
  // know the display first.
  static Terminal sessionTerminal(const QString& program, const QStringList& args) {
    qputenv("LANG", "C.UTF-8");
    run("dbus-update-activation-environment", {"DISPLAY", "XAUTHORITY", "LANG"});
    return Terminal(program, args);
  }
  // The terminal's window in front (not the window `other`), its shell
  // running; none when that does not come within 30 s.
  std::optional<RunningApp> inFront(const Terminal& term, const QString& id, quint64 other = 0) {
    std::optional<RunningApp> front;
    waitUntil(
        [&] {
          front = ports.workspace.frontmostApplication();
          return term.running() && front && front->bundleID == id && front->window != other;
        },
        std::chrono::seconds(30));
    return term.running() && front && front->bundleID == id && front->window != other
               ? front
               : std::nullopt;
  }

  // With auto-mask off, a safe paste of what the user copied opens the review.
  void reviewOpens(const QString& copied) {
    userCopies(copied);
    setAutoMask(false);
    panels.toasts.clear();
    panels.reviews.clear();
    model.safePaste(AppModel::Trigger::hotkey);
    ASSERT_TRUE(waitUntil([&] { return !panels.reviews.empty(); }));
  }

  // The user presses the keys in the window: the masked text arrives there,
  // once, never the original.
  template <class Window>
  void expectMaskedPaste(Window& window, const QStringList& keys, bool modifiersFirst,
                         const QString& original) {
    panels.toasts.clear();
    const int before = window.text().count("mail ");
    {
      Hands hands(keys, modifiersFirst);
      EXPECT_TRUE(waitUntil([&] { return window.text().count("mail ") == before + 1; }))
          << window.text().toStdString();
    }
    EXPECT_FALSE(window.text().contains('@')) << window.text().toStdString();
    expectMaskedAndGivenBack(original);
    EXPECT_EQ(window.text().count("mail "), before + 1);
  }

  // The same with the keys typed by their codes (typeKeys) into a field that
  // holds no paste yet.
  void typedPasteArrivesMasked(Helper& target, const std::vector<unsigned>& keys) {
    const QString original = "mail ada@example.com";
    userCopies(original);
    panels.toasts.clear();
    typeKeys(keys);
    EXPECT_TRUE(waitUntil([&] { return target.text().count("mail ") == 1; }))
        << target.text().toStdString();
    EXPECT_FALSE(target.text().contains('@')) << target.text().toStdString();
    expectMaskedAndGivenBack(original);
  }

  // After a safe paste: the notice, and the user's clipboard back once the
  // destination has fetched the masked text.
  void expectMaskedAndGivenBack(const QString& original) {
    EXPECT_TRUE(waitUntil([&] { return panels.texts().contains("1 item masked"); }))
        << panels.texts().join(", ").toStdString();
    EXPECT_TRUE(waitUntil([&] { return board.string() == original; }))
        << board.string().value_or("(none)").toStdString();
  }

  Home home;
  X11Ports ports;
  X11Clipboard& board = ports.clipboard;
  InterfaceFakes ui;
  fakes::FakePanels& panels = ui.panels;
  AppModel model;
  SmartPaste tap{&model};
};

}  // namespace

TEST_F(EngineOnX11, CopyRoadAlertsOrMasksTheClipboard) {
  struct Row {
    bool autoMask;
    QString original;
    QString notice;
  };
  const Row rows[] = {
      {false, "write to ada@example.com", "Email copied"},
      {true, "write to bob@example.com", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.autoMask ? "auto-mask" : "copy alert");
    setAutoMask(r.autoMask);
    panels.toasts.clear();
    const auto copies = model.recentCopies().size();
    run("xclip", {"-selection", "clipboard"}, r.original.toUtf8());
    ASSERT_TRUE(waitUntil([&] {
      return model.recentCopies().size() == copies + 1 &&
             model.recentCopies().front().masked == r.autoMask;
    }));
    const auto& copy = model.recentCopies().front();
    EXPECT_EQ(copy.text, r.original);
    EXPECT_EQ(copy.detail(), "Email");
    if (r.autoMask) {
      // Another application pastes the masked text; the original is kept.
      const QString masked = QString::fromUtf8(run("xclip", {"-selection", "clipboard", "-o"}));
      EXPECT_TRUE(masked.startsWith("write to ") && !masked.contains('@')) << masked.toStdString();
      EXPECT_EQ(board.string(), masked);
    } else {
      EXPECT_EQ(board.string(), r.original);
      EXPECT_EQ(panels.texts(), QStringList{r.notice});
    }
  }
}

// The server tells of each copy at once: with auto-mask on, another
// application that pastes 100 ms after the copy gets the masked text.
TEST_F(EngineOnX11, CopiesAreMaskedBeforeAQuickPaste) {
  setAutoMask(true);
  for (int i = 0; i < 10; ++i) {
    const QString original = QString("copy %1 mail quick%1@example.com").arg(i);
    run("xclip", {"-selection", "clipboard"}, original.toUtf8());
    waitUntil([] { return false; }, std::chrono::milliseconds(100));
    const QString pasted = QString::fromUtf8(run("xclip", {"-selection", "clipboard", "-o"}));
    EXPECT_TRUE(pasted.startsWith(QString("copy %1 ").arg(i)) && !pasted.contains('@'))
        << pasted.toStdString();
  }
}

// An owner that gives the text at once but never three other formats it
// offers: the clipboard is masked all the same, well within 1.5 s.
TEST_F(EngineOnX11, AnOwnerThatNeverGivesSomeFormatsIsMaskedAtOnce) {
  setAutoMask(true);
  Helper owner({"owner", "slow", "mail ann@example.com"});
  ASSERT_TRUE(owner.waitFor("copied"));
  waitUntil([] { return false; }, std::chrono::milliseconds(1500));
  const QString pasted = QString::fromUtf8(run("xclip", {"-selection", "clipboard", "-o"}));
  EXPECT_TRUE(pasted.startsWith("mail ") && !pasted.contains('@')) << pasted.toStdString();
}

// An owner that never answers and takes the clipboard again every 2 s: the
// main thread (the menu, the hot keys, the session bus) never stops for as
// long as a second.
TEST_F(EngineOnX11, AHungOwnerNeverStopsTheMainThread) {
  setAutoMask(true);
  Helper owner({"owner", "retake", "mail ann@example.com"});
  ASSERT_TRUE(owner.waitFor("copied"));
  QElapsedTimer gap;
  gap.start();
  qint64 longest = 0;
  waitUntil(
      [&] {
        longest = std::max(longest, gap.restart());
        return false;
      },
      std::chrono::seconds(7));
  EXPECT_LT(longest, 1000);
}

TEST_F(EngineOnX11, SafePasteArrivesWhicheverKeyComesUpFirst) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  struct Row {
    const char* what;
    QStringList keys;
    bool modifiersFirst;
  };
  const Row rows[] = {
      {"Ctrl+V, Ctrl up first", {"ctrl", "v"}, true},
      {"Ctrl+V, V up first", {"ctrl", "v"}, false},
      {"hot key, modifiers up first", {"ctrl", "super", "v"}, true},
      {"hot key, V up first", {"ctrl", "super", "v"}, false},
  };
  int copies = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const QString original = QString("mail ada%1@example.com").arg(++copies);
    userCopies(original);
    expectMaskedPaste(*target, r.keys, r.modifiersFirst, original);
  }
}

// Shift+Insert and Ctrl+Shift+V paste the clipboard as Ctrl+V does: with
// auto-mask off and the review asked for (as the first run's Ask sets it up)
// each opens the review and the original never reaches the field; the
// review's paste sends the key the user pressed.
void EngineOnX11::everyPasteKeyOpensTheReview(std::unique_ptr<Helper> target) {
  ASSERT_TRUE(target && target->waitActive());
  int copies = 0;
  for (const QStringList& keys :
       {QStringList{"shift", "Insert"}, QStringList{"ctrl", "shift", "v"}}) {
    SCOPED_TRACE(keys.join('+').toStdString());
    const QString original = QString("mail ada%1@example.com").arg(++copies);
    userCopies(original);
    AppSettings s = model.settings();
    s.autoMask = false;
    s.whenAutoMaskOff = AppSettings::WhenAutoMaskOff::showReview;
    model.setSettings(s);
    panels.reviews.clear();
    const int before = target->text().count("mail ");
    {
      Hands hands(keys, true);
      ASSERT_TRUE(waitUntil([&] { return panels.reviews.size() == 1; }));
    }
    waitUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(target->text().contains('@')) << target->text().toStdString();
    if (keys.contains("Insert")) {
      panels.reviews[0].paste({});
      EXPECT_TRUE(waitUntil([&] { return target->text().count("mail ") == before + 1; }))
          << target->text().toStdString();
      EXPECT_FALSE(target->text().contains('@')) << target->text().toStdString();
      EXPECT_TRUE(waitUntil([&] { return board.string() == original; }));
    }
  }
}

// The program held up (as a slow clipboard owner or a long task holds its
// main thread) while the user presses the hot key or Ctrl+V in one window and
// then brings another to the front: the key was meant for the first window,
// so nothing arrives in the second, nor in the first, and the paste says it
// was cancelled.
TEST_F(EngineOnX11, AKeyPressedWhileTheProgramIsHeldUpPastesIntoNoOtherWindow) {
  // xdotool to its end without turning the event loop: nothing of the
  // program's runs meanwhile.
  const auto held = [](const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(10000);
  };
  auto a = Helper::window("Target");
  ASSERT_TRUE(a && a->waitActive());
  auto b = Helper::window("Other");
  ASSERT_TRUE(b && b->waitActive());
  struct Row {
    const char* what;
    QString keys;
  };
  const Row rows[] = {{"hot key", "ctrl+super+v"}, {"Ctrl+V", "ctrl+v"}};
  int copies = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const QString original = QString("mail ada%1@example.com").arg(++copies);
    userCopies(original);
    xdotool({"windowactivate", "--sync", QString::number(a->windowId())});
    ASSERT_TRUE(a->waitActive());
    panels.toasts.clear();
    const QString inA = a->text(), inB = b->text();

    held({"key", r.keys});
    // Past the paste-key grab's wait for a verdict, which then holds the key.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    held({"windowactivate", "--sync", QString::number(b->windowId())});
    for (int i = 0; i < 100 && activeWindow() != b->windowId(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(activeWindow(), b->windowId());

    EXPECT_TRUE(waitUntil([&] { return panels.texts().contains("Paste cancelled"); }))
        << panels.texts().join(", ").toStdString();
    waitUntil([] { return false; }, std::chrono::seconds(1));
    EXPECT_EQ(b->text().toStdString(), inB.toStdString());
    EXPECT_EQ(a->text().toStdString(), inA.toStdString());
    EXPECT_EQ(board.string(), original);
  }
}

TEST_F(EngineOnX11, EveryPasteKeyOpensTheReview) {
  everyPasteKeyOpensTheReview(Helper::window("Target"));
}

TEST_F(EngineOnX11, EveryPasteKeyOpensTheReviewInAGtkField) {
  everyPasteKeyOpensTheReview(Helper::gtkWindow("Target"));
}

// us and us(dvorak), the Dvorak group locked: Ctrl on the key that types v
// there (Qwerty's period) is caught in a GTK field and the safe paste pastes
// there; Ctrl on Qwerty's V key types Ctrl+K there and reaches the field.
TEST_F(EngineOnX11, CtrlVOfTheLayoutInForceIsCaughtInAGtkField) {
  auto target = Helper::gtkWindow("Target");
  ASSERT_TRUE(target && target->waitActive());
  const unsigned qwertyV = keycodeForKeysym(ports.display, 'v').value_or(0);
  const unsigned period = keycodeForKeysym(ports.display, '.').value_or(0);
  const unsigned ctrl = keycodeForKeysym(ports.display, keysym::controlL).value_or(0);
  KeyboardLayout layout;
  KeyboardLayout::set("us,us", ",dvorak");
  ASSERT_TRUE(KeyboardLayout::lockGroup(1));
  ASSERT_TRUE(waitUntil([&] { return ports.keyboard.pasteKeyCode() == period; }));

  typedPasteArrivesMasked(*target, {ctrl, period});

  const int safePastes = panels.dismissAlls;  // each one starts by closing every panel
  typeKeys({ctrl, qwertyV});
  EXPECT_TRUE(target->waitFor("key ctrl+k"));
  QCoreApplication::processEvents();
  EXPECT_EQ(panels.dismissAlls, safePastes);
  EXPECT_EQ(target->text().count("mail "), 1);
}

// A Russian keyboard alone has no v: Ctrl on the key at the place of V is
// caught, and the safe paste types Ctrl+V in the GTK field all the same.
TEST_F(EngineOnX11, SmartCtrlVOnAKeyboardWithoutV) {
  auto target = Helper::gtkWindow("Target");
  ASSERT_TRUE(target && target->waitActive());
  const unsigned qwertyV = keycodeForKeysym(ports.display, 'v').value_or(0);
  const unsigned ctrl = keycodeForKeysym(ports.display, keysym::controlL).value_or(0);
  KeyboardLayout layout;
  MappingNotices notices(ports.display);
  KeyboardLayout::set("ru", "");
  ASSERT_TRUE(waitUntil([&] { return notices.seen > 0; }));
  ASSERT_EQ(ports.keyboard.pasteKeyCode(), qwertyV);

  typedPasteArrivesMasked(*target, {ctrl, qwertyV});
}

TEST_F(EngineOnX11, SafePasteIntoATerminal) {
  Xterm terminal;
  ASSERT_TRUE(terminal.waitActive());
  ASSERT_EQ(ports.workspace.frontmostApplication().value_or(RunningApp{}).bundleID,
            QString("debian-xterm"));
  // Its paste key is Ctrl+Shift+V; its Ctrl+V is a literal character.
  struct Row {
    const char* what;
    QStringList keys;
  };
  const Row rows[] = {
      {"Ctrl+Shift+V", {"ctrl", "shift", "v"}},
      {"hot key", {"ctrl", "super", "v"}},
  };
  int copies = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const QString original = QString("mail ada%1@example.com").arg(++copies);
    userCopies(original);
    expectMaskedPaste(terminal, r.keys, true, original);
    EXPECT_FALSE(terminal.text().contains(QChar(0x16))) << "a literal Ctrl+V";
  }
}

TEST_F(EngineOnX11, KeysFollowALayoutSwitch) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  KeyboardLayout layout;
  MappingNotices notices(ports.display);
  KeyboardLayout::set("us", "dvorak");
  ASSERT_TRUE(waitUntil([&] { return notices.seen > 0; }));
  // Dvorak has V where Qwerty has the period, and K where Qwerty has V.
  EXPECT_EQ(ports.keyboard.pasteKeyCode(), keycodeForKeysym(ports.display, 'v'));
  int copies = 0;
  for (const QStringList& keys : {QStringList{"ctrl", "v"}, QStringList{"ctrl", "super", "v"}}) {
    SCOPED_TRACE(keys.join('+').toStdString());
    const QString original = QString("mail ada%1@example.com").arg(++copies);
    userCopies(original);
    expectMaskedPaste(*target, keys, true, original);
  }

  // Ctrl+K on the old V key is the field's own (it cuts to the end of the
  // line). The keyboard stays frozen until a grabbed press is decided, so the
  // x typed after it arrives only once a safe paste would have been asked for.
  userCopies("mail cy@example.com");
  const int safePastes = panels.dismissAlls;  // each one starts by closing every panel
  const QString before = target->text();
  xdotool({"key", "ctrl+k", "type", "x"});
  ASSERT_TRUE(waitUntil([&] { return target->text() == before + "x"; }))
      << target->text().toStdString();
  QCoreApplication::processEvents();
  EXPECT_EQ(panels.dismissAlls, safePastes);
}

// With auto-mask off and the review confirmed: a paste counts only once the
// terminal fetched the text. A stock xterm's Ctrl+Shift+V fetches nothing:
// "Paste failed", no entry, and the user's clipboard back.
TEST_F(EngineOnX11, ASafePasteCountsOnlyWhenTheTerminalFetchedIt) {
  Pasteboard::restoreLimit() = 3.0;
  struct Row {
    const char* what;
    bool pastesClipboard;
    QString toast;
    std::size_t entries;
  };
  const Row rows[] = {
      {"xterm pasting the clipboard on Ctrl+Shift+V", true, "1 item masked", 1},
      {"stock xterm", false, "Paste failed", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Xterm terminal(r.pastesClipboard);
    ASSERT_TRUE(terminal.waitActive());
    const QString original = "mail ada@example.com";
    const std::size_t logged = ActivityStore::read().size();
    ASSERT_NO_FATAL_FAILURE(reviewOpens(original));
    panels.reviews.back().paste({});  // confirmed, everything masked
    EXPECT_TRUE(waitUntil([&] { return panels.texts().contains(r.toast); }))
        << panels.texts().join(", ").toStdString();
    EXPECT_EQ(panels.texts(), QStringList{r.toast});
    EXPECT_TRUE(waitUntil([&] { return board.string() == original; }));
    EXPECT_FALSE(model.safePasteWaiting());
    waitUntil([&] { return ActivityStore::read().size() > logged + r.entries; },
              std::chrono::milliseconds(500));
    EXPECT_EQ(ActivityStore::read().size(), logged + r.entries);
    if (r.entries) {
      EXPECT_TRUE(terminal.text().startsWith("mail [EMAIL_")) << terminal.text().toStdString();
    } else {  // its Ctrl+Shift+V types a literal ^V
      EXPECT_FALSE(terminal.text().contains("mail")) << terminal.text().toStdString();
    }
  }
}

// One terminal server, two windows: a review opened for the first pastes
// nothing once the second is in front, even though its process is the same.
TEST_F(EngineOnX11, APasteIntoAnotherWindowOfTheSameProcessIsCancelled) {
  if (QStandardPaths::findExecutable("gnome-terminal").isEmpty()) GTEST_SKIP() << "gnome-terminal";
  const auto front = [&] { return ports.workspace.frontmostApplication(); };
  Terminal a = sessionTerminal("gnome-terminal", {"--wait", "--"});
  const auto first = inFront(a, "org.gnome.Terminal");
  ASSERT_TRUE(first);
  Terminal b = sessionTerminal("gnome-terminal", {"--wait", "--"});
  const auto second = inFront(b, "org.gnome.Terminal", first->window);
  ASSERT_TRUE(second);
  if (second->pid != first->pid) GTEST_SKIP() << "the two windows have two processes";
  xdotool({"windowactivate", "--sync", QString::number(first->window)});
  ASSERT_TRUE(waitUntil([&] { return front() && front()->window == first->window; }));

  ASSERT_NO_FATAL_FAILURE(reviewOpens("mail ada@example.com"));
  xdotool({"windowactivate", "--sync", QString::number(second->window)});
  ASSERT_TRUE(waitUntil([&] { return front() && front()->window == second->window; }));
  panels.reviews.back().paste({});
  EXPECT_TRUE(waitUntil([&] { return panels.texts().contains("Paste cancelled"); }))
      << panels.texts().join(", ").toStdString();
  waitUntil([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(a.received(), QByteArray());
  EXPECT_EQ(b.received(), QByteArray());
  EXPECT_EQ(board.string(), "mail ada@example.com");
  EXPECT_TRUE(ActivityStore::read().empty());
}

// xfce4-terminal asks before it pastes several lines: the masked text stays
// on the clipboard while its dialog is open, arrives when the user confirms
// two seconds later, and the user's text is on the clipboard again after.
TEST_F(EngineOnX11, ATerminalThatAsksFirstGetsTheMaskedTextWhenTheUserConfirms) {
  if (QStandardPaths::findExecutable("xfce4-terminal").isEmpty()) GTEST_SKIP() << "xfce4-terminal";
  const auto front = [&] { return ports.workspace.frontmostApplication(); };
  Terminal term = sessionTerminal("xfce4-terminal", {"--disable-server", "-x"});
  const auto started = inFront(term, "xfce4-terminal");
  ASSERT_TRUE(started);
  const RunningApp window = *started;

  const QString original = "echo mail ada@example.com\necho done\n";
  ASSERT_NO_FATAL_FAILURE(reviewOpens(original));
  panels.reviews.back().paste({});
  // Its dialog, a window of the same process, comes to the front.
  ASSERT_TRUE(waitUntil([&] { return front() && front()->window != window.window; },
                        std::chrono::seconds(10)))
      << "no dialog; received \"" << term.received().toStdString() << '"';
  EXPECT_EQ(front()->pid, window.pid);
  waitUntil([] { return false; }, std::chrono::seconds(2));
  EXPECT_TRUE(board.string().value_or("").contains("[EMAIL_"));
  EXPECT_EQ(term.received(), QByteArray());
  xdotool({"key", "Return"});  // its default answer pastes
  EXPECT_TRUE(waitUntil([&] { return term.received().contains("[EMAIL_"); }))
      << term.received().toStdString();
  EXPECT_FALSE(term.received().contains('@')) << term.received().toStdString();
  EXPECT_TRUE(waitUntil([&] { return board.string() == original; }))
      << board.string().value_or("(none)").toStdString();
}

// The paste key waits until the other clients have taken in the masked text;
// a copy made meanwhile stays, no key goes (it would paste that copy), and
// the paste is told as failed with nothing recorded.
TEST_F(EngineOnX11, ACopyBeforeThePasteKeyGoesMakesAFailedPaste) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  userCopies("mail ada@example.com");
  // The other clients take a long while to settle.
  board.settleFirst = board.settleQuiet = board.settleLimit = 2000;
  panels.toasts.clear();
  model.safePaste(AppModel::Trigger::hotkey);
  ASSERT_TRUE(waitUntil([&] { return board.string().value_or("").contains("[EMAIL_1]"); }));
  run("xclip", {"-selection", "clipboard"}, "a newer copy");
  EXPECT_TRUE(waitUntil([&] { return panels.texts().contains("Paste failed"); }))
      << panels.texts().join(", ").toStdString();
  EXPECT_FALSE(panels.texts().contains("1 item masked"));
  EXPECT_FALSE(model.pastedFlash());
  EXPECT_FALSE(model.safePasteWaiting());
  waitUntil([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(target->text(), QString());
  EXPECT_EQ(board.string(), "a newer copy");
  EXPECT_TRUE(ActivityStore::read().empty());
}

void EngineOnX11::pasteRecordsTheSite(LocalPage& page, std::chrono::milliseconds rest) {
  const QString original = "mail ada@example.com";
  AtspiAccessibility::Calls during;
  std::size_t logged = 0;
  for (int tries = 1;; ++tries) {
    const auto before = ports.accessibility.calls();
    logged = model.activity().size();
    userCopies(original);
    panels.toasts.clear();
    xdotool({"key", "ctrl+v"});
    ASSERT_TRUE(waitUntil([&] { return page.value().startsWith("mail "); }))
        << page.value().toStdString();
    const auto after = ports.accessibility.calls();
    during = {after.made - before.made, after.unanswered - before.unanswered,
              after.skipped - before.skipped};
    if ((during.unanswered == 0 && during.skipped == 0) || tries == 5) break;
    // A paste that was taken is logged and gives the clipboard back first.
    waitUntil([&] { return board.string() == original && model.activity().size() > logged; },
              std::chrono::seconds(2));
    waitUntil([] { return false; }, rest + std::chrono::milliseconds(50));
    xdotool({"key", "ctrl+a", "BackSpace"});
    ASSERT_TRUE(waitUntil([&] { return page.posted() && page.value().isEmpty(); }));
  }
  const std::string calls = "calls " + std::to_string(during.made) + ", unanswered " +
                            std::to_string(during.unanswered) + ", skipped " +
                            std::to_string(during.skipped);
  EXPECT_FALSE(page.value().contains('@')) << page.value().toStdString() << "; " << calls;
  expectMaskedAndGivenBack(original);
  ASSERT_TRUE(waitUntil([&] { return model.activity().size() == logged + 1; })) << calls;
  EXPECT_EQ(model.activity().back().place, u"127.0.0.1") << calls;
  EXPECT_EQ(model.activity().back().placeKind, ActivityEntry::PlaceKind::site) << calls;
}

void EngineOnX11::browserRoad(Browser::Engine engine, const char16_t* id) {
  // Only a browser that is not installed is passed over; one that is there
  // and does not start or show the page fails the test.
  if (!Browser::available(engine))
    GTEST_SKIP() << Browser::program(engine).toStdString()
                 << " is not installed (scripts/install-deps.sh installs it)";
  AppSettings s = model.settings();
  AppSettings::ProtectedApp chat = protect(id);
  chat.scope = Scope::copilotChat;
  s.protectedApps = {chat};
  model.setSettings(s);

  LocalPage page(LocalPage::chatPage());
  Browser browser(engine, page.url());
  ASSERT_TRUE(browser.waitShown()) << browser.failure();
  ASSERT_TRUE(waitUntil([&] { return page.posted(); }, std::chrono::seconds(30)))
      << "the page did not post its field";

  // A query that the browser answered has its answer, even the first one; a
  // query that found the browser too busy to answer a call in time (a loaded
  // machine), or still resting after one, is asked again after its rest.
  constexpr auto rest = std::chrono::milliseconds(300);
  ports.accessibility.setRest(rest);
  const auto answered = [&](auto query) {
    for (int tries = 1;; ++tries) {
      const auto before = ports.accessibility.calls();
      auto answer = query();
      const auto after = ports.accessibility.calls();
      const bool busy = after.unanswered > before.unanswered || after.skipped > before.skipped;
      if (!busy || tries == 20) return answer;
      waitUntil([] { return false; }, rest + std::chrono::milliseconds(50));
    }
  };

  // The page's focus reaches the browser's accessibility tree a moment after
  // the page has loaded: the chat box (named "Message") is waited for, and
  // the first answer that names it holds its placeholder too.
  std::optional<QString> texts;
  ASSERT_TRUE(waitUntil(
      [&] {
        texts = answered([] {
          const QString t = Accessibility::focusedElementText();
          return t.contains("Message") ? std::optional(t) : std::nullopt;
        });
        return texts.has_value();
      },
      std::chrono::seconds(20)))
      << Accessibility::focusedElementText().toStdString();
  EXPECT_TRUE(texts->contains("Ask the chat anything")) << texts->toStdString();
  const auto field = answered([] { return Accessibility::focusedElementRect(); });
  ASSERT_TRUE(field);
  const auto front = ports.workspace.frontmostApplication();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->bundleID, QString::fromStdU16String(id));
  const auto place = answered([&] {
    const Place p = Place::of(front, model.settings());
    return p.kind == ActivityEntry::PlaceKind::site ? std::optional(p) : std::nullopt;
  });
  ASSERT_TRUE(place) << Place::of(front, model.settings()).name.toStdString();
  EXPECT_EQ(place->name.toStdString(), "127.0.0.1");

  // Ctrl+V in the chat box.
  pasteRecordsTheSite(page, rest);

  // The caret after the last character, inside the field; after a line break
  // at the start of the line below. Both are read once the page has laid out
  // what arrived: the same answers twice in a row.
  const auto settled = [&] {
    std::pair<std::optional<QRectF>, std::optional<QRectF>> last, now;
    for (int i = 0; i < 20; ++i) {
      now = {answered([] { return Accessibility::focusedElementRect(); }),
             answered([] { return Accessibility::selectionRect(); })};
      if (i > 0 && now == last) break;
      last = now;
      waitUntil([] { return false; }, std::chrono::milliseconds(50));
    }
    return now;
  };
  const auto [box, caret] = settled();
  ASSERT_TRUE(box && caret);
  const auto where = [](const QRectF& r) {
    return std::to_string(int(r.x())) + "," + std::to_string(int(r.y())) + " " +
           std::to_string(int(r.width())) + "x" + std::to_string(int(r.height()));
  };
  EXPECT_TRUE(box->contains(caret->center())) << where(*caret) << " in " << where(*box);
  EXPECT_GT(caret->x(), box->x() + 40) << where(*caret) << " in " << where(*box);
  const QString pasted = page.value();
  xdotool({"key", "Return"});
  ASSERT_TRUE(waitUntil([&] { return page.value() == pasted + "\n"; }));
  const auto below = settled().second;
  ASSERT_TRUE(below);
  EXPECT_GT(below->y(), caret->y() + 5) << where(*below) << " after " << where(*caret);
  EXPECT_LT(below->x(), caret->x() - 40) << where(*below) << " after " << where(*caret);
}

// A chat box in a frame from another host: the history names the page's
// site, not the frame's.
void EngineOnX11::framedPlace(Browser::Engine engine) {
  if (!Browser::available(engine))
    GTEST_SKIP() << Browser::program(engine).toStdString()
                 << " is not installed (scripts/install-deps.sh installs it)";
  LocalPage page(LocalPage::framedPage(), LocalPage::chatPage());
  Browser browser(engine, page.url());
  ASSERT_TRUE(browser.waitShown("Framed shop")) << browser.failure();
  ASSERT_TRUE(waitUntil([&] { return page.posted(); }, std::chrono::seconds(30)))
      << "the frame did not post its field";
  // The focus is in the frame (its chat box, or in Chromium its document,
  // "Local chat") once the browser says so. Firefox now and then leaves a
  // frame from another process unfocused for good after its first load,
  // every call answered: the page is loaded again then.
  const auto inFrame = [] {
    const QString focused = Accessibility::focusedElementText();
    return focused.contains("Message") || focused.contains("Local chat");
  };
  bool focused = false;
  for (int load = 0; load < 3 && !focused; ++load) {
    if (load > 0) xdotool({"key", "F5"});
    focused = waitUntil(inFrame, std::chrono::seconds(10));
  }
  ASSERT_TRUE(focused) << Accessibility::focusedElementText().toStdString();
  const auto front = ports.workspace.frontmostApplication();
  ASSERT_TRUE(front);
  std::optional<Place> place;
  waitUntil(
      [&] {
        place = Place::of(front, model.settings());
        return place->kind == ActivityEntry::PlaceKind::site;
      },
      std::chrono::seconds(20));
  ASSERT_TRUE(place);
  EXPECT_EQ(place->name.toStdString(), "127.0.0.1");
  EXPECT_EQ(place->kind, ActivityEntry::PlaceKind::site);
}

TEST_F(EngineOnX11, ChromiumFramedPage) { framedPlace(Browser::Engine::chromium); }

TEST_F(EngineOnX11, FirefoxEsrFramedPage) { framedPlace(Browser::Engine::firefox); }

TEST_F(EngineOnX11, ChromiumPage) { browserRoad(Browser::Engine::chromium, u"chromium"); }

// Chromium started as users start it (no accessibility flags) exposes its
// pages to an assistive technology only once one shows itself: the first
// paste into its page, nothing asked of it before, records the page's site.
TEST_F(EngineOnX11, ChromiumStartedAsUsersStartItRecordsTheSite) {
  if (!Browser::available(Browser::Engine::chromium))
    GTEST_SKIP() << Browser::program(Browser::Engine::chromium).toStdString()
                 << " is not installed (scripts/install-deps.sh installs it)";
  AppSettings s = model.settings();
  s.protectedApps = {protect(u"chromium")};
  model.setSettings(s);
  LocalPage page(LocalPage::chatPage());
  Browser browser(Browser::Engine::chromium, page.url(), Browser::Start::asUsersStartIt);
  ASSERT_TRUE(browser.waitShown()) << browser.failure();
  ASSERT_TRUE(waitUntil([&] { return page.posted(); }, std::chrono::seconds(30)))
      << "the page did not post its field";
  constexpr auto rest = std::chrono::milliseconds(300);
  ports.accessibility.setRest(rest);
  pasteRecordsTheSite(page, rest);
}

// An application built on Chromium that is no browser (a chat program, say)
// is never woken: the program needs none of its pages, and waking it costs it
// what a screen reader costs. Asked as a paste asks, it shows no page.
TEST_F(EngineOnX11, AChromiumApplicationThatIsNoBrowserIsNotWoken) {
  if (!Browser::available(Browser::Engine::chromium))
    GTEST_SKIP() << Browser::program(Browser::Engine::chromium).toStdString()
                 << " is not installed (scripts/install-deps.sh installs it)";
  LocalPage page(LocalPage::chatPage());
  Browser chat(Browser::Engine::chromium, page.url(), Browser::Start::asUsersStartIt,
               {"--class=Chatter"});
  ASSERT_TRUE(chat.waitShown()) << chat.failure();
  ASSERT_TRUE(waitUntil([&] { return page.posted(); }, std::chrono::seconds(30)))
      << "the page did not post its field";
  const auto front = ports.workspace.frontmostApplication();
  ASSERT_TRUE(front && front->bundleID);
  EXPECT_EQ(*front->bundleID, "chatter");
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Accessibility::focusedElement(), nullptr);
    EXPECT_EQ(Accessibility::frontTabHost(std::int32_t(front->pid)), std::nullopt);
    waitUntil([] { return false; }, std::chrono::milliseconds(100));
  }
}

TEST_F(EngineOnX11, FirefoxEsrPage) { browserRoad(Browser::Engine::firefox, u"firefox-esr"); }

// With the lock on, the ignore hot key gives a masked copy's original back
// only once the owner's password is in: refused, the clipboard stays masked
// and nothing is ignored. The original then goes out marked for
// clipboard-history managers, which the masked text never is.
TEST_F(EngineOnX11, TheIgnoreHotKeyAsksForThePasswordWhileTheLockIsOn) {
  TestUser user;
  if (!user.ready) GTEST_SKIP() << "needs root to make a test account";
  PamAuth owner(user.name);
  Ports::install<AuthPort>(&owner);
  const auto back = qScopeGuard([&] { Ports::install<AuthPort>(&ports.auth); });
  AppSettings s = model.settings();
  s.autoMask = s.touchIDLock = true;
  model.setSettings(s);
  const auto xclipPastes = [](const QString& type) {
    return run("xclip", {"-selection", "clipboard", "-o", "-t", type});
  };

  const QString text = "mail ada@example.com";
  run("xclip", {"-selection", "clipboard"}, text.toUtf8());
  ASSERT_TRUE(waitUntil([&] { return board.string().value_or("").startsWith("mail ["); }));
  const QByteArray masked = xclipPastes("UTF8_STRING");
  EXPECT_FALSE(xclipPastes("TARGETS").contains("x-kde-passwordManagerHint"));

  for (const bool given : {false, true}) {
    SCOPED_TRACE(given);
    xdotool({"key", "ctrl+super+i"});
    QWidget* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = passwordDialog()) != nullptr; }));
    EXPECT_EQ(xclipPastes("UTF8_STRING"), masked);  // nothing before the answer
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    if (given) dialog->findChild<QLineEdit*>()->insert(user.password);
    buttons->button(given ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    ASSERT_TRUE(waitUntil([] { return passwordDialog() == nullptr; }, std::chrono::seconds(20)));
    if (!given) {
      waitUntil([] { return false; }, std::chrono::milliseconds(300));
      EXPECT_EQ(xclipPastes("UTF8_STRING"), masked);
      EXPECT_TRUE(model.settings().ignored.empty());
    }
  }
  ASSERT_TRUE(waitUntil([&] { return board.string() == text; }));
  EXPECT_EQ(xclipPastes("UTF8_STRING"), text.toUtf8());
  EXPECT_EQ(xclipPastes("x-kde-passwordManagerHint"), "secret");
  EXPECT_FALSE(Pasteboard::isConcealed());  // still the user's text to us
  EXPECT_EQ(model.settings().ignored.size(), 1u);
}

// Restored originals go out marked the same way.
TEST_F(EngineOnX11, RestoredOriginalsAreMarkedForClipboardHistoryManagers) {
  VaultStore::update(1e9, [](Vault& v) {
    v.entries.push_back(
        {u"[EMAIL_1]", u"ada@example.com", Kind::email, Clock::now(), std::nullopt});
  });
  run("xclip", {"-selection", "clipboard"}, "reply to [EMAIL_1]");
  ASSERT_TRUE(waitUntil([&] { return board.string() == "reply to [EMAIL_1]"; }));
  model.restoreClipboard(false);
  ASSERT_TRUE(waitUntil([&] { return board.string() == "reply to ada@example.com"; }));
  EXPECT_EQ(run("xclip", {"-selection", "clipboard", "-o"}), "reply to ada@example.com");
  EXPECT_EQ(run("xclip", {"-selection", "clipboard", "-o", "-t", "x-kde-passwordManagerHint"}),
            "secret");
}
