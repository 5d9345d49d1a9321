#pragma once
// The application's icon as the desktop's icon theme holds it: the mark the
// program's windows draw, inset by a sixteenth of the side as the icons
// beside it in menus and docks are.
#include <QImage>
#include <QRectF>

#include "Kit.h"

namespace clipvane::AppIcon {

// The sizes of the hicolor theme's fixed-size folders.
inline constexpr int kSides[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The scalable icon's own unit square.
inline constexpr int kSvgSide = 256;

// Where the mark sits in a square icon of `side` pixels.
inline QRectF markRect(int side) { return AppIconMark::iconRect(side); }

inline QImage render(int side) { return AppIconMark::iconImage(side); }

}  // namespace clipvane::AppIcon
