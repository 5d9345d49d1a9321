// The popups' glass frame: its size, plate, edge and shadow, with and
// without a compositor.
#include <QLabel>

#include <gtest/gtest.h>

#include "GlassChrome.h"
#include "Kit.h"
#include "KitTestSupport.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::pixelAt;
using testing::renderAlone;
using testing::sameRgb;

QWidget* content(int w, int h) { return testing::fixedBlock(w, h); }

TEST(GlassChrome, PlateEdgeAndShadowInEachScheme) {
  testing::SchemeScope scheme;
  scheme.appearance.blurs = true;
  for (Scheme s : {Scheme::light, Scheme::dark}) {
    scheme.appearance.isDark = s == Scheme::dark;
    SCOPED_TRACE(s == Scheme::dark ? "dark" : "light");
    GlassFrame frame(GlassShape::rounded20, content(200, 100));
    frame.adjustSize();
    // The frame is the content and 32 on every side.
    EXPECT_EQ(frame.size(), QSize(264, 164));
    EXPECT_EQ(frame.content()->geometry(), QRect(32, 32, 200, 100));
    ASSERT_TRUE(frame.glass());
    const QImage image = renderAlone(frame);
    // The plate: the glass tint, translucent.
    const QColor plate = pixelAt(image, 132, 82);
    const QColor glass = Theme::glass.resolve(s);
    EXPECT_TRUE(sameRgb(plate, glass)) << plate.name().toStdString();
    EXPECT_NEAR(plate.alphaF(), glass.alphaF(), 0.01);
    // The edge along the top, inside the outline: the glass with the edge over it.
    EXPECT_NE(pixelAt(image, 132, 32), plate);
    EXPECT_EQ(pixelAt(image, 132, 31).alpha() > 0, true);  // the shadow's fringe above
    // The shadow falls 10 down: darker below the plate than above it.
    const QColor below = pixelAt(image, 132, 132 + 6);
    const QColor above = pixelAt(image, 132, 32 - 6);
    EXPECT_TRUE(sameRgb(below, Qt::black));
    EXPECT_GT(below.alpha(), above.alpha());
    EXPECT_LE(below.alphaF(), Theme::shadow.resolve(s).alphaF());
    // The margin's far corners stay clear.
    EXPECT_EQ(pixelAt(image, 0, 0).alpha(), 0);
    // Rounded 20: the plate's own corner pixel is not glass.
    EXPECT_LT(pixelAt(image, 33, 33).alpha(), plate.alpha());
  }
}

// Text behind an unblurred plate shows through it by at most 1.5 %: under the
// panel's own text it cannot be read. A blurred one keeps the palette's tint.
TEST(GlassChrome, ThePlateHidesWhatLiesBehindUnlessTheDesktopBlursIt) {
  testing::SchemeScope scheme;
  for (const bool blurs : {false, true})
    for (Scheme s : {Scheme::light, Scheme::dark}) {
      scheme.appearance.isDark = s == Scheme::dark;
      scheme.appearance.blurs = blurs;
      SCOPED_TRACE(::testing::Message() << (blurs ? "blurred " : "unblurred ") << int(s));
      GlassFrame frame(GlassShape::rounded20, content(200, 100));
      frame.adjustSize();
      const QColor plate = pixelAt(renderAlone(frame), 132, 82);
      const QColor glass = Theme::glass.resolve(s);
      EXPECT_TRUE(sameRgb(plate, glass)) << plate.name().toStdString();
      if (blurs)
        EXPECT_NEAR(plate.alphaF(), glass.alphaF(), 0.01);
      else
        EXPECT_GE(plate.alphaF(), 0.98);
    }
}

TEST(GlassChrome, CapsuleHasRoundEnds) {
  testing::SchemeScope scheme;
  GlassFrame frame(GlassShape::capsule, content(160, 36));
  frame.adjustSize();
  EXPECT_EQ(frame.size(), QSize(224, 100));
  const QRectF bounds = frame.plate().boundingRect();
  EXPECT_EQ(bounds, QRectF(32, 32, 160, 36));
  // Semicircular ends: half the height in from the end, the outline spans it all.
  EXPECT_TRUE(frame.plate().contains(QPointF(32 + 18, 32.5)));
  EXPECT_FALSE(frame.plate().contains(QPointF(32 + 5, 32 + 3)));
  EXPECT_TRUE(frame.plate().contains(QPointF(32.5, 32 + 18)));
}

TEST(GlassChrome, WithoutACompositorAnOpaqueCard) {
  testing::SchemeScope scheme;
  scheme.appearance.isCompositing = false;
  GlassFrame frame(GlassShape::rounded20, content(200, 100));
  frame.adjustSize();
  EXPECT_FALSE(frame.glass());
  EXPECT_FALSE(frame.testAttribute(Qt::WA_TranslucentBackground));
  const QImage image = renderAlone(frame);
  EXPECT_EQ(pixelAt(image, 132, 82).rgba(), Theme::card.resolve(Scheme::light).rgba());
  EXPECT_EQ(pixelAt(image, 132, 150).alpha(), 0);  // no shadow
}

TEST(GlassChrome, Screenshots) {
  testing::SchemeScope scheme;
  for (bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    // A busy backdrop under the frames, as a desktop would be.
    testing::Sheet sheet(Theme::bar);
    sheet.setAttribute(Qt::WA_TranslucentBackground);  // as the popups' windows are
    auto* toastText = new QLabel("Masked 2 items, press Ctrl+V");
    toastText->setFont(Kit::font(13, QFont::Medium));
    auto* toastBody = new QWidget;
    auto* toastLayout = new QHBoxLayout(toastBody);
    toastLayout->setContentsMargins(16, 10, 8, 10);
    toastLayout->addWidget(new StatusDot("check", Theme::acc, 22));
    toastLayout->addWidget(toastText);
    toastLayout->addWidget(new PillButton("Undo", false, 28));
    QPalette pal = toastText->palette();
    pal.setColor(QPalette::WindowText, Theme::color(Theme::tx));
    toastText->setPalette(pal);
    sheet.layout()->addWidget(new GlassFrame(GlassShape::capsule, toastBody), 0, Qt::AlignLeft);
    sheet.layout()->addWidget(new GlassFrame(GlassShape::rounded20, content(320, 140)), 0,
                              Qt::AlignLeft);
    sheet.layout()->setSpacing(0);
    testing::screenshot(sheet, dark ? "glass-dark" : "glass-light");
  }
}

}  // namespace
}  // namespace clipvane
