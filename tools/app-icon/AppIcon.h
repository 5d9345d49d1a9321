#pragma once
// The application's icon as the desktop's icon theme holds it: the mark the
// program's windows draw, inset by a sixteenth of the side as the icons
// beside it in menus and docks are.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QtMath>

#include "Kit.h"

namespace clipvane::AppIcon {

// The sizes of the hicolor theme's fixed-size folders.
inline constexpr int kSides[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The scalable icon's own unit square.
inline constexpr int kSvgSide = 256;

// Where the mark sits in a square icon of `side` pixels. A whole-pixel inset
// keeps the tile's straight edges sharp at the small sizes.
inline QRectF markRect(int side) {
  const int inset = qMax(1, qRound(side / 16.0));
  return QRectF(inset, inset, side - 2 * inset, side - 2 * inset);
}

inline QImage render(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  AppIconMark::paint(p, markRect(side));
  p.end();
  return image;
}

}  // namespace clipvane::AppIcon
