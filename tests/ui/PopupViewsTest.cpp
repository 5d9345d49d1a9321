// The notice and the review card as people see them: sizes, colours at known
// points, the review's keep set and texts; screenshots of every state.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

#include "FloatingPanel.h"
#include "GlassChrome.h"
#include "Kit.h"
#include "KitRows.h"
#include "ReviewList.h"
#include "ReviewText.h"
#include "ReviewView.h"
#include "TextLine.h"
#include "ThemeScrollBar.h"
#include "ToastView.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using PreviewRun = ReviewText::Run;

const char* schemeName(bool dark) { return dark ? "dark" : "light"; }

QWidget* child(QWidget* root, const char* name) {
  return root->findChild<QWidget*>(QLatin1String(name));
}

// Where a child sits in the top-level window.
QRect placed(QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

Finding finding(Kind kind, int at, const QString& value, const QString& label = {}) {
  Finding f;
  f.kind = kind;
  f.range = {at, int(value.size())};
  f.value = value.toStdU16String();
  f.mask = (value.left(2) + QStringLiteral("•••")).toStdU16String();
  f.label = (label.isEmpty() ? QString::fromStdU16String(std::u16string(kind.label())) : label)
                .toStdU16String();
  return f;
}

// Three findings in a short message: an address, a card and a key.
ReviewSession threeFindings(std::set<int> locked) {
  ReviewSession s;
  s.text = QStringLiteral(
      "Hi Ann, write to ann.lee@example.com, charge 4111 1111 1111 1234 and use "
      "sk-live-51HxQpT7 for the test.");
  const auto at = [&](const QString& v) { return int(s.text.indexOf(v)); };
  s.found = {finding(Kind::email, at("ann.lee@example.com"), "ann.lee@example.com"),
             finding(Kind::card, at("4111 1111 1111 1234"), "4111 1111 1111 1234"),
             finding(Kind::apiKey, at("sk-live-51HxQpT7"), "sk-live-51HxQpT7")};
  s.locked = std::move(locked);
  s.hotkey = QStringLiteral("⌃⌘V");
  return s;
}

TEST(ToastView, EveryVariantIsACapsuleFortyHighInAPanelSixtyFourLarger) {
  struct Variant {
    const char* name;
    Toast toast;
  };
  const QString longText =
      QString(QStringLiteral("A notice that keeps going ")).repeated(5).left(120);
  const Variant variants[] = {
      {"acc", {QStringLiteral("check"), Tint::acc, QStringLiteral("Masked 3 items"), {}}},
      {"att",
       {QStringLiteral("priority_high"),
        Tint::att,
        QStringLiteral("Copied an e-mail address"),
        {}}},
      {"bad", {QStringLiteral("block"), Tint::bad, QStringLiteral("Removed 1 item"), {}}},
      {"gray", {QStringLiteral("pause"), Tint::gray, QStringLiteral("Paused for 1 hour"), {}}},
      {"action",
       {QStringLiteral("check"), Tint::acc, QStringLiteral("Masked 2 items"),
        Toast::Action{QStringLiteral("Undo"), [] {}}}},
      {"bad-action",
       {QStringLiteral("remove"), Tint::bad, QStringLiteral("Removed 1 item"),
        Toast::Action{QStringLiteral("Review"), [] {}}}},
      {"sticky-progress",
       {QStringLiteral("progress_activity"), Tint::gray, QStringLiteral("Checking on device"), {}}},
      {"long", {QStringLiteral("check"), Tint::acc, longText, {}}},
  };
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    for (const Variant& v : variants) {
      SCOPED_TRACE(v.name);
      FloatingPanel panel(new ToastView(v.toast, [] {}), false, GlassShape::capsule);
      const QImage shot =
          testing::screenshot(panel, QStringLiteral("toast-%1-%2").arg(v.name, schemeName(dark)));
      QWidget* capsule = child(&panel, "toastCapsule");
      ASSERT_TRUE(capsule);
      EXPECT_EQ(panel.height(), 104);
      EXPECT_EQ(placed(capsule), QRect(32, 32, panel.width() - 64, 40));
      const QRect dot = placed(child(&panel, "toastDot"));
      EXPECT_EQ(dot, QRect(38, 38, 28, 28)) << "6 before the dot";
      const QRect text = placed(child(&panel, "toastText"));
      EXPECT_EQ(text.x(), dot.right() + 1 + 8);
      if (QWidget* button = child(&panel, "toastAction")) {
        const QRect pill = placed(button);
        EXPECT_EQ(pill.height(), 28);
        EXPECT_EQ(pill.y(), 38);
        EXPECT_EQ(panel.width() - 32 - (pill.right() + 1), 6) << "the pill sits near the end";
        EXPECT_EQ(pill.x(), text.right() + 1 + 8);
      } else {
        EXPECT_EQ(panel.width() - 32 - (text.right() + 1), 14);
      }
      // The dot's colour beside its glyph.
      EXPECT_EQ(shot.pixelColor(dot.x() + 4, dot.center().y()).rgb(),
                Theme::color(Theme::tint(v.toast.tint)).rgb());
    }
  }
}

