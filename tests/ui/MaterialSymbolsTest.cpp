// The icon set: the outline parser, the glyph table, images and icons.
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

#include "MaterialSymbols.h"
#include "MaterialSymbolsData.h"
#include "UiTest.h"

namespace clipvane {
namespace {

// The painted extent of an image, in device pixels.
QRect inkBounds(const QImage& image) {
  QRect r;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 0) r |= QRect(x, y, 1, 1);
  return r;
}

TEST(MaterialSymbol, ParserReadsTheOutlineText) {
  using MaterialSymbol::parse;
  struct Case {
    const char* text;
    const char* same;  // parses to exactly this
  };
  const Case cases[] = {
      // letters may touch the numbers
      {"M10 20L30 40Q1 2 3 4Z", "M 10 20 L 30 40 Q 1 2 3 4 Z"},
      // numbers where a letter is expected close the subpath, once each
      {"M10 20 30 40", "M10 20ZZ"},
      {"M0 0L10 0L10 10 5 5L0 10Z", "M0 0L10 0L10 10ZZL0 10Z"},
      // a command whose numbers are missing or not numbers ends the path
      {"M10 20L30", "M10 20"},
      {"M10 20Lx 5L1 1Z", "M10 20"},
      {"M10 20Q1 2 3", "M10 20"},
      {"M10", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(QString::fromLatin1(c.text)), parse(QString::fromLatin1(c.same))) << c.text;
  }
  // Stray numbers are never read as a line.
  EXPECT_NE(parse("M10 20 30 40"), parse("M10 20L30 40"));
  EXPECT_TRUE(parse("").isEmpty());
  EXPECT_EQ(parse("M0 0L10 0L10 10Z").fillRule(), Qt::WindingFill);
  const QPainterPath q = parse("M0 0Q10 20 30 40Z");
  ASSERT_GE(q.elementCount(), 4);
  EXPECT_EQ(q.elementAt(1).type, QPainterPath::CurveToElement);
  EXPECT_EQ(QPointF(q.elementAt(3)), QPointF(30, 40));
}

TEST(MaterialSymbol, EveryGlyphLiesInItsBox) {
  QSet<QString> names;
  for (const MaterialOutline& entry : materialOutlines) {
    const QString name = QString::fromLatin1(entry.name);
    names.insert(name);
    const QPainterPath& glyph = MaterialSymbol::path(name);
    EXPECT_FALSE(glyph.isEmpty()) << entry.name;
    EXPECT_TRUE(QRectF(0, 0, 960, 960).contains(glyph.controlPointRect())) << entry.name;
    EXPECT_TRUE(QByteArray(entry.outline).endsWith('Z')) << entry.name;
  }
  EXPECT_EQ(names.size(), 68);
  for (const char* name :
       {"check", "check.fill", "priority_high.fill", "progress_activity.fill", "content_paste_go",
        "open_in_new", "lock.fill", "keyboard", "keyboard.fill"})
    EXPECT_TRUE(names.contains(QLatin1String(name))) << name;
}

TEST(MaterialSymbol, UnknownNamesAreEmptyAndCached) {
  // "pause" exists only in its filled form.
  const QPainterPath& first = MaterialSymbol::path("pause");
  EXPECT_TRUE(first.isEmpty());
  EXPECT_EQ(&first, &MaterialSymbol::path("pause"));
  EXPECT_FALSE(MaterialSymbol::path("pause.fill").isEmpty());

  const QPainterPath& known = MaterialSymbol::path("shield");
  for (int i = 0; i < 50; ++i) MaterialSymbol::path(QStringLiteral("nothing_%1").arg(i));
  EXPECT_EQ(&known, &MaterialSymbol::path("shield"));  // later names move nothing

  const QImage blank = MaterialSymbol::image("pause", 22, QColor(Qt::red), 24);
  EXPECT_EQ(blank.size(), QSize(24, 24));
  EXPECT_TRUE(inkBounds(blank).isNull());
}

TEST(MaterialSymbol, ImagesCentreTheGlyphInTheBox) {
  // "contact_mail" spans the box from side to side: its ink starts at the margin.
  struct Case {
    double box, size, margin;
  };
  const Case cases[] = {{24, 22, 1.0}, {16, 15, 0.5}};
  const qreal dpr = 4;
  const QRectF glyph = MaterialSymbol::path("contact_mail").boundingRect();
  ASSERT_EQ(glyph.left(), 0);
  ASSERT_EQ(glyph.right(), 960);
  for (const Case& c : cases) {
    const QImage image = MaterialSymbol::image("contact_mail", c.size, QColor(Qt::red), c.box, dpr);
    EXPECT_EQ(image.size(), QSize(int(c.box * dpr), int(c.box * dpr)));
    EXPECT_EQ(image.devicePixelRatio(), dpr);
    const QRect ink = inkBounds(image);
    EXPECT_NEAR(ink.left(), c.margin * dpr, 1) << c.box;
    EXPECT_NEAR(ink.right() + 1, (c.box - c.margin) * dpr, 1) << c.box;
    // y up: the glyph's top (960 - its highest y) lands below the margin.
    EXPECT_NEAR(ink.top(), (c.margin + (960 - glyph.bottom()) * c.size / 960) * dpr, 1);
  }
  // Without a colour the glyph is black, for the caller to recolour.
  const QImage black = MaterialSymbol::image("shield.fill", 22, std::nullopt, 24);
  EXPECT_EQ(black.pixel(12, 12), QColor(Qt::black).rgba());
  EXPECT_EQ(qAlpha(black.pixel(1, 1)), 0);
}

TEST(MaterialSymbol, GlyphsAreDrawnUpright) {
  // "play_arrow" points right; "chevron_left" left. Upside down would keep
  // them pointing the same way, so look at an asymmetric glyph instead:
  // "flag" has its pole on the left and the cloth at the top.
  const QImage flag = MaterialSymbol::image("flag", 96, QColor(Qt::black), 96);
  const QRect ink = inkBounds(flag);
  int topRow = 0, bottomRow = 0;
  for (int x = ink.left(); x <= ink.right(); ++x) {
    topRow += qAlpha(flag.pixel(x, ink.top() + 4)) > 128;
    bottomRow += qAlpha(flag.pixel(x, ink.bottom() - 4)) > 128;
  }
  EXPECT_GT(topRow, 3 * bottomRow);  // the cloth is wide at the top, the pole thin below
}

TEST(MaterialSymbol, IconsRecolourPerModeAndFollowTheScheme) {
  testing::SchemeScope scheme;
  const QIcon icon =
      MaterialSymbol::icon("shield.fill", 15, 16, Theme::tx2, Theme::acc, Theme::dis);
  EXPECT_EQ(
      icon.cacheKey(),
      MaterialSymbol::icon("shield.fill", 15, 16, Theme::tx2, Theme::acc, Theme::dis).cacheKey());
  EXPECT_NE(
      icon.cacheKey(),
      MaterialSymbol::icon("shield.fill", 15, 16, Theme::tx, Theme::acc, Theme::dis).cacheKey());

  auto centre = [&](QIcon::Mode mode, qreal dpr) {
    const QImage image = icon.pixmap(QSize(16, 16), dpr, mode).toImage();
    return QColor::fromRgba(image.pixel(image.width() / 2, image.height() / 2)).rgb();
  };
  EXPECT_EQ(centre(QIcon::Normal, 1), Theme::tx2.resolve(Scheme::light).rgb());
  EXPECT_EQ(centre(QIcon::Active, 1), Theme::acc.resolve(Scheme::light).rgb());
  EXPECT_EQ(centre(QIcon::Disabled, 1), Theme::dis.resolve(Scheme::light).rgb());
  EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).toImage().size(), QSize(32, 32));

  scheme.appearance.setDark(true);
  EXPECT_EQ(centre(QIcon::Normal, 1), Theme::tx2.resolve(Scheme::dark).rgb());
  EXPECT_EQ(centre(QIcon::Active, 2), Theme::acc.resolve(Scheme::dark).rgb());
}

