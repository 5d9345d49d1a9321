// Draws the application's icon for the desktop's icon theme with the same
// painter the program's own windows use, so the installed icon never drifts
// from the mark:
//   clipvane_app_icon DIR
// writes DIR/hicolor/<n>x<n>/apps/clipvane.png for every size the desktop
// asks for and DIR/hicolor/scalable/apps/clipvane.svg.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <climits>
#include <cstdio>

#include "AppIcon.h"
#include "Kit.h"

namespace {

QString number(double v) {
  QString s = QString::number(v, 'f', 3);
  while (s.endsWith('0')) s.chop(1);
  if (s.endsWith('.')) s.chop(1);
  return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString point(const QPointF& p) { return number(p.x()) + ',' + number(p.y()); }

// A paint engine that keeps every filled path as an SVG path element. The
// mark is filled shapes only; anything else it would draw is reported.
class SvgPaths : public QPaintEngine {
 public:
  SvgPaths() : QPaintEngine(AllFeatures) {}

  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return User; }

  void updateState(const QPaintEngineState& state) override {
    if (state.state() & DirtyBrush) brush_ = state.brush();
    if (state.state() & DirtyPen) pen_ = state.pen();
    if (state.state() & DirtyTransform) transform_ = state.transform();
  }

  void drawPath(const QPainterPath& path) override {
    if (pen_.style() != Qt::NoPen || brush_.style() != Qt::SolidPattern) unsupported = true;
    const QPainterPath mapped = transform_.map(path);
    QString d;
    for (int i = 0; i < mapped.elementCount(); ++i) {
      const QPainterPath::Element e = mapped.elementAt(i);
      if (e.isMoveTo()) {
        if (i > 0) d += QLatin1String("Z");
        d += 'M' + point(e);
      } else if (e.isLineTo()) {
        d += 'L' + point(e);
      } else if (e.isCurveTo() && i + 2 < mapped.elementCount()) {
        d += 'C' + point(e) + ' ' + point(mapped.elementAt(i + 1)) + ' ' +
             point(mapped.elementAt(i + 2));
        i += 2;
      }
    }
    d += 'Z';
    QColor colour = brush_.color();
    QString fill = colour.name(QColor::HexRgb);
    if (colour.alpha() < 255) fill += QStringLiteral("\" fill-opacity=\"%1").arg(colour.alphaF());
    elements += QStringLiteral("  <path fill=\"%1\" d=\"%2\"/>\n").arg(fill, d);
  }

  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { unsupported = true; }
  void drawTextItem(const QPointF&, const QTextItem&) override { unsupported = true; }

  QString elements;
  bool unsupported = false;

 private:
  QBrush brush_;
  QPen pen_;
  QTransform transform_;
};

class SvgCanvas : public QPaintDevice {
 public:
  explicit SvgCanvas(int side) : side_(side) {}
  QPaintEngine* paintEngine() const override { return &engine; }

  mutable SvgPaths engine;

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
      case PdmHeight:
        return side_;
      case PdmWidthMM:
      case PdmHeightMM:
        return qRound(side_ * 25.4 / 96);
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
      case PdmDepth:
        return 32;
      case PdmNumColors:
        return INT_MAX;
      default:
        return QPaintDevice::metric(metric);
    }
  }

 private:
  int side_;
};

bool writePng(const QString& dir, int side) {
  const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(side);
  if (!QDir().mkpath(folder)) return false;
  return clipvane::AppIcon::render(side).save(folder + "/clipvane.png", "PNG");
}

bool writeSvg(const QString& dir) {
  const QString folder = dir + "/hicolor/scalable/apps";
  if (!QDir().mkpath(folder)) return false;
  const int side = clipvane::AppIcon::kSvgSide;
  SvgCanvas canvas(side);
  QPainter p(&canvas);
  clipvane::AppIconMark::paint(p, clipvane::AppIcon::markRect(side));
  p.end();
  if (canvas.engine.unsupported || canvas.engine.elements.isEmpty()) return false;
  QFile out(folder + "/clipvane.svg");
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QString svg = QStringLiteral(
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                          "viewBox=\"0 0 %1 %1\">\n%2</svg>\n")
                          .arg(side)
                          .arg(canvas.engine.elements);
  return out.write(svg.toUtf8()) > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (int side : clipvane::AppIcon::kSides) {
    if (!writePng(dir, side)) {
      std::fprintf(stderr, "cannot write the %d px icon under %s\n", side, argv[1]);
      return 1;
    }
  }
  if (!writeSvg(dir)) {
    std::fprintf(stderr, "cannot write the scalable icon under %s\n", argv[1]);
    return 1;
  }
  return 0;
}
