// The popups on a real X server: a notice never takes the focus from the
// window the user types in; the review panel takes the keyboard while that
// window keeps the focus, and a paste after Return lands in it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "Panels.h"
#include "Pasteboard.h"
#include "ReviewView.h"
#include "ScreenPixels.h"
#include "X11Display.h"
#include "X11Ports.h"
#include "X11TestSupport.h"
#include "fakes/FakeAppearance.h"
#include "ports/Ports.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// Turns the event loop for a while.
void settle(int ms) {
  waitUntil([] { return false; }, std::chrono::milliseconds(ms));
}

bool focusStaysWith(const Helper& helper) {
  return inputFocus() == helper.windowId() && activeWindow() == helper.windowId();
}

Finding email(int at, const QString& value) {
  Finding f;
  f.kind = Kind::email;
  f.range = {at, int(value.size())};
  f.value = value.toStdU16String();
  f.mask = u"a•••@example.com";
  f.label = u"Email";
  return f;
}

struct Review {
  std::optional<std::set<int>> answer;
  int answers = 0;
};

ReviewSession mailSession(Review& review) {
  ReviewSession s;
  s.text = QStringLiteral("write to ann@example.com today");
  s.found = {email(9, QStringLiteral("ann@example.com"))};
  s.hotkey = QStringLiteral("⌃⌘V");
  s.paste = [&review](const std::set<int>& keep) {
    review.answer = keep;
    ++review.answers;
    Pasteboard::paste(keep.empty() ? QStringLiteral("write to [EMAIL_1] today")
                                   : QStringLiteral("write to ann@example.com today"));
  };
  return s;
}

}  // namespace

// A review panel open over a test window that has the focus.
struct ReviewX11 : ::testing::Test {
  X11Ports ports;
  std::unique_ptr<Helper> helper;
  Panels panels;
  Review review;
  FloatingPanel* panel = nullptr;

  // Opens the window, then the review, and waits until it has the keyboard.
  bool open() { return open(mailSession(review)); }
  bool open(const ReviewSession& session) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    helper = Helper::window(QStringLiteral("clipvane-%1").arg(test->name()));
    if (!helper || !helper->waitActive()) return false;
    panels.showReview(session);
    panel = panels.reviewPanel();
    return panel && waitUntil([&] { return panel->holdsKeyboard(); });
  }
};

TEST(PanelsX11, NoticesNeverTakeTheFocusFromTheWindowBeingTypedIn) {
  auto helper = Helper::window("clipvane-toasts");
  ASSERT_TRUE(helper && helper->waitActive());
  Panels panels;
  const QRect icon(600, 0, 24, 24);
  panels.setIconFrame([icon] { return std::optional<QRect>(icon); });

  int undos = 0;
  const Toast toasts[] = {
      {QStringLiteral("priority_high"), Tint::att, QStringLiteral("Copied an e-mail address"), {}},
      {QStringLiteral("check"), Tint::acc, QStringLiteral("Masked 1 item"),
       Toast::Action{QStringLiteral("Undo"), [&] { ++undos; }}},
      {QStringLiteral("progress_activity"), Tint::gray, QStringLiteral("Checking"), {}},
  };
  QString typed;
  for (const Toast& toast : toasts) {
    panels.showToast(toast, !toast.action && toast.tint == Tint::gray);
    FloatingPanel* panel = panels.toastPanel();
    ASSERT_TRUE(
        waitUntil([&] { return panel->windowHandle() && panel->windowHandle()->isExposed(); }));
    settle(200);
    EXPECT_TRUE(focusStaysWith(*helper)) << toast.text.toStdString();
    EXPECT_FALSE(QGuiApplication::focusWindow() == panel->windowHandle());
    // Placed under the icon, centred on it, the card 32 below the margin.
    EXPECT_NEAR(panel->geometry().center().x(), icon.center().x(), 1);
    EXPECT_EQ(panel->geometry().top(), icon.bottom() + 1);
    // Typing still reaches the window beneath.
    xdotool({"type", "--delay", "20", "ab"});
    typed += QStringLiteral("ab");
    EXPECT_TRUE(waitUntil([&] { return helper->text() == typed; })) << helper->text().toStdString();
  }
  EXPECT_EQ(undos, 0);
}

