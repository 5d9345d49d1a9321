// The interface kit's buttons, chips and tiles.
#include "Kit.h"

#include <QApplication>
#include <QCache>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <cmath>

#include "MaterialSymbols.h"

namespace clipvane {

namespace Kit {

QFont font(double pixelSize, QFont::Weight weight) {
  QFont f = QApplication::font();
  f.setPixelSize(qRound(pixelSize));
  f.setWeight(weight);
  return f;
}

QPainterPath continuousRect(const QRectF& r, double radius) {
  // The smooth corner reaches 1.5287 radii along each edge; the numbers are
  // the usual cubic fit of that corner.
  constexpr double kReach = 1.52866483;
  const double limit = std::min(r.width(), r.height()) / 2;
  QPainterPath path;
  if (radius <= 0) {
    path.addRect(r);
    return path;
  }
  if (radius * kReach > limit) {
    const double rr = std::min(radius, limit);
    path.addRoundedRect(r, rr, rr);
    return path;
  }
  const double R = radius;
  const double l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
  // One corner, from the edge before it to the edge after it, given the
  // corner point and unit steps along the two edges (dx1,dy1 toward the
  // corner, dx2,dy2 away from it).
  auto corner = [&](double cx, double cy, double ax, double ay, double bx, double by) {
    auto pt = [&](double along, double across) {
      // `along`: distance back from the corner on the incoming edge;
      // `across`: distance into the outgoing edge.
      return QPointF(cx - ax * along * R + bx * across * R, cy - ay * along * R + by * across * R);
    };
    path.lineTo(pt(kReach, 0));
    path.cubicTo(pt(1.08849323, 0), pt(0.86840689, 0), pt(0.63149399, 0.07491100));
    path.cubicTo(pt(0.37282392, 0.16905899), pt(0.16905899, 0.37282392),
                 pt(0.07491100, 0.63149399));
    path.cubicTo(pt(0, 0.86840689), pt(0, 1.08849323), pt(0, kReach));
  };
  path.moveTo(l + kReach * R, t);
  corner(rt, t, 1, 0, 0, 1);   // top right: in along +x, out along +y
  corner(rt, b, 0, 1, -1, 0);  // bottom right
  corner(l, b, -1, 0, 0, -1);  // bottom left
  corner(l, t, 0, -1, 1, 0);   // top left
  path.closeSubpath();
  return path;
}

QPainterPath capsule(const QRectF& rect) {
  const double radius = std::min(rect.width(), rect.height()) / 2;
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

bool ringAfter(Qt::FocusReason reason, bool before) {
  switch (reason) {
    case Qt::MouseFocusReason:
      return false;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
      return before;
    default:
      return true;
  }
}

bool keepsRing(Qt::FocusReason reason) {
  return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

void paintFocusRing(QPainter& p, const QPainterPath& outline, bool onAccent) {
  QColor ring = onAccent ? QColor(Qt::white) : Theme::color(Theme::acc);
  ring.setAlphaF(0.85f);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipPath(outline, Qt::IntersectClip);
  p.strokePath(outline, QPen(ring, 4));
  p.restore();
}

void paintKept(QPainter& p, const QString& key, const QSize& size,
               const std::function<void(QPainter&)>& draw) {
  // Pictures of the popups' plates, buttons and dots: a few hundred KB.
  static QCache<QString, QImage> kept(4 << 20);
  const qreal dpr = p.device() ? p.device()->devicePixelRatio() : 1.0;
  const QTransform t = p.deviceTransform();
  const bool whole = t.type() <= QTransform::TxScale && qFuzzyCompare(t.m11(), dpr) &&
                     qFuzzyCompare(t.m22(), dpr) && t.dx() == std::round(t.dx()) &&
                     t.dy() == std::round(t.dy());
  if (!whole || size.isEmpty()) {
    p.save();
    draw(p);
    p.restore();
    return;
  }
  const QString name = key + QStringLiteral("@") + QString::number(dpr);
  const QImage* picture = kept.object(name);
  if (!picture) {
    auto* made = new QImage(qCeil(size.width() * dpr), qCeil(size.height() * dpr),
                            QImage::Format_ARGB32_Premultiplied);
    made->setDevicePixelRatio(dpr);
    made->fill(Qt::transparent);
    {
      QPainter q(made);
      draw(q);
    }
    picture = made;
    if (!kept.insert(name, made, int(made->sizeInBytes()))) {
      // Larger than the whole budget: painted this once, not kept.
      p.save();
      draw(p);
      p.restore();
      return;
    }
  }
  p.drawImage(QPointF(0, 0), *picture);
}

}  // namespace Kit

namespace {

QColor white() { return QColor(Qt::white); }

// Text width rounded up to whole pixels, so a fixed-size widget never cuts it.
int textWidth(const QFont& font, const QString& text) {
  return qCeil(QFontMetricsF(font).horizontalAdvance(text));
}

}  // namespace

// ---- KitButton -----------------------------------------------------------------

KitButton::KitButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
}

void KitButton::setSelected(bool selected) {
  setChecked(selected);
  update();
}

bool KitButton::hitButton(const QPoint& pos) const { return shape().contains(QPointF(pos)); }

void KitButton::focusInEvent(QFocusEvent* e) {
  keyboardFocus_ = Kit::ringAfter(e->reason(), keyboardFocus_);
  QAbstractButton::focusInEvent(e);
}

void KitButton::focusOutEvent(QFocusEvent* e) {
  if (!Kit::keepsRing(e->reason())) keyboardFocus_ = false;
  QAbstractButton::focusOutEvent(e);
}

void KitButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (!isEnabled())
    p.setOpacity(0.45);
  else if (isDown())
    p.setOpacity(0.75);
  paintContent(p);
  if (isEnabled() && !isDown() && underMouse()) {
    QColor hover = Theme::color(Theme::tx);
    hover.setAlphaF(0.06f);
    p.fillPath(shape(), hover);
  }
  if (keyboardFocus_ && hasFocus()) Kit::paintFocusRing(p, shape(), onAccent());
}

// ---- PillButton ------------------------------------------------------------------

PillButton::PillButton(const QString& text, bool primary, double height, bool onGrouped,
                       QWidget* parent)
    : KitButton(parent), primary_(primary), height_(height), onGrouped_(onGrouped) {
  setText(text);
  setFont(Kit::font(13, QFont::DemiBold));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PillButton::setPrimary(bool primary) {
  if (primary == primary_) return;
  primary_ = primary;
  update();
}

QSize PillButton::sizeHint() const {
  return {textWidth(font(), text()) + qCeil(2 * sidePadding()), qCeil(height_)};
}

QPainterPath PillButton::shape() const {
  return Kit::capsule(QRectF(0, (height() - height_) / 2, width(), height_));
}

void PillButton::paintContent(QPainter& p) {
  const QColor background = Theme::color(primary_     ? Theme::acc
                                         : onGrouped_ ? Theme::card
                                                      : Theme::fill);
  const QPainterPath outline = shape();
  Kit::paintKept(p,
                 QStringLiteral("pill/%1x%2/%3/%4")
                     .arg(width())
                     .arg(height())
                     .arg(height_)
                     .arg(background.rgba(), 8, 16),
                 size(), [&](QPainter& q) {
                   q.setRenderHint(QPainter::Antialiasing);
                   q.fillPath(outline, background);
                 });
  p.setPen(primary_ ? white() : Theme::color(Theme::tx));
  p.setFont(font());
  const QRectF text = rect().toRectF().adjusted(sidePadding(), 0, -sidePadding(), 0);
  p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
             QFontMetricsF(font()).elidedText(this->text(), Qt::ElideRight, text.width() + 1));
}

// ---- RoundIconButton ---------------------------------------------------------------

RoundIconButton::RoundIconButton(QString glyph, double size, double glyphSize, bool selected,
                                 bool filledBackground, QWidget* parent)
    : KitButton(parent),
      glyph_(std::move(glyph)),
      size_(size),
      glyphSize_(glyphSize),
      filledBackground_(filledBackground) {
  setCheckable(true);
  setChecked(selected);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setFixedSize(sizeHint());
  // A caller that knows the action names it; the glyph's words until then.
  setAccessibleName(QString(glyph_).replace(u'_', u' '));
}

QSize RoundIconButton::sizeHint() const {
  const int side = qCeil(size_);
  return {side, side};
}

QPainterPath RoundIconButton::shape() const {
  QPainterPath circle;
  circle.addEllipse(QRectF((width() - size_) / 2, (height() - size_) / 2, size_, size_));
  return circle;
}

void RoundIconButton::paintContent(QPainter& p) {
  if (selected())
    p.fillPath(shape(), Theme::color(Theme::acc));
  else if (filledBackground_)
    p.fillPath(shape(), Theme::color(Theme::fill));
  const QRectF glyph((width() - glyphSize_) / 2, (height() - glyphSize_) / 2, glyphSize_,
                     glyphSize_);
  MaterialSymbol::paint(p, selected() ? glyph_ + QStringLiteral(".fill") : glyph_, glyph,
                        selected() ? white() : Theme::color(Theme::tx));
}

// ---- StatusDot -----------------------------------------------------------------------

StatusDot::StatusDot(QString glyph, ThemeColor tint, double size, QWidget* parent)
    : QWidget(parent), glyph_(std::move(glyph)), tint_(tint), size_(size) {
  setFixedSize(sizeHint());
}

void StatusDot::setGlyph(const QString& glyph) {
  if (glyph == glyph_) return;
  glyph_ = glyph;
  update();
}

void StatusDot::setTint(const ThemeColor& tint) {
  if (tint == tint_) return;
  tint_ = tint;
  update();
}

double StatusDot::glyphSize(double size) { return std::round(size * 17 / 28); }

QSize StatusDot::sizeHint() const {
  const int side = qCeil(size_);
  return {side, side};
}

void StatusDot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor colour = Theme::color(tint_);
  const QString key = QStringLiteral("dot/%1x%2/%3/%4/%5")
                          .arg(width())
                          .arg(height())
                          .arg(size_)
                          .arg(colour.rgba(), 8, 16)
                          .arg(glyph_);
  Kit::paintKept(p, key, size(), [&](QPainter& q) {
    q.setRenderHint(QPainter::Antialiasing);
    const QRectF circle((width() - size_) / 2, (height() - size_) / 2, size_, size_);
    q.setPen(Qt::NoPen);
    q.setBrush(colour);
    q.drawEllipse(circle);
    const double g = glyphSize(size_);
    MaterialSymbol::paint(q, glyph_ + QStringLiteral(".fill"),
                          QRectF(circle.center() - QPointF(g / 2, g / 2), QSizeF(g, g)), white());
  });
}