TEST(ToastView, ALongMessageIsShownWholeOnOneLine) {
  testing::SchemeScope scheme;
  const QString text = QString(QLatin1Char('x')).repeated(120);
  ToastView view(Toast{QStringLiteral("check"), Tint::acc, text, {}}, [] {});
  view.adjustSize();
  auto* line = static_cast<TextLine*>(child(&view, "toastText"));
  EXPECT_EQ(line->text(), text);
  EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance(text));
}

TEST(ReviewText, TitlesCountTheFindings) {
  EXPECT_EQ(ReviewText::title(0), QStringLiteral("0 items found"));
  EXPECT_EQ(ReviewText::title(1), QStringLiteral("1 item found"));
  EXPECT_EQ(ReviewText::title(3), QStringLiteral("3 items found"));
}

TEST(ReviewText, TheValueColumnShortensAndHides) {
  const QString twentySix = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
  const struct {
    Finding f;
    QString shown;
  } cases[] = {
      {finding(Kind::email, 0, twentySix), QStringLiteral("abcdefghijklmnopqrst…")},
      {finding(Kind::email, 0, twentySix.left(22)), twentySix.left(22)},
      {finding(Kind::card, 0, QStringLiteral("4111 1111 1111 1234")), QStringLiteral("•••• 1234")},
      {finding(Kind::card, 0, QStringLiteral("12")), QStringLiteral("•••• 12")},
      {finding(Kind::privateKey, 0, QStringLiteral("-----BEGIN KEY-----")),
       QStringLiteral("Private key")},
      {finding(Kind::address, 0, QStringLiteral("1 Main St\nSpringfield")),
       QStringLiteral("1 Main St Springfield")},
      // Characters are what people see: an emoji with its modifier counts once.
      {finding(Kind::name, 0, QString(QStringLiteral("👍🏽")).repeated(23)),
       QString(QStringLiteral("👍🏽")).repeated(20) + QStringLiteral("…")},
  };
  for (const auto& c : cases) EXPECT_EQ(ReviewText::shown(c.f), c.shown);
}

