// The Detect tab over a model on fake ports: which setting each control
// changes and in how many saves, selections kept by identifier, the sheets
// opened and closed by the pane, and the local model's status.
#include <QCheckBox>
#include <QLocale>
#include <QTimer>

#include "DetectLists.h"
#include "DetectPane.h"
#include "DetectWidgets.h"
#include "SettingsViewTest.h"
#include "SettingsWindow.h"

namespace clipvane {
namespace {

using testing::screenshot;

class DetectPaneTest : public testing::SettingsViewTest {
 protected:
  DetectPaneTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~DetectPaneTest() override {
    pane_.reset();
    QLocale::setDefault(QLocale::c());
  }

  DetectPane& pane() {
    if (!pane_) {
      pane_ = std::make_unique<DetectPane>(model(), [this] { ++imports; });
      pane_->show();
    }
    return *pane_;
  }
  // The row shown now: rows rebuilt by a change are deleted on the next turn.
  TableRow* row(const QString& name) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return child<TableRow>(&pane(), name);
  }
  static QString text(QWidget* row, int cell) {
    const auto texts = row->findChildren<QWidget*>();
    QStringList shown;
    for (QWidget* w : texts) {
      if (auto* t = dynamic_cast<ThemeText*>(w)) shown << t->text();
      if (auto* t = dynamic_cast<DetectText*>(w)) shown << t->text();
    }
    return cell < shown.size() ? shown[cell] : QString();
  }
  static void doubleClick(QWidget* w) {
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
  }
  static QString ruleRow(const Uuid& id) {
    return QStringLiteral("rule.") + QString::fromStdString(id.string());
  }
  // A screenshot of the whole content, beyond the pane's scrolling height.
  void shoot(const QString& name) {
    testing::drainEvents();
    screenshot(pane(), name);
    screenshot(*pane().content(), name + QStringLiteral("-full"));
  }