// ---- KeyCap ------------------------------------------------------------------------------

namespace {
constexpr double kCapHeight = 24;
constexpr double kCapPadding = 7;
}  // namespace

KeyCap::KeyCap(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
  setFont(Kit::font(13, QFont::Medium));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAccessibleName(text_);
}

void KeyCap::setText(const QString& text) {
  text_ = text;
  setAccessibleName(text_);
  updateGeometry();
  update();
}

QSize KeyCap::sizeHint() const {
  return {textWidth(font(), text_) + qCeil(2 * kCapPadding), qCeil(kCapHeight) + 1};
}

void KeyCap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF cap(0, 0, width(), kCapHeight);
  const QPainterPath outline = Kit::continuousRect(cap, 7);
  // A hard one-pixel lower edge: the cap's outline one pixel down, under it.
  p.fillPath(outline.translated(0, 1), QColor(0, 0, 0, qRound(0.14 * 255)));
  p.fillPath(outline, Theme::color(Theme::grouped));
  // The border runs inside the edge.
  p.strokePath(Kit::continuousRect(cap.adjusted(0.25, 0.25, -0.25, -0.25), 6.75),
               QPen(Theme::color(Theme::sep), 0.5));
  p.setPen(Theme::color(Theme::tx));
  p.setFont(font());
  p.drawText(cap, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

// ---- TokenChip ---------------------------------------------------------------------------

TokenChip::TokenChip(QString text, bool removed, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), removed_(removed) {
  setFont(Kit::font(13));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAccessibleName(text_);
}

void TokenChip::setRemoved(bool removed) {
  removed_ = removed;
  update();
}

void TokenChip::setElidable(bool elidable) {
  elidable_ = elidable;
  setSizePolicy(elidable ? QSizePolicy::Maximum : QSizePolicy::Fixed, QSizePolicy::Fixed);
  updateGeometry();
}

// The chip's text inset: 6 beside the token, 1 above and below.
constexpr int kChipSide = 6;

QSize TokenChip::sizeHint() const {
  return {textWidth(font(), text_) + 2 * kChipSide, qCeil(QFontMetricsF(font()).height()) + 2};
}

QSize TokenChip::minimumSizeHint() const {
  if (!elidable_) return sizeHint();
  const QString shortest = text_.left(1) + QChar(0x2026);
  return {textWidth(font(), shortest) + 2 * kChipSide, sizeHint().height()};
}

QString TokenChip::shownText() const {
  return QFontMetricsF(font()).elidedText(text_, Qt::ElideRight, width() - 2 * kChipSide);
}

void TokenChip::resizeEvent(QResizeEvent*) {
  // Only a cut token needs its tooltip.
  setToolTip(shownText() == text_ ? QString() : text_);
}

void TokenChip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QColor colour = Theme::color(removed_ ? Theme::bad : Theme::acc);
  QColor plate = colour;
  plate.setAlphaF(colour.alphaF() * 0.12f);
  p.fillPath(Kit::continuousRect(rect().toRectF(), 6), plate);
  p.setPen(colour);
  p.setFont(font());
  // Cut at the end, never clipped at both sides: the token's kind stays readable.
  p.drawText(rect().toRectF().adjusted(kChipSide, 1, -kChipSide, -1),
             Qt::AlignCenter | Qt::TextSingleLine, shownText());
}

