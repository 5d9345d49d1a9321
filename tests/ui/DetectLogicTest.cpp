// The Detect tab's rules of its own: group switches and actions, the rule
// editor's parsing and checks, the rule and list edits and the usage line.
#include <QDateTime>
#include <QLocale>
#include <QSignalSpy>

#include <set>

#include "DetectGroups.h"
#include "DetectLists.h"
#include "DetectRules.h"
#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class DetectLogicTest : public EngineTest {
 protected:
  DetectLogicTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~DetectLogicTest() override { QLocale::setDefault(QLocale::c()); }

  template <class Fn>
  int saves(Fn action) {
    QSignalSpy spy(&model(), &AppModel::settingsChanged);
    action();
    return int(spy.count());
  }
  static const DetectGroup& group(const char* title) {
    const DetectGroup* g = DetectGroup::find(QString::fromUtf8(title));
    EXPECT_NE(g, nullptr) << title;
    return *g;
  }
};

TEST_F(DetectLogicTest, TheSixGroupsHoldEveryKindButCustomOnceAndAllAreDetectedByDefault) {
  std::multiset<Kind> seen;
  std::vector<int> counts;
  for (const DetectGroup& g : DetectGroup::all()) {
    seen.insert(g.kinds.begin(), g.kinds.end());
    counts.push_back(DetectGroups::on(AppSettings().detection, g));
    EXPECT_TRUE(DetectGroups::checked(AppSettings().detection, g)) << g.title.toStdString();
  }
  EXPECT_EQ(counts, (std::vector<int>{8, 3, 3, 4, 5, 3}));
  EXPECT_EQ(seen.size(), size_t(Kind::count - 1));
  for (int k = 0; k < Kind::count; ++k)
    EXPECT_EQ(seen.count(Kind(Kind::Value(k))), Kind(Kind::Value(k)) == Kind::custom ? 0u : 1u);
}

TEST_F(DetectLogicTest, AGroupSwitchWritesOncePerKindThatChanges) {
  const DetectGroup& identity = group("Identity");
  EXPECT_EQ(saves([&] { DetectGroups::setDetected(model(), identity, false); }), 8);
  for (Kind k : identity.kinds) EXPECT_TRUE(model().settings().detection.disabledKinds.count(k));
  EXPECT_EQ(DetectGroups::on(model().settings().detection, identity), 0);
  EXPECT_FALSE(DetectGroups::checked(model().settings().detection, identity));
  // Already off: nothing to store.
  EXPECT_EQ(saves([&] { DetectGroups::setDetected(model(), identity, false); }), 0);
  EXPECT_EQ(saves([&] { DetectGroups::setDetected(model(), identity, true); }), 8);
  EXPECT_TRUE(model().settings().detection.disabledKinds.empty());
  // A group with one kind left on still reads as checked.
  changeSettings([](AppSettings& s) { s.detection.setEnabled(Kind::email, false); });
  EXPECT_EQ(DetectGroups::on(model().settings().detection, group("Contact and location")), 2);
  EXPECT_TRUE(DetectGroups::checked(model().settings().detection, group("Contact and location")));
}

TEST_F(DetectLogicTest,
       ASwitchedOffCoreGroupIsFoldedIntoDisabledKindsWithoutChangingWhatIsDetected) {
  changeSettings([](AppSettings& s) { s.detection.groups[Kind::Group::personal] = false; });
  EXPECT_EQ(DetectGroups::on(model().settings().detection, group("Identity")), 0);
  std::map<Kind, bool> before;
  for (int k = 0; k < Kind::count; ++k)
    before[Kind::Value(k)] = model().settings().detection.isEnabled(Kind::Value(k));
  // Switching an already detected group on changes only the stored form, once.
  EXPECT_EQ(
      saves([&] { DetectGroups::setDetected(model(), group("Secrets and credentials"), true); }),
      1);
  const DetectionSettings& d = model().settings().detection;
  EXPECT_EQ(d.groups.at(Kind::Group::personal), true);
  for (const auto& [kind, detected] : before) EXPECT_EQ(d.isEnabled(kind), detected);
}