// Whatever notices came before, a notice with a button takes the click on it:
// the reused panel of a button-less notice let clicks through, and a wider
// notice after a narrower one took clicks only where the narrower one lay.
TEST(PanelsX11, ANoticesButtonTakesTheClickWhateverNoticeCameBefore) {
  auto helper = Helper::window("clipvane-clicks");
  ASSERT_TRUE(helper && helper->waitActive());
  Panels panels;
  const QRect icon(600, 0, 24, 24);
  panels.setIconFrame([icon] { return std::optional<QRect>(icon); });
  // The notices stay until replaced: their timers never run.
  std::vector<std::function<void()>> timers;
  panels.setSchedule([&](double, std::function<void()> f) { timers.push_back(std::move(f)); });

  const Toast copied{QStringLiteral("check"), Tint::acc, QStringLiteral("Original copied"), {}};
  const Toast checking{
      QStringLiteral("progress_activity"), Tint::gray, QStringLiteral("Checking"), {}};
  const Toast narrowButton{QStringLiteral("check"), Tint::acc, QStringLiteral("Done"),
                           Toast::Action{QStringLiteral("OK"), [] {}}};
  const Toast longPlain{QStringLiteral("priority_high"),
                        Tint::att,
                        QStringLiteral("A long notice without any button on it at all"),
                        {}};
  struct Row {
    const char* name;
    std::vector<std::pair<Toast, bool>> before;  // each with its sticky flag
    // The last of them goes before the next shows: timed out, or dismissed
    // as the paste's result replaces its progress notice.
    enum { stays, timesOut, dismissed } end;
    const char* title;
  };
  const Row rows[] = {
      {"first of all", {}, Row::stays, "Undo"},
      {"replacing a plain notice", {{copied, false}}, Row::stays, "Undo"},
      {"after a plain notice timed out", {{copied, false}}, Row::timesOut, "Clear"},
      {"after a progress notice was dismissed", {{checking, true}}, Row::dismissed, "Undo"},
      {"replacing a progress notice", {{copied, false}, {checking, true}}, Row::stays, "Review"},
      {"replacing a wider plain notice", {{longPlain, false}}, Row::stays, "Undo"},
      {"replacing a narrower notice with a button",
       {{checking, true}, {narrowButton, false}},
       Row::stays,
       "Review"},
  };
  for (const Row& row : rows) {
    for (const auto& [toast, sticky] : row.before) {
      timers.clear();
      panels.showToast(toast, sticky);
      settle(100);
    }
    if (row.end == Row::timesOut)
      for (auto& timer : std::exchange(timers, {})) timer();
    if (row.end == Row::dismissed) panels.dismissToast();
    settle(100);
    int runs = 0;
    panels.showToast(Toast{QStringLiteral("check"), Tint::acc, QStringLiteral("2 items masked"),
                           Toast::Action{QString::fromLatin1(row.title), [&] { ++runs; }}},
                     false);
    FloatingPanel* panel = panels.toastPanel();
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible() && panel->windowHandle()->isExposed(); }))
        << row.name;
    settle(200);
    QAbstractButton* button = panel->findChild<QAbstractButton*>();
    ASSERT_TRUE(button) << row.name;
    const QPoint at = button->mapToGlobal(button->rect().center());
    xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
    xdotool({"click", "1"});
    EXPECT_TRUE(waitUntil([&] { return runs == 1; }, std::chrono::seconds(2))) << row.name;
    EXPECT_FALSE(panel->isVisible()) << row.name << ": a pressed button hides its notice";
    // Out of the way of the next row's notice.
    xdotool({"mousemove", "--sync", "10", "700"});
  }
  EXPECT_TRUE(focusStaysWith(*helper));
}

