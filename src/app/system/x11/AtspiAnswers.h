#pragma once
// How the answers of the common toolkits and web engines are read, apart from
// the calls that fetch them (no glib here, so that they are tested without an
// accessibility bus).
#include <QHash>
#include <QString>

namespace clipvane::x11::AtspiAnswers {

// The page's address among a document's attributes: Gecko names it "DocURL",
// Chromium and WebKit "URI" (and leave "DocURL" out or empty).
QString pageAddress(const QHash<QString, QString>& documentAttributes);

// A field's placeholder among its object attributes: GTK and Gecko name it
// "placeholder-text", Chromium "placeholder".
QString placeholder(const QHash<QString, QString>& objectAttributes);

}  // namespace clipvane::x11::AtspiAnswers
