// The safe paste up to the commit: the trigger, the cheap checks, the wait for
// the local model, detection and plan off the main thread, the destination
// check, and the choice between a plain paste, the review and a commit.
#include <QCoreApplication>
#include <memory>

#include "AICheck.h"
#include "AppModel.h"
#include "ClipboardDetector.h"
#include "FutureTimeout.h"
#include "OnMain.h"
#include "Pasteboard.h"
#include "ReviewSession.h"
#include "Storage.h"
#include "Vault.h"
#include "ports/KeyboardPort.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

// How long the local model may hold up a paste, and how long detection runs
// before the progress notice shows.
constexpr double modelWait = 4.0;
constexpr double progressDelay = 0.3;

Toast progressToast(const QString& text) {
  return Toast{QStringLiteral("progress_activity"), Tint::gray, text, std::nullopt};
}

std::optional<RunningApp> frontmost() {
  if (WorkspacePort* workspace = Ports::find<WorkspacePort>())
    return workspace->frontmostApplication();
  return std::nullopt;
}

struct Detection {
  std::vector<Finding> findings;
  PastePlan plan;
  // The vault as the review's preview numbers from; none when not read.
  std::shared_ptr<const Vault> vault;
};

// The vault a commit would record into now: a damaged one is renewed then,
// so its placeholders start afresh.
std::shared_ptr<const Vault> vaultForReview(double ttl) {
  try {
    return std::make_shared<const Vault>(VaultStore::read(ttl));
  } catch (const std::exception&) {
    return std::make_shared<const Vault>();
  }
}

// The placeholders the commit will write for a keep set: worked out on the
// vault as the review found it, the last answer kept for the next look.
std::function<std::vector<QString>(const std::set<int>&)> reviewLabels(
    std::shared_ptr<const Vault> vault, const QString& text, const std::vector<Finding>& findings,
    const std::set<int>& locked, const AppSettings& settings) {
  struct Last {
    std::set<int> keep;
    std::vector<QString> labels;
  };
  auto last = std::make_shared<std::optional<Last>>();
  return [vault = std::move(vault), text = text.toStdU16String(), findings, locked,
          style = settings.labelStyle, reuse = settings.sameValueSameLabel,
          last](const std::set<int>& keep) {
    if (!*last || (*last)->keep != keep) {
      std::vector<QString> labels;
      for (const std::u16string& label :
           vault->labelsFor(text, findings, keep, locked, style, reuse, Clock::now()))
        labels.push_back(QString::fromStdU16String(label));
      *last = Last{keep, std::move(labels)};
    }
    return (*last)->labels;
  };
}

// A password manager's copy, files or an image are pasted as they stand, by
// the keystroke alone: writing the text again would drop the mark that keeps
// clipboard histories from recording it, or turn the files into text.
void pasteAsItStands() {
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  if (keyboard == nullptr || !keyboard->isTrusted(false)) return;
  const Pasteboard::Shortcut key = Pasteboard::pasteShortcut();
  Pasteboard::postKey(key.keyCode, key.modifiers);
}

// A paste of the text as it stands; one that never arrived (the X server
// refused the write, or another copy came before the key) says so rather
// than leaving the user to wonder why nothing arrived.
void pasteUnchanged(const QString& text) {
  Pasteboard::paste(text, false, [](Pasteboard::PasteResult result) {
    if (result != Pasteboard::PasteResult::failed) return;
    Ports::get<PanelsPort>().showToast(
        Toast{QStringLiteral("remove"), Tint::gray, QStringLiteral("Paste failed"), {}}, false);
  });
}

// The review on screen answers at most once, and not at all once a newer
// safe paste has closed it.
std::shared_ptr<bool>& openReview() {
  static std::shared_ptr<bool> token;
  return token;
}

void closeReview() {
  if (openReview()) *openReview() = false;
  openReview().reset();
}

}  // namespace