  int imports = 0;
  std::unique_ptr<DetectPane> pane_;
};

TEST_F(DetectPaneTest, DefaultsShowEveryGroupDetectedAndNothingToRemove) {
  const std::pair<const char*, const char*> rows[] = {
      {"Identity", "8 of 8"},           {"Contact and location", "3 of 3"},
      {"Financial", "3 of 3"},          {"Secrets and credentials", "4 of 4"},
      {"Network and device", "5 of 5"}, {"Records", "3 of 3"}};
  for (const auto& [title, count] : rows) {
    TableRow* r = row(QStringLiteral("group.") + title);
    EXPECT_TRUE(r->checkbox()->isChecked()) << title;
    EXPECT_EQ(text(r, 1), QString::fromUtf8(count)) << title;
  }
  EXPECT_FALSE(child<QWidget>(&pane(), "editGroup")->isEnabled());
  for (const char* bar : {"rulesBar", "ignoredBar", "listsBar"})
    EXPECT_FALSE(child<AddRemoveBar>(&pane(), bar)->removeButton()->isEnabled()) << bar;
  EXPECT_EQ(child<ThemeText>(&pane(), "usage")->text(), QStringLiteral("0 of 1,000 · 0.0 of 1 MB"));
  shoot("detect-pane-defaults-light");
  scheme.appearance.setDark(true);
  shoot("detect-pane-defaults-dark");
}

TEST_F(DetectPaneTest, AGroupCheckboxWritesOncePerKindAndASelectionSurvivesIt) {
  TableRow* identity = row("group.Identity");
  click(identity);
  EXPECT_EQ(pane().selectedGroup(), QStringLiteral("Identity"));
  EXPECT_TRUE(child<QWidget>(&pane(), "editGroup")->isEnabled());
  EXPECT_EQ(saves([&] { click(identity->checkbox()); }), 8);
  EXPECT_FALSE(identity->checkbox()->isChecked());
  EXPECT_EQ(text(identity, 1), QStringLiteral("0 of 8"));
  EXPECT_EQ(pane().selectedGroup(), QStringLiteral("Identity"));
  EXPECT_TRUE(identity->isSelected());
  EXPECT_EQ(saves([&] { click(identity->checkbox()); }), 8);
  EXPECT_TRUE(model().settings().detection.disabledKinds.empty());
  // Some kinds on: checked, and one click switches the whole group off.
  set(&AppSettings::detection, [] {
    DetectionSettings d;
    d.setEnabled(Kind::email, false);
    return d;
  }());
  TableRow* contact = row("group.Contact and location");
  EXPECT_TRUE(contact->checkbox()->isChecked());
  EXPECT_EQ(text(contact, 1), QStringLiteral("2 of 3"));
  EXPECT_EQ(saves([&] { click(contact->checkbox()); }), 2);
  EXPECT_EQ(text(contact, 1), QStringLiteral("0 of 3"));
}

TEST_F(DetectPaneTest, TheGroupSheetOpensFromEditOrADoubleClickAndItsAnswerIsOneWrite) {
  click(row("group.Network and device"));
  click(child<QWidget>(&pane(), "editGroup"));
  GroupSheet* sheet = pane().groupSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  click(child<QWidget>(sheet, "skipPrivateRanges"));
  click(child<QWidget>(sheet, "kind.ipv6"));
  EXPECT_EQ(saves([&] { QTest::keyClick(sheet, Qt::Key_Return); }), 1);
  EXPECT_EQ(pane().groupSheet(), nullptr);
  EXPECT_TRUE(model().settings().detection.skipPrivateRanges);
  EXPECT_FALSE(model().settings().detection.isEnabled(Kind::ipv6));
  EXPECT_EQ(text(row("group.Network and device"), 1), QStringLiteral("4 of 5"));

  doubleClick(row("group.Records"));
  sheet = pane().groupSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(pane().selectedGroup(), QStringLiteral("Records"));
  click(child<QWidget>(sheet, "kind.medicalRecord"));
  EXPECT_EQ(saves([&] { QTest::keyClick(sheet, Qt::Key_Escape); }), 0);
  EXPECT_EQ(pane().groupSheet(), nullptr);
  EXPECT_TRUE(model().settings().detection.isEnabled(Kind::medicalRecord));
}

TEST_F(DetectPaneTest, TheLocalModelCheckFollowsTheStatusAndStaysOnUntilSwitchedOff) {
  struct Case {
    LocalModelPort::Availability availability;
    bool aiCheck;
    bool enabled;
  };
  using A = LocalModelPort::Availability;
  const Case cases[] = {
      {A::available, false, true},   {A::noModel, false, false},    {A::notListening, false, false},
      {A::otherOwner, false, false}, {A::notListening, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.availability) * 10 + c.aiCheck);
    pane_.reset();
    systemPorts.model.state = c.availability;
    set(&AppSettings::aiCheck, c.aiCheck);
    auto* check = child<QAbstractButton>(&pane(), "aiCheck");
    EXPECT_EQ(check->text(), QStringLiteral("Check with a local model"));
    EXPECT_EQ(check->isChecked(), c.aiCheck);
    EXPECT_EQ(check->isEnabled(), c.enabled);
    EXPECT_EQ(check->toolTip(), AICheck::statusText(AICheck::status()));
  }
  // Switched off while the model is missing, it cannot be switched on again.
  auto* check = child<QAbstractButton>(&pane(), "aiCheck");
  EXPECT_EQ(saves([&] { click(check); }), 1);
  EXPECT_FALSE(model().settings().aiCheck);
  EXPECT_FALSE(check->isEnabled());
  shoot("detect-pane-model-missing-light");
}

TEST_F(DetectPaneTest, RulesAreAddedEditedSwitchedAndRemovedInOneWriteEach) {
  click(child<AddRemoveBar>(&pane(), "rulesBar")->addButton());
  RuleEditor* editor = pane().ruleEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(saves([&] { QTest::keyClick(editor, Qt::Key_Escape); }), 0);
  EXPECT_EQ(pane().ruleEditor(), nullptr);
  EXPECT_TRUE(model().settings().detection.customRules.empty());

  click(child<AddRemoveBar>(&pane(), "rulesBar")->addButton());
  editor = pane().ruleEditor();
  QTest::keyClicks(child<QLineEdit>(editor, "name"), "Customer ID");
  child<QPlainTextEdit>(editor, "terms")->setPlainText("Acme\nGlobex");
  EXPECT_EQ(saves([&] { click(child<QWidget>(editor, "save")); }), 1);
  ASSERT_EQ(model().settings().detection.customRules.size(), 1u);
  const CustomRule first = model().settings().detection.customRules[0];
  TableRow* r = row(ruleRow(first.id));
  EXPECT_EQ(text(r, 0), QStringLiteral("Customer ID"));
  EXPECT_EQ(text(r, 1), QStringLiteral("2 terms"));
  EXPECT_EQ(text(r, 2), QStringLiteral("[CUSTOMER_ID_n]"));
  EXPECT_TRUE(r->checkbox()->isChecked());

  CustomRule second;
  second.name = u"Tickets";
  second.type = CustomRule::RuleType::pattern;
  second.pattern = uR"(\b(?:JIRA|OPS)-\d+\b)";
  changeSettings([&](AppSettings& s) { s.detection.customRules.push_back(second); });
  click(row(ruleRow(first.id)));
  EXPECT_EQ(pane().selectedRule(), first.id);
  // Switching the other rule: one write, the selection stays.
  EXPECT_EQ(saves([&] { click(row(ruleRow(second.id))->checkbox()); }), 1);
  EXPECT_FALSE(model().settings().detection.customRules[1].enabled);
  EXPECT_EQ(pane().selectedRule(), first.id);
  EXPECT_TRUE(row(ruleRow(first.id))->isSelected());
  shoot("detect-pane-rules-light");

  // Editing keeps the rule's place.
  doubleClick(row(ruleRow(first.id)));
  editor = pane().ruleEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(child<QPlainTextEdit>(editor, "terms")->toPlainText(), QStringLiteral("Acme\nGlobex"));
  child<QPlainTextEdit>(editor, "terms")->setPlainText("Acme");
  EXPECT_EQ(saves([&] { click(child<QWidget>(editor, "save")); }), 1);
  EXPECT_EQ(model().settings().detection.customRules[0].terms,
            std::vector<std::u16string>{u"Acme"});
  EXPECT_EQ(text(row(ruleRow(first.id)), 1), QStringLiteral("1 term"));

  EXPECT_EQ(saves([&] { click(child<AddRemoveBar>(&pane(), "rulesBar")->removeButton()); }), 1);
  ASSERT_EQ(model().settings().detection.customRules.size(), 1u);
  EXPECT_EQ(model().settings().detection.customRules[0].id, second.id);
  EXPECT_EQ(pane().selectedRule(), std::nullopt);
  EXPECT_FALSE(child<AddRemoveBar>(&pane(), "rulesBar")->removeButton()->isEnabled());
}

