// The icon set: outline lookup and parsing, images, icons and the icon widget.
#include "MaterialSymbols.h"

#include <QHash>
#include <QIconEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QtMath>
#include <string>
#include <unordered_map>

#include "MaterialSymbolsData.h"
#include "ports/AppearancePort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

struct QStringHash {
  size_t operator()(const QString& s) const { return qHash(s); }
};

// Node-based, so references handed out by path() survive later insertions.
std::unordered_map<QString, QPainterPath, QStringHash>& pathCache() {
  static std::unordered_map<QString, QPainterPath, QStringHash> cache;
  return cache;
}

const char* outlineOf(const QString& name) {
  const QByteArray key = name.toUtf8();
  for (const MaterialOutline& entry : materialOutlines)
    if (key == entry.name) return entry.outline;
  return "";
}

// Pixmaps of the icons, by name, colour, glyph size, box and pixel size.
QHash<QString, QPixmap>& pixmapCache() {
  static QHash<QString, QPixmap> cache;
  return cache;
}

// The icon cache follows the installed appearance port: a change of scheme
// drops every pixmap, so nothing drawn for the old scheme lingers.
void watchAppearance() {
  static QPointer<AppearancePort> watched;
  static QMetaObject::Connection connection;
  AppearancePort* port = Ports::find<AppearancePort>();
  if (port == watched.data() && (port == nullptr || connection)) return;
  QObject::disconnect(connection);
  watched = port;
  connection = port
                   ? QObject::connect(port, &AppearancePort::changed, [] { pixmapCache().clear(); })
                   : QMetaObject::Connection();
}

void fillGlyph(QPainter& p, const QPainterPath& glyph, const QRectF& rect, const QColor& color) {
  if (glyph.isEmpty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(rect.left(), rect.top() + rect.height());
  p.scale(rect.width() / 960.0, -rect.height() / 960.0);
  p.fillPath(glyph, color);
  p.restore();
}

class GlyphIconEngine : public QIconEngine {
 public:
  GlyphIconEngine(QString name, double size, double box, ThemeColor normal, ThemeColor active,
                  ThemeColor disabled)
      : name_(std::move(name)),
        size_(size),
        box_(box),
        normal_(normal),
        active_(active),
        disabled_(disabled) {}

  QIconEngine* clone() const override { return new GlyphIconEngine(*this); }
  QString key() const override { return QStringLiteral("clipvane-glyph"); }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    const int side = qCeil(box_);
    return {QSize(side, side)};
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  bool isNull() override { return MaterialSymbol::path(name_).isEmpty(); }

  void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const double side = std::min(rect.width(), rect.height());
    const double glyph = side * size_ / box_;
    const QPointF centre = QRectF(rect).center();
    const QRectF square(centre.x() - glyph / 2, centre.y() - glyph / 2, glyph, glyph);
    fillGlyph(*p, MaterialSymbol::path(name_), square, colorFor(mode));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // `size` is in device pixels; QIcon sets the pixel ratio on the result.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State,
                       qreal /*scale*/) override {
    if (size.isEmpty()) return {};
    const QColor color = colorFor(mode);
    const QString key = QStringLiteral("%1|%2|%3|%4|%5x%6")
                            .arg(name_)
                            .arg(color.rgba(), 8, 16)
                            .arg(size_)
                            .arg(box_)
                            .arg(size.width())
                            .arg(size.height());
    watchAppearance();
    QHash<QString, QPixmap>& cache = pixmapCache();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
      QPainter p(&canvas);
      this->paint(&p, QRect(QPoint(0, 0), size), mode, QIcon::Off);
    }
    QPixmap pixmap = QPixmap::fromImage(canvas);
    cache.insert(key, pixmap);
    return pixmap;
  }

 private:
  QColor colorFor(QIcon::Mode mode) const {
    switch (mode) {
      case QIcon::Disabled:
        return Theme::color(disabled_);
      case QIcon::Active:
      case QIcon::Selected:
        return Theme::color(active_);
      case QIcon::Normal:
        break;
    }
    return Theme::color(normal_);
  }

  QString name_;
  double size_;
  double box_;
  ThemeColor normal_, active_, disabled_;
};

