#pragma once
// The registry of global hot keys.
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "AppSettings.h"
#include "ports/HotkeyPort.h"

namespace clipvane {

// A key press as the settings window's shortcut recorder sees it.
struct KeyEvent {
  std::uint32_t keyCode = 0;    // stored virtual key code
  std::uint32_t modifiers = 0;  // Modifier bits held
  // The characters the key types without modifiers; none when it types none.
  std::optional<QString> charactersIgnoringModifiers;
};

class Hotkeys {
 public:
  // "CLKY": carried by every registration of this program.
  static constexpr std::uint32_t signature = 0x434C4B59;

  static Hotkeys& shared();

  // The window of the application in front when the key went down (0: none);
  // none when the system cannot tell.
  using PressedIn = std::optional<std::uint64_t>;

  // Replaces the id's registration; a combination the system refuses stays
  // unregistered, and a notice says so once.
  void registerHotkey(std::uint32_t id, const AppSettings::Hotkey& hotkey,
                      std::function<void(PressedIn)> action);
  void registerHotkey(std::uint32_t id, const AppSettings::Hotkey& hotkey,
                      std::function<void()> action);
  void unregisterHotkey(std::uint32_t id);
  bool isRegistered(std::uint32_t id) const { return refs_.count(id) != 0; }

  // Lets every combination go while a shortcut recorder listens, so that the
  // keys the user types reach it; registrations made meanwhile wait. Nested:
  // the last resume() grabs them all again.
  void suspend();
  void resume();
  bool isSuspended() const { return suspended_ > 0; }

  // The hot key a key press would record, or none (no control, option or
  // command held, or no characters).
  static std::optional<AppSettings::Hotkey> hotkey(const KeyEvent& event);

 private:
  HotkeyPort& port();
  void pressed(HotkeyID id, PressedIn pressedIn);

  HotkeyPort* port_ = nullptr;  // the port the press handler is installed on
  std::map<std::uint32_t, std::uint64_t> refs_;
  std::map<std::uint32_t, std::function<void(PressedIn)>> actions_;
  // What each id asked for, to grab again after a suspension.
  std::map<std::uint32_t, AppSettings::Hotkey> wanted_;
  int suspended_ = 0;
  // The combinations refused so far, each told once.
  std::set<std::u16string> told_;

  void grab(std::uint32_t id);
};

}  // namespace clipvane
