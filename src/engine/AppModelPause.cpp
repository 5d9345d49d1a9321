// Pause and resume.
#include <QDateTime>
#include <QLocale>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>

#include "AppModel.h"
#include "LocaleText.h"
#include "OnMain.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

QDateTime local(Date d) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count());
}

QString fromIcu(const icu::UnicodeString& s) {
  return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

icu::Locale icuLocale(const QLocale& locale) {
  return icu::Locale(locale.name().toUtf8().constData());
}

// "tomorrow", "yesterday" in the locale's words; empty where it has none.
QString relativeDayName(const QLocale& locale, int days) {
  UErrorCode status = U_ZERO_ERROR;
  icu::RelativeDateTimeFormatter fmt(icuLocale(locale), nullptr, UDAT_STYLE_LONG,
                                     UDISPCTX_CAPITALIZATION_FOR_MIDDLE_OF_SENTENCE, status);
  if (U_FAILURE(status)) return {};
  icu::UnicodeString out;
  fmt.format(days > 0 ? UDAT_DIRECTION_NEXT : UDAT_DIRECTION_LAST, UDAT_ABSOLUTE_DAY, out, status);
  return U_FAILURE(status) ? QString() : fromIcu(out);
}

QString mediumDate(const QLocale& locale, const QDateTime& when) {
  std::unique_ptr<icu::DateFormat> fmt(
      icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, icuLocale(locale)));
  if (!fmt) return locale.toString(when.date(), QLocale::ShortFormat);
  icu::UnicodeString out;
  fmt->format(UDate(when.toMSecsSinceEpoch()), out);
  return fromIcu(out);
}

}  // namespace

void AppModel::pause(std::optional<Date> until) {
  assertMainThread();
  AppSettings s = settings_;
  s.pausedUntil = until.value_or(distantFuture());
  setSettings(s);

  QString text;
  if (until && *until - Clock::now() <= std::chrono::milliseconds(3601000))
    text = QStringLiteral("Paused for 1 hour");
  else if (!until)
    text = QStringLiteral("Paused");
  else
    text = QStringLiteral("Paused until tomorrow");
  Toast toast{QStringLiteral("pause"), Tint::gray, text,
              Toast::Action{QStringLiteral("Resume"), [self = QPointer<AppModel>(this)] {
                              if (self) self->resume();
                            }}};
  Ports::get<PanelsPort>().showToast(toast, false);
}

void AppModel::resume() {
  assertMainThread();
  AppSettings s = settings_;
  s.pausedUntil.reset();
  setSettings(s);
}

void AppModel::togglePause() {
  if (settings_.isPaused(Clock::now()))
    resume();
  else
    pause(Clock::now() + std::chrono::seconds(3600));
}

void AppModel::schedulePauseEnd() {
  if (pauseTimer_) {
    pauseTimer_->stop();
    pauseTimer_->deleteLater();
  }
  pauseTimer_ = nullptr;
  const auto until = settings_.pausedUntil;
  if (!until || *until >= distantFuture()) return;
  // Rounded up: a timer that fires before the end would only find the pause still running.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now());
  const qint64 ms = std::clamp<qint64>(left.count(), 0, INT_MAX);
  pauseTimer_ = new QTimer(this);
  pauseTimer_->setSingleShot(true);
  pauseTimer_->setTimerType(Qt::PreciseTimer);
  connect(pauseTimer_, &QTimer::timeout, this, [this] {
    assertMainThread();
    // A far end is reached in steps (a timer holds at most ~24 days), and the
    // wall clock may have moved: end the pause only once its time has come.
    if (settings_.isPaused(Clock::now()))
      schedulePauseEnd();
    else
      resume();
  });
  pauseTimer_->start(int(ms));
}

QString AppModel::pausedText() const {
  const auto until = settings_.pausedUntil;
  if (!until) return {};
  if (*until >= distantFuture()) return QStringLiteral("Until you resume");
  const QLocale locale;
  const QDateTime when = local(*until);
  const QString time = LocaleText::shortTime(*until);
  const qint64 days = local(Clock::now()).date().daysTo(when.date());
  if (days == 0) return QStringLiteral("Until ") + time;
  QString day;
  if (days == 1 || days == -1) day = relativeDayName(locale, int(days));
  if (day.isEmpty()) day = mediumDate(locale, when);
  return QStringLiteral("Until %1, %2").arg(day, time);
}

}  // namespace clipvane
