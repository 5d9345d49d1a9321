// The General, Auto-mask, About and Apps tabs: what each control shows, which
// settings one choice changes and how many saves it makes.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "AboutPane.h"
#include "AppChooser.h"
#include "AppsPane.h"
#include "AutoMaskPane.h"
#include "GeneralPane.h"
#include "Hotkeys.h"
#include "Kit.h"
#include "KitRows.h"
#include "SettingsViewTest.h"
#include "ShortcutField.h"

namespace clipvane {
namespace {

using testing::SettingsViewTest;
using Hotkey = AppSettings::Hotkey;
using Style = AppSettings::CopyAlertStyle;

// The user picks the item with this title.
void choose(PopUp* popUp, const QString& title) {
  const int index = popUp->findText(title);
  ASSERT_GE(index, 0) << title.toStdString();
  popUp->setCurrentIndex(index);
  emit popUp->activated(index);
}

class PanesTest : public SettingsViewTest {
 protected:
  template <class Pane, class... Args>
  std::unique_ptr<Pane> show(Args&&... args) {
    auto pane = std::make_unique<Pane>(std::forward<Args>(args)...);
    pane->show();
    QCoreApplication::processEvents();
    return pane;
  }
  void shoot(QWidget& pane, const QString& name) {
    for (const bool dark : {false, true}) {
      scheme.appearance.isDark = dark;
      testing::screenshot(pane, name + (dark ? "-dark" : "-light"));
    }
    scheme.appearance.isDark = false;
  }
};

// ---- General ---------------------------------------------------------------------

TEST_F(PanesTest, GeneralShowsTheDefaults) {
  auto pane = show<GeneralPane>(model());
  EXPECT_TRUE(child<Checkbox>(pane.get(), "protect")->isChecked());
  EXPECT_FALSE(child<Checkbox>(pane.get(), "launchAtLogin")->isChecked());
  EXPECT_TRUE(child<Checkbox>(pane.get(), "showInMenuBar")->isChecked());
  EXPECT_EQ(child<PopUp>(pane.get(), "copyAlert")->currentText(), "Toast");
  EXPECT_EQ(child<ShortcutField>(pane.get(), "safePasteHotkey")->shownText(), "Ctrl+Super+V");
  EXPECT_EQ(child<ShortcutField>(pane.get(), "restoreHotkey")->shownText(), "Ctrl+Super+R");
  EXPECT_EQ(child<ShortcutField>(pane.get(), "pauseHotkey")->shownText(), "Ctrl+Super+P");
  shoot(*pane, "settings-general");
}

TEST_F(PanesTest, EachGeneralCheckboxCommitsItsOwnFieldOnce) {
  auto pane = show<GeneralPane>(model());
  const std::pair<const char*, bool AppSettings::*> boxes[] = {
      {"protect", &AppSettings::protect},
      {"launchAtLogin", &AppSettings::launchAtLogin},
      {"showInMenuBar", &AppSettings::showInMenuBar}};
  for (const auto& [name, field] : boxes) {
    const bool before = model().settings().*field;
    EXPECT_EQ(saves([&] { click(child(pane.get(), name)); }), 1) << name;
    EXPECT_EQ(model().settings().*field, !before) << name;
    EXPECT_EQ(child<Checkbox>(pane.get(), name)->isChecked(), !before) << name;
  }
  // A change made elsewhere shows at once.
  set(&AppSettings::protect, true);
  EXPECT_TRUE(child<Checkbox>(pane.get(), "protect")->isChecked());
}

TEST_F(PanesTest, TheCopyAlertChoiceFoldsTwoFieldsAndCommitsThemInTurn) {
  auto pane = show<GeneralPane>(model());
  PopUp* popUp = child<PopUp>(pane.get(), "copyAlert");
  struct Step {
    const char* title;
    int saves;
    bool alert;
    Style style;
  } steps[] = {
      {"Off", 1, false, Style::tag},  // the style stays as stored
      {"Icon only", 2, true, Style::iconOnly},
      {"Icon only", 0, true, Style::iconOnly},  // nothing changes, nothing saved
      {"Off", 1, false, Style::iconOnly},
      {"Toast", 2, true, Style::tag},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(saves([&] { choose(popUp, step.title); }), step.saves) << step.title;
    EXPECT_EQ(model().settings().copyAlert, step.alert) << step.title;
    EXPECT_EQ(model().settings().copyAlertStyle, step.style) << step.title;
  }
  set(&AppSettings::copyAlert, false);
  EXPECT_EQ(popUp->currentText(), "Off");
  const std::tuple<bool, Style, int> folds[] = {{true, Style::tag, 0},
                                                {true, Style::iconOnly, 1},
                                                {false, Style::tag, 2},
                                                {false, Style::iconOnly, 2}};
  for (const auto& [alert, style, shown] : folds) {
    AppSettings s;
    s.copyAlert = alert;
    s.copyAlertStyle = style;
    EXPECT_EQ(GeneralPane::copyAlert(s), shown);
  }
}

// ---- Shortcut field ----------------------------------------------------------------

class ShortcutFieldTest : public PanesTest {
 protected:
  void SetUp() override {
    model().registerHotkeys();
    pane = show<GeneralPane>(model());
    field = child<ShortcutField>(pane.get(), "safePasteHotkey");
    grabbed = ports.hotkeys.registered.size();
  }
  std::size_t grabbed = 0;
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(field->recordButton(), key, modifiers);
  }
  std::unique_ptr<GeneralPane> pane;
  ShortcutField* field = nullptr;
};

TEST_F(ShortcutFieldTest, RecordingLetsTheHotKeysGoAndTakesTheNextCombination) {
  EXPECT_GE(grabbed, 3u);
  click(field->recordButton());
  EXPECT_TRUE(field->isRecording());
  EXPECT_EQ(field->shownText(), "Type Shortcut");
  EXPECT_TRUE(ports.hotkeys.registered.empty());
  testing::screenshot(*pane, "settings-general-recording");

  // A plain letter, Shift and a letter: passed on, recording goes on.
  EXPECT_EQ(saves([&] {
              press(Qt::Key_V, Qt::NoModifier);
              press(Qt::Key_V, Qt::ShiftModifier);
            }),
            0);
  EXPECT_TRUE(field->isRecording());

  EXPECT_EQ(saves([&] { press(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier); }), 1);
  EXPECT_FALSE(field->isRecording());
  EXPECT_EQ(model().settings().safePasteHotkey, (Hotkey{40, 0x1800, u"⌃⌥K"}));
  EXPECT_EQ(field->shownText(), "Ctrl+Alt+K");
  // Taken again after, with the new combination.
  ASSERT_TRUE(ports.hotkeys.find(1));
  EXPECT_EQ(ports.hotkeys.find(1)->keyCode, 40u);
  EXPECT_EQ(ports.hotkeys.registered.size(), grabbed);
}

TEST_F(ShortcutFieldTest, RecordedCombinationsGiveTheStoredForm) {
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Hotkey stored;
  } cases[] = {
      {Qt::Key_V, Qt::ControlModifier | Qt::MetaModifier, {9, 0x1100, u"⌃⌘V"}},
      {Qt::Key_K,
       Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier,
       {40, 0x1B00, u"⌃⌥⇧⌘K"}},
      {Qt::Key_F5, Qt::ControlModifier, {96, 0x1000, u"⌃F5"}},
      {Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, {18, 0x1200, u"⌃⇧1"}},
  };
  for (const auto& c : cases) {
    click(field->recordButton());
    press(c.key, c.modifiers);
    EXPECT_FALSE(field->isRecording());
    EXPECT_EQ(model().settings().safePasteHotkey, c.stored);
  }
}