void AppModel::safePaste(Trigger trigger, std::optional<quint64> pressedIn) {
  assertMainThread();
  // A paste whose text was fetched a moment ago is done.
  if (safePasteWaiting_) Pasteboard::noteFetches();
  if (safePasteWaiting_) return;
  if (trigger != Trigger::smartPaste) Pasteboard::userPasteKey().reset();
  PanelsPort& panels = Ports::get<PanelsPort>();
  panels.dismissAll();
  closeReview();
  // A copy made since the monitor's last look starts its road now: the paste
  // gives the clipboard back as that road leaves it (masked, with auto-mask).
  monitor_.poll();

  const std::optional<QString> text = Pasteboard::string();
  // The key's destination is the window in front when it went down: one
  // that has come to the front since (while a slow clipboard owner or a long
  // task held the program up) gets nothing.
  const std::optional<RunningApp> app = frontmost();
  if (pressedIn && *pressedIn != (app ? app->window : 0)) {
    showPasteCancelled();
    return;
  }
  if (!text) {
    if (WorkspacePort* workspace = Ports::find<WorkspacePort>()) workspace->beep();
    return;
  }
  if (text->isEmpty()) return;
  if (Pasteboard::isLeftAlone()) {
    pasteAsItStands();
    return;
  }
  if (!isProtecting()) {
    pasteUnchanged(*text);
    return;
  }

  std::optional<AppSettings::AppAction> action;
  if (trigger == Trigger::smartPaste) {
    const std::u16string id =
        app && app->bundleID ? app->bundleID->toStdU16String() : std::u16string();
    action = settings_.appAction(id);
  }

  if (settings_.aiCheck && AICheck::status() == AICheck::Status::available) {
    if (auto spans = AICheck::shared().finishedSpans(*text)) {
      safePaste(*text, app, action, std::move(*spans));
      return;
    }
    safePasteWaiting_ = true;
    panels.showToast(progressToast(QStringLiteral("Checking on device")), true);
    QPointer<AppModel> self = this;
    AICheck::shared()
        .spans(*text, modelWait)
        .then(QCoreApplication::instance(),
              [self, text = *text, app, action](std::vector<Detector::Span> spans) {
                if (!self) return;
                self->safePasteWaiting_ = false;
                // The check may have been switched off (or the server gone) meanwhile.
                if (!self->settings_.aiCheck || AICheck::status() != AICheck::Status::available)
                  spans.clear();
                self->safePaste(text, app, action, std::move(spans));
              });
    return;
  }
  safePaste(*text, app, action, {});
}

void AppModel::safePaste(const QString& text, std::optional<RunningApp> app,
                         std::optional<AppSettings::AppAction> action,
                         std::vector<Detector::Span> ai) {
  const AppSettings settings = settings_;
  const ClipboardDetector detector{Detector{settings.detection, std::move(ai)}, settings};
  safePasteWaiting_ = true;

  // The progress notice comes only when detection takes a noticeable time.
  auto detecting = std::make_shared<bool>(true);
  QPointer<AppModel> self = this;
  onMain(progressDelay, [self, detecting] {
    if (self && *detecting)
      Ports::get<PanelsPort>().showToast(progressToast(QStringLiteral("Checking")), true);
  });

  onPool(
      QCoreApplication::instance(),
      [detector, settings, text, action] {
        Detection d;
        d.findings = detector.detect(text);
        d.plan = settings.pastePlan(d.findings, action);
        const bool review = settings.autoMask ? d.plan.ask
                                              : settings.whenAutoMaskOff ==
                                                    AppSettings::WhenAutoMaskOff::showReview;
        if (review && !d.findings.empty()) d.vault = vaultForReview(ttl(settings.retention));
        return d;
      },
      [self, detecting, text, app](Detection d) {
        *detecting = false;
        if (!self) return;
        self->safePasteWaiting_ = false;
        PanelsPort& panels = Ports::get<PanelsPort>();
        panels.dismissToast();
        if (!self->isCurrentDestination(app)) {
          showPasteCancelled();
          return;
        }
        if (d.findings.empty()) {
          pasteUnchanged(text);
          return;
        }
        const AppSettings& now = self->settings_;
        const bool review = now.autoMask
                                ? d.plan.ask
                                : now.whenAutoMaskOff == AppSettings::WhenAutoMaskOff::showReview;
        if (!review) {
          std::set<int> keep;
          if (!now.autoMask)  // originals pass, locked values still go
            for (int i = 0; i < int(d.findings.size()); ++i)
              if (!d.plan.locked.count(i)) keep.insert(i);
          self->commit(text, d.findings, keep, d.plan.locked, app);
          return;
        }
        ReviewSession session;
        session.text = text;
        session.found = d.findings;
        session.locked = d.plan.locked;
        session.hotkey = QString::fromStdU16String(now.safePasteHotkey.display);
        session.tokens = now.labelStyle == Vault::LabelStyle::token;
        session.labels = reviewLabels(d.vault ? d.vault : vaultForReview(ttl(now.retention)), text,
                                      d.findings, d.plan.locked, now);
        closeReview();
        auto open = std::make_shared<bool>(true);
        openReview() = open;
        session.paste = [self, open, text, findings = d.findings, locked = d.plan.locked,
                         app](const std::set<int>& keep) {
          if (!*open) return;
          *open = false;
          if (self) self->commit(text, findings, keep, locked, app);
        };
        panels.showReview(session);
      });
}

void AppModel::showPasteCancelled() {
  Ports::get<PanelsPort>().showToast(
      Toast{QStringLiteral("remove"), Tint::gray, QStringLiteral("Paste cancelled"), {}}, false);
}

bool AppModel::isCurrentDestination(const std::optional<RunningApp>& app) const {
  if (!app) return true;
  const std::optional<RunningApp> front = frontmost();
  // The same window too: another window of the same process (a second
  // terminal window of one terminal server) is another destination.
  return front && front->pid == app->pid && front->window == app->window;
}

}  // namespace clipvane
