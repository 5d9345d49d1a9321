// The activity window: its model (checked by Qt's model tester), the
// filter, the search, day grouping and the entry's detail with Copy Original.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <QLineEdit>

#include "ActivityView.h"
#include "DetectWidgets.h"
#include "EngineTest.h"
#include "EntryView.h"
#include "Kit.h"
#include "UiTest.h"
#include "Vault.h"
#include "WindowKit.h"
#include "WindowManager.h"

namespace clipvane {
namespace {

using namespace std::chrono_literals;
using testing::EngineTest;
using testing::SchemeScope;
using testing::screenshot;

ActivityEntry entry(Date date, const char16_t* place, ActivityEntry::Outcome outcome,
                    std::map<Kind, int> counts, int kept = 0,
                    std::optional<std::vector<std::u16string>> masks = std::nullopt) {
  ActivityEntry e;
  e.date = date;
  e.place = place;
  e.outcome = outcome;
  e.counts = std::move(counts);
  e.kept = kept;
  e.masks = std::move(masks);
  return e;
}

QStringList titles(const ActivityModel& m) {
  QStringList out;
  for (int row = 0; row < m.rowCount(); ++row) out << m.index(row).data().toString();
  return out;
}

void click(QWidget* w) {
  ASSERT_NE(w, nullptr);
  QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

class ActivityViewTest : public EngineTest {
 protected:
  ActivityViewTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~ActivityViewTest() override { QLocale::setDefault(QLocale::c()); }

  // Three outcomes today, one yesterday, one five days ago.
  void history() {
    using O = ActivityEntry::Outcome;
    model().setActivity({
        entry(now - 3h, u"Terminal", O::hidden, {{Kind::email, 3}}, 0,
              std::vector<std::u16string>{u"[EMAIL_1]", u"[EMAIL_2]", u"[EMAIL_3]"}),
        entry(now - 1h, u"Code", O::blocked, {{Kind::apiKey, 2}}),
        entry(now - 1h, u"Firefox", O::kept, {{Kind::email, 1}}, 2),
        entry(now - 24h, u"Slack", O::hidden, {{Kind::email, 1}, {Kind::phone, 2}}),
        entry(now - 120h, u"Terminal", O::hidden, {{Kind::email, 1}}, 0,
              std::vector<std::u16string>{u"[EMAIL_1]"}),
    });
  }
  SchemeScope light;
};

TEST_F(ActivityViewTest, TitlesAndGlyphsOfEntries) {
  using O = ActivityEntry::Outcome;
  struct Case {
    ActivityEntry e;
    const char* title;
    const char* glyph;
  };
  const Case cases[] = {
      {entry(now, u"", O::kept, {{Kind::email, 1}}, 2), "2 kept as is",
       Kind(Kind::email).materialIcon().data()},
      {entry(now, u"", O::hidden, {{Kind::email, 1}}), "Email masked",
       Kind(Kind::email).materialIcon().data()},
      {entry(now, u"", O::hidden, {{Kind::email, 3}}), "3 emails masked",
       Kind(Kind::email).materialIcon().data()},
      {entry(now, u"", O::blocked, {{Kind::apiKey, 2}}), "2 API keys blocked", "block"},
      {entry(now, u"", O::hidden, {{Kind::email, 1}, {Kind::phone, 2}}), "3 items masked",
       "description"},
      {entry(now, u"", O::hidden, {}), "0 items masked", "description"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ActivityModel::title(c.e), QString::fromUtf8(c.title));
    EXPECT_EQ(ActivityModel::glyph(c.e), QString::fromUtf8(c.glyph)) << c.title;
  }
  EXPECT_EQ(EntryView::types(entry(now, u"", O::hidden, {{Kind::email, 1}, {Kind::phone, 3}})),
            QString("3 phones, Email"));
  EXPECT_EQ(EntryView::types(entry(now, u"", O::hidden, {{Kind::address, 2}})),
            QString("2 addresses"));
}

// Dates are stored to the second: of two entries in one second, the one
// stored later is listed first.
TEST_F(ActivityViewTest, FilterAndSearchKeepNewestFirstWithTheLaterStoredFirstForTies) {
  history();
  ActivityModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setHistory(model().activity());
  EXPECT_EQ(titles(m), (QStringList{"2 kept as is", "2 API keys blocked", "3 emails masked",
                                    "3 items masked", "Email masked"}));
  EXPECT_EQ(m.index(0).data(ActivityModel::dayRole).toString(), QString("Today"));
  EXPECT_EQ(m.index(3).data(ActivityModel::dayRole).toString(), QString("Yesterday"));
  EXPECT_EQ(m.index(4).data(ActivityModel::dayRole).toString(), QString("Mar 5"));
  // ICU puts a narrow no-break space before the day period.
  EXPECT_EQ(m.index(0).data(ActivityModel::valueRole).toString().replace(QChar(0x202F), u' '),
            QString("Firefox · 11:00 AM"));

  struct Case {
    ActivityModel::Filter filter;
    const char* search;
    QStringList titles;
  };
  const Case cases[] = {
      {ActivityModel::Filter::masked, "", {"3 emails masked", "3 items masked", "Email masked"}},
      {ActivityModel::Filter::blocked, "", {"2 API keys blocked"}},
      {ActivityModel::Filter::all, "EMAIL", {"3 emails masked", "Email masked"}},
      {ActivityModel::Filter::all, "terminal", {"3 emails masked", "Email masked"}},
      {ActivityModel::Filter::all, "[EMAIL_1]", {}},
      {ActivityModel::Filter::masked, "code", {}},
  };
  for (const Case& c : cases) {
    m.setFilter(c.filter);
    m.setSearch(QString::fromUtf8(c.search));
    EXPECT_EQ(titles(m), c.titles) << c.search;
  }
}

TEST_F(ActivityViewTest, ListFilteredEmptyAndOpenedEntry) {
  history();
  std::unique_ptr<ActivityView> view(newActivityWindow(model()));
  view->show();
  screenshot(*view, "activity-entries-light");
  // One card per day; the first row of each card has no separator.
  EXPECT_NE(view->findChild<QWidget*>("day.Today"), nullptr);
  EXPECT_NE(view->findChild<QWidget*>("day.Mar 5"), nullptr);

  auto* filter = view->findChild<SegmentedControl*>("filter");
  QTest::mouseClick(filter, Qt::LeftButton, {}, filter->segment(1).center());
  EXPECT_EQ(view->list().filter(), ActivityModel::Filter::masked);
  EXPECT_EQ(view->list().rowCount(), 3);
  screenshot(*view, "activity-filtered-masked-light");

  QTest::keyClicks(view->findChild<QLineEdit*>("search"), "nothing like it");
  EXPECT_EQ(view->list().rowCount(), 0);
  EXPECT_NE(view->findChild<QWidget*>("nothingYet"), nullptr);
  screenshot(*view, "activity-empty-search-light");
  view->findChild<QLineEdit*>("search")->clear();

  // Rows open their entry; back and Escape return with filter and search kept.
  click(view->findChild<QWidget*>("row.0"));
  ASSERT_NE(view->detail(), nullptr);
  EXPECT_EQ(view->detail()->entry().place, u"Terminal");
  screenshot(*view, "activity-entry-open-light");
  click(view->detail()->findChild<QWidget*>("back"));
  EXPECT_EQ(view->open(), std::nullopt);
  EXPECT_EQ(view->list().filter(), ActivityModel::Filter::masked);
  click(view->findChild<QWidget*>("row.0"));
  QTest::keyClick(view->detail(), Qt::Key_Escape);
  EXPECT_EQ(view->open(), std::nullopt);

  // An id the history does not hold shows the list.
  view->setOpen(Uuid::generate());
  EXPECT_EQ(view->detail(), nullptr);
}

TEST_F(ActivityViewTest, RowsAndHeaderStayInsideTheNarrowestWindowWithLongPlaces) {
  using O = ActivityEntry::Outcome;
  const std::u16string sixty = u"login.accounts.eu-west.example-organisation-services.co.uk/x";
  ASSERT_EQ(sixty.size(), 60u);
  model().setActivity({
      entry(now - 3h, sixty.c_str(), O::hidden, {{Kind::email, 3}}, 0,
            std::vector<std::u16string>{u"[CREDIT_CARD_1]", u"[PHONE_NUMBER_1]", u"[API_KEY_1]",
                                        u"[EMAIL_1]"}),
      entry(now - 2h, u"support.thirty-three-chars.example", O::blocked, {{Kind::apiKey, 1}}),
      entry(now - 1h, u"Terminal", O::kept, {{Kind::email, 1}}, 2),
  });
  for (const bool dark : {false, true}) {
    SchemeScope scheme(dark);
    for (const int width : {420, 828}) {
      SCOPED_TRACE(std::to_string(width) + (dark ? " dark" : " light"));
      std::unique_ptr<ActivityView> view(newActivityWindow(model()));
      view->resize(width, 440);
      view->show();
      QCoreApplication::processEvents();
      const auto right = [&](QWidget* w) { return w->mapTo(view.get(), w->rect().topRight()).x(); };
      const auto left = [&](QWidget* w) { return w->mapTo(view.get(), QPoint()).x(); };
      const int inside = width - 24;  // the list's right margin

      auto* filter = view->findChild<QWidget*>("filter");
      auto* search = view->findChild<QWidget*>("search")->parentWidget();
      EXPECT_LT(right(filter), left(search));
      EXPECT_LE(right(search), inside);
      EXPECT_GE(search->width(), 120);

      for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        auto* button = view->findChild<QWidget*>(QStringLiteral("row.%1").arg(row));
        ASSERT_NE(button, nullptr);
        auto* value = button->findChild<QWidget*>("value");
        auto* chevron = button->findChild<QWidget*>("chevron");
        EXPECT_LE(right(button), inside);
        EXPECT_LT(right(value), left(chevron));
        EXPECT_LE(right(chevron), inside);
      }
      // The longest place is cut (in the middle, so its time stays) at 420.
      auto* longest = view->findChild<QWidget*>("row.2")->findChild<QWidget*>("value");
      if (width == 420) {
        EXPECT_LT(longest->width(), longest->sizeHint().width());
      }
      screenshot(
          *view,
          QStringLiteral("activity-long-places-%1-%2").arg(width).arg(dark ? "dark" : "light"));

      // Its detail keeps the place and the tokens inside the window too.
      view->setOpen(view->list().entry(2).id);
      ASSERT_NE(view->detail(), nullptr);
      QCoreApplication::processEvents();
      for (QWidget* w : view->detail()->findChildren<QWidget*>()) {
        if (w->isVisible() && (w->objectName() == "value" || w->objectName() == "tokens")) {
          EXPECT_LE(right(w), inside) << w->objectName().toStdString();
        }
      }
      screenshot(
          *view,
          QStringLiteral("activity-long-entry-%1-%2").arg(width).arg(dark ? "dark" : "light"));
    }
  }
}

TEST_F(ActivityViewTest, TabReachesARowThatShowsItAndReturnOpensIt) {
  history();
  for (const bool dark : {false, true}) {
    SchemeScope scheme(dark);
    std::unique_ptr<ActivityView> view(newActivityWindow(model()));
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    auto* row = view->findChild<QWidget*>("row.0");
    const QImage plain = row->grab().toImage();
    // From the search field, Tab goes to the first row.
    view->findChild<QLineEdit*>("search")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), row);
    const QImage focused = row->grab().toImage();
    int ring = 0;  // accent pixels the focus added
    const QColor accent = Theme::color(Theme::acc);
    for (int y = 0; y < focused.height(); ++y)
      for (int x = 0; x < focused.width(); ++x) {
        const QColor a = focused.pixelColor(x, y), b = plain.pixelColor(x, y);
        if (a != b && std::abs(a.hue() - accent.hue()) < 20 && a.saturation() > 80) ++ring;
      }
    EXPECT_GT(ring, 2 * row->width()) << "a ring round the row";
    screenshot(*view, QStringLiteral("activity-row-focus-%1").arg(dark ? "dark" : "light"));
    QTest::keyClick(row, Qt::Key_Return);
    ASSERT_NE(view->detail(), nullptr);
    EXPECT_EQ(view->detail()->entry().id, view->list().entry(0).id);
  }
}