TEST(ReviewText, ThePreviewNumbersTokensPerValueAndSkipsBrokenRanges) {
  ReviewSession s;
  s.text = QStringLiteral("a@x.io, a@x.io, b@x.io");
  s.found = {finding(Kind::email, 0, "a@x.io"), finding(Kind::email, 8, "a@x.io"),
             finding(Kind::email, 16, "b@x.io")};
  const auto token = [](const char* t) {
    return PreviewRun{QStringLiteral(" %1 ").arg(QLatin1String(t)), Theme::acc};
  };
  // The text's first chip starts at the edge, with no space before it.
  const PreviewRun first{QStringLiteral("[EMAIL_1] "), Theme::acc};
  const PreviewRun comma{QStringLiteral(", "), std::nullopt};
  EXPECT_EQ(ReviewText::preview(s, {}),
            (std::vector<PreviewRun>{first, comma, token("[EMAIL_1]"), comma, token("[EMAIL_2]")}));
  // Keeping the first leaves the numbering of the others alone.
  EXPECT_EQ(ReviewText::preview(s, {0}),
            (std::vector<PreviewRun>{{QStringLiteral("a@x.io, "), std::nullopt},
                                     token("[EMAIL_1]"),
                                     comma,
                                     token("[EMAIL_2]")}));
  // Locked: removed in red whatever is kept; partial masks without tokens.
  s.locked = {2};
  s.tokens = false;
  EXPECT_EQ(ReviewText::preview(s, {2}).back(),
            (PreviewRun{QStringLiteral(" [removed] "), Theme::bad}));
  EXPECT_EQ(ReviewText::preview(s, {}).front(), (PreviewRun{QStringLiteral("a@••• "), Theme::acc}));
  // Custom labels give their own word.
  s.tokens = true;
  s.found[0].kind = Kind::custom;
  s.found[0].label = u"Project code";
  EXPECT_EQ(ReviewText::preview(s, {}).front().text, QStringLiteral("[PROJECT_CODE_1] "));

  // Overlapping the previous one, or past the end: skipped, the text shows.
  s.found = {finding(Kind::email, 0, "a@x.io, a"), finding(Kind::email, 8, "a@x.io"),
             finding(Kind::email, 16, "b@x.io and more")};
  s.locked.clear();
  EXPECT_EQ(ReviewText::preview(s, {}),
            (std::vector<PreviewRun>{first, {QStringLiteral("@x.io, b@x.io"), std::nullopt}}));

  // A chip that opens a line after a line feed starts at the edge too.
  s.text = QStringLiteral("To:\na@x.io");
  s.found = {finding(Kind::email, 4, "a@x.io")};
  EXPECT_EQ(ReviewText::preview(s, {}),
            (std::vector<PreviewRun>{{QStringLiteral("To:\n"), std::nullopt}, first}));
}

// The placeholders the paste will write, where the session knows them, stand
// in for the preview's own numbers; a locked value stays removed.
TEST(ReviewText, ThePreviewShowsTheSessionsLabels) {
  ReviewSession s;
  s.text = QStringLiteral("a@x.io, b@x.io, c@x.io");
  s.found = {finding(Kind::email, 0, "a@x.io"), finding(Kind::email, 8, "b@x.io"),
             finding(Kind::email, 16, "c@x.io")};
  s.locked = {2};
  std::vector<std::set<int>> asked;
  s.labels = [&](const std::set<int>& keep) {
    asked.push_back(keep);
    return std::vector<QString>{keep.count(0) ? QString() : QStringLiteral("[EMAIL_7]"),
                                QStringLiteral("[EMAIL_3]"), QString()};
  };
  const auto run = [](const char* t, std::optional<ThemeColor> c) {
    return PreviewRun{QString::fromUtf8(t), c};
  };
  EXPECT_EQ(ReviewText::preview(s, {}),
            (std::vector<PreviewRun>{run("[EMAIL_7] ", Theme::acc), run(", ", std::nullopt),
                                     run(" [EMAIL_3] ", Theme::acc), run(", ", std::nullopt),
                                     run(" [removed] ", Theme::bad)}));
  EXPECT_EQ(ReviewText::preview(s, {0}).front(), run("a@x.io, ", std::nullopt));
  EXPECT_EQ(asked, (std::vector<std::set<int>>{{}, {0}}));
}

struct ReviewCase {
  const char* name;
  std::set<int> locked;
  std::set<int> original;  // what "Original" keeps
};

const ReviewCase reviewCases[] = {
    {"none-locked", {}, {0, 1, 2}},
    {"some-locked", {0, 2}, {1}},
    {"all-locked", {0, 1, 2}, {}},
};

TEST(ReviewView, OriginalKeepsOnlyWhatMayPassAndPasteAnswersTheKeepSet) {
  testing::SchemeScope scheme;
  for (const ReviewCase& c : reviewCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::optional<std::set<int>>> answers;
    ReviewView view(threeFindings(c.locked), [&](const auto& keep) { answers.push_back(keep); });
    auto* original = static_cast<QAbstractButton*>(child(&view, "originalTile"));
    EXPECT_EQ(view.keep(), std::set<int>{}) << "everything masked at first";
    EXPECT_EQ(original->isEnabled(), !c.original.empty());
    original->click();
    EXPECT_EQ(view.keep(), c.original);
    EXPECT_EQ(view.original(), !c.original.empty());
    // No switch can add a locked index.
    for (int i = 0; i < 3; ++i) view.setRowMasked(i, false);
    EXPECT_EQ(view.keep(), c.original);
    for (int i : c.locked) EXPECT_TRUE(view.rowMasked(i));
    static_cast<QAbstractButton*>(child(&view, "pasteButton"))->click();
    static_cast<QAbstractButton*>(child(&view, "pasteButton"))->click();
    ASSERT_EQ(answers.size(), 1u) << "answered once";
    EXPECT_EQ(answers[0], c.original);
  }
}