TEST_F(ShortcutFieldTest, EscapeASecondClickOrHidingEndRecordingUnchanged) {
  const Hotkey before = model().settings().safePasteHotkey;
  click(field->recordButton());
  press(Qt::Key_Escape, Qt::ControlModifier);
  EXPECT_FALSE(field->isRecording());
  click(field->recordButton());
  click(field->recordButton());
  EXPECT_FALSE(field->isRecording());
  click(field->recordButton());
  pane->hide();
  EXPECT_FALSE(field->isRecording());
  EXPECT_EQ(model().settings().safePasteHotkey, before);
  EXPECT_EQ(ports.hotkeys.registered.size(), grabbed);
  // After recording ended nothing is captured.
  pane->show();
  EXPECT_EQ(saves([&] { press(Qt::Key_J, Qt::ControlModifier | Qt::AltModifier); }), 0);
}

TEST_F(ShortcutFieldTest, ClearingStoresNoKeyAndHidesTheClearButton) {
  EXPECT_TRUE(field->clearButton()->isEnabled());
  EXPECT_EQ(saves([&] { click(field->clearButton()); }), 1);
  EXPECT_EQ(model().settings().safePasteHotkey, Hotkey::none());
  EXPECT_EQ(field->shownText(), "None");
  EXPECT_FALSE(field->clearButton()->isEnabled());
  EXPECT_FALSE(ports.hotkeys.find(1));
  EXPECT_EQ(saves([&] { click(field->clearButton()); }), 0);
  testing::screenshot(*pane, "settings-general-cleared");
}