QString roleKey(const ThemeColor& c) {
  return QStringLiteral("%1/%2/%3/%4")
      .arg(c.darkRgb, 6, 16)
      .arg(c.lightRgb, 6, 16)
      .arg(c.darkAlpha)
      .arg(c.lightAlpha);
}

}  // namespace

namespace MaterialSymbol {

const QPainterPath& path(const QString& name) {
  auto& cache = pathCache();
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  return cache.emplace(name, parse(QString::fromLatin1(outlineOf(name)))).first->second;
}

QPainterPath parse(const QString& outline) {
  // Each command letter is a token of its own; spaces separate the rest.
  QStringList tokens;
  QString current;
  auto flush = [&] {
    if (!current.isEmpty()) tokens.append(std::exchange(current, QString()));
  };
  for (QChar c : outline) {
    if (c == u'M' || c == u'L' || c == u'Q' || c == u'Z') {
      flush();
      tokens.append(QString(c));
    } else if (c == u' ') {
      flush();
    } else {
      current.append(c);
    }
  }
  flush();

  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  // Reads `count` numbers after the letter at i; false when one is missing
  // or is not a number.
  double n[4];
  auto numbers = [&](qsizetype i, int count) {
    if (i + count >= tokens.size()) return false;
    for (int k = 0; k < count; ++k) {
      bool ok = false;
      n[k] = tokens[i + 1 + k].toDouble(&ok);
      if (!ok) return false;
    }
    return true;
  };
  for (qsizetype i = 0; i < tokens.size();) {
    const QString& t = tokens[i];
    if (t == u"M" || t == u"L") {
      if (!numbers(i, 2)) break;
      if (t == u"M")
        path.moveTo(n[0], n[1]);
      else
        path.lineTo(n[0], n[1]);
      i += 3;
    } else if (t == u"Q") {
      if (!numbers(i, 4)) break;
      path.quadTo(n[0], n[1], n[2], n[3]);
      i += 5;
    } else {
      path.closeSubpath();
      i += 1;
    }
  }
  return path;
}

QImage image(const QString& name, double size, std::optional<QColor> color, double box, qreal dpr) {
  const QPainterPath& glyph = path(name);
  const int side = qCeil(box * dpr);
  QImage out(side, side, QImage::Format_ARGB32_Premultiplied);
  out.setDevicePixelRatio(dpr);
  out.fill(Qt::transparent);
  QPainter p(&out);
  const double margin = (box - size) / 2;
  fillGlyph(p, glyph, QRectF(margin, margin, size, size), color.value_or(QColor(Qt::black)));
  return out;
}

QIcon icon(const QString& name, double size, double box, const ThemeColor& normal,
           const ThemeColor& active, const ThemeColor& disabled) {
  static QHash<QString, QIcon> icons;
  watchAppearance();
  const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                          .arg(name)
                          .arg(size)
                          .arg(box)
                          .arg(roleKey(normal), roleKey(active), roleKey(disabled));
  if (auto it = icons.constFind(key); it != icons.constEnd()) return *it;
  QIcon made(new GlyphIconEngine(name, size, box, normal, active, disabled));
  icons.insert(key, made);
  return made;
}

void paint(QPainter& p, const QString& name, const QRectF& rect, const QColor& color) {
  fillGlyph(p, path(name), rect, color);
}

}  // namespace MaterialSymbol

MaterialIcon::MaterialIcon(QString name, double size, ThemeColor color, QWidget* parent)
    : QWidget(parent), name_(std::move(name)), size_(size), color_(color) {
  setFixedSize(sizeHint());
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MaterialIcon::setName(const QString& name) {
  if (name == name_) return;
  name_ = name;
  update();
}

void MaterialIcon::setColor(const ThemeColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

QSize MaterialIcon::sizeHint() const {
  const int side = qCeil(size_);
  return {side, side};
}

void MaterialIcon::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const double margin = (width() - size_) / 2;
  MaterialSymbol::paint(p, name_, QRectF(margin, (height() - size_) / 2, size_, size_),
                        ink(color_));
}

QColor MaterialIcon::ink(const ThemeColor& role) const { return Theme::color(role); }

}  // namespace clipvane
