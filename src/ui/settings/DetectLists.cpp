// The Detect tab's ignored texts and imported word lists.
#include "DetectLists.h"

#include <QLocale>

#include "LocaleText.h"
#include "WindowKit.h"
#include "WordLists.h"

namespace clipvane::DetectLists {

std::optional<IgnoredText> ignoredText(const QString& typed, Date now) {
  const QString text = typed.trimmed();
  if (text.isEmpty()) return std::nullopt;
  IgnoredText entry;
  entry.id = Uuid::generate();
  entry.text = text.toStdU16String();
  entry.seenAs = u"Text";
  entry.added = now;
  return entry;
}

void removeIgnored(AppSettings& settings, const Uuid& id) {
  std::erase_if(settings.ignored, [&](const IgnoredText& t) { return t.id == id; });
}

bool listEnabled(const AppSettings& settings, const Uuid& id) {
  for (const ImportedList& list : settings.importedLists)
    if (list.id == id) return list.enabled;
  return false;
}

void setListEnabled(AppSettings& settings, const Uuid& id, bool enabled) {
  for (ImportedList& list : settings.importedLists)
    if (list.id == id) {
      list.enabled = enabled;
      return;
    }
}

void removeList(AppSettings& settings, const Uuid& id) {
  std::erase_if(settings.importedLists, [&](const ImportedList& l) { return l.id == id; });
}

QString importUsage(const AppSettings& settings) {
  qlonglong rows = 0, bytes = 0;
  for (const ImportedList& list : settings.importedLists) {
    rows += qlonglong(list.items.size());
    bytes += list.bytes;
  }
  return LocaleText::count(rows) + QStringLiteral(" of ") + LocaleText::count(WordLists::maxRows) +
         QStringLiteral(" · ") + QLocale().toString(double(bytes) / 1e6, 'f', 1) +
         QStringLiteral(" of 1 MB");
}

QString when(Date date) {
  // The skeleton lets the locale choose the order, the clock (12 or 24 hours)
  // and the day-period marker.
  return LocaleText::skeleton(date, u"EEEjmm");
}

}  // namespace clipvane::DetectLists
