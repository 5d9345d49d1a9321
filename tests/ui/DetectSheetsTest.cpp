// The group sheet and the rule editor: what each control changes in the
// working copy, the one answer each gives, and invalid input holding "Save".
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "DetectRules.h"
#include "DetectWidgets.h"
#include "GroupSheet.h"
#include "KitRows.h"
#include "RuleEditor.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::SchemeScope;
using testing::screenshot;

template <class T = QWidget>
T* child(QWidget& root, const char* name) {
  T* found = root.findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

const DetectGroup& group(const char* title) { return *DetectGroup::find(QString::fromUtf8(title)); }

// Every answer a sheet gave, in order.
template <class T>
struct Answers {
  std::vector<std::optional<T>> given;
  std::function<void(std::optional<T>)> done() {
    return [this](std::optional<T> v) { given.push_back(std::move(v)); };
  }
};

void choose(QComboBox* popup, const QString& title) {
  const int index = popup->findText(title);
  ASSERT_GE(index, 0) << title.toStdString();
  popup->setCurrentIndex(index);
  emit popup->activated(index);
}

TEST(GroupSheetTest, KindChecksEditOnlyTheWorkingCopyAndDoneAnswersItOnce) {
  SchemeScope light;
  AppSettings settings;
  settings.detection.groups[Kind::Group::personal] = false;
  Answers<DetectionSettings> answers;
  GroupSheet sheet(group("Identity"), settings.detection, settings, answers.done());
  sheet.show();
  // The core group is off: every kind reads unchecked.
  EXPECT_FALSE(child<QAbstractButton>(sheet, "kind.name")->isChecked());
  screenshot(sheet, "detect-group-sheet-identity-light");
  click(child<QAbstractButton>(sheet, "kind.organization"));
  const DetectionSettings& w = sheet.working();
  EXPECT_EQ(w.groups.at(Kind::Group::personal), true);
  for (Kind k : group("Identity").kinds) EXPECT_EQ(w.isEnabled(k), k == Kind::organization);
  // Other personal kinds stay off: the whole core group was folded in.
  EXPECT_FALSE(w.isEnabled(Kind::email));
  EXPECT_TRUE(child<QAbstractButton>(sheet, "kind.organization")->isChecked());
  EXPECT_EQ(sheet.findChild<QWidget*>("skipLocalAddresses"), nullptr);
  EXPECT_TRUE(answers.given.empty());

  click(child<QWidget>(sheet, "done"));
  click(child<QWidget>(sheet, "done"));
  QTest::keyClick(&sheet, Qt::Key_Escape);
  ASSERT_EQ(answers.given.size(), 1u);
  EXPECT_EQ(answers.given[0], sheet.working());
  // The owner closes the sheet, never the sheet itself.
  EXPECT_TRUE(sheet.isVisible());
}

TEST(GroupSheetTest, TheActionPickerSetsOrClearsEveryKindsAction) {
  SchemeScope dark(true);
  AppSettings settings;
  Answers<DetectionSettings> answers;
  GroupSheet sheet(group("Secrets and credentials"), settings.detection, settings, answers.done());
  sheet.show();
  auto* action = child<QComboBox>(sheet, "action");
  // A private key is blocked by default, the other secrets masked.
  EXPECT_EQ(action->currentText(), QStringLiteral("Mixed"));
  EXPECT_EQ(sheet.shownAction(), std::nullopt);
  choose(action, QStringLiteral("Block"));
  EXPECT_EQ(sheet.working().kindActions.size(), 4u);
  for (Kind k : group("Secrets and credentials").kinds)
    EXPECT_EQ(sheet.working().kindActions.at(k), PasteAction::block);
  EXPECT_EQ(action->currentText(), QStringLiteral("Block"));
  choose(action, QStringLiteral("Mixed"));
  EXPECT_TRUE(sheet.working().kindActions.empty());
  EXPECT_EQ(action->currentText(), QStringLiteral("Mixed"));
  choose(action, QStringLiteral("Ask first"));
  screenshot(sheet, "detect-group-sheet-secrets-dark");
  QTest::keyClick(&sheet, Qt::Key_Return);
  ASSERT_EQ(answers.given.size(), 1u);
  ASSERT_TRUE(answers.given[0].has_value());
  EXPECT_EQ(answers.given[0]->kindActions.at(Kind::privateKey), PasteAction::review);
}

TEST(GroupSheetTest, MixedFallsBackToTheActionsTheSettingsHadAtOpening) {
  SchemeScope light;
  AppSettings settings;
  for (Kind k : group("Records").kinds) settings.detection.kindActions[k] = PasteAction::block;
  Answers<DetectionSettings> answers;
  GroupSheet sheet(group("Records"), settings.detection, settings, answers.done());
  choose(child<QComboBox>(sheet, "action"), QStringLiteral("Mixed"));
  EXPECT_TRUE(sheet.working().kindActions.empty());
  EXPECT_EQ(child<QComboBox>(sheet, "action")->currentText(), QStringLiteral("Block"));
}

TEST(GroupSheetTest, OnlyTheNetworkGroupOffersTheAddressSwitchesAndCancelAnswersNothing) {
  SchemeScope light;
  AppSettings settings;
  Answers<DetectionSettings> answers;
  GroupSheet sheet(group("Network and device"), settings.detection, settings, answers.done());
  sheet.show();
  auto* local = child<QAbstractButton>(sheet, "skipLocalAddresses");
  auto* ranges = child<QAbstractButton>(sheet, "skipPrivateRanges");
  EXPECT_TRUE(local->isChecked());
  EXPECT_FALSE(ranges->isChecked());
  click(local);
  click(ranges);
  EXPECT_FALSE(sheet.working().skipLocalAddresses);
  EXPECT_TRUE(sheet.working().skipPrivateRanges);
  EXPECT_EQ(child<QComboBox>(sheet, "action")->currentText(), QStringLiteral("Mask"));
  screenshot(sheet, "detect-group-sheet-network-light");
  QTest::keyClick(&sheet, Qt::Key_Escape);
  click(child<QWidget>(sheet, "done"));
  ASSERT_EQ(answers.given.size(), 1u);
  EXPECT_FALSE(answers.given[0].has_value());
}

TEST(GroupSheetTest, AGroupWithoutKindsShowsMixedAndIgnoresAChoice) {
  SchemeScope light;
  AppSettings settings;
  Answers<DetectionSettings> answers;
  GroupSheet sheet(DetectGroup{"Empty", "badge", {}}, settings.detection, settings, answers.done());
  choose(child<QComboBox>(sheet, "action"), QStringLiteral("Block"));
  EXPECT_TRUE(sheet.working().kindActions.empty());
  EXPECT_EQ(child<QComboBox>(sheet, "action")->currentText(), QStringLiteral("Mixed"));
}

class RuleEditorTest : public ::testing::Test {
 protected:
  SchemeScope scheme;
  Answers<CustomRule> answers;
};

TEST_F(RuleEditorTest, TabLeavesTheTermsAndTheFieldShowsItHasTheKeys) {
  for (const bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    RuleEditor editor(DetectRules::newRule(), answers.done());
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    auto* terms = child<QPlainTextEdit>(editor, "terms");
    QWidget* frame = terms->parentWidget();
    const QImage plain = frame->grab().toImage();
    terms->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(terms, "Falcon");
    EXPECT_NE(frame->grab().toImage(), plain) << "the frame shows the focus";
    screenshot(editor,
               QStringLiteral("detect-rule-editor-terms-focus-%1").arg(dark ? "dark" : "light"));
    QTest::keyClick(terms, Qt::Key_Tab);
    EXPECT_FALSE(terms->hasFocus());
    EXPECT_EQ(terms->toPlainText(), "Falcon") << "no tab character typed";
  }
}

TEST_F(RuleEditorTest, SaveWaitsForANameAndATermAndHandsBackTheTrimmedRuleOnce) {
  const CustomRule fresh = DetectRules::newRule();
  RuleEditor editor(fresh, answers.done());
  editor.show();
  auto* save = child<QAbstractButton>(editor, "save");
  EXPECT_FALSE(save->isEnabled());
  EXPECT_EQ(editor.preview(), QStringLiteral("[CUSTOM_1]"));
  QTest::keyClicks(child<QLineEdit>(editor, "name"), "  Code names ");
  EXPECT_EQ(editor.preview(), QStringLiteral("[CODE_NAMES_1]"));
  EXPECT_FALSE(save->isEnabled());
  child<QPlainTextEdit>(editor, "terms")->setPlainText("Project Falcon\n\n  Bluebird \n");
  EXPECT_TRUE(save->isEnabled());
  screenshot(editor, "detect-rule-editor-terms-light");
  // Return in the name field answers for the editor.
  QTest::keyClick(child<QLineEdit>(editor, "name"), Qt::Key_Return);
  click(save);
  ASSERT_EQ(answers.given.size(), 1u);
  ASSERT_TRUE(answers.given[0].has_value());
  const CustomRule& saved = *answers.given[0];
  EXPECT_EQ(saved.id, fresh.id);
  EXPECT_EQ(saved.name, u"Code names");
  EXPECT_EQ(saved.terms, (std::vector<std::u16string>{u"Project Falcon", u"Bluebird"}));
  EXPECT_TRUE(saved.enabled);
  EXPECT_TRUE(editor.isVisible());
}

TEST_F(RuleEditorTest, ABadPatternIsRedAndHoldsSaveWhileAnEmptyOneOnlyHoldsIt) {
  CustomRule rule;
  rule.name = u"Tickets";
  rule.type = CustomRule::RuleType::pattern;
  RuleEditor editor(rule, answers.done());
  editor.show();
  auto* save = child<QAbstractButton>(editor, "save");
  auto* pattern = child<DetectLineEdit>(editor, "pattern");
  EXPECT_TRUE(pattern->isVisible());
  EXPECT_FALSE(child<QWidget>(editor, "terms")->isVisible());
  EXPECT_FALSE(save->isEnabled());
  EXPECT_EQ(pattern->textColor(), Theme::tx);
  QTest::keyClicks(pattern, "(JIRA-\\d+");
  EXPECT_FALSE(save->isEnabled());
  EXPECT_EQ(pattern->textColor(), Theme::bad);
  screenshot(editor, "detect-rule-editor-bad-pattern-light");
  // Return does not save what cannot be saved.
  QTest::keyClick(pattern, Qt::Key_Return);
  EXPECT_TRUE(answers.given.empty());
  QTest::keyClick(pattern, Qt::Key_Home);
  QTest::keyClick(pattern, Qt::Key_Delete);
  EXPECT_TRUE(save->isEnabled());
  EXPECT_EQ(pattern->textColor(), Theme::tx);
  QTest::keyClick(&editor, Qt::Key_Escape);
  click(save);
  ASSERT_EQ(answers.given.size(), 1u);
  EXPECT_FALSE(answers.given[0].has_value());
}

TEST_F(RuleEditorTest, AnExampleFillsTheEditorButKeepsTheRulesIdentity) {
  CustomRule rule;
  rule.name = u"Mine";
  rule.terms = {u"kept"};
  rule.enabled = false;
  RuleEditor editor(rule, answers.done());
  editor.show();
  EXPECT_EQ(child<QPlainTextEdit>(editor, "terms")->toPlainText(), QStringLiteral("kept"));
  editor.applyExample(2);  // Employee ID
  EXPECT_EQ(child<QLineEdit>(editor, "name")->text(), QStringLiteral("Employee ID"));
  EXPECT_EQ(editor.rule().type, CustomRule::RuleType::pattern);
  EXPECT_EQ(child<QLineEdit>(editor, "pattern")->text(), QStringLiteral(R"(\bEMP-\d{5}\b)"));
  EXPECT_EQ(editor.termsText(), QString());
  screenshot(editor, "detect-rule-editor-example-light");
  click(child<QWidget>(editor, "save"));
  ASSERT_EQ(answers.given.size(), 1u);
  const CustomRule& saved = *answers.given[0];
  EXPECT_EQ(saved.id, rule.id);
  EXPECT_FALSE(saved.enabled);
  EXPECT_TRUE(saved.terms.empty());
  EXPECT_EQ(saved.pattern, uR"(\bEMP-\d{5}\b)");
}

TEST_F(RuleEditorTest, SwitchingTheTypeKeepsBothTheTermsAndThePattern) {
  CustomRule rule;
  rule.name = u"Both";
  rule.terms = {u"alpha"};
  rule.pattern = u"INV-\\d+";
  RuleEditor editor(rule, answers.done());
  editor.show();
  auto* type = child<QWidget>(editor, "type");
  QTest::mouseClick(type, Qt::LeftButton, {}, QPoint(type->width() * 3 / 4, type->height() / 2));
  EXPECT_EQ(editor.rule().type, CustomRule::RuleType::pattern);
  EXPECT_TRUE(child<QWidget>(editor, "pattern")->isVisible());
  QTest::mouseClick(type, Qt::LeftButton, {}, QPoint(type->width() / 4, type->height() / 2));
  EXPECT_EQ(editor.rule().type, CustomRule::RuleType::terms);
  EXPECT_EQ(editor.termsText(), QStringLiteral("alpha"));
  EXPECT_EQ(editor.rule().pattern, u"INV-\\d+");
  SchemeScope dark(true);
  QCoreApplication::processEvents();
  screenshot(editor, "detect-rule-editor-terms-dark");
}

TEST_F(RuleEditorTest, TheMaskAsCaptionStaysWholeAndALongTokenIsCutAtItsEnd) {
  struct Case {
    const char16_t* name;
    const char* shot;
    bool dark;
  };
  // The dark case comes last: its scheme stays to the end of the test.
  const Case cases[] = {
      {u"A", nullptr, false},
      {u"Customer ID", "detect-rule-editor-mask-as-light", false},
      {u"Number of the regional council office", "detect-rule-editor-long-token-light", false},
      {u"Number of the regional council office", "detect-rule-editor-long-token-dark", true},
  };
  std::optional<SchemeScope> dark;
  for (const Case& c : cases) {
    SCOPED_TRACE(QString::fromStdU16String(c.name).toStdString());
    if (c.dark) dark.emplace(true);
    CustomRule rule;
    rule.name = c.name;
    rule.terms = {u"term"};
    RuleEditor editor(rule, answers.done());
    editor.show();
    QCoreApplication::processEvents();
    auto* caption = child<DetectText>(editor, "maskAs");
    auto* chip = child<TokenChip>(editor, "preview");
    auto* cancel = child<QWidget>(editor, "cancel");
    EXPECT_GE(caption->width(), caption->sizeHint().width());
    // The chip lies between the caption and the buttons, not under them.
    EXPECT_GE(chip->x(), caption->geometry().right());
    EXPECT_LE(chip->geometry().right(), cancel->x());
    const QString token = editor.preview();
    const QString shown = chip->shownText();
    if (chip->width() >= chip->sizeHint().width()) {
      EXPECT_EQ(shown, token);
      EXPECT_TRUE(chip->toolTip().isEmpty());
    } else {
      EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
      EXPECT_TRUE(token.startsWith(shown.chopped(1))) << shown.toStdString();
      EXPECT_GT(shown.size(), 2);
      EXPECT_EQ(chip->toolTip(), token);
    }
    if (c.shot) screenshot(editor, c.shot);
  }
}

}  // namespace
}  // namespace clipvane
