// The back half of a safe paste: originals into the vault, the paste, the
// badge and notice, and one entry in the activity history, written in the
// order of the pastes.
#include <QCoreApplication>
#include <QDateTime>

#include "AppModel.h"
#include "FutureTimeout.h"
#include "InOrder.h"
#include "LocaleText.h"
#include "OnMain.h"
#include "Pasteboard.h"
#include "Place.h"
#include "Storage.h"
#include "Vault.h"
#include "VaultRecording.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

void AppModel::commit(const QString& text, const std::vector<Finding>& findings, std::set<int> keep,
                      const std::set<int>& locked, const std::optional<RunningApp>& app) {
  assertMainThread();
  // A value that may not pass is never kept, whatever the review answered.
  for (int i : locked) keep.erase(i);
  std::erase_if(keep, [&](int i) { return i < 0 || i >= int(findings.size()); });

  const double ttl = AppModel::ttl(settings_.retention);
  const Vault::LabelStyle style = settings_.labelStyle;
  const bool reuse = settings_.sameValueSameLabel;
  safePasteWaiting_ = true;

  QPointer<AppModel> self = this;
  onPool(
      QCoreApplication::instance(),
      [text, findings, keep, locked, ttl, style, reuse] {
        return VaultRecording::record(text, findings, keep, locked, ttl, style, reuse,
                                      Clock::now());
      },
      [self, findings, keep, locked, app](VaultRecording result) {
        RenewalNotice renewal(result.renewed);
        if (!self) return;
        if (!self->isCurrentDestination(app)) {
          showPasteCancelled();
          self->safePasteWaiting_ = false;
          return;
        }
        if (!result.masked) {
          Ports::get<WindowsPort>().runAlert(result.error, QString());
          if (self) self->safePasteWaiting_ = false;
          return;
        }
        self->maskFailureSaid_ = false;  // masking works again
        const QString masked = *result.masked;
        std::vector<std::u16string> placeholders = std::move(result.placeholders);
        // The destination is read before the key goes: a browser taking in the
        // paste is slow to answer, and may not answer in time at all.
        Place place = Place::of(app, self->settings_);
        // What follows is told only once the paste key went, or could not.
        Pasteboard::paste(
            masked, false,
            [self, findings, keep, locked, place = std::move(place),
             placeholders = std::move(placeholders),
             renewed = renewal.handOver()](Pasteboard::PasteResult written) {
              const RenewalNotice renewal(renewed);
              if (!self) return;
              if (written == Pasteboard::PasteResult::failed) {
                // The write was refused, or another copy came before the key (which
                // would have pasted that copy): nothing arrived, nothing is recorded.
                Ports::get<PanelsPort>().showToast(
                    Toast{QStringLiteral("remove"), Tint::gray, QStringLiteral("Paste failed"), {}},
                    false);
                self->safePasteWaiting_ = false;
                return;
              }
              self->setClipboardFindings({});
              self->refreshStatus();
              const bool pasted = written == Pasteboard::PasteResult::pasted;

              std::vector<int> hidden;
              for (int i = 0; i < int(findings.size()); ++i)
                if (!keep.count(i) && !locked.count(i)) hidden.push_back(i);

              WorkspacePort* workspace = Ports::find<WorkspacePort>();
              if (!locked.empty())
                self->flash(&AppModel::blockedFlash_, 3.0);
              else if (pasted && !hidden.empty() && !(workspace && workspace->reduceMotion()))
                self->flash(&AppModel::pastedFlash_, 1.0);

              self->showPasteResult(findings, locked, hidden, pasted);

              std::map<Kind, int> counts;
              for (int i : hidden) ++counts[findings[i].kind];
              for (int i : locked) ++counts[findings[i].kind];
              // Exactly the placeholders this paste wrote: a label is never taken for
              // another that it stands inside.
              std::vector<std::u16string> masks =
                  hidden.empty() ? std::vector<std::u16string>{} : placeholders;

              std::optional<ActivityEntry::Outcome> outcome;
              if (!counts.empty())
                outcome = locked.empty() ? ActivityEntry::Outcome::hidden
                                         : ActivityEntry::Outcome::blocked;
              else if (!keep.empty())
                outcome = ActivityEntry::Outcome::kept;
              if (outcome) {
                std::optional<std::vector<std::u16string>> entryMasks;
                if (*outcome != ActivityEntry::Outcome::kept && !masks.empty())
                  entryMasks = std::move(masks);
                self->log(place, *outcome, std::move(counts), int(keep.size()),
                          std::move(entryMasks));
              }
              self->safePasteWaiting_ = false;
            });
      });
}

void AppModel::log(const Place& place, ActivityEntry::Outcome outcome, std::map<Kind, int> counts,
                   int kept, std::optional<std::vector<std::u16string>> masks) {
  ActivityEntry entry;
  entry.id = Uuid::generate();
  entry.date = Clock::now();
  entry.place = place.name.toStdU16String();
  entry.placeKind = place.kind;
  entry.outcome = outcome;
  entry.counts = std::move(counts);
  entry.kept = kept;
  entry.masks = std::move(masks);

  // Each write starts when the one before it is done, so that entries reach
  // the file in the order of the commits that made them; a write that fails
  // in any way holds up none after it.
  using Stored = std::vector<ActivityEntry>;
  QPointer<AppModel> self = this;
  activityWrite_ = InOrder::after<Stored>(
      activityWrite_, QCoreApplication::instance(),
      [entry]() -> Stored {
        try {
          return ActivityStore::append(entry);
        } catch (...) {
          return ActivityStore::read();
        }
      },
      [self](std::optional<Stored> stored) {
        if (self && stored) self->setActivity(std::move(*stored));
        if (auto* item = Ports::find<StatusItemPort>()) item->refresh();
      });
}

int AppModel::hiddenToday() const {
  const QDate today =
      QDateTime::fromMSecsSinceEpoch(
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
              .count())
          .date();
  int total = 0;
  for (const ActivityEntry& entry : activity_) {
    if (entry.outcome == ActivityEntry::Outcome::kept) continue;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(entry.date.time_since_epoch());
    if (QDateTime::fromMSecsSinceEpoch(ms.count()).date() == today) total += entry.hiddenCount();
  }
  return total;
}

QString AppModel::phrase(const QString& label) {
  QStringList words = label.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (QString& word : words)
    if (!(word.size() >= 2 && word == word.toUpper())) word = word.toLower();
  return words.join(QLatin1Char(' '));
}

QString AppModel::counted(int count, const QString& label) {
  const QString p = phrase(label);
  if (count == 1) return QStringLiteral("1 ") + p;
  QString out = LocaleText::count(count) + QLatin1Char(' ') + p;
  if (p.endsWith(QLatin1String("ss")))
    out += QLatin1String("es");
  else if (!p.endsWith(QLatin1Char('s')))
    out += QLatin1Char('s');
  return out;
}

}  // namespace clipvane