TEST(ReviewView, RowSwitchesAndTilesShareOneKeepSet) {
  testing::SchemeScope scheme;
  ReviewView view(threeFindings({1}), [](const auto&) {});
  auto* masked = static_cast<ChoiceTile*>(child(&view, "maskedTile"));
  auto* original = static_cast<ChoiceTile*>(child(&view, "originalTile"));
  view.setShowItems(true);
  auto* first = static_cast<QAbstractButton*>(child(&view, "switch0"));
  auto* locked = static_cast<QAbstractButton*>(child(&view, "switch1"));
  EXPECT_TRUE(locked->isChecked());
  EXPECT_FALSE(locked->isEnabled());
  first->click();  // off: kept
  static_cast<QAbstractButton*>(child(&view, "switch2"))->click();
  EXPECT_EQ(view.keep(), (std::set<int>{0, 2}));
  EXPECT_TRUE(view.original()) << "every unlocked row off selects Original";
  first->click();  // back on
  EXPECT_FALSE(view.original());
  static_cast<QAbstractButton*>(child(&view, "backButton"))->click();
  EXPECT_FALSE(view.showingItems());
  EXPECT_EQ(view.keep(), std::set<int>{2}) << "the keep set survives the mode change";
  original->click();
  view.setShowItems(true);
  EXPECT_FALSE(first->isChecked());
  masked->click();
  EXPECT_TRUE(first->isChecked());
}

TEST(ReviewView, EscapeCancelsAndReturnPastes) {
  testing::SchemeScope scheme;
  for (const auto& [key, expected] :
       {std::pair{Qt::Key_Escape, std::optional<std::set<int>>{}},
        {Qt::Key_Return, std::optional<std::set<int>>{std::set<int>{}}},
        {Qt::Key_Enter, std::optional<std::set<int>>{std::set<int>{}}}}) {
    std::vector<std::optional<std::set<int>>> answers;
    ReviewView view(threeFindings({}), [&](const auto& keep) { answers.push_back(keep); });
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &event);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], expected);
  }
}

TEST(ReviewView, SummaryAndItemModesInEveryLockStateLightAndDark) {
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    for (const ReviewCase& c : reviewCases) {
      SCOPED_TRACE(c.name);
      auto* view = new ReviewView(threeFindings(c.locked), [](const auto&) {});
      FloatingPanel panel(view, true, GlassShape::rounded20);
      const QImage summary = testing::screenshot(
          panel, QStringLiteral("review-summary-%1-%2").arg(c.name, schemeName(dark)));
      EXPECT_EQ(panel.width(), 404);
      EXPECT_EQ(placed(child(&panel, "reviewCard")).width(), 340);
      EXPECT_TRUE(child(&panel, "reviewKeyCap")->isVisibleTo(&panel));
      EXPECT_TRUE(child(&panel, "reviewDot")->isVisibleTo(&panel));
      EXPECT_FALSE(child(&panel, "backButton")->isVisibleTo(&panel));
      const QRect paste = placed(child(&panel, "pasteButton"));
      EXPECT_EQ(paste.height(), 32);
      EXPECT_EQ(summary.pixelColor(paste.x() + 5, paste.center().y()).rgb(),
                Theme::color(Theme::acc).rgb());
      // The selected tile is the accent; with everything locked it is Masked.
      const QRect masked = placed(child(&panel, "maskedTile"));
      EXPECT_EQ(masked.height(), 72);
      EXPECT_EQ(summary.pixelColor(masked.x() + 8, masked.y() + 8).rgb(),
                Theme::color(Theme::acc).rgb());

      view->setShowItems(true);
      testing::screenshot(panel,
                          QStringLiteral("review-items-%1-%2").arg(c.name, schemeName(dark)));
      EXPECT_FALSE(child(&panel, "reviewKeyCap")->isVisibleTo(&panel));
      EXPECT_TRUE(child(&panel, "backButton")->isVisibleTo(&panel));
      EXPECT_LE(child(&panel, "itemList")->height(), ReviewView::listMaxHeight);
      EXPECT_EQ(placed(child(&panel, "row0")).height(), 44);
    }
  }
}

