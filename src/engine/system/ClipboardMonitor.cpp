#include "ClipboardMonitor.h"

#include "OnMain.h"
#include "Pasteboard.h"

namespace clipvane {

ClipboardMonitor::ClipboardMonitor() : lastCount_(Pasteboard::changeCount()) {}

ClipboardMonitor::~ClipboardMonitor() {
  if (timer_) Pasteboard::whenChanged({});
}

void ClipboardMonitor::start() {
  if (timer_) return;
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(intervalMs);
  // Coarse timers may fire up to 5% late, within the tolerance polling allows.
  timer_->setTimerType(Qt::CoarseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { poll(); });
  timer_->start();
  Pasteboard::whenChanged([this] { poll(); });
}

void ClipboardMonitor::poll() {
  assertMainThread();
  const qint64 count = Pasteboard::changeCount();
  if (count == lastCount_) return;
  // Another client's answers still on their way: told again once they are here.
  if (!Pasteboard::ownChanges().count(count) && !Pasteboard::isReadable()) return;
  lastCount_ = count;
  if (Pasteboard::ownChanges().erase(count) != 0) return;
  std::optional<QString> text;
  if (!Pasteboard::isLeftAlone()) text = Pasteboard::string();
  onChange_(std::move(text), count);
}

}  // namespace clipvane