// ---- AppIconMark ---------------------------------------------------------------------------

AppIconMark::AppIconMark(double size, QWidget* parent) : QWidget(parent), size_(size) {
  setFixedSize(sizeHint());
}

QSize AppIconMark::sizeHint() const {
  const int side = qCeil(size_);
  return {side, side};
}

void AppIconMark::paint(QPainter& p, const QRectF& rect) {
  struct Shape {
    QRectF box;
    double radius;
    QRgb colour;
  };
  // An 824-unit grid, origin at the top left.
  static const Shape shapes[] = {
      {{0, 0, 824, 824}, 185, 0x2F6FDE},     // tile
      {{192, 132, 440, 560}, 72, 0xFFFFFF},  // sheet
      {{272, 240, 210, 56}, 28, 0xA9C4F5},   // first line
      {{272, 364, 280, 96}, 32, 0xFFD43B},   // highlighted block
      {{272, 528, 150, 56}, 28, 0xA9C4F5},   // last line
  };
  const double s = rect.width() / 824;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  for (const Shape& shape : shapes) {
    const QRectF box(rect.left() + shape.box.x() * s, rect.top() + shape.box.y() * s,
                     shape.box.width() * s, shape.box.height() * s);
    p.fillPath(Kit::continuousRect(box, shape.radius * s), QColor::fromRgb(shape.colour));
  }
  p.restore();
}