TEST_F(DetectLogicTest, TheGroupActionIsTheOneActionAllKindsShareElseMixed) {
  const AppSettings defaults;
  DetectionSettings working = defaults.detection;
  EXPECT_EQ(DetectGroups::action(working, defaults, group("Identity")), PasteAction::quiet);
  // A private key is blocked, the other secrets masked.
  EXPECT_EQ(DetectGroups::action(working, defaults, group("Secrets and credentials")),
            std::nullopt);
  DetectGroups::setAction(working, group("Secrets and credentials"), PasteAction::block);
  EXPECT_EQ(working.kindActions.size(), 4u);
  for (Kind k : group("Secrets and credentials").kinds)
    EXPECT_EQ(working.kindActions.at(k), PasteAction::block);
  EXPECT_EQ(DetectGroups::action(working, defaults, group("Secrets and credentials")),
            PasteAction::block);
  DetectGroups::setAction(working, group("Secrets and credentials"), std::nullopt);
  EXPECT_TRUE(working.kindActions.empty());
  EXPECT_EQ(DetectGroups::action(working, defaults, DetectGroup{"Empty", "badge", {}}),
            std::nullopt);
}

TEST_F(DetectLogicTest, TermsAreSplitAtEveryLineBreakTrimmedOfBlanksAndKeptInOrder) {
  struct Case {
    QString text;
    std::vector<std::u16string> terms;
  };
  const Case cases[] = {
      {"alpha\n\n  beta  \n\t", {u"alpha", u"beta"}},
      {"same\nsame", {u"same", u"same"}},
      {"a\r\nb\rc\u2028d\u2029e\u0085f\u000Bg\u000Ch",
       {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h"}},
      {"Project Falcon\n", {u"Project Falcon"}},
      {"\u00A0Case\u3000", {u"Case"}},
      {" \n\t\n", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(DetectRules::parsedTerms(c.text), c.terms);
  }
}

TEST_F(DetectLogicTest, ARuleCanBeSavedWithANameAndTermsOrAPatternThatCompiles) {
  struct Case {
    const char* what;
    std::u16string name;
    CustomRule::RuleType type;
    std::u16string pattern;
    QString terms;
    bool error, save;
  };
  using T = CustomRule::RuleType;
  const Case cases[] = {
      {"terms", u"Codes", T::terms, u"", "alpha", false, true},
      {"blank terms", u"Codes", T::terms, u"(", " \n\t", false, false},
      {"blank name", u"  \t", T::terms, u"", "alpha", false, false},
      {"empty pattern", u"Codes", T::pattern, u"", "alpha", true, false},
      {"unbalanced", u"Codes", T::pattern, u"(EMP", "", true, false},
      {"valid pattern", u"Codes", T::pattern, uR"(\bEMP-\d{5}\b)", "", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CustomRule rule;
    rule.name = c.name;
    rule.type = c.type;
    rule.pattern = c.pattern;
    EXPECT_EQ(DetectRules::patternError(rule), c.error);
    EXPECT_EQ(DetectRules::canSave(rule, c.terms), c.save);
  }
  for (const RuleExample& example : RuleExample::all()) {
    CustomRule rule;
    rule.type = example.type;
    rule.pattern = example.pattern.toStdU16String();
    EXPECT_FALSE(DetectRules::patternError(rule)) << example.name.toStdString();
  }
}

TEST_F(DetectLogicTest, SavingTrimsTheNameOnlyAndTakesTheTermsFromTheText) {
  CustomRule rule;
  rule.name = u"  Employee ID \t";
  rule.type = CustomRule::RuleType::pattern;
  rule.pattern = u" EMP-\\d+ ";
  rule.terms = {u"old"};
  const CustomRule saved = DetectRules::finished(rule, QStringLiteral("left\n over"));
  EXPECT_EQ(saved.name, u"Employee ID");
  EXPECT_EQ(saved.pattern, u" EMP-\\d+ ");
  EXPECT_EQ(saved.terms, (std::vector<std::u16string>{u"left", u"over"}));
  EXPECT_EQ(saved.id, rule.id);
  EXPECT_EQ(DetectRules::termsText({u"a", u"b"}), QStringLiteral("a\nb"));
}

TEST_F(DetectLogicTest, TheRulesTableShowsTermCountsInTheLocaleAndThePlaceholderPreview) {
  CustomRule rule;
  const std::pair<size_t, const char*> counts[] = {
      {0, "0 terms"}, {1, "1 term"}, {1234, "1,234 terms"}};
  for (const auto& [n, text] : counts) {
    rule.terms.assign(n, u"x");
    EXPECT_EQ(DetectRules::matchText(rule), QString::fromUtf8(text));
  }
  rule.type = CustomRule::RuleType::pattern;
  rule.pattern = u"INV-\\d+";
  EXPECT_EQ(DetectRules::matchText(rule), QStringLiteral("INV-\\d+"));
  EXPECT_EQ(DetectRules::maskPreview("Customer ID", "n"), QStringLiteral("[CUSTOMER_ID_n]"));
  EXPECT_EQ(DetectRules::maskPreview("", "n"), QStringLiteral("[CUSTOM_n]"));
}

TEST_F(DetectLogicTest, RulesAreReplacedInPlaceAppendedOrRemovedByIdentifier) {
  AppSettings s;
  CustomRule a, b;
  a.name = u"a";
  b.name = u"b";
  DetectRules::store(s, a);
  DetectRules::store(s, b);
  CustomRule edited = a;
  edited.name = u"a2";
  DetectRules::store(s, edited);
  ASSERT_EQ(s.detection.customRules.size(), 2u);
  EXPECT_EQ(s.detection.customRules[0].name, u"a2");
  DetectRules::setEnabled(s, b.id, false);
  EXPECT_FALSE(s.detection.customRules[1].enabled);
  const AppSettings before = s;
  DetectRules::setEnabled(s, Uuid::generate(), false);
  DetectRules::remove(s, Uuid::generate());
  EXPECT_EQ(s, before);
  DetectRules::remove(s, a.id);
  ASSERT_EQ(s.detection.customRules.size(), 1u);
  EXPECT_EQ(s.detection.customRules[0].id, b.id);
  const CustomRule fresh = DetectRules::newRule();
  EXPECT_NE(fresh.id, DetectRules::newRule().id);
  EXPECT_TRUE(fresh.enabled);
}

TEST_F(DetectLogicTest, TheUsageLineCountsEveryListAgainstTheLimits) {
  AppSettings s;
  EXPECT_EQ(DetectLists::importUsage(s), QStringLiteral("0 of 1,000 · 0.0 of 1 MB"));
  ImportedList one, two;
  one.items.assign(100, u"x");
  one.bytes = 45000;
  two.items.assign(20, u"y");
  two.bytes = 300;
  two.enabled = false;
  s.importedLists = {one, two};
  EXPECT_EQ(DetectLists::importUsage(s), QStringLiteral("120 of 1,000 · 0.0 of 1 MB"));
  s.importedLists[1].bytes = 215000;
  s.importedLists[1].items.assign(1100, u"y");
  EXPECT_EQ(DetectLists::importUsage(s), QStringLiteral("1,200 of 1,000 · 0.3 of 1 MB"));
}

TEST_F(DetectLogicTest, ListsAndIgnoredTextsAreEditedByIdentifier) {
  AppSettings s;
  const auto blank = DetectLists::ignoredText(QStringLiteral(" \n\t "), now);
  EXPECT_FALSE(blank.has_value());
  const auto typed = DetectLists::ignoredText(QStringLiteral("  Acme Corp \n"), now);
  ASSERT_TRUE(typed.has_value());
  EXPECT_EQ(typed->text, u"Acme Corp");
  EXPECT_EQ(typed->seenAs, u"Text");
  EXPECT_EQ(typed->added, now);
  IgnoredText other;
  s.ignored = {*typed, other, *typed};
  DetectLists::removeIgnored(s, typed->id);
  ASSERT_EQ(s.ignored.size(), 1u);
  EXPECT_EQ(s.ignored[0].id, other.id);

  ImportedList a, b;
  s.importedLists = {a, b};
  DetectLists::setListEnabled(s, b.id, false);
  EXPECT_TRUE(DetectLists::listEnabled(s, a.id));
  EXPECT_FALSE(DetectLists::listEnabled(s, b.id));
  EXPECT_FALSE(DetectLists::listEnabled(s, Uuid::generate()));
  DetectLists::removeList(s, a.id);
  ASSERT_EQ(s.importedLists.size(), 1u);
  EXPECT_EQ(s.importedLists[0].id, b.id);
}

TEST_F(DetectLogicTest, TheAddedColumnShowsWeekdayHourAndMinute) {
  // Tuesday 10 March 2026, 15:07 local time.
  const Date date = at(QDateTime(QDate(2026, 3, 10), QTime(15, 7)));
  QString text = DetectLists::when(date);
  text.replace(QChar(0x202F), u' ');
  EXPECT_EQ(text, QStringLiteral("Tue 3:07 PM"));
}

}  // namespace
}  // namespace clipvane