// ---- Auto-mask ----------------------------------------------------------------------

TEST_F(PanesTest, AutoMaskShowsTheDefaults) {
  auto pane = show<AutoMaskPane>(model());
  for (const char* name : {"autoMask", "sameValueSameLabel", "pasteToast"})
    EXPECT_TRUE(child<Checkbox>(pane.get(), name)->isChecked()) << name;
  auto* whenOff = child<PopUp>(pane.get(), "whenAutoMaskOff");
  EXPECT_EQ(whenOff->currentText(), "Show review");
  EXPECT_FALSE(whenOff->isEnabled());
  EXPECT_EQ(child<PopUp>(pane.get(), "labelStyle")->currentText(), "Token");
  EXPECT_EQ(child<TokenChip>(pane.get(), "exampleChip")->property("example"), "[EMAIL_1]");
  EXPECT_EQ(child<PopUp>(pane.get(), "secrets")->currentText(), "Mask");
  EXPECT_EQ(child<PopUp>(pane.get(), "records")->currentText(), "Ask first");
  EXPECT_EQ(child<PopUp>(pane.get(), "otherTypes")->currentText(), "Mask");
  EXPECT_EQ(child<PopUp>(pane.get(), "appsPolicy")->currentText(), "Use app settings");
  shoot(*pane, "settings-automask");
}

TEST_F(PanesTest, WhenOffFollowsAutoMaskAndKeepsItsValue) {
  auto pane = show<AutoMaskPane>(model());
  auto* whenOff = child<PopUp>(pane.get(), "whenAutoMaskOff");
  EXPECT_EQ(saves([&] { click(child(pane.get(), "autoMask")); }), 1);
  EXPECT_FALSE(model().settings().autoMask);
  EXPECT_TRUE(whenOff->isEnabled());
  EXPECT_EQ(saves([&] { choose(whenOff, "Paste original"); }), 1);
  EXPECT_EQ(model().settings().whenAutoMaskOff, AppSettings::WhenAutoMaskOff::pasteOriginal);
  click(child(pane.get(), "autoMask"));
  EXPECT_FALSE(whenOff->isEnabled());
  EXPECT_EQ(whenOff->currentText(), "Paste original");
}

TEST_F(PanesTest, TheLabelStyleChangesTheExampleAtOnce) {
  auto pane = show<AutoMaskPane>(model());
  EXPECT_EQ(saves([&] { choose(child<PopUp>(pane.get(), "labelStyle"), "Mask"); }), 1);
  EXPECT_EQ(model().settings().labelStyle, Vault::LabelStyle::mask);
  const QString shown = child<TokenChip>(pane.get(), "exampleChip")->property("example").toString();
  EXPECT_EQ(shown, AutoMaskPane::example(Vault::LabelStyle::mask));
  EXPECT_NE(shown, "[EMAIL_1]");
  EXPECT_FALSE(shown.contains("jane.doe"));  // partly hidden
  EXPECT_EQ(pane->findChildren<QWidget*>("exampleChip").size(), 1);
  shoot(*pane, "settings-automask-mask-style");
}

