#include "AppModel.h"

#include "Hotkeys.h"
#include "LoginItem.h"
#include "OnMain.h"
#include "SmartPaste.h"
#include "ports/KeyboardPort.h"
#include "ports/Ports.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"

namespace clipvane {

std::optional<AppModel::Key> AppModel::keyFromRaw(std::uint32_t raw) {
  if (raw < 1 || raw > 5) return std::nullopt;
  return Key(raw);
}

AppModel& AppModel::shared() {
  // Lives until the process ends; nothing is flushed at exit.
  static AppModel* model = new AppModel;
  return *model;
}

AppModel::AppModel()
    : settings_(AppSettings::load()), saved_(settings_), activity_(ActivityStore::read()) {}

AppModel::~AppModel() {
  maskUndo_.reset();  // a notice on screen keeps its Undo
  for (RecentCopy& copy : recentCopies_) forget(copy);
}

// ---- state ---------------------------------------------------------------------

void AppModel::setSettings(const AppSettings& next) {
  assertMainThread();
  if (next == settings_) return;
  const AppSettings old = std::exchange(settings_, next);
  try {
    // Another copy's changes since come along, and apply here too.
    saved_ = settings_ = next.saveOver(saved_);
  } catch (...) {
    // The settings stay in memory and apply all the same; the next change saves again.
  }
  emit settingsChanged();
  applySideEffects(old);
}

void AppModel::setActivity(std::vector<ActivityEntry> activity) {
  assertMainThread();
  activity_ = std::move(activity);
  emit activityChanged();
}

bool AppModel::isProtecting() const {
  return settings_.protect && !settings_.isPaused(Clock::now());
}

bool AppModel::copyAlertActive() const {
  return settings_.copyAlert && isProtecting() && !clipboardFindings_.empty();
}

IconState AppModel::iconState() const {
  IconState state;
  state.askFirst = !settings_.autoMask;
  if (!settings_.protect) {
    state.off = true;
    return state;
  }
  using Badge = IconState::Badge;
  if (settings_.isPaused(Clock::now()))
    state.badge = Badge::paused;
  else if (blockedFlash_)
    state.badge = Badge::blocked;
  else if (pastedFlash_)
    state.badge = Badge::masked;
  else if (restoredFlash_)
    state.badge = Badge::restored;
  else if (copyAlertActive())
    state.badge = Badge::copied;
  return state;
}

void AppModel::refreshStatus() { Ports::get<StatusItemPort>().refresh(); }

// ---- settings side effects ---------------------------------------------------------

void AppModel::applySideEffects(const AppSettings& old) {
  const AppSettings& now = settings_;
  if (old.safePasteHotkey != now.safePasteHotkey || old.restoreHotkey != now.restoreHotkey ||
      old.pauseHotkey != now.pauseHotkey)
    registerHotkeys();

  if (old.launchAtLogin != now.launchAtLogin) LoginItem::set(now.launchAtLogin);

  if (old.smartPaste != now.smartPaste) {
    // Lets a system that asks for the permission ask now; the answer comes
    // through the next refresh.
    if (now.smartPaste) Ports::get<KeyboardPort>().isTrusted(true);
    refreshSmartPaste();
  }

  if (old.pausedUntil != now.pausedUntil) schedulePauseEnd();

  // A shorter retention lets go of what is older at once.
  if (ttl(now.retention) < ttl(old.retention)) keepToRetention();

  if (old.showInMenuBar != now.showInMenuBar) {
    auto& item = Ports::get<StatusItemPort>();
    if (item.isInstalled()) item.setVisible(now.showInMenuBar);
  }

  const Date t = Clock::now();
  const bool pauseEnded = old.isPaused(t) && !now.isPaused(t);
  if (old.detection != now.detection || old.aiCheck != now.aiCheck || old.protect != now.protect ||
      pauseEnded)
    rescanClipboard();

  refreshSmartPaste();
  refreshStatus();
}

void AppModel::rescanClipboard() {
  std::optional<QString> text;
  if (!Pasteboard::isLeftAlone()) text = Pasteboard::string();
  clipboardChanged(std::move(text), Pasteboard::changeCount(), false, std::nullopt);
}

// ---- start-up ---------------------------------------------------------------------------

void AppModel::start() {
  assertMainThread();
  // The login item's real state wins over a saved setting that disagrees.
  if (const bool on = LoginItem::isOn(); settings_.launchAtLogin != on) {
    AppSettings s = settings_;
    s.launchAtLogin = on;
    setSettings(s);
  }
  // An item made by another copy of the program (a build before the package,
  // a package since purged) starts this one from now on.
  LoginItem::retarget();

  registerHotkeys();

  monitor_.setOnChange(
      [self = QPointer<AppModel>(this)](std::optional<QString> text, qint64 count) {
        if (self) self->clipboardChanged(std::move(text), count, true, std::nullopt);
      });
  monitor_.start();

  refreshSmartPaste();

  if (!accessibilityTimer_) {
    accessibilityTimer_ = new QTimer(this);
    accessibilityTimer_->setInterval(1000);
    connect(accessibilityTimer_, &QTimer::timeout, this, [this] {
      assertMainThread();
      refreshSmartPaste();
    });
    accessibilityTimer_->start();
  }

  schedulePauseEnd();

  Ports::get<StatusItemPort>().install();
  noticeDesktopLimits();

  // What expired while the program was not running leaves the vault now.
  startRetentionTicks();

  if (!settings_.onboarded) Ports::get<WindowsPort>().showFirstRun();
}

void AppModel::refreshSmartPaste() {
  const bool trusted = Ports::get<KeyboardPort>().isTrusted(false);
  if (settings_.shouldRunSmartPaste(trusted, Clock::now()))
    SmartPaste::shared().start();
  else
    SmartPaste::shared().stop();
}

void AppModel::registerHotkeys() {
  assertMainThread();
  QPointer<AppModel> self(this);
  auto act = [self](void (AppModel::*fn)()) {
    return [self, fn](Hotkeys::PressedIn) {
      if (self) (self.data()->*fn)();
    };
  };
  struct Entry {
    Key key;
    AppSettings::Hotkey hotkey;
    std::function<void(Hotkeys::PressedIn)> action;
  };
  const Entry table[] = {
      {Key::safePaste, settings_.safePasteHotkey,
       [self](Hotkeys::PressedIn pressedIn) {
         if (self) self->safePaste(Trigger::hotkey, pressedIn);
       }},
      {Key::restore, settings_.restoreHotkey,
       [self](Hotkeys::PressedIn) {
         if (self) self->restoreClipboard(false);
       }},
      {Key::pause, settings_.pauseHotkey, act(&AppModel::togglePause)},
      {Key::ignore,
       {KeyCode::i, Modifier::control | Modifier::command, u"⌃⌘I"},
       act(&AppModel::ignoreLatest)},
      {Key::mark,
       {KeyCode::m, Modifier::control | Modifier::command, u"⌃⌘M"},
       act(&AppModel::markLatest)},
  };
  Hotkeys& hotkeys = Hotkeys::shared();
  for (const Entry& e : table) {
    const auto id = static_cast<std::uint32_t>(e.key);
    if (e.hotkey.display.empty())
      hotkeys.unregisterHotkey(id);
    else
      hotkeys.registerHotkey(id, e.hotkey, e.action);
  }
}

double AppModel::ttl(AppSettings::Retention retention) {
  switch (retention) {
    case AppSettings::Retention::hour:
      return 3600;
    case AppSettings::Retention::day:
      return 86400;
    case AppSettings::Retention::week:
      return 604800;
  }
  return 86400;
}

}  // namespace clipvane
