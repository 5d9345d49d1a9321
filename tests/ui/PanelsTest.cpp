// The notices' policy (replacing, timing, fading, tokens), the review panel's
// opening and answer, and where both panels go.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "GlassChrome.h"
#include "Kit.h"
#include "Panels.h"
#include "ReviewView.h"
#include "TextLine.h"
#include "ToastView.h"
#include "UiTest.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

// Time as the panels see it: scheduled calls run when the test moves the clock.
struct FakeTime {
  double now = 0;
  std::vector<std::pair<double, std::function<void()>>> pending;
  std::vector<double> delays;

  Panels::Schedule schedule() {
    return [this](double after, std::function<void()> fn) {
      delays.push_back(after);
      pending.emplace_back(now + after, std::move(fn));
    };
  }
  void advance(double seconds) {
    now += seconds;
    for (bool ran = true; ran;) {
      ran = false;
      for (auto it = pending.begin(); it != pending.end(); ++it)
        if (it->first <= now + 1e-9) {
          auto fn = std::move(it->second);
          pending.erase(it);
          fn();
          ran = true;
          break;
        }
    }
  }
};

// Turns the event loop until the condition holds, for at most two seconds.
bool waitFor(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 2000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// A key press as the keyboard delivers it to the widget.
void press(QWidget* widget, Qt::Key key) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

Toast plain(const QString& text = QStringLiteral("Masked 2 items")) {
  return Toast{QStringLiteral("check"), Tint::acc, text, std::nullopt};
}

Toast withAction(int* runs, const QString& title = QStringLiteral("Undo")) {
  return Toast{QStringLiteral("check"), Tint::acc, QStringLiteral("Pasted masked"),
               Toast::Action{title, [runs] { ++*runs; }}};
}

struct PanelsTest : ::testing::Test {
  testing::SchemeScope scheme;
  fakes::FakeWorkspace workspace;
  FakeTime time;
  Panels panels;
  QRect icon{700, 0, 24, 24};

  PanelsTest() {
    Ports::install<WorkspacePort>(&workspace);
    panels.setSchedule(time.schedule());
    panels.setIconFrame([this] { return std::optional<QRect>(icon); });
  }
  ~PanelsTest() override { Ports::install<WorkspacePort>(nullptr); }

  QString shownText() const {
    auto* panel = panels.toastPanel();
    if (!panel || !panel->isVisible()) return {};
    auto* text = static_cast<TextLine*>(panel->findChild<QWidget*>(QStringLiteral("toastText")));
    return text ? text->text() : QString();
  }
  bool waitHidden(FloatingPanel* panel) {
    return waitFor([&] { return !panel->isVisible(); });
  }
};

TEST_F(PanelsTest, ANoticeStaysThreeSecondsWithoutAButtonAndFiveWithOne) {
  int runs = 0;
  for (const auto& [toast, seconds] : {std::pair{plain(), 3.0}, {withAction(&runs), 5.0}}) {
    panels.showToast(toast, false);
    FloatingPanel* panel = panels.toastPanel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(panel->ignoresMouse(), !toast.action) << "clicks pass a notice without a button";
    EXPECT_EQ(time.delays.back(), seconds);
    time.advance(seconds - 0.01);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panels.toastFading());
    time.advance(0.01);
    EXPECT_TRUE(panels.toastFading()) << "fades where a compositor runs";
    EXPECT_TRUE(waitHidden(panel));
    EXPECT_FALSE(panels.toastFading());
    EXPECT_EQ(panel->windowOpacity(), 0.0);
  }
}

TEST_F(PanelsTest, AReplacingNoticeReusesThePanelAndKeepsItsOwnFullTime) {
  panels.showToast(plain(QStringLiteral("First")), false);
  FloatingPanel* panel = panels.toastPanel();
  const int firstWidth = panel->width();
  time.advance(1);
  panels.showToast(plain(QStringLiteral("A much longer second notice")), false);
  EXPECT_EQ(panels.toastPanel(), panel);
  EXPECT_EQ(shownText(), QStringLiteral("A much longer second notice"));
  EXPECT_GT(panel->width(), firstWidth);
  time.advance(2.5);  // the first notice's time is up: its timer does nothing
  EXPECT_TRUE(panel->isVisible());
  EXPECT_FALSE(panels.toastFading());
  time.advance(0.5);
  EXPECT_TRUE(panels.toastFading());
}