TEST_F(ActivityViewTest, EmptyHistoryAndDarkDetail) {
  std::unique_ptr<ActivityView> view(newActivityWindow(model()));
  view->show();
  EXPECT_NE(view->findChild<QWidget*>("nothingYet"), nullptr);
  screenshot(*view, "activity-empty-light");
  history();  // the list follows the model at once
  EXPECT_EQ(view->list().rowCount(), 5);
  SchemeScope dark(true);
  view->setOpen(model().activity().front().id);
  screenshot(*view, "activity-entry-open-dark");
  // Three placeholders: three chips, no count.
  EXPECT_EQ(view->detail()->findChildren<QWidget*>("token").size(), 3);
  EXPECT_EQ(view->detail()->findChild<QWidget*>("moreTokens"), nullptr);
}

TEST_F(ActivityViewTest, TheWindowFollowsTheManagersSharedState) {
  using O = ActivityEntry::Outcome;
  const ActivityEntry older = entry(now - 2h, u"Code", O::hidden, {{Kind::email, 1}});
  const ActivityEntry newer = entry(now - 1h, u"Slack", O::blocked, {{Kind::phone, 1}});
  ActivityStore::append(older);
  ActivityStore::append(newer);
  WindowManager manager(model());
  manager.showActivity(true);
  auto* view = dynamic_cast<ActivityView*>(manager.activityWindow());
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->detail(), nullptr);
  EXPECT_EQ(view->detail()->entry().id, newer.id);

  click(view->detail()->findChild<QWidget*>("back"));
  EXPECT_EQ(manager.activityState().open(), std::nullopt);
  EXPECT_EQ(view->detail(), nullptr);
  click(view->findChild<QWidget*>("row.1"));
  EXPECT_EQ(manager.activityState().open(), older.id);
  EXPECT_EQ(view->detail()->entry().id, older.id);
  manager.showActivity(false);
  EXPECT_EQ(view->detail(), nullptr);
}

