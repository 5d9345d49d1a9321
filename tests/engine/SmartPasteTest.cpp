// The paste-key tap: which presses become a safe paste.
#include "EngineTest.h"
#include "SmartPaste.h"
#include "ports/Ports.h"

namespace clipvane {
namespace {

using Verdict = KeyGrabPort::Verdict;
using Scope = AppSettings::ProtectedApp::Scope;
using Press = KeyGrabPort::Press;
using namespace std::chrono_literals;

constexpr Press ctrlV{KeyCode::v, false, true, false, false, false};

class SmartPasteTest : public testing::EngineTest {
 protected:
  SmartPasteTest() {
    ports.workspace.frontmost = editor;
    changeSettings([&](AppSettings& s) {
      s.autoMask = false;
      s.copyAlert = false;
      s.smartPaste = true;
      s.protectedApps = {
          entry(u"code", Scope::allPastes), entry(u"org.gnome.Terminal", Scope::aiAgents),
          entry(u"firefox", Scope::copilotChat), entry(u"chromium", Scope::extensionSite)};
    });
    ports.clipboard.userCopies(QStringLiteral("mail ada@example.com"));  // not scanned yet
  }
  ~SmartPasteTest() override { tap.stop(); }

  static AppSettings::ProtectedApp entry(const char16_t* id, Scope scope) {
    AppSettings::ProtectedApp app;
    app.name = id;
    app.bundleID = id;
    app.scope = scope;
    return app;
  }
  SmartPaste tap{&model()};
};

TEST_F(SmartPasteTest, OnlyThePasteKeystrokesOfTheDestinationAreTaken) {
  struct Case {
    const char* name;
    Press press;  // key, shift, control, alt, super, own
    RunningApp front;
    Verdict verdict;
  };
  const std::uint32_t v = KeyCode::v;
  const Case cases[] = {
      {"Ctrl+V", ctrlV, editor, Verdict::swallow},
      {"our own Ctrl+V", {v, false, true, false, false, true}, editor, Verdict::replay},
      {"Ctrl+Shift+V, paste as plain text", {v, true, true}, editor, Verdict::swallow},
      {"Shift+Insert", {KeyCode::insert, true}, editor, Verdict::swallow},
      {"Ctrl+Shift+Insert", {KeyCode::insert, true, true}, editor, Verdict::replay},
      {"Insert", {KeyCode::insert}, editor, Verdict::replay},
      {"Shift+Insert in a terminal (its primary selection)",
       {KeyCode::insert, true},
       terminal,
       Verdict::replay},
      {"Ctrl+Alt+V", {v, false, true, true}, editor, Verdict::replay},
      {"Ctrl+Super+V", {v, false, true, false, true}, editor, Verdict::replay},
      {"V", {v}, editor, Verdict::replay},
      {"Ctrl+C", {8, false, true}, editor, Verdict::replay},
      {"Ctrl+V in a terminal", ctrlV, terminal, Verdict::replay},
      {"Ctrl+Shift+V in a terminal", {v, true, true}, terminal, Verdict::swallow},
  };
  systemPorts.accessibility.window(43, "claude — ~/src");
  for (const Case& c : cases) {
    ports.workspace.frontmost = c.front;
    EXPECT_EQ(tap.handle(c.press), c.verdict) << c.name;
  }
}

TEST_F(SmartPasteTest, ASwallowedPressStartsASmartSafePasteAfterwards) {
  tap.start();
  ASSERT_TRUE(tap.isRunning());
  EXPECT_EQ(systemPorts.keyGrab.press(ctrlV), Verdict::swallow);
  EXPECT_EQ(ports.panels.dismissAlls, 0);  // not inside the press
  settle();
  // Auto-mask is off here: the safe paste asks first.
  ASSERT_EQ(ports.panels.reviews.size(), 1u);
  EXPECT_EQ(ports.panels.reviews[0].text, "mail ada@example.com");
}

// The destination is sent the key the user pressed; a safe paste of the hot
// key sends its own paste shortcut again.
TEST_F(SmartPasteTest, TheDestinationIsSentTheKeyTheUserPressed) {
  using Event = fakes::FakeKeyboard::Event;
  tap.start();
  const auto pastedWith = [&](const std::function<void()>& start) -> std::optional<Event> {
    ports.keyboard.events.clear();
    ports.panels.reviews.clear();
    start();
    settle();
    if (ports.panels.reviews.size() != 1) return std::nullopt;
    ports.panels.reviews[0].paste({});
    settle();
    if (ports.keyboard.events.empty()) return std::nullopt;
    ports.clipboard.destinationReads();  // the destination takes the paste in
    settle();
    return ports.keyboard.events.front();
  };
  struct Row {
    const char* name;
    Press press;
    Event sent;
  };
  const Row rows[] = {
      {"Shift+Insert",
       {KeyCode::insert, true},
       {KeyCode::insert, Modifier::shift, true, ownKeystrokeMarker}},
      {"Ctrl+Shift+V",
       {KeyCode::v, true, true},
       {KeyCode::v, Modifier::control | Modifier::shift, true, ownKeystrokeMarker}},
      {"Ctrl+V", ctrlV, {KeyCode::v, Modifier::control, true, ownKeystrokeMarker}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(pastedWith([&] {
                ports.clipboard.userCopies(QStringLiteral("mail ada@example.com"));
                EXPECT_EQ(systemPorts.keyGrab.press(r.press), Verdict::swallow);
              }),
              r.sent);
  }
  EXPECT_EQ(pastedWith([&] {
              ports.keyboard.events.clear();
              ports.clipboard.userCopies(QStringLiteral("mail ada@example.com"));
              systemPorts.keyGrab.press({KeyCode::insert, true});
              settle();
              ports.panels.reviews.clear();
              model().safePaste(AppModel::Trigger::hotkey);
            }),
            (Event{KeyCode::v, Modifier::control, true, ownKeystrokeMarker}));
}

// A paste key goes to the window in front as it went down: once another has
// come to the front (the program was held up), the caught key reaches
// neither and the paste is cancelled, whether the first window was
// protected or not; the hot key the same.
TEST_F(SmartPasteTest, AKeyPressedInAnotherWindowThanTheFrontOnePastesNothing) {
  RunningApp front = editor;
  front.window = 7;
  ports.workspace.frontmost = front;
  tap.start();
  model().registerHotkeys();
  struct Row {
    const char* name;
    std::function<void()> press;
  };
  const Row rows[] = {
      {"Ctrl+V in a protected window",
       [&] {
         Press p = ctrlV;
         p.pressedIn = 5;
         EXPECT_EQ(systemPorts.keyGrab.press(p), Verdict::swallow);
       }},
      {"Ctrl+V where nothing was in front",
       [&] {
         Press p = ctrlV;
         p.pressedIn = 0;
         EXPECT_EQ(systemPorts.keyGrab.press(p), Verdict::swallow);
       }},
      {"hot key", [&] { EXPECT_TRUE(ports.hotkeys.press(KeyCode::v, 0x1100, 5)); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ports.panels.toasts.clear();
    ports.keyboard.events.clear();
    r.press();
    settle();
    EXPECT_EQ(ports.panels.texts(), QStringList{"Paste cancelled"});
    EXPECT_TRUE(ports.keyboard.events.empty());
    EXPECT_TRUE(ports.panels.reviews.empty());
  }
  // Pressed in the window in front: the safe paste asks first, as always here.
  ports.panels.toasts.clear();
  Press p = ctrlV;
  p.pressedIn = 7;
  EXPECT_EQ(systemPorts.keyGrab.press(p), Verdict::swallow);
  settle();
  EXPECT_EQ(ports.panels.reviews.size(), 1u);
  EXPECT_TRUE(ports.panels.texts().isEmpty());
}

TEST_F(SmartPasteTest, TheDecisionInItsOrder) {
  using Other = AppSettings::OtherApps;
  const RunningApp gimp{50, QStringLiteral("gimp"), QStringLiteral("GIMP")};
  const RunningApp own{1, QStringLiteral("app.ostrel.Clipvane"), QStringLiteral("Clipvane")};
  const RunningApp chromium{60, QStringLiteral("chromium"), QStringLiteral("Chromium")};
  struct Case {
    const char* name;
    bool intercept;
    std::function<void()> arrange;
  };
  auto front = [&](const RunningApp& app) { return [&, app] { ports.workspace.frontmost = app; }; };
  auto holds = [&](const ClipboardSnapshot& s) {
    return [&, s] { ports.clipboard.userCopiesItems(s); };
  };
  const Case cases[] = {
      {"protected application", true, [] {}},
      {"smart paste off", false, [&] { set(&AppSettings::smartPaste, false); }},
      {"protection off", false, [&] { set(&AppSettings::protect, false); }},
      {"paused", false, [&] { set(&AppSettings::pausedUntil, std::optional(now + 5min)); }},
      {"nothing in front", false, [&] { ports.workspace.frontmost.reset(); }},
      {"our own window", false, front(own)},
      {"concealed clipboard", false, holds(fakes::passwordCopy())},
      {"switched off in the list", false,
       [&] { set(&AppSettings::disabledApps, std::vector<std::u16string>{u"code"}); }},
      {"unlisted, other apps as they are", false, front(gimp)},
      {"unlisted, other apps masked", true,
       [&] {
         set(&AppSettings::otherApps, Other::mask);
         ports.workspace.frontmost = gimp;
       }},
      {"unlisted, policy off", false,
       [&] {
         set(&AppSettings::otherApps, Other::mask);
         set(&AppSettings::appsPolicy, AppSettings::AppsPolicy::off);
         ports.workspace.frontmost = gimp;
       }},
      {"empty clipboard", false, [&] { ports.clipboard.userCopies(""); }},
      {"no text", false, holds(fakes::imageCopy())},
      {"files", false, holds(fakes::fileCopy())},
      {"scanned clean", false, [&] { copy("nothing here"); }},
      {"scanned sensitive", true, [&] { copy("mail bob@example.org"); }},
      {"files copied after a sensitive text", false,
       [&] {
         copy("mail bob@example.org");
         ports.clipboard.userCopiesItems(fakes::fileCopy());
       }},
      {"same clean text copied again", false,
       [&] {
         copy("nothing here");
         ports.clipboard.userCopies("nothing here");
       }},
      {"extension site", false, front(chromium)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    model_.reset();
    ports.workspace.frontmost = editor;
    changeSettings([](AppSettings& s) {
      s.smartPaste = true;
      s.protect = true;
      s.pausedUntil.reset();
      s.disabledApps.clear();
      s.otherApps = Other::pasteAsIs;
      s.appsPolicy = AppSettings::AppsPolicy::useAppSettings;
    });
    ports.clipboard.userCopies("mail ada@example.com");
    SmartPaste fresh(&model());
    c.arrange();
    EXPECT_EQ(fresh.shouldIntercept(), c.intercept);
  }
}

TEST_F(SmartPasteTest, ScopesThatLookIntoTheApplication) {
  struct Case {
    RunningApp front;
    const char* text;  // window title or focused element's texts
    bool intercept;
  };
  const RunningApp browser{44, QStringLiteral("firefox"), QStringLiteral("Firefox")};
  const Case cases[] = {
      {terminal, "Claude Code — ~/src", true},
      {terminal, "CURSOR-AGENT", true},
      {terminal, "vim notes.txt", false},
      {terminal, nullptr, false},
      {browser, "Ask Copilot Chat", true},
      {browser, "Search", false},
      {browser, nullptr, false},
  };
  for (const Case& c : cases) {
    ports.workspace.frontmost = c.front;
    systemPorts.accessibility.applications.clear();
    auto focused = systemPorts.accessibility.focus();
    if (c.text) {
      systemPorts.accessibility.window(std::int32_t(c.front.pid), QString::fromUtf8(c.text));
      focused->attributes[AccessibilityPort::Attribute::placeholderValue] =
          QString::fromUtf8(c.text);
    }
    EXPECT_EQ(tap.shouldIntercept(), c.intercept) << (c.text ? c.text : "(none)");
  }
}

TEST_F(SmartPasteTest, AChatBoxThatCouldNotBeReadIsMasked) {
  struct Case {
    const char* name;
    const char* placeholder;  // nullptr: the field has no texts
    bool answers;             // the application answered every read
    bool trusted;             // the permission to read other applications
    bool intercept;
  };
  const Case cases[] = {
      {"answered, chat box", "Ask Copilot Chat", true, true, true},
      {"answered, other field", "Search", true, true, false},
      {"answered, no texts", nullptr, true, true, false},
      {"unanswered, no texts", nullptr, false, true, true},
      {"unanswered, other field", "Search", false, true, true},
      {"no permission", nullptr, false, false, false},
  };
  ports.workspace.frontmost = RunningApp{44, QStringLiteral("firefox"), QStringLiteral("Firefox")};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto focused = systemPorts.accessibility.focus();
    if (c.placeholder)
      focused->attributes[AccessibilityPort::Attribute::placeholderValue] =
          QString::fromUtf8(c.placeholder);
    systemPorts.accessibility.answers = c.answers;
    ports.keyboard.trusted = c.trusted;
    EXPECT_EQ(tap.shouldIntercept(), c.intercept);
  }
}

TEST_F(SmartPasteTest, TheGrabFollowsPermissionRefusalAndLoss) {
  auto& grab = systemPorts.keyGrab;
  SmartPaste::shared().stop();  // the model's own tap shares the fake
  const int starts = grab.starts;
  ports.keyboard.trusted = false;
  tap.start();
  EXPECT_FALSE(tap.isRunning());
  EXPECT_EQ(grab.starts, starts);

  ports.keyboard.trusted = true;
  grab.refuse = true;
  tap.start();
  EXPECT_FALSE(tap.isRunning());
  tap.start();  // told once
  EXPECT_EQ(ports.panels.texts(),
            QStringList{"Smart Ctrl+V can't catch the paste keys: another program holds them"});
  grab.refuse = false;
  tap.start();  // the next refresh tries again
  EXPECT_TRUE(tap.isRunning());
  tap.start();
  EXPECT_EQ(grab.starts, starts + 3);

  // Another client takes the keys: the tap takes them back on the next turn.
  grab.held = false;
  grab.lost();
  EXPECT_FALSE(grab.held);
  settle();
  EXPECT_TRUE(grab.held);

  tap.stop();
  tap.stop();
  EXPECT_FALSE(tap.isRunning());
  EXPECT_FALSE(grab.held);

  // A tap that goes before its re-grab runs takes nothing back.
  {
    SmartPaste gone(&model());
    gone.start();
    grab.lost();
  }
  settle();
  EXPECT_FALSE(grab.held);
}

}  // namespace
}  // namespace clipvane
