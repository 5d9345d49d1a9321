#pragma once
// How the answers of the common toolkits and web engines are read, apart from
// the calls that fetch them (no glib here, so that they are tested without an
// accessibility bus).
#include <QHash>
#include <QRectF>
#include <QString>
#include <optional>

namespace clipvane::x11::AtspiAnswers {

// The page's address among a document's attributes: Gecko names it "DocURL",
// Chromium and WebKit "URI" (and leave "DocURL" out or empty).
QString pageAddress(const QHash<QString, QString>& documentAttributes);

// A field's placeholder among its object attributes: GTK and Gecko name it
// "placeholder-text", Chromium "placeholder".
QString placeholder(const QHash<QString, QString>& objectAttributes);

// Where the caret stands when it follows the last character of the text: at
// the right edge of that character, or, after a line break, at the start of
// the line below it (at `lineStart`'s left edge: the first character's
// extents, else the field's). Nothing when the last character has no place
// yet (an engine answers an empty rectangle at the origin until it has laid
// the text out).
std::optional<QRectF> caretAfter(const QRectF& last, bool lastIsLineBreak,
                                 const std::optional<QRectF>& lineStart);

// Whether a rectangle an application answered stands for a real place: some
// answer (0, 0, 0, 0) or (-1, -1, -1, -1) for "not known yet".
bool placed(const QRectF& r);

}  // namespace clipvane::x11::AtspiAnswers
