// The road of one copy: scan, record, copy alert or auto-mask, the
// language-model second pass, and clearing the clipboard.

#include "AICheck.h"
#include "AppModel.h"
#include "ClipboardDetector.h"
#include "FutureTimeout.h"
#include "LocaleText.h"
#include "Memory.h"
#include "OnMain.h"
#include "Policy.h"
#include "TouchID.h"
#include "Vault.h"
#include "VaultRecording.h"
#include "Wipe.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

bool modelAvailable() { return AICheck::status() == AICheck::Status::available; }

// What the clipboard holds right now, none when it is left alone (concealed,
// files, an image) or holds no text.
std::optional<QString> clipboardText() {
  if (Pasteboard::isLeftAlone()) return std::nullopt;
  return Pasteboard::string();
}

// The user's clipboard of this change count: the one on the clipboard, or the
// one a safe paste has taken and gives back later.
ClipboardSnapshot userClipboard(qint64 changeCount) {
  const auto& pending = Pasteboard::pendingRestore();
  if (Pasteboard::changeCount() != changeCount && pending && pending->from == changeCount)
    return pending->snapshot;
  return Pasteboard::snapshot();
}

}  // namespace

void AppModel::setClipboardFindings(std::vector<Finding> findings) {
  if (findings == clipboardFindings_) return;
  clipboardFindings_ = std::move(findings);
  emit clipboardFindingsChanged();
}

void AppModel::clipboardChanged(std::optional<QString> text, qint64 changeCount, bool alert,
                                std::optional<Uuid> replacing) {
  assertMainThread();
  if (alert) {
    Ports::get<PanelsPort>().dismissToast();
    if (clearedClipboard_) wipe(*clearedClipboard_);  // its Undo is gone with the notice
    clearedClipboard_.reset();
    letMaskUndoGo();  // so is the auto-mask's
  }
  const qint64 generation = ++scanGeneration_;
  setClipboardFindings({});
  lastScan_.reset();

  if (!text || text->isEmpty() || !isProtecting()) {
    refreshStatus();
    return;
  }
  if (recentSafeTexts_.contains(*text)) {
    // Our own masked output is never scanned again.
    lastScan_ = Scan{changeCount, *text, false};
    refreshStatus();
    return;
  }

  onPool(
      qApp, [detector = detectorFor(*text), t = *text] { return detector.detect(t); },
      [self = QPointer<AppModel>(this), t = *text, generation, changeCount, alert,
       replacing](std::vector<Finding> findings) {
        if (self)
          self->applyScan(std::move(findings), t, generation, changeCount, alert, replacing);
        Memory::giveBackAfter(std::size_t(t.size()) * sizeof(QChar));
      });
}

ClipboardDetector AppModel::detectorFor(const QString& text) const {
  std::vector<Detector::Span> spans;
  if (settings_.aiCheck && modelAvailable())
    if (auto finished = AICheck::shared().finishedSpans(text)) spans = std::move(*finished);
  return ClipboardDetector{Detector{settings_.detection, std::move(spans)}, settings_};
}

void AppModel::applyScan(std::vector<Finding> findings, const QString& text, qint64 generation,
                         qint64 changeCount, bool alert, std::optional<Uuid> replacing) {
  // A newer change, or protection switched off or paused meanwhile, makes this stale.
  if (generation != scanGeneration_ || !isProtecting()) return;
  lastScan_ = Scan{changeCount, text, !findings.empty()};
  std::optional<Uuid> entry;
  if (alert) entry = recordCopy(text, findings, replacing);
  if (!findings.empty()) setClipboardFindings(findings);

  if (alert && settings_.autoMask && !findings.empty()) {
    maskClipboard(text, findings, changeCount, entry, generation, true, nullptr);
    return;
  }
  refreshStatus();
  if (alert) showCopyAlert();

  if (settings_.aiCheck && modelAvailable() && !AICheck::shared().finishedSpans(text))
    checkWithAI(text, generation, alert, entry, std::nullopt, {}, nullptr);
}

void AppModel::showCopyAlert() {
  if (!settings_.copyAlert || settings_.copyAlertStyle != AppSettings::CopyAlertStyle::tag ||
      clipboardFindings_.empty())
    return;
  Toast toast{QStringLiteral("priority_high"), Tint::att, copiedWhat() + QStringLiteral(" copied"),
              Toast::Action{QStringLiteral("Clear"), [self = QPointer<AppModel>(this)] {
                              if (self) self->clearClipboard();
                            }}};
  Ports::get<PanelsPort>().showToast(toast, false);
}

QString AppModel::copiedWhat() const {
  const auto groups = Policy::summarize(clipboardFindings_);
  if (groups.size() == 1 && groups.front().count == 1)
    return QString::fromStdU16String(groups.front().label);
  return LocaleText::count(qlonglong(clipboardFindings_.size())) + QStringLiteral(" items");
}