TEST_F(PanesTest, SecretsSetsBothActionFieldsOneSaveEachWhenTheyChange) {
  auto pane = show<AutoMaskPane>(model());
  PopUp* secrets = child<PopUp>(pane.get(), "secrets");
  // keysAction already blocks: only secretsAction changes.
  EXPECT_EQ(saves([&] { choose(secrets, "Block"); }), 1);
  EXPECT_EQ(model().settings().secretsAction, PasteAction::block);
  EXPECT_EQ(model().settings().keysAction, PasteAction::block);
  EXPECT_EQ(saves([&] { choose(secrets, "Ask first"); }), 2);
  EXPECT_EQ(model().settings().secretsAction, PasteAction::review);
  EXPECT_EQ(model().settings().keysAction, PasteAction::review);
  EXPECT_EQ(saves([&] { choose(secrets, "Ask first"); }), 0);
  EXPECT_EQ(saves([&] { choose(child<PopUp>(pane.get(), "records"), "Block"); }), 1);
  EXPECT_EQ(model().settings().recordsAction, PasteAction::block);
  EXPECT_EQ(saves([&] { choose(child<PopUp>(pane.get(), "otherTypes"), "Ask first"); }), 1);
  EXPECT_EQ(model().settings().otherAction, PasteAction::review);
  EXPECT_EQ(saves([&] { choose(child<PopUp>(pane.get(), "appsPolicy"), "Block keys"); }), 1);
  EXPECT_EQ(model().settings().appsPolicy, AppSettings::AppsPolicy::blockKeys);
  shoot(*pane, "settings-automask-blocking");
}

// ---- About ---------------------------------------------------------------------------------

TEST(AboutPane, TheVersionLine) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"1.4", "27", "Version 1.4 (27)"},
      {"2.0", "", "Version 2.0"},
      {"", "12", "Version 1.0 (12)"},
      {"", "", "Version 1.0"}};
  for (const auto& [shortVersion, build, text] : cases)
    EXPECT_EQ(AboutPane::version(shortVersion, build), text);
  EXPECT_EQ(AboutPane::version(), "Version " CLIPVANE_VERSION);
}

TEST_F(PanesTest, AboutShowsTheNameVersionAndAddresses) {
  auto pane = show<AboutPane>();
  EXPECT_EQ(child<ThemeText>(pane.get(), "version")->text(), AboutPane::version());
  EXPECT_EQ(child<QAbstractButton>(pane.get(), "support")->text(), "support@clipvane.app");
  const auto before = pane->grab().toImage();
  set(&AppSettings::protect, false);  // the same whatever the settings
  EXPECT_EQ(pane->grab().toImage(), before);
  shoot(*pane, "settings-about");
}

// ---- Apps ------------------------------------------------------------------------------

class AppsPaneTest : public PanesTest {
 protected:
  void SetUp() override {
    applications.listed = {{"org.gnome.Terminal", "Terminal", ""},
                           {"org.gnome.gedit", "Text Editor", ""}};
    pane = show<AppsPane>(model());
    pane->chooser = [this](QWidget*) { return nextChoice; };
  }
  TableRow* row(const QString& id) { return child<TableRow>(pane->table(), "row." + id); }
  std::vector<std::u16string> ids() {
    std::vector<std::u16string> out;
    for (const auto& app : model().settings().protectedApps) out.push_back(app.id());
    return out;
  }
  std::unique_ptr<AppsPane> pane;
  std::optional<InstalledApp> nextChoice;
};

TEST_F(AppsPaneTest, TheTableListsTheProtectedAppsWithTheirActions) {
  const auto& apps = model().settings().protectedApps;
  ASSERT_EQ(pane->table()->rows().size(), apps.size());
  for (std::size_t i = 0; i < apps.size(); ++i) {
    TableRow* r = pane->table()->rows()[i];
    EXPECT_EQ(r->objectName(), "row." + QString::fromStdU16String(apps[i].id()));
    EXPECT_TRUE(r->checkbox()->isChecked());
    EXPECT_EQ(r->findChild<PopUp*>("action")->currentText(), "Mask");  // no action set
  }
  EXPECT_FALSE(pane->findChild<AddRemoveBar*>()->removeButton()->isEnabled());
  EXPECT_FALSE(child<PopUp>(pane.get(), "otherApps")->isEnabled());
  EXPECT_TRUE(child(pane.get(), "allowAccessibility")->isHidden());
  shoot(*pane, "settings-apps");
}

