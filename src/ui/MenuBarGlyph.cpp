// The status icon's drawing.
#include "MenuBarGlyph.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <map>
#include <tuple>

namespace clipvane::MenuBarGlyph {

namespace {

constexpr double kWidth = 24;
constexpr double kHeight = 22;

QPainterPath roundedRect(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

// The clipboard in its 18 x 18 box, in the ink the painter holds.
void drawClipboard(QPainter& p, bool askFirst, const QColor& ink) {
  QPen pen(ink, 1.5);
  p.strokePath(roundedRect(QRectF(3.75, 3.25, 10.5, 13), 2.25), pen);
  p.fillPath(roundedRect(QRectF(6, 1, 6, 3.5), 1.5), ink);
  p.fillPath(roundedRect(QRectF(5.5, 7, 5, 1.5), 0.75), ink);
  if (askFirst) {
    pen.setWidthF(1.2);
    p.strokePath(roundedRect(QRectF(5.5, 10, 7, 3.5).adjusted(0.6, 0.6, -0.6, -0.6), 0.6), pen);
  } else {
    p.fillPath(roundedRect(QRectF(5.5, 10, 7, 3.5), 1.0), ink);
  }
}

// The slash of "off": a clear channel through the clipboard, then the line.
void drawSlash(QPainter& p, const QColor& ink) {
  const QLineF slash(1.93, 16.07, 16.07, 1.93);
  p.setCompositionMode(QPainter::CompositionMode_Clear);
  p.setPen(QPen(Qt::black, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(slash);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(slash);
}

void drawInLayer(QPainter& p, const IconState& state, const QColor& ink) {
  p.translate(2, 2);
  drawClipboard(p, state.askFirst, ink);
  if (state.off) drawSlash(p, ink);
}

}  // namespace

QColor color(IconState::Badge badge) {
  switch (badge) {
    case IconState::Badge::copied:
      return QColor(0xF0, 0x8A, 0x00);
    case IconState::Badge::masked:
    case IconState::Badge::restored:
      return QColor(0x2F, 0x6F, 0xDE);
    case IconState::Badge::blocked:
      return QColor(0xD6, 0x45, 0x3B);
    case IconState::Badge::scanning:
    case IconState::Badge::paused:
      break;
  }
  return QColor(0x86, 0x8B, 0x93);
}

bool isTemplate(const IconState& state) { return !state.badge; }

void draw(QPainter& p, const IconState& state, const QColor& ink) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QColor solidInk = ink;
  solidInk.setAlphaF(1.0);

  // Off fades the glyph to 0.38, a pause to 0.55. A faded glyph is drawn
  // whole into a layer first (the slash's channel cuts the layer, not what
  // lies below) and laid down at that opacity; the opacity stays for the dot.
  double fade = 1.0;
  if (state.off)
    fade = 0.38;
  else if (state.badge == IconState::Badge::paused)
    fade = 0.55;
  if (fade < 1.0) {
    const qreal scale = std::max(p.deviceTransform().m11(), 1.0 / 64);
    QImage layer(qCeil(kWidth * scale), qCeil(kHeight * scale),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(scale);
    layer.fill(Qt::transparent);
    {
      QPainter lp(&layer);
      lp.setRenderHint(QPainter::Antialiasing);
      drawInLayer(lp, state, solidInk);
    }
    p.setOpacity(fade);
    p.drawImage(QRectF(0, 0, kWidth, kHeight), layer);
  } else {
    p.save();
    drawInLayer(p, state, solidInk);
    p.restore();
  }

  if (state.badge) {
    // A clear ring around the dot sets it apart from the clipboard.
    p.translate(2, 2);
    p.setPen(Qt::NoPen);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(11.5, 10.5, 11, 11));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(color(*state.badge));
    p.drawEllipse(QRectF(13, 12, 8, 8));
  }
  p.restore();
}

QImage image(const IconState& state, const QColor& ink, qreal dpr) {
  QImage out(qCeil(kWidth * dpr), qCeil(kHeight * dpr), QImage::Format_ARGB32_Premultiplied);
  out.setDevicePixelRatio(dpr);
  out.fill(Qt::transparent);
  QPainter p(&out);
  draw(p, state, ink);
  return out;
}

namespace {

QIcon drawTrayIcon(const IconState& state, Scheme panel, qreal screen) {
  // Template or not, the clipboard takes the panel's text colour; only the
  // badge dot keeps its own.
  const QColor ink = Theme::tx.resolve(panel);
  QList<qreal> ratios{1.0};
  if (screen > 1.0) ratios.append(screen);
  QIcon icon;
  for (int side : {16, 22, 24, 32, 48}) {
    for (qreal dpr : ratios) {
      const int pixels = qCeil(side * dpr);
      QImage square(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
      square.fill(Qt::transparent);
      {
        QPainter p(&square);
        const double scale = pixels / kWidth;
        p.translate(0, (pixels - kHeight * scale) / 2);
        p.scale(scale, scale);
        draw(p, state, ink);
      }
      QPixmap pixmap = QPixmap::fromImage(square);
      pixmap.setDevicePixelRatio(dpr);
      icon.addPixmap(pixmap);
    }
  }
  return icon;
}

}  // namespace

QIcon trayIcon(const IconState& state, Scheme panel) {
  // The icon flashes a badge at every copy and paste: each picture is drawn
  // once and the same icon given again. A new icon every time would leave the
  // tray's scaled copies of each one behind in the pixmap cache.
  const qreal screen = qApp ? qApp->devicePixelRatio() : 1.0;
  using Key = std::tuple<int, bool, bool, Scheme, qreal>;
  // Kept to the end of the process, past the application's own end.
  static auto& drawn = *new std::map<Key, QIcon>;
  const Key key{state.badge ? int(*state.badge) : -1, state.askFirst, state.off, panel, screen};
  auto found = drawn.find(key);
  if (found == drawn.end()) found = drawn.emplace(key, drawTrayIcon(state, panel, screen)).first;
  return found->second;
}

}  // namespace clipvane::MenuBarGlyph