TEST(MaterialSymbol, IconWidgetKeepsItsFrame) {
  testing::SchemeScope scheme;
  MaterialIcon known("check.fill", 14, Theme::acc);
  MaterialIcon unknown("pause", 14, Theme::acc);
  EXPECT_EQ(known.sizeHint(), QSize(14, 14));
  EXPECT_EQ(unknown.size(), QSize(14, 14));
  const QImage a = testing::screenshot(known, "material-icon-check-fill");
  EXPECT_FALSE(inkBounds(a).isNull());
  const QImage b = unknown.grab().toImage();
  EXPECT_EQ(b.pixel(7, 7), b.pixel(0, 0));  // background only
  EXPECT_NE(a.pixel(7, 7), a.pixel(0, 0));

  // Every glyph on one sheet, light and dark, for people to look at.
  for (bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette pal = sheet.palette();
    pal.setColor(QPalette::Window, Theme::color(Theme::card));
    sheet.setPalette(pal);
    sheet.resize(11 * 32, 6 * 32);
    int i = 0;
    for (const MaterialOutline& entry : materialOutlines) {
      auto* icon = new MaterialIcon(QString::fromLatin1(entry.name), 24, Theme::tx, &sheet);
      icon->move(4 + (i % 11) * 32, 4 + (i / 11) * 32);
      ++i;
    }
    testing::screenshot(sheet, dark ? "material-symbols-dark" : "material-symbols-light");
  }
}

}  // namespace
}  // namespace clipvane
