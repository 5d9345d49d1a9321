// Numbers and times of day as the user's locale writes them.
#include "LocaleText.h"

#include <QLocale>

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>

#include <chrono>
#include <memory>

namespace clipvane::LocaleText {

QString count(qlonglong n) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  return locale.toString(n);
}

QString skeleton(Date date, std::u16string_view skeleton) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale(QLocale().name().toUtf8().constData());
  std::unique_ptr<icu::DateTimePatternGenerator> generator(
      icu::DateTimePatternGenerator::createInstance(locale, status));
  if (U_FAILURE(status)) return {};
  const icu::UnicodeString pattern = generator->getBestPattern(
      icu::UnicodeString(skeleton.data(), int32_t(skeleton.size())), status);
  icu::SimpleDateFormat format(pattern, locale, status);
  if (U_FAILURE(status)) return {};
  const double millis = double(
      std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count());
  icu::UnicodeString out;
  format.format(millis, out);
  return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

QString shortTime(Date date) { return skeleton(date, u"jmm"); }

}  // namespace clipvane::LocaleText
