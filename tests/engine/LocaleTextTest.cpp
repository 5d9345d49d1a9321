// Counts and times of day in the user's locale: digit grouping in every
// locale, the C locale's included, and hours and minutes without seconds,
// in the helpers and in the model's texts built on them.
#include <QLocale>

#include "EngineTest.h"
#include "LocaleText.h"

namespace clipvane {
namespace {

using testing::EngineTest;
using namespace std::chrono_literals;

class LocaleTextTest : public EngineTest {
 protected:
  ~LocaleTextTest() override { QLocale::setDefault(QLocale::system()); }
  // Today at the time, local.
  static Date today(int h, int m, int s) {
    return at(QDateTime(QDate(2026, 3, 10), QTime(h, m, s)));
  }
};

TEST_F(LocaleTextTest, CountsAreGroupedAndTimesHaveHoursAndMinutesOnly) {
  struct Case {
    QLocale locale;
    const char* count;
    const char* morning;  // 10:13:05
    const char* evening;  // 22:13:05
  };
  const Case cases[] = {
      {QLocale::c(), "120,000", "10:13", "22:13"},
      {QLocale(QLocale::English, QLocale::UnitedStates), "120,000", "10:13\u202fAM",
       "10:13\u202fPM"},
      {QLocale(QLocale::German, QLocale::Germany), "120.000", "10:13", "22:13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    QLocale::setDefault(c.locale);
    EXPECT_EQ(LocaleText::count(120000), QString::fromUtf8(c.count));
    EXPECT_EQ(LocaleText::count(999), QStringLiteral("999"));
    EXPECT_EQ(LocaleText::shortTime(today(10, 13, 5)), QString::fromUtf8(c.morning));
    EXPECT_EQ(LocaleText::shortTime(today(22, 13, 5)), QString::fromUtf8(c.evening));
  }
}

TEST_F(LocaleTextTest, TheModelsCountsAndPauseEndFollowTheCLocaleToo) {
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(AppModel::counted(120000, QStringLiteral("Email")), QStringLiteral("120,000 emails"));
  model().pause(today(14, 13, 5));
  EXPECT_EQ(model().pausedText(), QStringLiteral("Until 14:13"));
  model().pause(today(14, 13, 5) + 24h);
  EXPECT_EQ(model().pausedText(), QStringLiteral("Until tomorrow, 14:13"));
  model().resume();

  // A copy of many addresses: its alert and the menu's header count them grouped.
  set(&AppSettings::autoMask, false);
  std::string many;
  for (int i = 0; i < 1200; ++i) many += "user" + std::to_string(i) + "@example.com\n";
  copy(QString::fromStdString(many));
  EXPECT_EQ(model().copiedWhat(), QStringLiteral("1,200 items"));
  EXPECT_EQ(ports.panels.lastText(), QStringLiteral("1,200 items copied"));
}

}  // namespace
}  // namespace clipvane
