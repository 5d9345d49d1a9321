#include "Hotkeys.h"

#include <vector>

#include "HotkeyText.h"
#include "OnMain.h"
#include "Toast.h"
#include "ports/KeyboardPort.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"

namespace clipvane {

Hotkeys& Hotkeys::shared() {
  static Hotkeys instance;
  return instance;
}

HotkeyPort& Hotkeys::port() {
  HotkeyPort& current = Ports::get<HotkeyPort>();
  if (port_ != &current) {
    // A new port knows none of the old registrations.
    port_ = &current;
    refs_.clear();
    told_.clear();
    actions_.clear();
    wanted_.clear();
  }
  return current;
}

void Hotkeys::pressed(HotkeyID id, PressedIn pressedIn) {
  // The action runs as its own main-thread task, never inside the system's callback.
  onMain(0, [id = id.id, pressedIn] {
    auto& actions = Hotkeys::shared().actions_;
    const auto it = actions.find(id);
    if (it == actions.end()) return;
    const auto action = it->second;  // the action may re-register and replace itself
    action(pressedIn);
  });
}

void Hotkeys::unregisterHotkey(std::uint32_t id) {
  HotkeyPort& p = port();
  if (const auto it = refs_.find(id); it != refs_.end()) {
    p.unregisterHotkey(it->second);
    refs_.erase(it);
  }
  actions_.erase(id);
  wanted_.erase(id);
}

void Hotkeys::registerHotkey(std::uint32_t id, const AppSettings::Hotkey& hotkey,
                             std::function<void()> action) {
  registerHotkey(id, hotkey, [action = std::move(action)](PressedIn) {
    if (action) action();
  });
}

void Hotkeys::registerHotkey(std::uint32_t id, const AppSettings::Hotkey& hotkey,
                             std::function<void(PressedIn)> action) {
  unregisterHotkey(id);
  wanted_[id] = hotkey;
  actions_[id] = std::move(action);
  if (!suspended_) grab(id);
}

void Hotkeys::grab(std::uint32_t id) {
  HotkeyPort& p = port();
  // Installed with every registration: cheap, and a replaced port gets it too.
  p.setPressHandler(
      [this](HotkeyID pressedId, PressedIn pressedIn) { pressed(pressedId, pressedIn); });
  const AppSettings::Hotkey hotkey = wanted_.at(id);
  const auto ref = p.registerHotkey(hotkey.keyCode, hotkey.modifiers, {signature, id});
  if (!ref) {
    // Refused: this id stays unregistered, and the user hears of it once
    // (every change of the settings registers the hot keys again).
    actions_.erase(id);
    wanted_.erase(id);
    if (told_.insert(hotkey.display).second)
      Ports::get<PanelsPort>().showToast(
          Toast{QStringLiteral("priority_high"), Tint::att,
                QStringLiteral("Hot key %1 can't be used: another program holds it")
                    .arg(hotkeyText(QString::fromStdU16String(hotkey.display))),
                std::nullopt},
          false);
    return;
  }
  refs_[id] = *ref;
}

void Hotkeys::suspend() {
  if (suspended_++) return;
  HotkeyPort& p = port();
  for (const auto& [id, ref] : refs_) p.unregisterHotkey(ref);
  refs_.clear();
}

void Hotkeys::resume() {
  if (suspended_ == 0 || --suspended_) return;
  port();  // a port replaced meanwhile forgets the registrations
  std::vector<std::uint32_t> ids;
  for (const auto& [id, hotkey] : wanted_) ids.push_back(id);
  for (const std::uint32_t id : ids) grab(id);
}

std::optional<AppSettings::Hotkey> Hotkeys::hotkey(const KeyEvent& event) {
  const std::uint32_t held = event.modifiers;
  if (!(held & (Modifier::control | Modifier::option | Modifier::command))) return std::nullopt;
  QString display;
  std::uint32_t mask = 0;
  // Always in this order, whatever order the keys went down in.
  const std::pair<std::uint32_t, char16_t> glyphs[] = {{Modifier::control, u'\u2303'},
                                                       {Modifier::option, u'\u2325'},
                                                       {Modifier::shift, u'\u21E7'},
                                                       {Modifier::command, u'\u2318'}};
  for (const auto& [bit, glyph] : glyphs)
    if (held & bit) {
      display += QChar(glyph);
      mask |= bit;
    }
  const QString key = event.charactersIgnoringModifiers.value_or(QString()).toUpper();
  if (key.isEmpty()) return std::nullopt;
  return AppSettings::Hotkey{event.keyCode, mask, (display + key).toStdU16String()};
}

}  // namespace clipvane