// A text of `count` addresses, one a line, each a finding.
ReviewSession addresses(int count, std::set<int> locked = {}) {
  ReviewSession s;
  for (int i = 0; i < count; ++i) {
    const QString mail = QStringLiteral("user%1@example.com").arg(i);
    s.found.push_back(finding(Kind::email, int(s.text.size()), mail));
    s.text += mail + QLatin1Char('\n');
  }
  s.locked = std::move(locked);
  s.hotkey = QStringLiteral("⌃⌘V");
  return s;
}

TEST(ReviewView, TheBoxesAndTheIdleTileHaveAnEdgeAndTheListItsOwnScrollBar) {
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    SCOPED_TRACE(schemeName(dark));
    auto* view = new ReviewView(threeFindings({}), [](const auto&) {});
    FloatingPanel panel(view, true, GlassShape::rounded20);
    const QImage summary = testing::screenshot(panel, "review-edges-" + QString(schemeName(dark)));
    // Across the middle of each one's top edge: the edge is set off from the
    // panel above it and from its own inside.
    for (const char* name : {"originalTile", "previewButton"}) {
      SCOPED_TRACE(name);
      QWidget* w = child(&panel, name);
      ASSERT_NE(w, nullptr);
      const QRect at = placed(w);
      const int x = at.center().x();
      const int edge = qGray(summary.pixel(x, at.top()));
      const int inside = qGray(summary.pixel(x, at.top() + 4));
      const int outside = qGray(summary.pixel(x, at.top() - 3));
      EXPECT_GE(std::abs(edge - inside), 6) << edge << " " << inside;
      EXPECT_GE(std::abs(edge - outside), 6) << edge << " " << outside;
    }
  }
  // A list long enough to scroll: its bar is the palette's, inside the list.
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    auto* view = new ReviewView(addresses(12), [](const auto&) {});
    FloatingPanel panel(view, true, GlassShape::rounded20);
    view->setShowItems(true);
    const QImage shown =
        testing::screenshot(panel, QStringLiteral("review-items-scroll-%1").arg(schemeName(dark)));
    auto* list = static_cast<QAbstractScrollArea*>(child(&panel, "itemList"));
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_TRUE(bar->isVisibleTo(&panel));
    EXPECT_NE(dynamic_cast<ThemeScrollBar*>(bar), nullptr);
    const QRect barAt = placed(bar);
    EXPECT_TRUE(placed(list).contains(barAt));
    EXPECT_LE(barAt.width(), ThemeScrollBar::thickness);
    if (dark) {
      int bright = 0;  // a native bar's light track and arrows
      for (int y = barAt.top(); y <= barAt.bottom(); ++y)
        for (int x = barAt.left(); x <= barAt.right(); ++x)
          bright += qGray(shown.pixel(x, y)) > 160;
      EXPECT_EQ(bright, 0);
    }
  }
}

TEST(ReviewView, TheLongestHotKeyIsNeverCutAndTheTitleGivesWay) {
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    for (const QString& keys : {QStringLiteral("⌃⌥⇧⌘K"), QStringLiteral("⌃⌘V")}) {
      SCOPED_TRACE(keys.toStdString() + schemeName(dark));
      ReviewSession s = threeFindings({});
      s.hotkey = keys;
      auto* view = new ReviewView(s, [](const auto&) {});
      FloatingPanel panel(view, true, GlassShape::rounded20);
      testing::screenshot(panel, QStringLiteral("review-hotkey-%1-%2")
                                     .arg(keys.size() > 3 ? "longest" : "short", schemeName(dark)));
      QWidget* cap = child(&panel, "reviewKeyCap");
      const QRect card = placed(child(&panel, "reviewCard"));
      const QRect shown = placed(cap);
      EXPECT_GE(cap->width(), cap->sizeHint().width());
      EXPECT_LE(shown.right(), card.right() - 12 + 1);  // inside the card's padding
      const QRect title = placed(child(&panel, "reviewTitle"));
      EXPECT_LT(title.right(), shown.left());
      EXPECT_GT(title.width(), 40);
    }
  }
}