TEST_F(ReviewX11, TheReviewPanelAnswersReturnAndThePasteLandsInTheWindowThatHadFocus) {
  ASSERT_TRUE(open());
  settle(200);
  EXPECT_TRUE(focusStaysWith(*helper)) << "the destination stays focused and active";
  // The card stands 12 above the focused field, found through accessibility.
  ASSERT_TRUE(waitUntil([&] { return helper->field().isValid(); }));
  const QRect field = helper->field();
  const QRect card = panel->geometry().adjusted(32, 32, -32, -32);
  EXPECT_NEAR(card.bottom() + 1, field.top() - 12, 2);
  EXPECT_NEAR(card.center().x(), field.center().x(), 2);

  // The keyboard belongs to the panel: a letter does not reach the window.
  xdotool({"key", "x"});
  settle(200);
  EXPECT_EQ(helper->text(), QString());

  xdotool({"key", "Return"});
  ASSERT_TRUE(waitUntil([&] { return review.answers == 1; }));
  EXPECT_EQ(review.answer, std::set<int>{}) << "everything masked";
  EXPECT_EQ(panels.reviewPanel(), nullptr);
  EXPECT_TRUE(waitUntil([&] {
    return helper->text() == QStringLiteral("write to [EMAIL_1] today");
  })) << helper->text().toStdString();
  EXPECT_TRUE(focusStaysWith(*helper));
}

TEST_F(ReviewX11, EscapeClosesTheReviewWithoutPastingAndGivesTheKeyboardBack) {
  ASSERT_TRUE(open());

  xdotool({"key", "Escape"});
  ASSERT_TRUE(waitUntil([&] { return panels.reviewPanel() == nullptr; }));
  settle(300);
  EXPECT_EQ(review.answers, 0);
  EXPECT_EQ(helper->text(), QString());
  EXPECT_TRUE(focusStaysWith(*helper));
  xdotool({"type", "--delay", "20", "ok"});
  EXPECT_TRUE(waitUntil([&] { return helper->text() == QStringLiteral("ok"); }))
      << helper->text().toStdString();
}

TEST_F(ReviewX11, TheKeyboardChoosesOriginalsAndReturnPastesThem) {
  ASSERT_TRUE(open());
  // Tab past the preview and the Masked tile to Original, choose it.
  xdotool({"key", "--delay", "50", "Tab", "Tab", "Tab", "space"});
  settle(300);
  ASSERT_TRUE(panel->focusWidget());
  EXPECT_EQ(panel->focusWidget()->objectName(), QStringLiteral("originalTile"));
  xdotool({"key", "Return"});
  ASSERT_TRUE(waitUntil([&] { return review.answers == 1; }));
  EXPECT_EQ(review.answer, std::set<int>{0});
  EXPECT_TRUE(waitUntil([&] {
    return helper->text() == QStringLiteral("write to ann@example.com today");
  })) << helper->text().toStdString();
}

TEST_F(ReviewX11, TurningToAnotherWindowGivesItTheKeysAndAClickOnThePanelTakesThemBack) {
  ASSERT_TRUE(open());

  auto second = Helper::window("clipvane-review-second");
  ASSERT_TRUE(second && second->waitActive());
  ASSERT_TRUE(waitUntil([&] { return !panel->holdsKeyboard(); }));
  xdotool({"type", "--delay", "20", "hi"});
  EXPECT_TRUE(waitUntil([&] { return second->text() == QStringLiteral("hi"); }));
  EXPECT_EQ(panels.reviewPanel(), panel) << "the review stays open";

  // A click on the card's title row takes the keyboard back; Escape then cancels.
  const QPoint title = panel->mapToGlobal(QPoint(panel->width() / 2, 32 + 26));
  xdotool({"mousemove", "--sync", QString::number(title.x()), QString::number(title.y())});
  xdotool({"click", "1"});
  ASSERT_TRUE(waitUntil([&] { return panel->holdsKeyboard(); }));
  xdotool({"key", "Escape"});
  EXPECT_TRUE(waitUntil([&] { return panels.reviewPanel() == nullptr; }));
  EXPECT_EQ(review.answers, 0);
  EXPECT_EQ(second->text(), QStringLiteral("hi"));
}

