#pragma once
// The status icon: a small clipboard whose details tell the protection state
// (faded and slashed when off, faded when paused, an outlined block when the
// user is asked first) with a coloured badge dot at the bottom right.
#include <QColor>
#include <QIcon>
#include <QImage>

#include "IconState.h"
#include "Theme.h"

class QPainter;

namespace clipvane::MenuBarGlyph {

// The badge dots' fixed colours; they do not follow the scheme.
QColor color(IconState::Badge badge);

// Without a badge the glyph is one colour and takes the panel's text colour.
bool isTemplate(const IconState& state);

// Draws the 24 x 22 glyph at the painter's origin, in logical units (the
// painter already scaled). `ink` is the panel's text colour. The badge's ring
// is cleared out of what lies below, so `p` paints on an image with alpha.
void draw(QPainter& p, const IconState& state, const QColor& ink);

// The glyph alone: 24 x 22 logical pixels at `dpr`, transparent around it.
QImage image(const IconState& state, const QColor& ink, qreal dpr = 1.0);

// The tray's icon: square pixmaps of 16, 22, 24, 32 and 48 pixels (and their
// doubles on a high-density screen), the glyph centred in each, inked in the
// text colour of a panel in the `panel` scheme.
QIcon trayIcon(const IconState& state, Scheme panel);

}  // namespace clipvane::MenuBarGlyph
