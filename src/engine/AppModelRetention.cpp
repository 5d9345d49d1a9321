// Originals keep to the retention: the vault file and the recent copies let
// them go once they are older, checked at start, when the retention changes
// and every little while as the program runs.
#include "AICheck.h"
#include "AppModel.h"
#include "OnMain.h"
#include "Vault.h"
#include "Wipe.h"

namespace clipvane {

bool AppModel::expired(const RecentCopy& copy) const {
  const Date now = Clock::now();
  // A copy dated ahead was made while the clock ran ahead: it counts from now.
  const Date made = std::min(copy.date, now);
  return made < now - std::chrono::seconds(std::llround(ttl(settings_.retention)));
}

void AppModel::keepToRetention() {
  assertMainThread();
  const Date now = Clock::now();
  bool gone = false;
  for (RecentCopy& copy : recentCopies_) copy.date = std::min(copy.date, now);
  for (auto it = recentCopies_.begin(); it != recentCopies_.end();) {
    if (!expired(*it)) {
      ++it;
      continue;
    }
    RecentCopy copy = std::move(*it);
    it = recentCopies_.erase(it);
    redetections_.erase(copy.id);
    forget(copy);
    gone = true;
  }
  if (gone) emit recentCopiesChanged();
  try {
    VaultStore::prune(ttl(settings_.retention), now);
  } catch (const std::exception&) {
    // A vault that cannot be read now is tried again at the next tick; one
    // that is damaged is set aside by the next copy's recording.
  }
}

void AppModel::forget(RecentCopy& copy) {
  if (maskUndo_ && *maskUndo_ && (*maskUndo_)->entry == copy.id) letMaskUndoGo();
  AICheck::shared().forget(copy.text);
  wipe(copy.text);
  wipe(copy.found);
}

void AppModel::startRetentionTicks() {
  if (retentionTimer_) return;
  retentionTimer_ = new QTimer(this);
  // The wall clock may jump (a suspend, NTP): each tick looks at it afresh.
  retentionTimer_->setInterval(retentionTick);
  connect(retentionTimer_, &QTimer::timeout, this, &AppModel::keepToRetention);
  retentionTimer_->start();
  keepToRetention();
}

}  // namespace clipvane