TEST_F(PanelsTest, ANoticeDuringAFadeGetsANewPanelAndTheFadingOneGoesAtOnce) {
  panels.showToast(plain(), false);
  QPointer<FloatingPanel> old = panels.toastPanel();
  time.advance(3);
  ASSERT_TRUE(old->fading());
  panels.showToast(plain(QStringLiteral("Next")), false);
  EXPECT_NE(panels.toastPanel(), old.data());
  EXPECT_TRUE(!old || !old->isVisible());
  EXPECT_FALSE(panels.toastFading());
  EXPECT_TRUE(panels.toastPanel()->isVisible());
  EXPECT_EQ(panels.toastPanel()->windowOpacity(), 1.0);
}

TEST_F(PanelsTest, AStickyNoticeStaysUntilReplacedAndItsSuccessorTimesOut) {
  panels.showToast(Toast{QStringLiteral("progress_activity"), Tint::gray,
                         QStringLiteral("Checking on device"), std::nullopt},
                   true);
  EXPECT_TRUE(time.pending.empty());
  time.advance(600);
  FloatingPanel* panel = panels.toastPanel();
  EXPECT_TRUE(panel->isVisible());
  panels.showToast(plain(), false);
  EXPECT_EQ(panels.toastPanel(), panel);
  time.advance(3);
  EXPECT_TRUE(panels.toastFading());
}

TEST_F(PanelsTest, TheButtonRunsTheActionThenHidesAtOnce) {
  int runs = 0;
  panels.showToast(withAction(&runs), false);
  FloatingPanel* panel = panels.toastPanel();
  const qint64 token = panels.toastToken();
  auto* button = panel->findChild<QAbstractButton*>(QStringLiteral("toastAction"));
  ASSERT_TRUE(button);
  button->click();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(panel->isVisible()) << "no fade";
  EXPECT_EQ(panels.toastToken(), token + 1);
  time.advance(5);  // its timer does nothing to the hidden panel
  EXPECT_FALSE(panels.toastFading());
  panels.showToast(plain(), false);
  EXPECT_EQ(panels.toastPanel(), panel) << "the hidden panel is reused";
}

TEST_F(PanelsTest, CallbacksOfAReplacedOrDismissedNoticeDoNothing) {
  int runs = 0;
  panels.showToast(withAction(&runs), false);
  QPointer<QAbstractButton> oldButton =
      panels.toastPanel()->findChild<QAbstractButton*>(QStringLiteral("toastAction"));
  panels.showToast(plain(QStringLiteral("Newer")), false);
  const qint64 token = panels.toastToken();
  ASSERT_TRUE(oldButton);
  oldButton->click();  // still alive until the event loop turns
  EXPECT_EQ(panels.toastToken(), token);
  EXPECT_EQ(shownText(), QStringLiteral("Newer"));

  panels.dismissToast();
  EXPECT_FALSE(panels.toastPanel()->isVisible());
  EXPECT_EQ(panels.toastToken(), token + 1);
  panels.showToast(plain(QStringLiteral("Latest")), true);
  time.advance(10);  // the earlier notices' timers find a newer token
  EXPECT_EQ(shownText(), QStringLiteral("Latest"));
}

