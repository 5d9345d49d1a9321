#include <QLocale>

#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;
using namespace std::chrono_literals;

class AppModelPauseTest : public EngineTest {
 protected:
  AppModelPauseTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~AppModelPauseTest() override { QLocale::setDefault(QLocale::system()); }

  Date startOfTomorrow() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const QDate tomorrow = QDateTime::fromMSecsSinceEpoch(ms.count()).date().addDays(1);
    return Date{std::chrono::milliseconds(QDateTime(tomorrow, QTime(0, 0)).toMSecsSinceEpoch())};
  }
};

TEST_F(AppModelPauseTest, ToastTextsOfTheMenuChoices) {
  struct Case {
    const char* name;
    std::optional<Date> until;
    QString text;
  };
  const Case cases[] = {
      {"one hour", now + 1h, "Paused for 1 hour"},
      {"a date in the past", now - 1h, "Paused for 1 hour"},
      // The hour's choice ends a moment after it was made: a second's grace.
      {"half a second past the hour", now + 3600500ms, "Paused for 1 hour"},
      {"past the grace", now + 3602s, "Paused until tomorrow"},
      {"until tomorrow", startOfTomorrow(), "Paused until tomorrow"},
      {"until resumed", std::nullopt, "Paused"},
  };
  for (const Case& c : cases) {
    model().pause(c.until);
    ASSERT_FALSE(ports.panels.toasts.empty());
    const auto& shown = ports.panels.toasts.back();
    EXPECT_EQ(shown.toast.text, c.text) << c.name;
    ASSERT_TRUE(shown.toast.action);
    EXPECT_EQ(shown.toast.action->title, "Resume");
  }
  ports.panels.pressAction();
  EXPECT_FALSE(model().settings().pausedUntil);

  // Until tomorrow during the last hour reads one hour.
  const Date midnight = startOfTomorrow();
  now = midnight - 3000s;
  model().pause(midnight);
  EXPECT_EQ(ports.panels.lastText(), "Paused for 1 hour");
}

TEST_F(AppModelPauseTest, PauseHotKeyTogglesWhateverThePauseAndARepeatPauseOnlyShowsTheToast) {
  model().togglePause();
  ASSERT_TRUE(model().settings().pausedUntil);
  EXPECT_EQ(*model().settings().pausedUntil, now + 1h);
  model().togglePause();
  EXPECT_FALSE(model().settings().pausedUntil);
  model().pause(std::nullopt);
  model().togglePause();
  EXPECT_FALSE(model().settings().pausedUntil);

  // Pausing until resumed again stores nothing but shows the toast.
  model().pause(std::nullopt);
  const int refreshes = ports.statusItem.refreshes;
  const size_t toasts = ports.panels.toasts.size();
  model().pause(std::nullopt);
  EXPECT_EQ(ports.statusItem.refreshes, refreshes);  // nothing applied
  EXPECT_EQ(ports.panels.toasts.size(), toasts + 1);
  EXPECT_EQ(ports.panels.lastText(), "Paused");
}

TEST_F(AppModelPauseTest, PausedText) {
  EXPECT_EQ(model().pausedText(), "");
  model().pause(std::nullopt);
  EXPECT_EQ(model().pausedText(), "Until you resume");

  model().pause(now + 2h);  // later today: a time only
  const QString today = model().pausedText();
  EXPECT_TRUE(today.startsWith("Until 2:00")) << today.toStdString();
  EXPECT_FALSE(today.contains(",")) << today.toStdString();

  model().pause(startOfTomorrow() + 9h);
  EXPECT_EQ(model().pausedText().left(15), "Until tomorrow,");

  model().pause(now + 24h * 5);
  const QString later = model().pausedText();
  EXPECT_TRUE(later.contains("Mar 15, 2026")) << later.toStdString();
}

}  // namespace
}  // namespace clipvane