// A review of 2,000 addresses: the keyboard shows where it is, walks into the
// item list and out again, and the card keeps the size of what it shows.
TEST_F(ReviewX11, TheKeysWalkALongReviewShowingTheFocusAndTheCardFollowsItsContent) {
  ReviewSession session;
  for (int i = 0; i < 2000; ++i) {
    const QString mail = QStringLiteral("user%1@example.com").arg(i);
    session.found.push_back(email(int(session.text.size()), mail));
    session.text += mail + QLatin1Char(' ');
  }
  session.paste = [this](const std::set<int>& keep) {
    review.answer = keep;
    ++review.answers;
  };
  ASSERT_TRUE(open(session));
  auto* view = panel->findChild<ReviewView*>();
  ASSERT_NE(view, nullptr);
  settle(200);
  const QRect summary = panel->geometry();
  const QRectF available = QGuiApplication::primaryScreen()->availableGeometry();
  const auto cardInside = [&] {
    const QRect card = panel->geometry().adjusted(32, 32, -32, -32);
    EXPECT_TRUE(available.contains(card)) << card.y() << "+" << card.height();
  };
  cardInside();

  // Tab: the preview shows the focus ring on screen.
  QWidget* preview = panel->findChild<QWidget*>("previewButton");
  const QImage before = onScreen(preview);
  xdotool({"key", "Tab"});
  ASSERT_TRUE(waitUntil([&] { return panel->focusWidget() == preview; }));
  settle(100);
  const QImage ring = onScreen(preview);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, panel->x(), panel->y(), panel->width(), panel->height())
      .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-review-focus-preview.png"));
  EXPECT_GT(accentPixels(ring), accentPixels(before) + 100);

  // Space lists the items; Tab walks the rows, Space keeps the third.
  xdotool({"key", "space"});
  ASSERT_TRUE(waitUntil([&] { return view->showingItems(); }));
  xdotool({"key", "--delay", "50", "Tab", "Tab", "Tab", "space"});
  ASSERT_TRUE(waitUntil([&] { return view->keep() == std::set<int>{2}; }));
  settle(100);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, panel->x(), panel->y(), panel->width(), panel->height())
      .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-review-items-keys.png"));
  cardInside();
  EXPECT_EQ(panel->height(), 32 + 12 + 28 + 12 + ReviewView::listMaxHeight + 12 + 32 + 12 + 32);

  // Back to the summary: the same size and place as before.
  xdotool({"key", "--delay", "50", "shift+Tab", "shift+Tab", "shift+Tab", "space"});
  ASSERT_TRUE(waitUntil([&] { return !view->showingItems(); }));
  settle(100);
  EXPECT_EQ(panel->geometry(), summary);
  EXPECT_EQ(panel->focusWidget(), preview);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, panel->x(), panel->y(), panel->width(), panel->height() + 40)
      .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-review-back-to-summary.png"));
  xdotool({"key", "Return"});
  ASSERT_TRUE(waitUntil([&] { return review.answers == 1; }));
  EXPECT_EQ(review.answer, std::set<int>{2});
}

