// The recent copies and their actions.

#include "AppModel.h"
#include "ClipboardDetector.h"
#include "FutureTimeout.h"
#include "LocaleText.h"
#include "OnMain.h"
#include "Policy.h"
#include "TouchID.h"
#include "Wipe.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

bool sameIgnoringCase(const std::u16string& a, const QString& b) {
  return QString::fromStdU16String(a).compare(b, Qt::CaseInsensitive) == 0;
}

void beep() { Ports::get<WorkspacePort>().beep(); }

}  // namespace

QString AppModel::RecentCopy::detail() const {
  if (found.empty()) return QStringLiteral("Nothing found");
  const auto groups = Policy::summarize(found);
  if (groups.size() == 1 && groups.front().count == 1)
    return QString::fromStdU16String(groups.front().label);
  return LocaleText::count(qlonglong(found.size())) + QStringLiteral(" items");
}

AppModel::RecentCopy* AppModel::findCopy(const Uuid& id) {
  for (RecentCopy& copy : recentCopies_)
    if (copy.id == id) return &copy;
  return nullptr;
}

Uuid AppModel::recordCopy(const QString& text, const std::vector<Finding>& findings,
                          std::optional<Uuid> replacing) {
  if (replacing)
    if (RecentCopy* copy = findCopy(*replacing)) {
      copy->found = findings;
      copy->masked = false;
      emit recentCopiesChanged();
      return copy->id;
    }
  RecentCopy copy{Uuid::generate(), text, findings, false, Clock::now()};
  const Uuid id = copy.id;
  recentCopies_.insert(recentCopies_.begin(), std::move(copy));
  while (recentCopies_.size() > std::size_t(maxRecentCopies)) {
    forget(recentCopies_.back());
    recentCopies_.pop_back();
  }
  emit recentCopiesChanged();
  return id;
}

void AppModel::setMasked(std::optional<Uuid> id, bool masked) {
  if (!id) return;
  if (RecentCopy* copy = findCopy(*id); copy && copy->masked != masked) {
    copy->masked = masked;
    emit recentCopiesChanged();
  }
}

void AppModel::putBack(const RecentCopy& copy) {
  assertMainThread();
  if (expired(copy)) return;  // its original is no longer kept
  // Shown wherever the clipboard stands: the original is the point of it.
  afterUnlock(true, [this, copy] {
    const std::optional<qint64> count = Pasteboard::writeOriginals(copy.text);
    if (!count) return;  // another copy came first: it stays
    ++scanGeneration_;   // a scan of the replaced clipboard must not land on this one
    setMasked(copy.id, false);
    lastScan_ = Scan{*count, copy.text, !copy.found.empty()};
    setClipboardFindings(copy.found);
    refreshStatus();
  });
}

void AppModel::ignore(const RecentCopy& copy) {
  assertMainThread();
  if (expired(copy)) return;  // its original is no longer kept
  // The values are ignored only together with the put-back, so a refusal
  // leaves everything as it was.
  afterUnlock(showsOriginal(copy), [this, copy] {
    AppSettings s = settings_;
    for (const Finding& f : copy.found) {
      const QString value = QString::fromStdU16String(f.value);
      const bool known = std::any_of(s.ignored.begin(), s.ignored.end(), [&](const IgnoredText& t) {
        return sameIgnoringCase(t.text, value);
      });
      if (known) continue;
      s.ignored.push_back(IgnoredText{Uuid::generate(), f.value, f.label, Clock::now()});
    }
    setSettings(s);

    if (RecentCopy* listed = findCopy(copy.id); listed && !listed->found.empty()) {
      listed->found.clear();
      emit recentCopiesChanged();
    }
    // The text goes back only over this copy itself (as copied, or masked by
    // us): a newer copy, an image or a password stays where it is.
    if (holdsCopy(copy)) {
      if (const std::optional<qint64> count = Pasteboard::writeOriginals(copy.text)) {
        ++scanGeneration_;  // a scan of the replaced clipboard must not land on this one
        lastScan_ = Scan{*count, copy.text, false};
        setClipboardFindings({});
        refreshStatus();
      }
    }
    setMasked(copy.id, false);
  });
}