TEST_F(ActivityViewTest, CopyOriginalPutsWhatTheVaultHoldsAndAsksFirstWhenLocked) {
  VaultStore::update(1e9, [&](Vault& v) {
    v.entries.push_back({u"[EMAIL_1]", u"ada@example.com", Kind::email, now, std::nullopt});
    v.entries.push_back({u"[EMAIL_3]", u"bob@example.com", Kind::email, now, std::nullopt});
  });
  const std::vector<QString> masks{"[EMAIL_1]", "[EMAIL_2]", "[EMAIL_3]"};
  ports.clipboard.userCopies("before");

  // The lock on and the owner refuses: nothing at all.
  set(&AppSettings::touchIDLock, true);
  ports.auth.answer = false;
  EntryView::copyOriginal(model(), masks);
  settle();
  EXPECT_EQ(ports.auth.reasons, QStringList{"restore masked values"});
  EXPECT_EQ(ports.clipboard.string(), QString("before"));
  EXPECT_EQ(ports.workspace.beeps, 0);
  EXPECT_TRUE(ports.panels.toasts.empty());

  // Authenticated: the originals held, one per line, in placeholder order.
  ports.auth.answer = true;
  EntryView::copyOriginal(model(), masks);
  settle();
  EXPECT_EQ(ports.clipboard.string(), QString("ada@example.com\nbob@example.com"));
  EXPECT_EQ(ports.clipboard.data(0, Pasteboard::passwordHintType), QByteArray("secret"));
  EXPECT_TRUE(Pasteboard::ownChanges().count(ports.clipboard.count));
  EXPECT_EQ(ports.panels.lastText(), QString("Original copied"));
  EXPECT_EQ(ports.auth.reasons.size(), 2);

  // Lock off, nothing held: a beep, the clipboard untouched, no prompt.
  set(&AppSettings::touchIDLock, false);
  ports.clipboard.userCopies("later");
  EntryView::copyOriginal(model(), {"[PHONE_9]"});
  EXPECT_EQ(ports.clipboard.string(), QString("later"));
  EXPECT_EQ(ports.workspace.beeps, 1);
  EXPECT_EQ(ports.auth.reasons.size(), 2);

  // The lock on but nobody can be asked: the alert, nothing copied.
  set(&AppSettings::touchIDLock, true);
  ports.auth.available = false;
  EntryView::copyOriginal(model(), masks);
  settle();
  ASSERT_EQ(ports.windows.alerts.size(), 1u);
  EXPECT_EQ(ports.windows.alerts[0].message, QString("Can’t unlock originals"));
  EXPECT_EQ(ports.clipboard.string(), QString("later"));
}