TEST(PanelsX11, TheReviewTakesTheKeyboardOnceAnotherClientsGrabEnds) {
  // As when the hot key that opened the review is still held under the
  // hot keys' own grab on their own connection.
  X11Display other;
  ASSERT_TRUE(other.ok());
  auto* grab =
      xcb_grab_keyboard_reply(other.conn(),
                              xcb_grab_keyboard(other.conn(), 0, other.root(), XCB_CURRENT_TIME,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                              nullptr);
  ASSERT_TRUE(grab && grab->status == XCB_GRAB_STATUS_SUCCESS);
  std::free(grab);

  Panels panels;
  Review review;
  panels.showReview(mailSession(review));
  FloatingPanel* panel = panels.reviewPanel();
  settle(300);
  EXPECT_FALSE(panel->holdsKeyboard());
  xcb_ungrab_keyboard(other.conn(), XCB_CURRENT_TIME);
  other.sync();
  EXPECT_TRUE(waitUntil([&] { return panel->holdsKeyboard(); }));
  panels.dismissAll();
  EXPECT_EQ(review.answers, 0);
}

TEST_F(ReviewX11, AMenuOfOursBorrowsTheKeyboardAndTheReviewTakesItBack) {
  ASSERT_TRUE(open());

  // The status menu opens over the review and is closed with Escape.
  QMenu menu;
  menu.addAction(QStringLiteral("Paste safely"));
  menu.popup(QPoint(900, 100));
  ASSERT_TRUE(waitUntil([&] { return menu.isVisible() && !panel->holdsKeyboard(); }));
  settle(200);
  xdotool({"key", "Escape"});
  ASSERT_TRUE(waitUntil([&] { return !menu.isVisible(); }));
  EXPECT_EQ(panels.reviewPanel(), panel) << "the menu's Escape was the menu's";
  ASSERT_TRUE(waitUntil([&] { return panel->holdsKeyboard(); }));

  xdotool({"key", "x"});
  settle(200);
  EXPECT_EQ(helper->text(), QString()) << "the keys are the review's again";
  xdotool({"key", "Return"});
  ASSERT_TRUE(waitUntil([&] { return review.answers == 1; }));
  EXPECT_TRUE(waitUntil([&] {
    return helper->text() == QStringLiteral("write to [EMAIL_1] today");
  })) << helper->text().toStdString();
}

// With a compositor that blurs nothing (xcompmgr), the review's glass hides
// the text of the window behind it, in both schemes: the strip of the card
// above its own content is near one colour where the text lies behind it.
TEST(PanelsX11, OverATextWindowTheGlassHidesTheTextBehindInBothSchemes) {
  if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) GTEST_SKIP() << "no xcompmgr";
  QProcess compositor;
  compositor.start("xcompmgr", {});
  X11Ports ports;
  ASSERT_TRUE(waitUntil([&] {
    ports.appearance.refresh();
    return ports.appearance.compositing();
  }));
  fakes::FakeAppearance scheme;  // the scheme as the test sets it, the compositor real
  Ports::install<AppearancePort>(&scheme);
  QProcess text;
  text.start("xterm", {"-geometry", "120x50+100+40", "-fa", "DejaVu Sans Mono", "-fs", "10", "-e",
                       "sh", "-c",
                       "yes 'The quick brown fox jumps over the lazy dog 0123456789 ABCDEFGH' "
                       "| head -60; exec sleep 60"});
  ASSERT_TRUE(text.waitForStarted());
  settle(1500);
  // The spread of grey levels along a strip of the screen.
  const auto spread = [](const QRect& strip) {
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, strip.x(), strip.y(), strip.width(), strip.height())
                            .toImage();
    int low = 255, high = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const int g = qGray(shot.pixel(x, y));
        low = std::min(low, g);
        high = std::max(high, g);
      }
    return high - low;
  };
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    scheme.isDark = dark;
    Panels panels;
    panels.setAnchors({[] { return std::optional<QRectF>(QRectF(400, 500, 300, 30)); },
                       [] { return std::optional<QRectF>(); }, [] { return QPointF(); }});
    Review review;
    panels.showReview(mailSession(review));
    FloatingPanel* panel = panels.reviewPanel();
    ASSERT_TRUE(panel && panel->translucent());
    const QRect card = panel->geometry().adjusted(32, 32, -32, -32);
    const QRect strip(card.left() + 24, card.top() + 2, card.width() - 48, 8);
    panel->hide();
    settle(300);
    const int bare = spread(strip);
    panel->show();
    settle(500);
    QGuiApplication::primaryScreen()
        ->grabWindow(0, card.x() - 60, card.y() - 60, card.width() + 120, card.height() + 120)
        .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-review-glass-over-text-%1.png")
                  .arg(dark ? "dark" : "light"));
    EXPECT_GT(bare, 100) << "no text behind the strip";
    EXPECT_LT(spread(strip), 12) << "the text behind shows through";
    panels.dismissAll();
    settle(200);
  }
  Ports::install<AppearancePort>(&ports.appearance);
  text.kill();
  text.waitForFinished(3000);
  compositor.terminate();
  compositor.waitForFinished(3000);
}
