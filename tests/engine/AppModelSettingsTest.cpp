// The settings observer, its side effects, the derived state and start-up.
#include <QFile>

#include "EngineTest.h"
#include "SmartPaste.h"

namespace clipvane {
namespace {

using testing::EngineTest;
using namespace std::chrono_literals;

class AppModelSettingsTest : public EngineTest {
 protected:
  bool settingsFileExists() const { return QFile::exists(home.filePath("settings.json")); }
  // What the observer did, in order, apart from the journal lines of the status icon.
  QStringList effects() const {
    QStringList out;
    for (const QString& line : fakes::journal())
      if (line != "refresh") out << line;
    return out;
  }
};

TEST_F(AppModelSettingsTest, AnEqualValueSavesAndAppliesNothing) {
  model().setSettings(model().settings());
  EXPECT_FALSE(settingsFileExists());
  EXPECT_TRUE(fakes::journal().isEmpty());
  EXPECT_EQ(model().scanGeneration(), 0);
}

TEST_F(AppModelSettingsTest, EachSideEffectFiresOnItsOwnFieldOnly) {
  struct Case {
    const char* field;
    std::function<void(AppSettings&)> change;
    QStringList effects;
    bool rescans;
  };
  const Case cases[] = {
      {"pasteToast", [](AppSettings& s) { s.pasteToast = false; }, {}, false},
      {"restore hot key display only",
       [](AppSettings& s) { s.restoreHotkey.display = u"⌃⌘R "; },
       {"registerHotkey 1", "registerHotkey 2", "registerHotkey 3", "registerHotkey 4",
        "registerHotkey 5"},
       false},
      {"launchAtLogin",
       [](AppSettings& s) { s.launchAtLogin = true; },
       {"loginItem register"},
       false},
      {"smartPaste on", [](AppSettings& s) { s.smartPaste = true; }, {"trustPrompt"}, false},
      {"showInMenuBar", [](AppSettings& s) { s.showInMenuBar = false; }, {}, false},
      {"detection", [](AppSettings& s) { s.detection.skipPrivateRanges = true; }, {}, true},
      {"aiCheck", [](AppSettings& s) { s.aiCheck = true; }, {}, true},
      {"protect", [](AppSettings& s) { s.protect = false; }, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    model_.reset();
    QFile::remove(home.filePath("settings.json"));
    fakes::journal().clear();
    const qint64 generation = model().scanGeneration();
    changeSettings(c.change);
    EXPECT_TRUE(settingsFileExists());
    EXPECT_EQ(effects(), c.effects);
    EXPECT_EQ(model().scanGeneration() != generation, c.rescans);
    EXPECT_EQ(fakes::journal().back(), "refresh");  // the icon always
  }
}

TEST_F(AppModelSettingsTest, SideEffectsRunInTheirOrderAndOneRescanAtMost) {
  ports.statusItem.installed = true;
  ports.keyboard.trusted = false;
  const qint64 generation = model().scanGeneration();
  changeSettings([](AppSettings& s) {
    s.pauseHotkey = AppSettings::Hotkey::none();
    s.launchAtLogin = true;
    s.smartPaste = true;
    s.showInMenuBar = false;
    s.detection.skipPrivateRanges = true;
    s.aiCheck = true;
    s.protect = false;
  });
  EXPECT_EQ(effects(), (QStringList{"registerHotkey 1", "registerHotkey 2", "registerHotkey 4",
                                    "registerHotkey 5", "loginItem register", "trustPrompt",
                                    "statusVisible 0"}));
  EXPECT_EQ(model().scanGeneration(), generation + 1);
  EXPECT_FALSE(SmartPaste::shared().isRunning());  // no permission: the tap stays off

  // Switching smart paste off never prompts.
  ports.keyboard.prompts = 0;
  set(&AppSettings::smartPaste, false);
  EXPECT_EQ(ports.keyboard.prompts, 0);
}

TEST_F(AppModelSettingsTest, ResumingEarlyRescansButThePauseTimerDoesNot) {
  set(&AppSettings::pausedUntil, std::optional(now + 1h));
  const qint64 generation = model().scanGeneration();
  model().resume();
  EXPECT_EQ(model().scanGeneration(), generation + 1);

  // The end of the pause comes through its timer: the old end is then past.
  set(&AppSettings::pausedUntil, std::optional(now + 1h));
  model().schedulePauseEnd();
  const qint64 before = model().scanGeneration();
  advance(2h);
  model().schedulePauseEnd();  // the timer fires at once now
  ASSERT_TRUE(testing::waitUntil([&] { return !model().settings().pausedUntil; }));
  EXPECT_EQ(model().scanGeneration(), before);
  EXPECT_NE(model().iconState().badge, IconState::Badge::paused);
}

TEST_F(AppModelSettingsTest, IconStateRules) {
  using B = IconState::Badge;
  struct Case {
    const char* name;
    bool protect, paused, autoMask, findings;
    std::optional<B> badge;
    bool off;
  };
  const Case cases[] = {
      {"off, whatever the findings", false, false, true, true, std::nullopt, true},
      {"off follows autoMask for askFirst", false, true, false, false, std::nullopt, true},
      {"paused beats a copy alert", true, true, true, true, B::paused, false},
      {"copied", true, false, false, true, B::copied, false},
      {"nothing", true, false, true, false, std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart([&](AppSettings& s) {
      s.protect = true;
      s.autoMask = false;  // so that a copy keeps its findings on the clipboard
      s.pausedUntil.reset();
    });
    if (c.findings) {
      copy("ada@example.com");
      ASSERT_FALSE(model().clipboardFindings().empty());
    }
    changeSettings([&](AppSettings& s) {
      s.autoMask = c.autoMask;
      s.pausedUntil = c.paused ? std::optional<Date>(now + 1h) : std::nullopt;
    });
    // protect last: switching it rescans, which is the point of the first rows
    if (!c.protect) set(&AppSettings::protect, false);
    settle();
    EXPECT_EQ(model().iconState(), (IconState{c.badge, !c.autoMask, c.off}));
    if (c.paused) {
      EXPECT_FALSE(model().copyAlertActive());
    }
  }
}

TEST_F(AppModelSettingsTest, AFlashGivesWayToAPauseAndToProtectionOff) {
  changeSettings([](AppSettings& s) { s.detection.kindActions[Kind::email] = PasteAction::block; });
  copy("mail ada@example.com");
  ASSERT_TRUE(model().blockedFlash());
  EXPECT_EQ(model().iconState(), (IconState{IconState::Badge::blocked, false, false}));
  model().pause(std::nullopt);
  EXPECT_EQ(model().iconState(), (IconState{IconState::Badge::paused, false, false}));
  set(&AppSettings::protect, false);
  EXPECT_EQ(model().iconState(), (IconState{std::nullopt, false, true}));
}

// ---- start-up ----------------------------------------------------------------------

TEST_F(AppModelSettingsTest, StartBringsLaunchAtLoginInLineWithoutRegistering) {
  struct Case {
    LoginItemStatus status;
    bool saved;
    bool after;
  };
  const Case cases[] = {
      {LoginItemStatus::requiresApproval, false, true},
      {LoginItemStatus::enabled, false, true},
      {LoginItemStatus::notRegistered, true, false},
      {LoginItemStatus::notFound, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.status));
    model_.reset();
    AppSettings saved;
    saved.launchAtLogin = c.saved;
    saved.save();
    ports.loginItem.current = c.status;
    ports.loginItem.calls.clear();
    model().start();
    EXPECT_EQ(model().settings().launchAtLogin, c.after);
    EXPECT_EQ(AppSettings::load().launchAtLogin, c.after);
    EXPECT_TRUE(ports.loginItem.calls.isEmpty());
  }
}

// An item that is on is pointed at the copy that starts; one that is off is
// left alone, and a failure leaves the setting on.
TEST_F(AppModelSettingsTest, StartRetargetsALoginItemThatIsOn) {
  const std::pair<LoginItemStatus, int> cases[] = {{LoginItemStatus::enabled, 1},
                                                   {LoginItemStatus::requiresApproval, 1},
                                                   {LoginItemStatus::notRegistered, 0}};
  for (const auto& [status, retargets] : cases) {
    SCOPED_TRACE(int(status));
    model_.reset();
    ports.loginItem.current = status;
    ports.loginItem.retargets = 0;
    ports.loginItem.failure = retargets ? std::optional<QString>("read-only") : std::nullopt;
    model().start();
    EXPECT_EQ(ports.loginItem.retargets, retargets);
    EXPECT_EQ(model().settings().launchAtLogin, retargets == 1);
  }
}

TEST_F(AppModelSettingsTest, StartWiresEverythingAndOpensTheFirstRunLast) {
  model().start();
  EXPECT_TRUE(model().monitor().isRunning());
  for (std::uint32_t id = 1; id <= 5; ++id) EXPECT_TRUE(ports.hotkeys.find(id)) << id;
  const QStringList lines = fakes::journal();
  ASSERT_TRUE(lines.contains("installStatusItem"));
  EXPECT_EQ(lines.back(), "firstRun");
  EXPECT_LT(lines.indexOf("installStatusItem"), lines.indexOf("firstRun"));

  model_.reset();
  fakes::journal().clear();
  set(&AppSettings::onboarded, true);
  model().start();
  EXPECT_FALSE(fakes::journal().contains("firstRun"));
}

TEST_F(AppModelSettingsTest, APauseThatEndedBeforeStartEndsRightAfter) {
  set(&AppSettings::pausedUntil, std::optional(now - 1min));
  model().start();
  ASSERT_TRUE(testing::waitUntil([&] { return !model().settings().pausedUntil; }));
}

TEST_F(AppModelSettingsTest, TheTapRunsOnlyWhileSettingsAndPermissionAllow) {
  changeSettings([](AppSettings& s) {
    s.smartPaste = true;
    s.onboarded = true;
  });
  model().start();
  EXPECT_TRUE(SmartPaste::shared().isRunning());
  ports.keyboard.trusted = false;  // withdrawn: the next tick stops it
  ASSERT_TRUE(testing::waitUntil([] { return !SmartPaste::shared().isRunning(); }));
  ports.keyboard.trusted = true;
  ASSERT_TRUE(testing::waitUntil([] { return SmartPaste::shared().isRunning(); }));
  model().pause(std::nullopt);
  EXPECT_FALSE(SmartPaste::shared().isRunning());
  model().resume();
  set(&AppSettings::protect, false);
  EXPECT_FALSE(SmartPaste::shared().isRunning());
}

}  // namespace
}  // namespace clipvane

namespace clipvane {
namespace {

// Two copies of the program on one data folder: what one stores, the
// other's next change keeps, and takes up itself.
TEST_F(AppModelSettingsTest, NoChangeOfAnotherCopyOnTheSameFolderIsLost) {
  AppModel& first = model();
  AppModel second;  // started over the same folder
  AppSettings s = first.settings();
  s.ignored.push_back(IgnoredText{Uuid::generate(), u"ada@example.com", u"Email", now});
  first.setSettings(s);
  second.mark({"Falcon"}, Kind::custom);
  for (const AppSettings& held : {AppSettings::load(), second.settings()}) {
    ASSERT_EQ(held.ignored.size(), 1u);
    EXPECT_EQ(held.ignored[0].text, u"ada@example.com");
    ASSERT_EQ(held.marked.size(), 1u);
    EXPECT_EQ(held.marked[0].text, u"Falcon");
  }
}

}  // namespace
}  // namespace clipvane
