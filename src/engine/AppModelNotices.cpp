// What the user sees after a paste: the badge on the status icon and the
// result notice.
#include "AppModel.h"
#include "LocaleText.h"
#include "OnMain.h"
#include "Pasteboard.h"
#include "Place.h"
#include "Policy.h"
#include "ports/KeyboardPort.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WindowsPort.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

bool frontIsTerminal() {
  WorkspacePort* workspace = Ports::find<WorkspacePort>();
  return Place::isTerminal(workspace ? workspace->frontmostApplication() : std::nullopt);
}

// Takes back the paste in the destination: Ctrl+Z where keys can be sent.
// A terminal would take Ctrl+Z as "suspend the running program", so there,
// as without the permission, there is only the alert sound.
void undoPaste() {
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  if (keyboard && keyboard->isTrusted(false) && !frontIsTerminal()) {
    Pasteboard::postKey(KeyCode::z, Modifier::control);
    return;
  }
  if (WorkspacePort* workspace = Ports::find<WorkspacePort>()) workspace->beep();
}

}  // namespace

void AppModel::showPasteResult(const std::vector<Finding>& findings, const std::set<int>& locked,
                               const std::vector<int>& hidden, bool pasted) {
  PanelsPort& panels = Ports::get<PanelsPort>();
  if (!locked.empty()) {
    std::vector<Finding> blocked;
    for (int i : locked) blocked.push_back(findings[i]);
    const auto summaries = Policy::summarize(blocked);
    const QString text =
        summaries.size() == 1 && summaries.front().count == 1
            ? QString::fromStdU16String(summaries.front().label) + QStringLiteral(" blocked")
            : LocaleText::count(qlonglong(locked.size())) + QStringLiteral(" items blocked");
    panels.showToast(Toast{QStringLiteral("block"), Tint::bad, text,
                           Toast::Action{QStringLiteral("Review"),
                                         [] { Ports::get<WindowsPort>().showActivity(true); }}},
                     false);
    return;
  }
  if (hidden.empty()) return;
  if (!pasted) {
    // The masked text waits on the clipboard: the user must paste it by hand,
    // with the key the destination takes (the commit has just checked that
    // it is still in front).
    const QString key =
        frontIsTerminal() ? QStringLiteral("Ctrl+Shift+V") : QStringLiteral("Ctrl+V");
    panels.showToast(
        Toast{QStringLiteral("check"), Tint::acc, QStringLiteral("Masked, press ") + key, {}},
        false);
    return;
  }
  if (!settings_.pasteToast) return;
  const QString text = hidden.size() == 1 ? QStringLiteral("1 item masked")
                                          : LocaleText::count(qlonglong(hidden.size())) +
                                                QStringLiteral(" items masked");
  panels.showToast(Toast{QStringLiteral("check"), Tint::acc, text,
                         Toast::Action{QStringLiteral("Undo"), undoPaste}},
                   false);
}

void AppModel::flash(bool AppModel::*flag, double seconds) {
  this->*flag = true;
  emit flashesChanged();
  refreshStatus();
  // Each flash clears its own flag at its time, even when a newer one of the
  // same flag runs.
  QPointer<AppModel> self = this;
  onMain(seconds, [self, flag] {
    if (!self) return;
    self->*flag = false;
    emit self->flashesChanged();
    self->refreshStatus();
  });
}

}  // namespace clipvane