TEST_F(AppsPaneTest, TheSwitchKeepsTheIdentityInDisabledAppsExactlyOnceWhileOff) {
  const std::u16string id = model().settings().protectedApps.front().id();
  const QString name = QString::fromStdU16String(id);
  // A stale copy is removed before the one append.
  set(&AppSettings::disabledApps, std::vector<std::u16string>{id, u"other"});
  EXPECT_FALSE(row(name)->checkbox()->isChecked());
  EXPECT_EQ(saves([&] { click(row(name)->checkbox()); }), 1);
  EXPECT_EQ(model().settings().disabledApps, (std::vector<std::u16string>{u"other"}));
  // Nothing to remove this time: the append is the one save.
  EXPECT_EQ(saves([&] { click(row(name)->checkbox()); }), 1);
  EXPECT_EQ(model().settings().disabledApps, (std::vector<std::u16string>{u"other", id}));
  EXPECT_FALSE(row(name)->checkbox()->isChecked());
}

TEST_F(AppsPaneTest, ActionsAndScopesChangeTheFirstEntryWithTheIdentityOnly) {
  auto apps = model().settings().protectedApps;
  apps.push_back(apps.front());  // the same identity twice
  set(&AppSettings::protectedApps, apps);
  const std::u16string id = apps.front().id();
  EXPECT_EQ(
      saves([&] { choose(pane->table()->rows().front()->findChild<PopUp*>("action"), "Off"); }), 1);
  EXPECT_EQ(model().settings().protectedApps.front().action, AppSettings::AppAction::off);
  EXPECT_EQ(model().settings().protectedApps.back().action, std::nullopt);
  using Scope = AppSettings::ProtectedApp::Scope;
  for (const Scope scope : {Scope::copilotChat, Scope::allPastes, Scope::aiAgents}) {
    AppsPane::setScope(model(), id, scope);
    EXPECT_EQ(model().settings().protectedApps.front().scope, scope);
  }
  EXPECT_EQ(model().settings().protectedApps.back().scope, apps.back().scope);
  EXPECT_EQ(
      saves([&] { AppsPane::setAction(model(), u"not.listed", AppSettings::AppAction::off); }), 0);
}

TEST_F(AppsPaneTest, TheActionsContextMenuPicksTheScope) {
  using Scope = AppSettings::ProtectedApp::Scope;
  const struct {
    const char* title;
    Scope scope;
  } picks[] = {{"AI chat", Scope::copilotChat},
               {"All pastes", Scope::allPastes},
               {"AI agents", Scope::aiAgents}};
  for (const auto& pick : picks) {
    PopUp* action = pane->table()->rows().front()->findChild<PopUp*>("action");
    QStringList shown;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* a : menu->actions())
        if (!a->isSeparator()) shown << a->text();
      for (QAction* a : menu->actions())
        if (a->text() == pick.title) a->trigger();
      menu->close();
    });
    emit action->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(shown, (QStringList{"All pastes", "AI agents", "AI chat"}));
    EXPECT_EQ(model().settings().protectedApps.front().scope, pick.scope) << pick.title;
  }
}

TEST_F(AppsPaneTest, AddingAppendsANewApplicationOnceWithItsScope) {
  const auto before = ids();
  nextChoice = InstalledApp{"org.gnome.gedit", "Text Editor", ""};
  EXPECT_EQ(saves([&] { click(pane->findChild<AddRemoveBar*>()->addButton()); }), 1);
  const auto& added = model().settings().protectedApps.back();
  EXPECT_EQ(added.name, u"Text Editor");
  EXPECT_EQ(added.bundleID, u"org.gnome.gedit");
  EXPECT_EQ(added.scope, AppSettings::ProtectedApp::Scope::allPastes);
  EXPECT_EQ(added.action, std::nullopt);
  EXPECT_EQ(ids().size(), before.size() + 1);
  EXPECT_FALSE(pane->selected());

  // Already listed, cancelled or without an id: nothing.
  for (const auto& choice : {nextChoice, std::optional<InstalledApp>(),
                             std::optional<InstalledApp>(InstalledApp{"", "Nameless", ""})}) {
    nextChoice = choice;
    EXPECT_EQ(saves([&] { pane->addApp(); }), 0);
  }
  // A terminal that is not listed yet.
  set(&AppSettings::protectedApps, std::vector<AppSettings::ProtectedApp>{});
  EXPECT_EQ(saves([&] { AppsPane::add(model(), {"org.gnome.Terminal", "Terminal", ""}); }), 1);
  EXPECT_EQ(model().settings().protectedApps.back().scope,
            AppSettings::ProtectedApp::Scope::aiAgents);
}

