// Menus, pop-up lists and tooltips take the program's palette in the
// desktop's scheme and follow it when it changes.
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QMenu>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "KitRows.h"
#include "RuleEditor.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::screenshot;

// Relative luminance of an opaque colour (WCAG).
double luminance(const QColor& c) {
  const auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour most pixels of the image have: the plate under a label.
QColor plate(const QImage& image) {
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  const auto most = std::max_element(counts.begin(), counts.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
  return QColor::fromRgba(most->first);
}

// Whether some pixel is drawn in (nearly) the colour: the label's ink is there.
bool inks(const QImage& image, const QColor& ink) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (contrast(image.pixelColor(x, y), ink) < 1.15) return true;
  return false;
}

std::string hex(const QColor& c) { return c.name(QColor::HexArgb).toStdString(); }

TEST(PopupPalette, MenusPopUpListsAndTooltipsFollowTheSchemeAsItChanges) {
  testing::SchemeScope scope;
  Theme::followAppearance();
  std::unique_ptr<PopUp> popup(PopUp::make<int>(
      {{0, QStringLiteral("Toast")}, {1, QStringLiteral("Icon only")}, {2, QStringLiteral("Off")}},
      1, {}));
  popup->setObjectName(QStringLiteral("popup"));
  RuleEditor editor(CustomRule{}, {});
  editor.show();
  auto* examples = editor.findChild<QToolButton*>(QStringLiteral("examples"));
  ASSERT_NE(examples, nullptr);
  QMenu* menu = examples->menu();
  ASSERT_NE(menu, nullptr);

  for (const bool dark : {true, false}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    scope.appearance.setDark(dark);
    const QString scheme = dark ? QStringLiteral("dark") : QStringLiteral("light");
    const QColor card = Theme::color(Theme::card), text = Theme::color(Theme::tx);

    popup->show();
    popup->showPopup();
    QWidget* list = popup->view()->window();
    ASSERT_TRUE(list->isVisible());
    menu->popup(editor.mapToGlobal(QPoint(0, 0)));
    QCoreApplication::processEvents();
    for (QWidget* w : {list, popup->view()->viewport(), static_cast<QWidget*>(menu)}) {
      SCOPED_TRACE(w->metaObject()->className());
      EXPECT_EQ(hex(w->palette().color(QPalette::Window)), hex(card));
      EXPECT_EQ(hex(w->palette().color(QPalette::Base)), hex(card));
      EXPECT_EQ(hex(w->palette().color(QPalette::Text)), hex(text));
      EXPECT_EQ(hex(w->palette().color(QPalette::WindowText)), hex(text));
      EXPECT_EQ(hex(w->palette().color(QPalette::Highlight)), hex(Theme::color(Theme::acc)));
    }
    EXPECT_EQ(hex(QToolTip::palette().color(QPalette::ToolTipBase)), hex(card));
    EXPECT_EQ(hex(QToolTip::palette().color(QPalette::ToolTipText)), hex(text));

    // What is drawn: the items in the text colour on the card.
    for (QWidget* w : {list, static_cast<QWidget*>(menu)}) {
      SCOPED_TRACE(w->metaObject()->className());
      const QImage shot = screenshot(*w, QStringLiteral("popup-") + w->metaObject()->className() +
                                             QStringLiteral("-") + scheme);
      EXPECT_LT(contrast(plate(shot), card), 1.2) << hex(plate(shot));
      EXPECT_TRUE(inks(shot, text));
    }
    popup->hidePopup();
    menu->hide();

    // The pressed button's label, in the text colour, stands out of its plate.
    examples->setDown(true);
    const QImage pressed =
        screenshot(*examples, QStringLiteral("rule-editor-examples-pressed-") + scheme);
    examples->setDown(false);
    EXPECT_TRUE(inks(pressed, text));
    EXPECT_GT(contrast(plate(pressed), text), 4.5) << hex(plate(pressed));
  }
}

}  // namespace
}  // namespace clipvane
