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

}  // namespace clipvane::x11::AtspiAnswers