TEST_F(DetectPaneTest, IgnoredTextsAreAddedTrimmedAndAStaleSelectionRemovesNothing) {
  std::optional<QString> answer;
  pane().askIgnoredText = [&](QWidget*) { return answer; };
  auto* bar = child<AddRemoveBar>(&pane(), "ignoredBar");
  const std::pair<std::optional<QString>, int> asks[] = {{std::nullopt, 0},
                                                         {QStringLiteral(" \n "), 0},
                                                         {QStringLiteral("  Acme Corp  "), 1},
                                                         {QStringLiteral("acme corp"), 1}};
  for (const auto& [typed, writes] : asks) {
    answer = typed;
    EXPECT_EQ(saves([&] { click(bar->addButton()); }), writes);
  }
  const auto& ignored = model().settings().ignored;
  ASSERT_EQ(ignored.size(), 2u);
  EXPECT_EQ(ignored[0].text, u"Acme Corp");
  EXPECT_EQ(ignored[0].seenAs, u"Text");
  const QString name = QStringLiteral("ignored.") + QString::fromStdString(ignored[0].id.string());
  EXPECT_EQ(text(row(name), 1), QStringLiteral("Text"));
  EXPECT_EQ(text(row(name), 2), DetectLists::when(now));
  click(row(name));
  shoot("detect-pane-ignored-light");
  const Uuid stale = ignored[0].id;
  changeSettings([](AppSettings& s) { s.ignored.erase(s.ignored.begin()); });
  EXPECT_EQ(pane().selectedIgnored(), stale);
  EXPECT_TRUE(bar->removeButton()->isEnabled());
  EXPECT_EQ(saves([&] { click(bar->removeButton()); }), 0);
  EXPECT_EQ(pane().selectedIgnored(), std::nullopt);
  EXPECT_EQ(model().settings().ignored.size(), 1u);
}

TEST_F(DetectPaneTest, ReturnSelectsTheRowTheFocusIsInSoTheKeyboardAloneCanEditAndRemove) {
  changeSettings([&](AppSettings& s) {
    s.ignored.push_back(*DetectLists::ignoredText(QStringLiteral("Acme Corp"), now));
  });
  pane().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&pane()));
  // Return on a group's checkbox selects its row, and Edit can open its sheet;
  // Space still flips the box alone.
  auto* box = row(QStringLiteral("group.Financial"))->checkbox();
  box->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(pane().selectedGroup(), std::nullopt) << "reaching a row selects nothing yet";
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(pane().selectedGroup(), QStringLiteral("Financial"));
  EXPECT_TRUE(child<QAbstractButton>(&pane(), "editGroup")->isEnabled());
  EXPECT_TRUE(box->hasFocus());
  EXPECT_TRUE(box->isChecked());

  // A row without a checkbox takes the focus itself, shows it, and Space
  // selects it.
  const Uuid id = model().settings().ignored[0].id;
  TableRow* ignored = row(QStringLiteral("ignored.") + QString::fromStdString(id.string()));
  EXPECT_EQ(ignored->focusPolicy(), Qt::TabFocus);
  const QImage plain = ignored->grab().toImage();
  ignored->setFocus(Qt::TabFocusReason);
  EXPECT_NE(ignored->grab().toImage(), plain);
  QTest::keyClick(ignored, Qt::Key_Space);
  EXPECT_EQ(pane().selectedIgnored(), id);
  screenshot(*ignored, "detect-ignored-row-focus-light");
  EXPECT_EQ(saves([&] { child<AddRemoveBar>(&pane(), "ignoredBar")->removeButton()->click(); }), 1);
  EXPECT_TRUE(model().settings().ignored.empty());
}