TEST(ReviewView, ALongListScrollsWithinTwoHundredTwenty) {
  testing::SchemeScope scheme;
  ReviewSession s;
  for (int i = 0; i < 12; ++i) {
    const QString mail = QStringLiteral("user%1@example.com").arg(i);
    s.found.push_back(finding(Kind::email, int(s.text.size()), mail));
    s.text += mail + QLatin1Char(' ');
  }
  auto* view = new ReviewView(s, [](const auto&) {});
  FloatingPanel panel(view, true, GlassShape::rounded20);
  view->setShowItems(true);
  testing::screenshot(panel, QStringLiteral("review-items-long-light"));
  EXPECT_EQ(child(&panel, "itemList")->height(), ReviewView::listMaxHeight);
  EXPECT_EQ(child(&panel, "reviewKeyCap"), nullptr) << "no hot key, no key cap";
}

int rowsMade(QWidget* root) {
  int made = 0;
  for (const QWidget* w : root->findChildren<QWidget*>())
    made += w->objectName().startsWith(QLatin1String("row"));
  return made;
}

TEST(ReviewView, AHundredThousandFindingsMakeOnlyTheRowsOnScreen) {
  testing::SchemeScope scheme;
  std::vector<std::optional<std::set<int>>> answers;
  auto* view =
      new ReviewView(addresses(100'000), [&](const auto& keep) { answers.push_back(keep); });
  FloatingPanel panel(view, true, GlassShape::rounded20);
  // The preview holds its five lines, not the 2.6 MB behind them.
  const QImage summary = testing::screenshot(panel, QStringLiteral("review-summary-100000-light"));
  EXPECT_LE(child(&panel, "previewButton")->height(), 5 * 20 + 20);

  view->setShowItems(true);
  ReviewList* list = view->itemList();
  const int onScreen = ReviewView::listMaxHeight / ReviewList::rowHeight + 1;
  EXPECT_LE(rowsMade(&panel), onScreen);
  // Far down the list: its rows are made, the first ones are gone.
  list->verticalScrollBar()->setValue(50'000 * ReviewList::rowHeight);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_LE(rowsMade(&panel), onScreen);
  EXPECT_EQ(list->row(0), nullptr);
  auto* far = static_cast<QAbstractButton*>(child(&panel, "switch50000"));
  ASSERT_NE(far, nullptr);
  far->click();  // kept
  EXPECT_EQ(view->keep(), std::set<int>{50'000});
  // A row made again shows the keep set, not a fresh switch.
  list->scrollTo(0);
  list->scrollTo(50'000);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(static_cast<QAbstractButton*>(child(&panel, "switch50000"))->isChecked());
  list->scrollTo(99'999);
  testing::screenshot(panel, QStringLiteral("review-items-100000-end-light"));
  ASSERT_NE(child(&panel, "row99999"), nullptr);
  EXPECT_EQ(placed(child(&panel, "row99999")).bottom(), placed(list).bottom());
  view->chooseOriginal();
  EXPECT_TRUE(view->original());
  view->paste();
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0]->size(), 100'000u);
}

TEST(ReviewView, TabReachesEveryControlAndEveryRowThatTakesTheFocusShowingIt) {
  testing::SchemeScope scheme;
  std::vector<std::optional<std::set<int>>> answers;
  auto* view =
      new ReviewView(addresses(12, {3, 11}), [&](const auto& keep) { answers.push_back(keep); });
  FloatingPanel panel(view, true, GlassShape::rounded20);
  panel.show();
  panel.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
  // Each key goes to the control the keyboard is on; the name of the next.
  const auto press = [&](Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : view, key);
    focus = QApplication::focusWidget();
    if (!focus) return QString();
    const auto* button = dynamic_cast<const KitButton*>(focus);
    EXPECT_TRUE(button && button->showsFocus()) << focus->objectName().toStdString();
    return focus->objectName();
  };
  const auto walk = [&](Qt::Key key, int steps) {
    QStringList names;
    for (int i = 0; i < steps; ++i) names << press(key);
    return names;
  };
  EXPECT_EQ(walk(Qt::Key_Tab, 6), QStringList({"previewButton", "maskedTile", "originalTile",
                                               "cancelButton", "pasteButton", "previewButton"}));
  // Space on the preview lists the items; the way back takes the keyboard.
  EXPECT_EQ(press(Qt::Key_Space), QStringLiteral("backButton"));
  ASSERT_TRUE(view->showingItems());
  const QStringList rows = walk(Qt::Key_Tab, 13);
  EXPECT_EQ(rows, QStringList({"switch0", "switch1", "switch2", "switch4", "switch5", "switch6",
                               "switch7", "switch8", "switch9", "switch10", "cancelButton",
                               "pasteButton", "backButton"}))
      << "locked rows take no focus";
  EXPECT_EQ(walk(Qt::Key_Backtab, 3), QStringList({"pasteButton", "cancelButton", "switch10"}));
  // The row the keyboard is on stands whole in the list.
  ReviewList* list = view->itemList();
  const QRect row = placed(list->row(10));
  EXPECT_TRUE(placed(list->viewport()).contains(row));
  EXPECT_EQ(press(Qt::Key_Space), QStringLiteral("switch10"));
  EXPECT_EQ(view->keep(), std::set<int>{10});
  // Back to the summary: the preview takes the keyboard again.
  EXPECT_EQ(walk(Qt::Key_Tab, 3), QStringList({"cancelButton", "pasteButton", "backButton"}));
  EXPECT_EQ(press(Qt::Key_Space), QStringLiteral("previewButton"));
  EXPECT_FALSE(view->showingItems());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], std::set<int>{10});
}

TEST(ReviewView, ThePreviewShowsFiveLinesOfAnyText) {
  testing::SchemeScope scheme;
  // A text of narrow characters, one long word, short lines: each fills its
  // five lines and ends in the ellipsis, however much text follows.
  const QString narrow = QString(20'000, QLatin1Char('i')).replace(7, 1, QLatin1Char(' '));
  const QString word = QString(50'000, QLatin1Char('W'));
  QString lines;
  for (int i = 0; i < 40; ++i) lines += QStringLiteral("line %1\n").arg(i);
  for (const QString& text : {narrow, word, lines}) {
    ReviewSession s;
    s.text = text;
    auto* view = new ReviewView(s, [](const auto&) {});
    FloatingPanel panel(view, true, GlassShape::rounded20);
    const QStringList shown = view->previewShown();
    SCOPED_TRACE(text.left(12).toStdString());
    ASSERT_EQ(shown.size(), ReviewView::previewLines);
    // Wrapped where the text would wrap whole: the lines run on from the start.
    EXPECT_TRUE(text.startsWith(shown.join(QString()).replace(QChar::LineSeparator, u'\n')));
  }
}

TEST(ReviewView, ThePanelFollowsItsContentInBothModes) {
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    for (const int count : {1, 3, 12}) {
      SCOPED_TRACE(count);
      auto* view = new ReviewView(addresses(count), [](const auto&) {});
      FloatingPanel panel(view, true, GlassShape::rounded20);
      panel.show();
      const QSize summary = panel.size();
      const auto fitsTheCard = [&] {
        // The card is the panel less its margin, and the footer ends inside it.
        const QRect card = placed(child(&panel, "reviewCard"));
        EXPECT_EQ(card.height() + 64, panel.height());
        EXPECT_EQ(placed(child(&panel, "pasteButton")).bottom() + 1, card.bottom() + 1 - 12);
      };
      fitsTheCard();
      view->setShowItems(true);
      const int list = std::min(count * ReviewList::rowHeight, ReviewView::listMaxHeight);
      EXPECT_EQ(child(&panel, "itemList")->height(), list);
      fitsTheCard();
      testing::screenshot(panel,
                          QStringLiteral("review-items-%1-%2").arg(count).arg(schemeName(dark)));
      static_cast<QAbstractButton*>(child(&panel, "backButton"))->click();
      EXPECT_EQ(panel.size(), summary);
      fitsTheCard();
    }
  }
}

}  // namespace
}  // namespace clipvane