void AppModel::rememberSafe(const QString& text) {
  if (recentSafeTexts_.size() >= maxSafeTexts) recentSafeTexts_.removeFirst();
  recentSafeTexts_.append(text);
}

// ---- clearing -------------------------------------------------------------------------

void AppModel::clearClipboard() {
  assertMainThread();
  ClipboardSnapshot snapshot = Pasteboard::snapshot();
  if (!Pasteboard::clear()) {
    // Another application's copy came first: it stays, and so does its scan.
    Ports::get<PanelsPort>().showToast(
        Toast{QStringLiteral("remove"), Tint::gray, QStringLiteral("Clipboard not cleared"), {}},
        false);
    return;
  }
  // A scan of what was there must not land on the emptied clipboard.
  ++scanGeneration_;
  setClipboardFindings({});
  lastScan_.reset();
  clearedClipboard_ = std::move(snapshot);
  refreshStatus();
  Toast toast{QStringLiteral("check"), Tint::acc, QStringLiteral("Clipboard cleared"),
              Toast::Action{QStringLiteral("Undo"), [self = QPointer<AppModel>(this)] {
                              if (self) self->undoClear();
                            }}};
  Ports::get<PanelsPort>().showToast(toast, false);
}

void AppModel::undoClear() {
  if (!clearedClipboard_) return;
  ClipboardSnapshot snapshot = std::move(*clearedClipboard_);
  clearedClipboard_.reset();
  const bool back = Pasteboard::restore(snapshot);
  wipe(snapshot);
  if (!back) return;  // another copy came first: it stays
  // A password manager's copy stays unread when it comes back.
  clipboardChanged(clipboardText(), Pasteboard::changeCount(), false, std::nullopt);
}

// ---- auto-mask ----------------------------------------------------------------------------

void AppModel::maskClipboard(const QString& text, const std::vector<Finding>& findings,
                             qint64 changeCount, std::optional<Uuid> entry, qint64 generation,
                             bool checkAI, std::shared_ptr<const ClipboardSnapshot> original) {
  const PastePlan plan = settings_.pastePlan(findings, std::nullopt);
  const double timeToLive = ttl(settings_.retention);
  const Vault::LabelStyle style = settings_.labelStyle;
  const bool reuse = settings_.sameValueSameLabel;
  const QString what = copiedWhat();
  std::shared_ptr<const ClipboardSnapshot> snapshot =
      original ? std::move(original) : sharedWiped(userClipboard(changeCount));
  const Date now = Clock::now();

  onPool(
      qApp,
      [text, findings, locked = plan.locked, timeToLive, style, reuse, now] {
        return VaultRecording::record(text, findings, {}, locked, timeToLive, style, reuse, now);
      },
      [self = QPointer<AppModel>(this), text, findings, changeCount, entry, generation, checkAI,
       snapshot = std::move(snapshot), locked = !plan.locked.empty(),
       what](VaultRecording recording) {
        Memory::giveBackAfter(std::size_t(text.size()) * sizeof(QChar));
        const RenewalNotice renewal(recording.renewed);
        if (!self) return;
        AppModel& m = *self;
        if (generation != m.scanGeneration_ || !m.isProtecting() || !m.settings_.autoMask) return;
        if (!recording.masked) {
          // Another copy or a paste came first: this one is no longer on the clipboard.
          if (Pasteboard::changeCount() != changeCount) return;
          // The clipboard keeps the copy as it is. The user hears it once, and
          // again only after masking has worked in between. A damaged vault
          // set aside on the way has the word this time; the next copy says it.
          if (recording.renewed) return;
          if (!m.maskFailureSaid_)
            Ports::get<PanelsPort>().showToast(
                Toast{QStringLiteral("priority_high"),
                      Tint::bad,
                      QStringLiteral("Not masked (") + recording.why() +
                          QStringLiteral("): the clipboard holds the original"),
                      {}},
                false);
          m.maskFailureSaid_ = true;
          return;
        }
        m.maskFailureSaid_ = false;
        const QString out = *recording.masked;
        // A safe paste may have taken the copy off the clipboard first: it
        // gives it back masked, or has given it back already.
        std::optional<qint64> written;
        const qint64 now = Pasteboard::changeCount();
        const auto& back = Pasteboard::lastReturn();
        if (now == changeCount || (back && back->from == changeCount && back->as == now)) {
          // Refused: another copy came first and the monitor brings it.
          if (!(written = Pasteboard::write(out))) return;
        } else if (!Pasteboard::maskPendingReturn(changeCount, out)) {
          return;  // the user copied something else meanwhile
        }
        m.rememberSafe(out);
        m.setMasked(entry, true);
        m.setClipboardFindings({});
        if (written)
          m.lastScan_ = Scan{*written, out, false};
        else
          m.lastScan_.reset();  // the clipboard holds the paste until the copy comes back
        if (locked)
          m.flash(&AppModel::blockedFlash_, 3.0);
        else if (!Ports::get<WorkspacePort>().reduceMotion())
          m.flash(&AppModel::pastedFlash_, 1.0);
        m.refreshStatus();

        if (written && checkAI && m.settings_.aiCheck && modelAvailable() &&
            !AICheck::shared().finishedSpans(text))
          m.checkWithAI(text, generation, true, entry, out, findings, snapshot);

        if (m.settings_.copyAlert &&
            m.settings_.copyAlertStyle == AppSettings::CopyAlertStyle::tag) {
          m.letMaskUndoGo();
          m.maskUndo_ = std::make_shared<std::optional<MaskUndo>>(MaskUndo{snapshot, entry});
          Toast toast{QStringLiteral("check"), Tint::acc, what + QStringLiteral(" masked"),
                      Toast::Action{QStringLiteral("Undo"),
                                    [self, slot = m.maskUndo_, lock = m.settings_.touchIDLock] {
                                      undoMask(self, slot, lock);
                                    }}};
          Ports::get<PanelsPort>().showToast(toast, false);
        }
      });
}

