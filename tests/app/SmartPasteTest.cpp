// The paste-key tap: which presses become a safe paste.
#include "EngineTest.h"
#include "Ports.h"
#include "SmartPaste.h"

namespace clipvane {
namespace {

using Verdict = KeyGrabPort::Verdict;
using Scope = AppSettings::ProtectedApp::Scope;
using Press = KeyGrabPort::Press;

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

TEST_F(SmartPasteTest, OnlyThePlainPasteShortcutOfTheDestinationIsTaken) {
  struct Case {
    const char* name;
    Press press;
    RunningApp front;
    Verdict verdict;
  };
  auto with = [](auto change) {
    Press p = ctrlV;
    change(p);
    return p;
  };
  const Case cases[] = {
      {"Ctrl+V", ctrlV, editor, Verdict::swallow},
      {"our own Ctrl+V", with([](Press& p) { p.own = true; }), editor, Verdict::replay},
      {"Ctrl+Shift+V", with([](Press& p) { p.shift = true; }), editor, Verdict::replay},
      {"Ctrl+Alt+V", with([](Press& p) { p.alt = true; }), editor, Verdict::replay},
      {"Ctrl+Super+V", with([](Press& p) { p.super = true; }), editor, Verdict::replay},
      {"V", with([](Press& p) { p.control = false; }), editor, Verdict::replay},
      {"Ctrl+C", with([](Press& p) { p.keyCode = 8; }), editor, Verdict::replay},
      {"Ctrl+V in a terminal", ctrlV, terminal, Verdict::replay},
      {"Ctrl+Shift+V in a terminal", with([](Press& p) { p.shift = true; }), terminal,
       Verdict::swallow},
  };
  systemPorts.accessibility.window(43, QStringLiteral("claude — ~/src"));
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
  EXPECT_EQ(ports.panels.reviews[0].text, QStringLiteral("mail ada@example.com"));
}

TEST_F(SmartPasteTest, TheDecisionInItsOrder) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    bool intercept;
  };
  const Case cases[] = {
      {"protected application", [this] {}, true},
      {"smart paste off", [this] { changeSettings([](AppSettings& s) { s.smartPaste = false; }); },
       false},
      {"protection off", [this] { changeSettings([](AppSettings& s) { s.protect = false; }); },
       false},
      {"paused",
       [this] {
         changeSettings([this](AppSettings& s) { s.pausedUntil = now + std::chrono::minutes(5); });
       },
       false},
      {"nothing in front", [this] { ports.workspace.frontmost.reset(); }, false},
      {"our own window",
       [this] {
         ports.workspace.frontmost =
             RunningApp{1, QStringLiteral("app.ostrel.Clipvane"), QStringLiteral("Clipvane")};
       },
       false},
      {"concealed clipboard",
       [this] {
         ports.clipboard.userCopiesItems(
             {{{fakes::plainText, "hunter2"}, {Pasteboard::passwordHintType, "secret"}}});
       },
       false},
      {"switched off in the list",
       [this] { changeSettings([](AppSettings& s) { s.disabledApps = {u"code"}; }); }, false},
      {"unlisted, other apps as they are",
       [this] {
         ports.workspace.frontmost = RunningApp{50, QStringLiteral("gimp"), QStringLiteral("GIMP")};
       },
       false},
      {"unlisted, other apps masked",
       [this] {
         changeSettings([](AppSettings& s) { s.otherApps = AppSettings::OtherApps::mask; });
         ports.workspace.frontmost = RunningApp{50, QStringLiteral("gimp"), QStringLiteral("GIMP")};
       },
       true},
      {"unlisted, policy off",
       [this] {
         changeSettings([](AppSettings& s) {
           s.otherApps = AppSettings::OtherApps::mask;
           s.appsPolicy = AppSettings::AppsPolicy::off;
         });
         ports.workspace.frontmost = RunningApp{50, QStringLiteral("gimp"), QStringLiteral("GIMP")};
       },
       false},
      {"empty clipboard", [this] { ports.clipboard.userCopies(QString()); }, false},
      {"no text",
       [this] {
         ports.clipboard.userCopiesItems({{{QStringLiteral("image/png"), "png"}}});
       },
       false},
      {"scanned clean",
       [this] {
         userCopies(QStringLiteral("nothing here"));
         settle();
       },
       false},
      {"scanned sensitive",
       [this] {
         userCopies(QStringLiteral("mail bob@example.org"));
         settle();
       },
       true},
      {"same clean text copied again",
       [this] {
         userCopies(QStringLiteral("nothing here"));
         settle();
         ports.clipboard.userCopies(QStringLiteral("nothing here"));
       },
       false},
      {"extension site",
       [this] {
         ports.workspace.frontmost =
             RunningApp{60, QStringLiteral("chromium"), QStringLiteral("Chromium")};
       },
       false},
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
      s.otherApps = AppSettings::OtherApps::pasteAsIs;
      s.appsPolicy = AppSettings::AppsPolicy::useAppSettings;
    });
    ports.clipboard.userCopies(QStringLiteral("mail ada@example.com"));
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
  grab.refuse = false;
  tap.start();  // the next refresh tries again
  EXPECT_TRUE(tap.isRunning());
  tap.start();
  EXPECT_EQ(grab.starts, starts + 2);

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
