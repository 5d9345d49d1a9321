#include <gtest/gtest.h>

#include "Accessibility.h"
#include "AtspiAccessibility.h"
#include "Ports.h"
#include "X11Display.h"
#include "X11Keyboard.h"
#include "X11TestSupport.h"
#include "X11Workspace.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

class AtspiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ports::install<AccessibilityPort>(&a11y);
    Ports::install<KeyboardPort>(&keyboard);
  }
  void TearDown() override {
    Ports::install<AccessibilityPort>(nullptr);
    Ports::install<KeyboardPort>(nullptr);
  }
  X11Display& display = X11Display::shared();
  X11Workspace workspace{display};
  X11Keyboard keyboard{display};
  AtspiAccessibility a11y{[this]() -> std::optional<std::int32_t> {
                            if (auto w = workspace.activeWindow(true)) return std::int32_t(w->pid);
                            return std::nullopt;
                          },
                          [this](std::int32_t pid) { return workspace.windowTitle(pid); }};
};

bool near(double a, double b) { return std::abs(a - b) <= 2; }

}  // namespace

TEST_F(AtspiTest, FocusedTextFieldOfAQtWindow) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  xdotool({"type", "hello"});
  ASSERT_TRUE(waitUntil([&] { return target->text() == "hello"; }));
  ASSERT_TRUE(waitUntil([&] { return target->field().width() > 0; }));

  // The application registers its tree a moment after it starts.
  std::optional<QRectF> rect;
  ASSERT_TRUE(waitUntil([&] { return (rect = Accessibility::focusedElementRect()).has_value(); }));
  const QRect field = target->field();
  EXPECT_TRUE(near(rect->x(), field.x()) && near(rect->y(), field.y()) &&
              near(rect->width(), field.width()) && near(rect->height(), field.height()))
      << rect->x() << "," << rect->y() << " " << rect->width() << "x" << rect->height();

  // The caret at the end of "hello": a one-point line right of the text.
  const auto caret = Accessibility::selectionRect();
  ASSERT_TRUE(caret);
  EXPECT_EQ(caret->width(), 1);
  EXPECT_GT(caret->x(), field.x() + 10);
  EXPECT_LT(caret->x(), field.x() + field.width() / 2);
  EXPECT_GE(caret->y(), field.y());
  EXPECT_LE(caret->bottom(), field.bottom() + 1);

  // A selection covers the selected characters.
  xdotool({"key", "shift+Home"});
  std::optional<QRectF> selection;
  ASSERT_TRUE(waitUntil([&] {
    selection = Accessibility::selectionRect();
    return selection && selection->width() > 10;
  }));
  EXPECT_LE(selection->right(), caret->x() + 1);
  EXPECT_GE(selection->x(), field.x());

  const QString text = Accessibility::focusedElementText();
  EXPECT_TRUE(text.contains("Chat input")) << text.toStdString();
  EXPECT_TRUE(text.contains("Message")) << text.toStdString();
  EXPECT_EQ(Accessibility::focusedWindowTitle(std::int32_t(target->pid())), QString("Target"));
  EXPECT_EQ(Accessibility::frontTabHost(std::int32_t(target->pid())), std::nullopt);
}

TEST_F(AtspiTest, NothingFocusedGivesEmptyAnswers) {
  // No other application in front: our own tree is never asked.
  EXPECT_EQ(Accessibility::focusedElementRect(), std::nullopt);
  EXPECT_EQ(Accessibility::selectionRect(), std::nullopt);
  EXPECT_EQ(Accessibility::focusedElementText(), QString());
  EXPECT_EQ(Accessibility::focusedWindowTitle(999999), std::nullopt);
}