bool AppModel::holdsCopy(const RecentCopy& copy) const {
  if (Pasteboard::isLeftAlone()) return false;
  const std::optional<QString> current = Pasteboard::string();
  if (!current) return false;
  return *current == copy.text || (copy.masked && recentSafeTexts_.contains(*current));
}

void AppModel::mark(const std::vector<QString>& texts, Kind kind) {
  assertMainThread();
  AppSettings s = settings_;
  for (const QString& text : texts) {
    std::erase_if(s.marked, [&](const MarkedText& m) { return sameIgnoringCase(m.text, text); });
    s.marked.push_back(MarkedText{Uuid::generate(), text.toStdU16String(), kind});
    std::erase_if(s.ignored, [&](const IgnoredText& t) { return sameIgnoringCase(t.text, text); });
  }
  setSettings(s);
}

bool AppModel::showsOriginal(const RecentCopy& copy) const {
  return holdsCopy(copy) && Pasteboard::string() != copy.text;
}

void AppModel::afterUnlock(bool showsOriginals, std::function<void()> then) {
  if (!showsOriginals || !settings_.touchIDLock) {
    then();
    return;
  }
  TouchID::unlock(QStringLiteral("restore masked values"),
                  [self = QPointer<AppModel>(this), then = std::move(then)](bool ok) {
                    if (ok && self) then();
                  });
}

void AppModel::checkAgain(const RecentCopy& copy) {
  assertMainThread();
  if (expired(copy)) return;  // its original is no longer kept
  afterUnlock(showsOriginal(copy), [this, copy] { checkAgainUnlocked(copy); });
}

void AppModel::checkAgainUnlocked(const RecentCopy& copy) {
  // Rescanning through the clipboard is only sound while it still holds this
  // copy: a newer copy, an image or a password would be lost for good.
  if (!holdsCopy(copy)) {
    redetect(copy);
    return;
  }
  redetections_.erase(copy.id);  // this scan supersedes one under way
  const std::optional<qint64> count = Pasteboard::writeOriginals(copy.text);
  if (count)
    clipboardChanged(copy.text, *count, true, copy.id);
  else
    redetect(copy);  // another copy came first: it stays
}

void AppModel::redetect(const RecentCopy& copy) {
  if (!isProtecting() || copy.text.isEmpty()) return;
  const qint64 ticket = ++redetectTicket_;
  redetections_[copy.id] = ticket;
  onPool(
      qApp, [detector = detectorFor(copy.text), t = copy.text] { return detector.detect(t); },
      [self = QPointer<AppModel>(this), id = copy.id, ticket](std::vector<Finding> findings) {
        if (!self) return;
        AppModel& m = *self;
        // A newer check of this copy, or protection switched off or paused
        // meanwhile, makes this stale.
        const auto pending = m.redetections_.find(id);
        if (pending == m.redetections_.end() || pending->second != ticket) return;
        m.redetections_.erase(pending);
        if (!m.isProtecting()) return;
        if (RecentCopy* listed = m.findCopy(id); listed && listed->found != findings) {
          listed->found = std::move(findings);
          emit m.recentCopiesChanged();
        }
      });
}

void AppModel::changeType(const RecentCopy& copy, Kind kind) {
  assertMainThread();
  if (expired(copy)) return;  // its original is no longer kept
  afterUnlock(showsOriginal(copy), [this, copy, kind] {
    std::vector<QString> values;
    for (const Finding& f : copy.found) values.push_back(QString::fromStdU16String(f.value));
    mark(values, kind);
    checkAgainUnlocked(copy);
  });
}

void AppModel::ignoreLatest() {
  if (!isProtecting()) {
    beep();
    return;
  }
  for (const RecentCopy& copy : recentCopies_)
    if (!copy.found.empty()) {
      ignore(RecentCopy(copy));  // the list changes underneath
      return;
    }
  beep();
}

void AppModel::markLatest() {
  // A copy of nothing but blanks has nothing to mark: an empty term would
  // only clutter the marked texts.
  if (!isProtecting() || recentCopies_.empty() || !recentCopies_.front().found.empty() ||
      recentCopies_.front().text.trimmed().isEmpty()) {
    beep();
    return;
  }
  const RecentCopy latest = recentCopies_.front();
  mark({latest.text.trimmed()}, Kind::custom);
  checkAgain(latest);
}

}  // namespace clipvane