TEST_F(AppsPaneTest, RemovingDeletesEveryEntryOfTheSelectionAndItsSwitch) {
  auto apps = model().settings().protectedApps;
  apps.push_back(apps.front());
  const std::u16string id = apps.front().id();
  set(&AppSettings::protectedApps, apps);
  set(&AppSettings::disabledApps, std::vector<std::u16string>{id});
  click(row(QString::fromStdU16String(id)));
  EXPECT_EQ(pane->selected(), id);
  EXPECT_TRUE(row(QString::fromStdU16String(id))->isSelected());
  EXPECT_TRUE(pane->findChild<AddRemoveBar*>()->removeButton()->isEnabled());
  testing::screenshot(*pane, "settings-apps-selected");
  EXPECT_EQ(saves([&] { click(pane->findChild<AddRemoveBar*>()->removeButton()); }), 2);
  for (const auto& left : ids()) EXPECT_NE(left, id);
  EXPECT_EQ(ids().size(), apps.size() - 2);
  EXPECT_TRUE(model().settings().disabledApps.empty());
  EXPECT_FALSE(pane->selected());
  EXPECT_FALSE(pane->findChild<AddRemoveBar*>()->removeButton()->isEnabled());
}

TEST_F(AppsPaneTest, SmartPasteCommitsTheMethodTooAndShowsWhatTheDesktopLacks) {
  ports.keyboard.trusted = false;
  pane->poll();
  EXPECT_EQ(saves([&] { click(child(pane.get(), "smartPaste")); }), 2);
  EXPECT_TRUE(model().settings().smartPaste);
  EXPECT_EQ(model().settings().pasteMethod, AppSettings::PasteMethod::smart);
  EXPECT_TRUE(child<PopUp>(pane.get(), "otherApps")->isEnabled());
  EXPECT_EQ(saves([&] { choose(child<PopUp>(pane.get(), "otherApps"), "Mask"); }), 1);
  EXPECT_EQ(model().settings().otherApps, AppSettings::OtherApps::mask);

  QWidget* allow = child(pane.get(), "allowAccessibility");
  EXPECT_FALSE(allow->isHidden());
  const int prompts = ports.keyboard.prompts;
  click(allow);
  EXPECT_GT(ports.keyboard.prompts, prompts);
  EXPECT_FALSE(child(pane.get(), "accessibilityExplanation")->isHidden());
  shoot(*pane, "settings-apps-untrusted");

  // Granted: the poll hides the button and starts the tap.
  ports.keyboard.trusted = true;
  pane->poll();
  EXPECT_TRUE(pane->trusted());
  EXPECT_TRUE(allow->isHidden());
  EXPECT_TRUE(child(pane.get(), "accessibilityExplanation")->isHidden());
  EXPECT_TRUE(systemPorts.keyGrab.held);

  EXPECT_EQ(saves([&] { click(child(pane.get(), "smartPaste")); }), 2);
  EXPECT_EQ(model().settings().pasteMethod, AppSettings::PasteMethod::shortcut);
  EXPECT_FALSE(child<PopUp>(pane.get(), "otherApps")->isEnabled());
  EXPECT_EQ(child<PopUp>(pane.get(), "otherApps")->currentText(), "Mask");
}

TEST_F(PanesTest, TheChooserNarrowsByNameOrIdAndAddsOnlyAVisibleChoice) {
  AppChooser chooser({{"org.gnome.Terminal", "Terminal", ""},
                      {"org.gnome.gedit", "Text Editor", ""},
                      {"firefox", "Firefox Web Browser", ""}});
  chooser.show();
  auto* add = chooser.findChild<QAbstractButton*>("add");
  EXPECT_FALSE(add->isEnabled());
  EXPECT_EQ(chooser.chosen(), std::nullopt);
  const auto visible = [&] {
    QStringList names;
    for (int i = 0; i < chooser.list()->count(); ++i)
      if (!chooser.list()->item(i)->isHidden()) names << chooser.list()->item(i)->text();
    return names;
  };
  chooser.search()->setText("GNOME");  // by id
  EXPECT_EQ(visible(), (QStringList{"Terminal", "Text Editor"}));
  chooser.search()->setText("te");
  EXPECT_EQ(visible(), (QStringList{"Terminal", "Text Editor"}));
  chooser.list()->setCurrentRow(1);
  EXPECT_TRUE(add->isEnabled());
  EXPECT_EQ(chooser.chosen()->id, "org.gnome.gedit");
  testing::screenshot(chooser, "settings-app-chooser");
  chooser.search()->setText("fire");  // the choice is filtered away
  EXPECT_EQ(chooser.chosen(), std::nullopt);
  EXPECT_FALSE(add->isEnabled());
}

