#include <gtest/gtest.h>

#include "Accessibility.h"
#include "fakes/FakePorts.h"
#include "fakes/FakeSystemPorts.h"

using namespace clipvane;
using Attribute = AccessibilityPort::Attribute;
using Value = AccessibilityPort::Value;

namespace {

struct AccessibilityTest : ::testing::Test {
  fakes::FakePorts ports;
  fakes::FakeSystemPorts system;
  fakes::FakeAccessibility& ax = system.accessibility;
};

TEST_F(AccessibilityTest, WithoutPermissionEveryQueryGivesItsEmptyValueAndReadsNothing) {
  auto focused = ax.focus();
  focused->attributes[Attribute::position] = QPointF(10, 10);
  focused->attributes[Attribute::size] = QSizeF(100, 20);
  focused->attributes[Attribute::description] = QStringLiteral("Chat");
  ax.window(7, QStringLiteral("claude"));
  ports.keyboard.trusted = false;
  ax.reads.clear();

  EXPECT_EQ(Accessibility::focusedElement(), nullptr);
  EXPECT_FALSE(Accessibility::focusedElementRect());
  EXPECT_FALSE(Accessibility::selectionRect());
  EXPECT_FALSE(Accessibility::focusedWindowTitle(7));
  EXPECT_FALSE(Accessibility::frontTabHost(7));
  EXPECT_EQ(Accessibility::focusedElementText(), QString());
  EXPECT_TRUE(ax.reads.empty());
}

TEST_F(AccessibilityTest, FocusedElementRectNeedsAPositiveSize) {
  struct Row {
    Value position, size;
    std::optional<QRectF> expected;
  };
  const Row rows[] = {
      {QPointF(10, 700), QSizeF(300, 24), QRectF(10, 700, 300, 24)},  // top-left kept
      {QPointF(10, 700), QSizeF(0, 24), std::nullopt},
      {QPointF(10, 700), QSizeF(300, 0), std::nullopt},
      {Value{}, QSizeF(300, 24), std::nullopt},
      {QSizeF(1, 1), QSizeF(300, 24), std::nullopt},  // a value of the wrong type
  };
  for (const Row& row : rows) {
    auto focused = ax.focus();
    focused->attributes[Attribute::position] = row.position;
    focused->attributes[Attribute::size] = row.size;
    EXPECT_EQ(Accessibility::focusedElementRect(), row.expected);
  }
}

TEST_F(AccessibilityTest, SelectionRectAcceptsACaretButNotAnEmptyRectAtTheOrigin) {
  struct Row {
    Value range, bounds;
    std::optional<QRectF> expected;
  };
  const AccessibilityPort::TextRange caret{5, 0};
  const Row rows[] = {
      {caret, QRectF(100, 200, 0, 18), QRectF(100, 200, 1, 18)},
      {caret, QRectF(100, 200, 0, 0), QRectF(100, 200, 1, 1)},
      {caret, QRectF(0, 0, 0, 0), std::nullopt},
      {caret, QRectF(0, 0, 40, 18), QRectF(0, 0, 40, 18)},
      {caret, Value{}, std::nullopt},
      {Value{}, QRectF(100, 200, 40, 18), std::nullopt},  // no selection range
  };
  for (const Row& row : rows) {
    auto focused = ax.focus();
    focused->attributes[Attribute::selectedTextRange] = row.range;
    ax.selectionBounds = row.bounds;
    EXPECT_EQ(Accessibility::selectionRect(), row.expected);
  }
}

TEST_F(AccessibilityTest, WebHostTakesOnlyWebAddresses) {
  struct Row {
    Value value;
    std::optional<QString> expected;
  };
  const Row rows[] = {
      {QStringLiteral("https://www.Example.com/path?q=1"), QStringLiteral("example.com")},
      {QUrl(QStringLiteral("HTTP://Docs.Example.ORG")), QStringLiteral("docs.example.org")},
      {QStringLiteral("https://wwwexample.com/"), QStringLiteral("wwwexample.com")},
      {QStringLiteral("file:///home/ada/notes.html"), std::nullopt},
      {QStringLiteral("mailto:ada@example.com"), std::nullopt},
      {QStringLiteral("example.com"), std::nullopt},
      {QStringLiteral("https://"), std::nullopt},
      {QStringLiteral("not a url at all"), std::nullopt},
      {QPointF(1, 2), std::nullopt},
      {Value{}, std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(Accessibility::webHost(row.value), row.expected);
}

TEST_F(AccessibilityTest, FrontTabHostWalksFortyElementsThenAsksTheWindow) {
  // A chain from the focus upwards; the page's address sits on the element
  // at the given depth (0 = the focused element).
  auto chainWithHostAt = [&](int depth) {
    auto element = ax.focus();
    for (int i = 0; i < 45; ++i) {
      if (i == depth)
        element->attributes[Attribute::document] = QStringLiteral("https://chat.example.com/");
      else
        element->attributes[Attribute::url] = QStringLiteral("file:///tmp/page.html");
      auto parent = ax.node();
      element->attributes[Attribute::parent] = AccessibilityPort::Element(parent);
      element = parent;
    }
  };
  chainWithHostAt(39);
  EXPECT_EQ(Accessibility::frontTabHost(3), QStringLiteral("chat.example.com"));
  chainWithHostAt(40);
  EXPECT_FALSE(Accessibility::frontTabHost(3));

  // The window: its document first, then its URL.
  auto window = ax.window(3, QStringLiteral("Chat"));
  window->attributes[Attribute::url] = QStringLiteral("https://url.example.com/");
  EXPECT_EQ(Accessibility::frontTabHost(3), QStringLiteral("url.example.com"));
  window->attributes[Attribute::document] = QUrl(QStringLiteral("https://doc.example.com/"));
  EXPECT_EQ(Accessibility::frontTabHost(3), QStringLiteral("doc.example.com"));
}

// A field inside a frame from another host: the site is the page's, the
// outermost web document above the focus.
TEST_F(AccessibilityTest, FrontTabHostIsThePageNotAFrameInIt) {
  auto field = ax.focus();
  auto frame = ax.node();
  auto page = ax.node();
  auto tab = ax.node();
  field->attributes[Attribute::parent] = AccessibilityPort::Element(frame);
  frame->attributes[Attribute::document] = QStringLiteral("https://widget.example.net/chat");
  frame->attributes[Attribute::parent] = AccessibilityPort::Element(page);
  page->attributes[Attribute::document] = QStringLiteral("https://www.shop.example.com/");
  page->attributes[Attribute::parent] = AccessibilityPort::Element(tab);
  EXPECT_EQ(Accessibility::frontTabHost(3), QStringLiteral("shop.example.com"));
}

TEST_F(AccessibilityTest, FocusedElementTextJoinsEveryTextIncludingEmptyOnes) {
  struct Row {
    std::map<Attribute, Value> attributes;
    QString expected;
  };
  const Row rows[] = {
      {{{Attribute::description, QStringLiteral("Ask Copilot")},
        {Attribute::placeholderValue, QStringLiteral("Type here")}},
       QStringLiteral("Ask Copilot Type here")},
      {{{Attribute::description, QStringLiteral("a")},
        {Attribute::title, QString()},
        {Attribute::placeholderValue, QStringLiteral("b")}},
       QStringLiteral("a  b")},
      {{{Attribute::help, QStringLiteral("h")},
        {Attribute::roleDescription, QStringLiteral("entry")},
        {Attribute::title, QUrl(QStringLiteral("https://x.example"))}},  // not a text
       QStringLiteral("h entry")},
      {{}, QString()},
  };
  for (const Row& row : rows) {
    ax.focus()->attributes = row.attributes;
    EXPECT_EQ(Accessibility::focusedElementText(), row.expected);
  }
}

// Firefox answers its first request for a frame or a caret with a stand-in
// (-1s, or zeros at the origin) and the answer a moment later; a search for
// the focus may come back empty the first time. Stand-ins are asked again
// while the query has time, an empty focus once; a missing answer or a frame
// of no size is final.
TEST_F(AccessibilityTest, FirstAnswersThatAreStandInsAreAskedAgain) {
  const QRectF frame(20, 180, 300, 40);
  const QRectF caret(34, 190, 0, 15), shownCaret(34, 190, 1, 15);
  const std::deque<Value> manyFrames(30, QPointF(-1, -1)), manySizes(30, QSizeF(-1, -1));
  const std::deque<Value> manyCarets(30, QRectF(0, 0, 0, 0));
  struct Row {
    const char* answer;
    std::deque<Value> focus, position, size, bounds;  // the answers before the standing one
    std::optional<QRectF> rect, selection;
  };
  const Row rows[] = {
      {"at once", {}, {}, {}, {}, frame, shownCaret},
      {"no focused element first", {Value{}}, {}, {}, {}, frame, shownCaret},
      {"twice no focused element", {Value{}, Value{}}, {}, {}, {}, std::nullopt, std::nullopt},
      {"frame of -1s first", {}, {QPointF(-1, -1)}, {QSizeF(-1, -1)}, {}, frame, shownCaret},
      {"frame of -1s three times",
       {},
       {QPointF(-1, -1), QPointF(-1, -1), QPointF(-1, -1)},
       {QSizeF(-1, -1), QSizeF(-1, -1), QSizeF(-1, -1)},
       {},
       frame,
       shownCaret},
      {"frame of -1s for long", {}, manyFrames, manySizes, {}, std::nullopt, shownCaret},
      {"frame of no size", {}, {}, {QSizeF(0, 40)}, {}, std::nullopt, shownCaret},
      {"no frame", {}, {Value{}}, {}, {}, std::nullopt, shownCaret},
      {"caret of zeros first", {}, {}, {}, {QRectF(0, 0, 0, 0)}, frame, shownCaret},
      {"caret of -1s first", {}, {}, {}, {QRectF(-1, -1, 0, -1)}, frame, shownCaret},
      {"caret of zeros for long", {}, {}, {}, manyCarets, frame, std::nullopt},
      {"no caret", {}, {}, {}, {Value{}}, frame, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    auto focused = ax.focus();
    focused->attributes[Attribute::position] = frame.topLeft();
    focused->attributes[Attribute::size] = frame.size();
    focused->attributes[Attribute::selectedTextRange] = AccessibilityPort::TextRange{4, 0};
    ax.selectionBounds = caret;

    ax.desktop->earlier[Attribute::focusedUIElement] = row.focus;
    focused->earlier[Attribute::position] = row.position;
    focused->earlier[Attribute::size] = row.size;
    EXPECT_EQ(Accessibility::focusedElementRect(), row.rect);

    ax.desktop->earlier[Attribute::focusedUIElement] = row.focus;
    ax.earlierSelectionBounds = row.bounds;
    EXPECT_EQ(Accessibility::selectionRect(), row.selection);
  }
}

// The reads of one query share the port's time-out as a whole: every query
// opens one for them.
TEST_F(AccessibilityTest, EveryReadIsMadeInsideAQuery) {
  auto focused = ax.focus();
  focused->attributes[Attribute::position] = QPointF(10, 10);
  focused->attributes[Attribute::size] = QSizeF(100, 20);
  focused->attributes[Attribute::selectedTextRange] = AccessibilityPort::TextRange{0, 0};
  focused->attributes[Attribute::placeholderValue] = QStringLiteral("Ask the chat");
  ax.selectionBounds = QRectF(12, 12, 0, 16);
  ax.window(7, QStringLiteral("Chat"));

  Accessibility::focusedElement();
  Accessibility::focusedElementRect();
  Accessibility::selectionRect();
  Accessibility::focusedWindowTitle(7);
  Accessibility::frontTabHost(7);
  Accessibility::focusedElementText();
  EXPECT_FALSE(ax.reads.empty());
  EXPECT_EQ(ax.readsOutsideQuery, 0);
  EXPECT_EQ(ax.queriesBegun, 6);
  EXPECT_EQ(ax.queriesEnded, 6);
}

}  // namespace