// A copy's notice takes the capsule of the one before: what it shows and
// what its button does are the new notice's alone, shown or hidden before,
// and it looks as a capsule made for it would.
TEST_F(PanelsTest, AReusedNoticeShowsAndActsForTheNewCopyNeverThePreviousOne) {
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    scheme.appearance.isDark = dark;
    int first = 0, second = 0;
    const Toast masked{QStringLiteral("check"), Tint::acc, QStringLiteral("Email masked"),
                       Toast::Action{QStringLiteral("Undo"), [&first] { ++first; }}};
    const Toast counted{QStringLiteral("priority_high"), Tint::att,
                        QStringLiteral("3 items masked"),
                        Toast::Action{QStringLiteral("Review"), [&second] { ++second; }}};
    const Toast plainOne{QStringLiteral("block"), Tint::bad, QStringLiteral("Card blocked"), {}};
    // Each notice as a capsule made for it alone draws it.
    const auto fresh = [](const Toast& toast) {
      FloatingPanel panel(new ToastView(toast, [] {}), false, GlassShape::capsule);
      return panel.grab().toImage();
    };
    const auto button = [&] {
      return panels.toastPanel()->findChild<QAbstractButton*>(QStringLiteral("toastAction"));
    };

    panels.showToast(masked, false);
    FloatingPanel* panel = panels.toastPanel();
    panels.showToast(counted, false);  // shown: replaced in place
    ASSERT_EQ(panels.toastPanel(), panel);
    EXPECT_EQ(shownText(), QStringLiteral("3 items masked"));
    EXPECT_EQ(panel->grab().toImage(), fresh(counted));
    ASSERT_TRUE(button());
    EXPECT_EQ(button()->text(), QStringLiteral("Review"));
    button()->click();
    EXPECT_EQ(second, 1);
    EXPECT_EQ(first, 0) << "never the previous notice's action";
    EXPECT_FALSE(panel->isVisible());

    // Hidden by the button: the next notice, without one, shows whole.
    panels.showToast(plainOne, false);
    EXPECT_EQ(panels.toastPanel(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(shownText(), QStringLiteral("Card blocked"));
    EXPECT_TRUE(panel->ignoresMouse());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(button()) << "the button went with its notice";
    EXPECT_EQ(testing::screenshot(
                  *panel, QStringLiteral("toast-reused-%1")
                              .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"))),
              fresh(plainOne));

    // Replaced while shown by one with a button.
    panels.showToast(masked, false);
    ASSERT_TRUE(button());
    EXPECT_TRUE(button()->isVisible());
    EXPECT_EQ(panels.toastPanel()->grab().toImage(), fresh(masked));
    // Dismissed by the next copy, then shown again.
    panels.dismissToast();
    panels.showToast(counted, false);
    EXPECT_TRUE(panels.toastPanel()->isVisible());
    EXPECT_EQ(panels.toastPanel()->grab().toImage(), fresh(counted));
    // A press begun on one notice is let go when the next one takes the
    // capsule: the release does nothing.
    QTest::mousePress(button(), Qt::LeftButton);
    panels.showToast(masked, false);
    QTest::mouseRelease(button(), Qt::LeftButton);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(panels.toastPanel()->isVisible());
    panels.dismissAll();
  }
}

TEST_F(PanelsTest, WithoutACompositorOrWithReducedMotionNoticesHideAtOnce) {
  scheme.appearance.isCompositing = false;
  panels.showToast(plain(), false);
  FloatingPanel* panel = panels.toastPanel();
  EXPECT_FALSE(panel->translucent());
  EXPECT_FALSE(panel->mask().isEmpty()) << "cut to the capsule";
  time.advance(3);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_FALSE(panels.toastFading());

  scheme.appearance.isCompositing = true;  // a compositor started: a translucent panel
  panels.showToast(plain(), false);
  EXPECT_NE(panels.toastPanel(), panel);
  EXPECT_TRUE(panels.toastPanel()->translucent());
  workspace.reduceMotionOn = true;
  time.advance(3);
  EXPECT_FALSE(panels.toastPanel()->isVisible());
}

// Where the desktop blurs behind windows, a panel asks for it behind its card
// (not behind the shadow's margin), again when its size changes; elsewhere,
// and without a compositor, it asks nothing.
TEST_F(PanelsTest, APanelAsksForBlurBehindItsCardWhereTheDesktopBlurs) {
  for (const auto& [blurs, compositing] : {std::pair{true, true}, {false, true}, {true, false}}) {
    SCOPED_TRACE(::testing::Message() << blurs << compositing);
    scheme.appearance.blurs = blurs;
    scheme.appearance.isCompositing = compositing;
    scheme.appearance.blurAsks.clear();
    panels.showToast(plain(), false);
    FloatingPanel* panel = panels.toastPanel();
    ASSERT_TRUE(panel->isVisible());
    if (!(blurs && compositing)) {
      EXPECT_TRUE(scheme.appearance.blurAsks.isEmpty());
      panels.dismissAll();
      continue;
    }
    ASSERT_FALSE(scheme.appearance.blurAsks.isEmpty());
    const auto card = [&] {
      const qreal dpr = panel->devicePixelRatioF();
      return QRect(QPoint(32, 32) * dpr, (panel->size() - QSize(64, 64)) * dpr);
    };
    EXPECT_EQ(scheme.appearance.blurAsks.last(), std::pair(quintptr(panel->winId()), card()));
    panels.showToast(plain(QStringLiteral("A much longer notice than the one before it")), false);
    EXPECT_EQ(scheme.appearance.blurAsks.last().second, card()) << "follows the new size";
    panels.dismissAll();
  }
}

// The blur behind stays with the window: asked again only for another size
// or another window, never for each notice shown.
TEST_F(PanelsTest, ANoticeShownAgainAtItsSizeAsksNoBlurAnew) {
  scheme.appearance.blurs = true;
  scheme.appearance.isCompositing = true;
  panels.showToast(plain(), false);
  FloatingPanel* panel = panels.toastPanel();
  ASSERT_EQ(scheme.appearance.blurAsks.size(), 1);
  panels.showToast(plain(), false);  // replaced while shown
  panels.dismissToast();
  panels.showToast(plain(), false);  // hidden, then shown again
  EXPECT_EQ(scheme.appearance.blurAsks.size(), 1);
  panels.showToast(plain(QStringLiteral("A much longer notice than the one before")), false);
  ASSERT_EQ(scheme.appearance.blurAsks.size(), 2);
  EXPECT_EQ(scheme.appearance.blurAsks.last().second.size(),
            (panel->size() - QSize(64, 64)) * panel->devicePixelRatioF());
  // A button makes the window anew (it takes clicks where the old one let
  // them through): the new window is asked.
  int runs = 0;
  const quintptr before = panel->winId();
  panels.showToast(withAction(&runs), false);
  ASSERT_NE(panel->winId(), before);
  EXPECT_EQ(scheme.appearance.blurAsks.last().first, quintptr(panel->winId()));
}

TEST_F(PanelsTest, NoticesHangUnderTheIconAtTheTopAndStandOnItAtTheBottom) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect v = screen->availableGeometry();
  const QRect g = screen->geometry();
  struct Case {
    std::optional<QRect> icon;
    std::function<void(const QRect&)> check;
  };
  const Case cases[] = {
      // 10 from the right edge: the capsule touches the edge, the margin overhangs.
      {QRect(v.right() - 10 - 24 + 1, 0, 24, 24),
       [&](const QRect& f) {
         EXPECT_EQ(f.x() + f.width(), v.x() + v.width() + 32);
         EXPECT_EQ(f.y(), std::max(24, v.y()));
       }},
      {QRect(300, g.height() - 24, 24, 24),
       [&](const QRect& f) {
         EXPECT_EQ(f.y() + f.height(), g.height() - 24);
         EXPECT_EQ(f.center().x(), 312);
       }},
      // Unknown icon: centred at the top of the screen.
      {std::nullopt,
       [&](const QRect& f) {
         EXPECT_NEAR(f.center().x(), g.center().x(), 1);
         EXPECT_EQ(f.y(), v.y());
       }},
  };
  for (const Case& c : cases) {
    icon = c.icon.value_or(QRect());
    panels.setIconFrame([&c] { return c.icon; });
    panels.showToast(plain(), false);
    c.check(panels.toastPanel()->geometry());
  }
}

TEST(PanelPlacement, TheReviewCardSitsAboveItsAnchorElseBelowInsideTheScreen) {
  const QRectF v(0, 30, 1280, 770);
  const QSizeF size(404, 300);
  struct Case {
    QRectF anchor;
    QPointF topLeft;
  };
  const Case cases[] = {
      // Room above: the card's bottom (panel bottom - 32) is 12 above the anchor.
      {{500, 500, 100, 20}, {348, 500 - 12 - 300 + 32}},
      // Near the top: below it, the card's top 12 under the anchor.
      {{500, 40, 100, 20}, {348, 60 + 12 - 32}},
      // Far left: the card's left edge meets the screen's.
      {{0, 500, 10, 10}, {-32, 500 - 12 - 300 + 32}},
      // Far right.
      {{1270, 500, 10, 10}, {1280 - 404 + 32, 500 - 12 - 300 + 32}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PanelPlacement::nextTo(size, c.anchor, v, 12, 32), c.topLeft) << c.anchor.x();
  // A card taller than the screen keeps its top on screen.
  EXPECT_EQ(PanelPlacement::nextTo(QSizeF(404, 2000), {500, 500, 10, 10}, v, 12, 32).y(), -2);
}

Finding finding(Kind kind, int at, const QString& value, const QString& label = {}) {
  Finding f;
  f.kind = kind;
  f.range = {at, int(value.size())};
  f.value = value.toStdU16String();
  f.mask = (value.left(1) + QStringLiteral("•••")).toStdU16String();
  f.label = (label.isEmpty() ? QString::fromStdU16String(std::u16string(kind.label())) : label)
                .toStdU16String();
  return f;
}

ReviewSession session(std::vector<int>* answers = nullptr, std::set<int> locked = {}) {
  ReviewSession s;
  s.text = QStringLiteral("mail ann@example.com or bob@example.com now");
  s.found = {finding(Kind::email, 5, QStringLiteral("ann@example.com")),
             finding(Kind::email, 24, QStringLiteral("bob@example.com"))};
  s.locked = std::move(locked);
  s.hotkey = QStringLiteral("⌃⌘V");
  s.paste = [answers](const std::set<int>& keep) {
    if (answers) answers->push_back(int(keep.size()));
  };
  return s;
}

TEST_F(PanelsTest, TheReviewAnchorsAtTheFieldTheSelectionOrThePointer) {
  struct Case {
    std::optional<QRectF> element, selection;
    QRectF anchor;
  };
  const QRectF field(400, 400, 200, 30), area(400, 100, 300, 600), word(450, 420, 40, 16);
  const Case cases[] = {
      {field, word, field},        // a field anchors whatever the selection
      {area, word, word},          // a tall area anchors at its selection
      {area, std::nullopt, area},  // and at itself without one
      {std::nullopt, std::nullopt, QRectF(300, 500, 1, 1)},  // the pointer
  };
  for (const Case& c : cases) {
    panels.setAnchors({[&c] { return c.element; }, [&c] { return c.selection; },
                       [] { return QPointF(300, 500); }});
    panels.showReview(session());
    FloatingPanel* panel = panels.reviewPanel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(panel->width(), 404);
    const QRectF v = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel->pos(),
              PanelPlacement::nextTo(QSizeF(panel->size()), c.anchor, v, 12, 32).toPoint());
  }
}

TEST_F(PanelsTest, AReviewWaitsForTheHotKeyToBeLetGoBeforeItLooksForTheTextCursor) {
  fakes::FakeKeyboard keyboard;
  Ports::install<KeyboardPort>(&keyboard);
  const QRectF field(400, 400, 200, 30);
  int asked = 0;
  bool grabbed = true;  // the window being typed in tells its field only after the grab
  panels.setAnchors({[&] {
                       ++asked;
                       return grabbed ? std::nullopt : std::optional<QRectF>(field);
                     },
                     [] { return std::optional<QRectF>(); }, [] { return QPointF(10, 10); }});
  for (const bool dismissed : {false, true}) {
    SCOPED_TRACE(dismissed);
    asked = 0;
    grabbed = keyboard.held = true;
    panels.showReview(session());
    QPointer<FloatingPanel> panel = panels.reviewPanel();
    QTest::qWait(3 * Panels::keysPollMs);
    EXPECT_EQ(asked, 0) << "no anchor while the keys are held";
    EXPECT_FALSE(panel->isVisible());
    if (dismissed) panels.dismissAll();
    grabbed = keyboard.held = false;
    QTest::qWait(3 * Panels::keysPollMs);
    if (dismissed) {
      EXPECT_TRUE(!panel || !panel->isVisible()) << "a dismissed review never shows";
      EXPECT_EQ(asked, 0);
      continue;
    }
    ASSERT_TRUE(panel && panel->isVisible());
    const QRectF v = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel->pos(),
              PanelPlacement::nextTo(QSizeF(panel->size()), field, v, 12, 32).toPoint());
  }
  // A key held for good does not keep the review away.
  keyboard.held = true;
  panels.showReview(session());
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return panels.reviewPanel()->isVisible(); }, Panels::keysWaitMs + 500));
  Ports::install<KeyboardPort>(nullptr);
}

