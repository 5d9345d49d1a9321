#pragma once
// The program's icon set: 66 glyphs addressed by name ("check", "check.fill"),
// each kept as outline text and turned into a path on first use. Main thread.
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <QWidget>
#include <optional>

#include "Theme.h"

class QPainter;

namespace clipvane {

namespace MaterialSymbol {

// The glyph in its 960-unit box, y up as stored. An unknown name gives the
// empty path, cached like any other. The reference stays valid for the life
// of the process; a name is parsed once.
const QPainterPath& path(const QString& name);

// Outline text (absolute M x y, L x y, Q cx cy x y, Z; letters may touch the
// numbers) into a path filled with the non-zero rule. A number where a letter
// is expected closes the subpath, once per number; a command whose numbers are
// missing or are not numbers ends the path there.
QPainterPath parse(const QString& outline);

// A box x box (logical pixels) image at `dpr`, the glyph `size` wide centred
// in it, upright. Without a colour the glyph is black, for a caller that
// recolours it; the rest is transparent.
QImage image(const QString& name, double size, std::optional<QColor> color, double box,
             qreal dpr = 1.0);

// One icon whose Normal, Active (highlighted, selected) and Disabled modes
// draw the glyph in the three roles, resolved in the scheme of the moment the
// icon is drawn. Icons are shared per name, roles, size and box; their
// pixmaps are cached per colour and pixel size until the desktop's
// appearance changes.
QIcon icon(const QString& name, double size, double box, const ThemeColor& normal,
           const ThemeColor& active, const ThemeColor& disabled);

// Paints the glyph upright, filling `rect` (a size x size square), in `color`.
void paint(QPainter& p, const QString& name, const QRectF& rect, const QColor& color);

}  // namespace MaterialSymbol

// The glyph filled with a palette role, in a size x size widget. An unknown
// name keeps the frame and draws nothing.
class MaterialIcon : public QWidget {
 public:
  MaterialIcon(QString name, double size, ThemeColor color, QWidget* parent = nullptr);

  void setName(const QString& name);
  void setColor(const ThemeColor& color);
  const QString& name() const { return name_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  // The colour the glyph is filled with now; the role in the current scheme.
  virtual QColor ink(const ThemeColor& role) const;

 private:
  QString name_;
  double size_;
  ThemeColor color_;
};

}  // namespace clipvane
