// The stored hot-key symbols turned into the desktop's modifier names.
#include "HotkeyText.h"

#include <QStringList>

namespace clipvane {

QString hotkeyText(const QString& stored) {
  QStringList parts;
  QString key;
  for (const QChar c : stored) {
    switch (c.unicode()) {
      case u'⌃':
        parts << QStringLiteral("Ctrl");
        break;
      case u'⌥':
        parts << QStringLiteral("Alt");
        break;
      case u'⇧':
        parts << QStringLiteral("Shift");
        break;
      case u'⌘':
        parts << QStringLiteral("Super");
        break;
      default:
        key += c;
    }
  }
  if (!key.isEmpty()) parts << key;
  return parts.join(u'+');
}

}  // namespace clipvane