TEST_F(PanelsTest, AReviewAnswersOnceAndNotAtAllWhenReplacedOrDismissed) {
  std::vector<int> answers;
  panels.showReview(session(&answers));
  QPointer<FloatingPanel> first = panels.reviewPanel();
  auto* firstView = first->findChild<ReviewView*>();
  panels.showReview(session(&answers));
  EXPECT_TRUE(!first || !first->isVisible());
  if (first) firstView->paste();  // a closed review answers nothing
  EXPECT_TRUE(answers.empty());

  FloatingPanel* second = panels.reviewPanel();
  auto* view = second->findChild<ReviewView*>();
  view->chooseOriginal();
  press(view, Qt::Key_Return);
  press(view, Qt::Key_Return);
  EXPECT_EQ(answers, std::vector<int>{2});
  EXPECT_FALSE(second->isVisible()) << "gone before the paste";
  EXPECT_EQ(panels.reviewPanel(), nullptr);

  panels.showReview(session(&answers));
  press(panels.reviewPanel()->findChild<ReviewView*>(), Qt::Key_Escape);
  EXPECT_EQ(panels.reviewPanel(), nullptr);
  panels.showReview(session(&answers));
  panels.showToast(plain(), true);
  panels.dismissAll();
  EXPECT_EQ(panels.reviewPanel(), nullptr);
  EXPECT_FALSE(panels.toastPanel()->isVisible());
  EXPECT_EQ(answers, std::vector<int>{2});
}

}  // namespace
}  // namespace clipvane