TEST_F(DetectPaneTest, TheIgnoreQuestionTakesTheTypedTextOnReturnOnly) {
  struct Case {
    Qt::Key key;
    std::optional<QString> answer;
  };
  for (const Case& c :
       {Case{Qt::Key_Return, QStringLiteral("token-123")}, Case{Qt::Key_Escape, std::nullopt}}) {
    QTimer::singleShot(0, [&] {
      QWidget* prompt = QApplication::activeModalWidget();
      ASSERT_NE(prompt, nullptr);
      QTest::keyClicks(prompt->findChild<QLineEdit*>("text"), "token-123");
      if (c.key == Qt::Key_Return) screenshot(*prompt, "detect-ignore-question-light");
      QTest::keyClick(prompt, c.key);
    });
    EXPECT_EQ(askIgnoredText(nullptr), c.answer);
  }
}

TEST_F(DetectPaneTest, ImportedListsAreSwitchedOneAtATimeAndCountedInTheUsageLine) {
  ImportedList names, codes;
  names.file = u"clients-with-a-rather-long-file-name-from-the-sales-team.csv";
  names.kind = Kind::name;
  names.items.assign(1000, u"x");
  names.bytes = 260000;
  names.added = now;
  codes.file = u"codes.txt";
  codes.items.assign(20, u"y");
  codes.bytes = 300;
  codes.added = now;
  changeSettings([&](AppSettings& s) { s.importedLists = {names, codes}; });
  const QString first = QStringLiteral("list.") + QString::fromStdString(names.id.string());
  const QString second = QStringLiteral("list.") + QString::fromStdString(codes.id.string());
  EXPECT_EQ(text(row(first), 2), QStringLiteral("1,000"));
  EXPECT_EQ(child<ThemeText>(&pane(), "usage")->text(),
            QStringLiteral("1,020 of 1,000 · 0.3 of 1 MB"));
  click(row(second));
  EXPECT_EQ(saves([&] { click(row(first)->checkbox()); }), 1);
  EXPECT_FALSE(model().settings().importedLists[0].enabled);
  EXPECT_TRUE(model().settings().importedLists[1].enabled);
  EXPECT_EQ(child<ThemeText>(&pane(), "usage")->text(),
            QStringLiteral("1,020 of 1,000 · 0.3 of 1 MB"));
  EXPECT_TRUE(row(second)->isSelected());
  shoot("detect-pane-lists-light");
  scheme.appearance.setDark(true);
  shoot("detect-pane-lists-dark");
  scheme.appearance.setDark(false);

  click(child<AddRemoveBar>(&pane(), "listsBar")->addButton());
  EXPECT_EQ(imports, 1);
  EXPECT_EQ(saves([&] { click(child<AddRemoveBar>(&pane(), "listsBar")->removeButton()); }), 1);
  ASSERT_EQ(model().settings().importedLists.size(), 1u);
  EXPECT_EQ(model().settings().importedLists[0].id, names.id);
  EXPECT_EQ(pane().selectedList(), std::nullopt);
}

TEST_F(DetectPaneTest, TheSettingsWindowsDetectTabHangsItsSheetsOnTheWindow) {
  SettingsWindow window(model());
  window.select(SettingsTab::detection);
  window.show();
  auto* detect = dynamic_cast<DetectPane*>(window.pane(SettingsTab::detection));
  ASSERT_NE(detect, nullptr);
  testing::drainEvents();
  screenshot(window, "detect-settings-window-light");
  detect->editGroup(*DetectGroup::find(QStringLiteral("Financial")));
  ASSERT_NE(detect->groupSheet(), nullptr);
  EXPECT_EQ(detect->groupSheet()->parentWidget(), &window);
  EXPECT_TRUE(detect->groupSheet()->isModal());
  QTest::keyClick(detect->groupSheet(), Qt::Key_Escape);
  EXPECT_EQ(detect->groupSheet(), nullptr);
}

}  // namespace
}  // namespace clipvane
