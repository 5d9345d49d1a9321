#include "AtspiAnswers.h"

namespace clipvane::x11::AtspiAnswers {

namespace {

QString firstOf(const QHash<QString, QString>& attributes,
                std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    const QString value = attributes.value(QLatin1String(key)).trimmed();
    if (!value.isEmpty()) return value;
  }
  return {};
}

}  // namespace

QString pageAddress(const QHash<QString, QString>& documentAttributes) {
  return firstOf(documentAttributes, {"DocURL", "URI"});
}

QString placeholder(const QHash<QString, QString>& objectAttributes) {
  return firstOf(objectAttributes, {"placeholder-text", "placeholder"});
}

bool placed(const QRectF& r) {
  if (r.width() < 0 || r.height() < 0) return false;
  return !(r.isEmpty() && r.topLeft() == QPointF(0, 0));
}

std::optional<QRectF> caretAfter(const QRectF& last, bool lastIsLineBreak,
                                 const std::optional<QRectF>& lineStart) {
  if (!placed(last)) return std::nullopt;
  if (!lastIsLineBreak) return QRectF(last.x() + last.width(), last.y(), 0, last.height());
  const double x = lineStart && placed(*lineStart) ? lineStart->x() : last.x();
  return QRectF(x, last.y() + last.height(), 0, last.height());
}

}  // namespace clipvane::x11::AtspiAnswers