TEST_F(ActivityViewTest, DetailRowsFollowTheEntry) {
  using O = ActivityEntry::Outcome;
  struct Case {
    std::optional<std::vector<std::u16string>> masks;
    int chips;
    const char* more;
    bool copy;
  };
  const Case cases[] = {
      {std::nullopt, 0, nullptr, false},
      {std::vector<std::u16string>{}, 0, nullptr, false},
      {std::vector<std::u16string>{u"[A_1]"}, 1, nullptr, true},
      {std::vector<std::u16string>{u"[A_1]", u"[A_2]", u"[A_3]", u"[A_4]", u"[A_5]"}, 3, "+2",
       true},
  };
  for (const Case& c : cases) {
    EntryView view(model(), entry(now, u"Code", O::hidden, {}, 0, c.masks), [] {});
    EXPECT_EQ(view.findChildren<QWidget*>("token").size(), c.chips);
    auto* more = view.findChild<DetectText*>("moreTokens");
    EXPECT_EQ(more ? more->text() : QString(), c.more ? QString(c.more) : QString());
    EXPECT_EQ(view.findChild<QWidget*>("copyOriginal") != nullptr, c.copy);
    if (c.chips == 3) screenshot(view, "activity-entry-five-tokens-light");
  }
}

}  // namespace
}  // namespace clipvane
