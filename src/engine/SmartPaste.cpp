#include "SmartPaste.h"

#include "Accessibility.h"
#include "AppModel.h"
#include "OnMain.h"
#include "Pasteboard.h"
#include "Place.h"
#include "Toast.h"
#include "ports/InstancePort.h"
#include "ports/KeyboardPort.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

using Verdict = KeyGrabPort::Verdict;
using Scope = AppSettings::ProtectedApp::Scope;

SmartPaste& SmartPaste::shared() {
  static SmartPaste* instance = new SmartPaste(&AppModel::shared());  // lives with the process
  return *instance;
}

SmartPaste::SmartPaste(AppModel* model) : model_(model) {}

SmartPaste::~SmartPaste() { stop(); }

void SmartPaste::start() {
  KeyGrabPort* port = Ports::find<KeyGrabPort>();
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  if (running_ || port == nullptr || keyboard == nullptr || !keyboard->isTrusted(false)) return;
  const std::weak_ptr<SmartPaste*> self = self_;
  running_ = port->start([this](const KeyGrabPort::Press& press) { return handle(press); },
                         [self] {
                           onMain(0, [self] {
                             if (auto tap = self.lock()) (*tap)->regrab();
                           });
                         });
  // Tried again on every refresh; the user hears of the refusal once.
  if (!running_ && !toldRefused_) {
    toldRefused_ = true;
    Ports::get<PanelsPort>().showToast(
        Toast{QStringLiteral("priority_high"), Tint::att,
              QStringLiteral("Smart Ctrl+V can't catch the paste keys: another program holds them"),
              std::nullopt},
        false);
  }
}

void SmartPaste::stop() {
  if (!running_) return;
  if (KeyGrabPort* port = Ports::find<KeyGrabPort>()) port->stop();
  running_ = false;
}

// Another client took the keys: take them back while the tap is meant to run.
void SmartPaste::regrab() {
  if (!running_) return;
  running_ = false;
  if (KeyGrabPort* port = Ports::find<KeyGrabPort>()) port->stop();
  start();
}

Verdict SmartPaste::handle(const KeyGrabPort::Press& press) {
  if (press.own || press.alt || press.super) return Verdict::replay;
  // The keystrokes that paste the clipboard: Ctrl+V, Ctrl+Shift+V ("paste as
  // plain text" in browsers and editors) and Shift+Insert.
  const bool v = press.keyCode == KeyCode::v && press.control;
  const bool insert = press.keyCode == KeyCode::insert && press.shift && !press.control;
  if (!v && !insert) return Verdict::replay;
  std::optional<RunningApp> front;
  if (WorkspacePort* workspace = Ports::find<WorkspacePort>())
    front = workspace->frontmostApplication();
  // Another window has come to the front since the key went down (the
  // program was held up): the key must not reach it. The safe paste it asks
  // for finds the window changed and says the paste is cancelled.
  const bool moved = press.pressedIn && *press.pressedIn != (front ? front->window : 0);
  if (!moved) {
    // Terminals take Ctrl+V as a literal character, and many paste the
    // primary selection with Shift+Insert: there only Ctrl+Shift+V pastes the
    // clipboard.
    if (Place::isTerminal(front) && !(v && press.shift)) return Verdict::replay;
    if (!shouldIntercept()) return Verdict::replay;
  }
  Pasteboard::userPasteKey() = Pasteboard::Shortcut{
      std::uint16_t(press.keyCode),
      (press.shift ? Modifier::shift : 0) | (press.control ? Modifier::control : 0)};
  QPointer<AppModel> model = model_;
  onMain(0, [model, in = press.pressedIn] {
    if (model) model->safePaste(AppModel::Trigger::smartPaste, in);
  });
  return Verdict::swallow;
}

bool SmartPaste::shouldIntercept() const {
  const AppModel* model = model_.data();
  if (model == nullptr) return false;
  const AppSettings& settings = model->settings();
  if (!settings.smartPaste) return false;
  if (!model->isProtecting()) return false;

  WorkspacePort* workspace = Ports::find<WorkspacePort>();
  const std::optional<RunningApp> front =
      workspace ? workspace->frontmostApplication() : std::nullopt;
  if (!front) return false;
  // Compared as optional texts: two absent ids count as equal.
  InstancePort* instance = Ports::find<InstancePort>();
  const std::optional<QString> own = instance ? instance->bundleIdentifier() : std::nullopt;
  if (front->bundleID == own) return false;

  const std::u16string id = front->bundleID ? front->bundleID->toStdU16String() : u"";
  const AppSettings::ProtectedApp* entry = nullptr;
  if (front->bundleID)
    for (const auto& app : settings.protectedApps)
      if (app.bundleID && *app.bundleID == id) {
        entry = &app;
        break;
      }
  if (settings.appAction(id) == AppSettings::AppAction::off) return false;
  if (entry == nullptr && settings.otherApps != AppSettings::OtherApps::mask) return false;
  const Scope scope = entry ? entry->scope : Scope::allPastes;

  // A clipboard already known to be clean pastes as it is. Asking its owner
  // is left for last: each question is a round trip the key waits for.
  const auto& scan = model->lastScan();
  if (scan && scan->changeCount == Pasteboard::changeCount()) {
    // A scanned clipboard holds text: files and images are never scanned.
    if (!scan->sensitive) return false;
  } else {
    if (Pasteboard::isLeftAlone()) return false;
    const std::optional<QString> text = Pasteboard::string();
    if (!text || text->isEmpty()) return false;
    if (scan && scan->text == *text && !scan->sensitive) return false;
  }

  switch (scope) {
    case Scope::extensionSite:
      return false;
    case Scope::allPastes:
      return true;
    case Scope::aiAgents: {
      const QString title =
          Accessibility::focusedWindowTitle(std::int32_t(front->pid)).value_or(QString()).toLower();
      for (const char* agent : agentNames)
        if (title.contains(QLatin1String(agent))) return true;
      return false;
    }
    case Scope::copilotChat: {
      // A field that could not be read may be the chat box: it is masked.
      const std::optional<QString> texts = Accessibility::answeredFocusedElementText();
      return !texts || texts->toLower().contains(QLatin1String("chat"));
    }
  }
  return false;
}

}  // namespace clipvane