TEST_F(PanesTest, ReturnInTheChoosersSearchAddsOnlyAChosenApplication) {
  AppChooser chooser({{"org.gnome.Terminal", "Terminal", ""}, {"firefox", "Firefox", ""}});
  chooser.show();
  chooser.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser));
  chooser.search()->setFocus();
  QTest::keyClicks(chooser.search(), "fire");
  QTest::keyClick(chooser.search(), Qt::Key_Return);
  EXPECT_TRUE(chooser.isVisible()) << "nothing chosen yet: Return adds nothing";
  QTest::keyClick(chooser.search(), Qt::Key_Down);
  chooser.search()->setFocus();
  QTest::keyClick(chooser.search(), Qt::Key_Return);
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
  EXPECT_EQ(chooser.chosen()->id, "firefox");
}

TEST_F(PanesTest, TheChoosersIconsAreSquaresOfOneSizeCentredWhateverTheirShape) {
  QTemporaryDir dir;
  QImage wide(32, 20, QImage::Format_ARGB32);
  wide.fill(Qt::red);
  const QString path = dir.filePath(QStringLiteral("wide.png"));
  ASSERT_TRUE(wide.save(path));
  AppChooser chooser(
      {{"firefox", "Firefox Web Browser", path}, {"org.gnome.gedit", "Text Editor", ""}});
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(row);
    const QImage shown = chooser.list()->item(row)->icon().pixmap(QSize(24, 24), 1.0).toImage();
    ASSERT_EQ(shown.size(), QSize(24, 24)) << "every row keeps its names in line";
    EXPECT_EQ(qAlpha(shown.pixel(12, 1)), 0) << "the wide icon is centred, not stretched";
    EXPECT_EQ(qAlpha(shown.pixel(12, 12)), row == 0 ? 255 : 0);
  }
  chooser.show();
  testing::screenshot(chooser, "settings-app-chooser-icons-light");
  scheme.appearance.isDark = true;
  AppChooser dark(
      {{"firefox", "Firefox Web Browser", path}, {"org.gnome.gedit", "Text Editor", ""}});
  dark.list()->setCurrentRow(1);
  dark.show();
  EXPECT_EQ(dark.palette().color(QPalette::Window), Theme::color(Theme::card));
  testing::screenshot(dark, "settings-app-chooser-icons-dark");
}

TEST_F(PanesTest, DownFromTheChoosersSearchReachesTheListAndReturnAddsTheChoice) {
  AppChooser chooser({{"org.gnome.Terminal", "Terminal", ""},
                      {"org.gnome.gedit", "Text Editor", ""},
                      {"firefox", "Firefox Web Browser", ""}});
  chooser.show();
  chooser.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser));
  chooser.search()->setFocus();
  QTest::keyClicks(chooser.search(), "e");  // every one: "Terminal" leads
  QTest::keyClick(chooser.search(), Qt::Key_Down);
  EXPECT_TRUE(chooser.list()->hasFocus());
  ASSERT_NE(chooser.chosen(), std::nullopt);
  EXPECT_EQ(chooser.chosen()->id, "org.gnome.Terminal");
  QTest::keyClick(chooser.list(), Qt::Key_Down);
  EXPECT_EQ(chooser.chosen()->id, "org.gnome.gedit");
  // Back in the search, Down goes on from the current row.
  chooser.search()->setFocus();
  QTest::keyClick(chooser.search(), Qt::Key_Down);
  EXPECT_EQ(chooser.chosen()->id, "firefox");
  QTest::keyClick(chooser.list(), Qt::Key_Return);
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace clipvane