QRectF AppIconMark::iconRect(int side) {
  const int inset = qMax(1, qRound(side / 16.0));
  return QRectF(inset, inset, side - 2 * inset, side - 2 * inset);
}

QImage AppIconMark::iconImage(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  paint(p, iconRect(side));
  p.end();
  return image;
}

QIcon AppIconMark::icon() {
  QIcon icon;
  for (const int side : {16, 22, 24, 32, 48, 64, 128})
    icon.addPixmap(QPixmap::fromImage(iconImage(side)));
  return icon;
}

void AppIconMark::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paint(p, QRectF((width() - size_) / 2, (height() - size_) / 2, size_, size_));
}

// ---- ChoiceTile ------------------------------------------------------------------------------

ChoiceTile::ChoiceTile(QString glyph, QString title, bool selected, double height, ThemeColor idle,
                       QWidget* parent)
    : KitButton(parent), glyph_(std::move(glyph)), height_(height), idle_(idle) {
  setText(title);
  setCheckable(true);
  setChecked(selected);
  setFont(Kit::font(13, QFont::DemiBold));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(qCeil(height_));
}

QSize ChoiceTile::sizeHint() const { return {textWidth(font(), text()) + 32, qCeil(height_)}; }

QPainterPath ChoiceTile::shape() const { return Kit::continuousRect(rect().toRectF(), 16); }

void ChoiceTile::paintContent(QPainter& p) {
  p.fillPath(shape(), selected() ? Theme::color(Theme::acc) : Theme::color(idle_));
  // An idle tile keeps an edge: on a plate of its own colour (white on white
  // in the light scheme) it would not look like something to press.
  if (!selected())
    p.strokePath(Kit::continuousRect(rect().toRectF().adjusted(0.5, 0.5, -0.5, -0.5), 15.5),
                 QPen(Theme::color(Theme::glassEdge), 1));
  const QColor ink = selected() ? white() : Theme::color(Theme::tx);
  const QFontMetricsF metrics(font());
  constexpr double kGlyph = 28, kSpacing = 8;
  const double stack = kGlyph + kSpacing + metrics.height();
  const double top = (height() - stack) / 2;
  MaterialSymbol::paint(p, selected() ? glyph_ + QStringLiteral(".fill") : glyph_,
                        QRectF((width() - kGlyph) / 2, top, kGlyph, kGlyph), ink);
  p.setPen(ink);
  p.setFont(font());
  const QRectF title(8, top + kGlyph + kSpacing, width() - 16, metrics.height());
  p.drawText(title, Qt::AlignCenter | Qt::TextSingleLine,
             metrics.elidedText(text(), Qt::ElideRight, title.width()));
}

}  // namespace clipvane
