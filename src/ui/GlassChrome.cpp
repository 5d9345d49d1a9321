// The popups' glass frame.
#include "GlassChrome.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QtMath>

#include "Kit.h"
#include "Theme.h"
#include "ports/AppearancePort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

constexpr double kBlur = 15;  // the shadow's blur radius
constexpr double kDrop = 10;  // and its offset downwards
constexpr double kEdgeWidth = 0.5;

// Where nothing blurs what lies behind the glass, its tint is raised until
// text behind the panel can no longer be read through it.
constexpr float kUnblurredAlpha = 0.985F;

bool compositing() {
  const AppearancePort* appearance = Ports::find<AppearancePort>();
  return appearance && appearance->compositing();
}

// One pass of a box blur of radius r over the alpha channel, along rows
// (`horizontal`) or columns.
void boxBlur(QImage& image, int r, bool horizontal) {
  const int w = image.width(), h = image.height();
  const int lines = horizontal ? h : w, length = horizontal ? w : h;
  std::vector<int> in(length);
  for (int line = 0; line < lines; ++line) {
    auto at = [&](int i) -> uchar& {
      uchar* row = image.scanLine(horizontal ? line : i);
      return row[(horizontal ? i : line) * 4 + 3];
    };
    for (int i = 0; i < length; ++i) in[i] = at(i);
    int sum = 0;
    for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < length) ? in[i] : 0;
    for (int i = 0; i < length; ++i) {
      at(i) = uchar(sum / (2 * r + 1));
      const int out = i - r, next = i + r + 1;
      if (out >= 0) sum -= in[out];
      if (next < length) sum += in[next];
    }
  }
}

}  // namespace

GlassFrame::GlassFrame(GlassShape shape, QWidget* content, double margin, QWidget* parent)
    : QWidget(parent), shape_(shape), margin_(margin), content_(content) {
  auto* layout = new QHBoxLayout(this);
  const int m = qRound(margin);
  layout->setContentsMargins(m, m, m, m);
  layout->setSpacing(0);
  layout->addWidget(content);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  if (compositing()) setAttribute(Qt::WA_TranslucentBackground);
}

QPainterPath GlassFrame::plate() const {
  const QRectF r = QRectF(rect()).adjusted(margin_, margin_, -margin_, -margin_);
  return shape_ == GlassShape::capsule ? Kit::capsule(r) : Kit::continuousRect(r, 20);
}

QColor GlassFrame::tint() {
  QColor colour = Theme::color(Theme::glass);
  const AppearancePort* appearance = Ports::find<AppearancePort>();
  if (!(appearance && appearance->blursBehind()))
    colour.setAlphaF(std::max(colour.alphaF(), kUnblurredAlpha));
  return colour;
}

bool GlassFrame::glass() const {
  return compositing() && window()->testAttribute(Qt::WA_TranslucentBackground);
}

QImage GlassFrame::shadowImage(qreal dpr) {
  const QColor colour = Theme::color(Theme::shadow);
  const QString key = QStringLiteral("%1x%2@%3/%4/%5")
                          .arg(width())
                          .arg(height())
                          .arg(dpr)
                          .arg(colour.rgba(), 8, 16)
                          .arg(int(shape_));
  if (key == shadowKey_) return shadow_;
  // The plate's silhouette, dropped, blurred three times with a box of
  // radius ~ blur / 2 (close to a gaussian), then tinted.
  QImage image(qCeil(width() * dpr), qCeil(height() * dpr), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(dpr, dpr);
    p.fillPath(plate().translated(0, kDrop), Qt::black);
  }
  const int r = std::max(1, qRound(kBlur / 2 * dpr));
  for (int pass = 0; pass < 3; ++pass) {
    boxBlur(image, r, true);
    boxBlur(image, r, false);
  }
  {
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), colour);
    // Nothing under the plate: the glass shows the desktop, not a shadow.
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.scale(dpr, dpr);
    p.fillPath(plate(), Qt::black);
  }
  image.setDevicePixelRatio(dpr);
  shadow_ = image;
  shadowKey_ = key;
  return image;
}

void GlassFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool glassy = glass();
  const QColor fill = glassy ? tint() : Theme::color(Theme::card);
  const QColor edge = Theme::color(Theme::glassEdge);
  const QColor shade = glassy ? Theme::color(Theme::shadow) : QColor();
  const QString key = QStringLiteral("glass/%1/%2x%3/m%4/%5/%6/%7")
                          .arg(int(shape_))
                          .arg(width())
                          .arg(height())
                          .arg(margin_)
                          .arg(fill.rgba(), 8, 16)
                          .arg(edge.rgba(), 8, 16)
                          .arg(shade.rgba(), 8, 16);
  Kit::paintKept(p, key, size(), [&](QPainter& q) {
    q.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = plate();
    if (glassy) q.drawImage(QPointF(0, 0), shadowImage(q.device()->devicePixelRatio()));
    q.fillPath(outline, fill);
    // The hairline edge, inside the outline.
    q.save();
    q.setClipPath(outline);
    q.strokePath(outline, QPen(edge, 2 * kEdgeWidth));
    q.restore();
  });
}

}  // namespace clipvane