void AppModel::undoMask(QPointer<AppModel> self, const MaskUndoSlot& slot, bool lockedWhenShown) {
  if (!*slot) return;  // let go with its original
  const qint64 masked = Pasteboard::changeCount();
  auto undo = [self, slot, masked](bool allowed) {
    // A copy made while the owner was asked stays.
    if (!allowed || Pasteboard::changeCount() != masked || !*slot) return;
    const MaskUndo held = std::move(**slot);
    slot->reset();
    if (!Pasteboard::restore(Pasteboard::markedAsOriginals(*held.original)) || !self) return;
    self->setMasked(held.entry, false);
    self->clipboardChanged(clipboardText(), Pasteboard::changeCount(), false, std::nullopt);
  };
  if (self ? self->settings_.touchIDLock : lockedWhenShown)
    TouchID::unlock(QStringLiteral("restore masked values"), undo);
  else
    undo(true);
}

void AppModel::letMaskUndoGo() {
  if (maskUndo_) maskUndo_->reset();
  maskUndo_.reset();
}

// ---- language-model second pass ------------------------------------------------------------

void AppModel::checkWithAI(const QString& text, qint64 generation, bool alert,
                           std::optional<Uuid> entry, std::optional<QString> expectedClipboard,
                           std::vector<Finding> previousFindings,
                           std::shared_ptr<const ClipboardSnapshot> original) {
  const qint64 count = Pasteboard::changeCount();
  AICheck::shared().check(text).then(
      qApp, [self = QPointer<AppModel>(this), text, generation, alert, entry, expectedClipboard,
             previousFindings = std::move(previousFindings), original = std::move(original),
             count](std::vector<Detector::Span> spans) {
        if (!self) return;
        AppModel& m = *self;
        const auto current = [generation, count](const AppModel& model) {
          return generation == model.scanGeneration_ && model.isProtecting() &&
                 model.settings_.aiCheck && modelAvailable() && Pasteboard::changeCount() == count;
        };
        if (spans.empty() || !current(m) ||
            Pasteboard::string() != expectedClipboard.value_or(text))
          return;
        const ClipboardDetector detector{Detector{m.settings_.detection, std::move(spans)},
                                         m.settings_};
        onPool(
            qApp, [detector, text] { return detector.detect(text); },
            [self, text, generation, alert, entry, expectedClipboard, previousFindings, original,
             count, current](std::vector<Finding> found) {
              if (!self || !current(*self)) return;
              AppModel& m = *self;
              if (expectedClipboard && (found == previousFindings || !m.settings_.autoMask)) return;
              if (entry)
                if (RecentCopy* copy = m.findCopy(*entry)) {
                  copy->found = found;
                  emit m.recentCopiesChanged();
                }
              if (alert && m.settings_.autoMask && !found.empty()) {
                m.setClipboardFindings(found);
                m.maskClipboard(text, found, count, entry, generation, false, original);
                return;
              }
              const std::size_t before = m.clipboardFindings_.size();
              const bool sensitive = !found.empty();
              const std::size_t after = found.size();
              m.setClipboardFindings(std::move(found));
              if (m.lastScan_) m.lastScan_->sensitive = sensitive;
              m.refreshStatus();
              if (alert && after > before) m.showCopyAlert();
            });
      });
}

}  // namespace clipvane
