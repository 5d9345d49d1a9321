#pragma once
// Synthetic keystrokes and the permission to send them.
#include <cstdint>

namespace clipvane {

// Modifier masks shared by hot keys and synthetic keys. On X11: control →
// Control, option → Alt, shift → Shift, command → Super.
namespace Modifier {
inline constexpr std::uint32_t command = 0x100;
inline constexpr std::uint32_t shift = 0x200;
inline constexpr std::uint32_t option = 0x800;
inline constexpr std::uint32_t control = 0x1000;
}  // namespace Modifier

// Virtual key codes of the ANSI layout, the stored form of every key.
namespace KeyCode {
inline constexpr std::uint16_t a = 0x00;
inline constexpr std::uint16_t z = 0x06;
inline constexpr std::uint16_t v = 0x09;
inline constexpr std::uint16_t r = 0x0F;
inline constexpr std::uint16_t i = 0x22;
inline constexpr std::uint16_t p = 0x23;
inline constexpr std::uint16_t m = 0x2E;
inline constexpr std::uint16_t insert = 0x72;
}  // namespace KeyCode

// Carried by every keystroke the program sends, so that its own paste-key
// grab lets them through.
inline constexpr std::uint32_t ownKeystrokeMarker = 0x434C564E;

class KeyboardPort {
 public:
  virtual ~KeyboardPort() = default;

  // Whether this process may send keystrokes and read other applications'
  // accessibility (on X11: the XTest and XFixes extensions on an X11 session).
  // With prompt, a system that can ask the user for the permission does so.
  virtual bool isTrusted(bool prompt = false) = 0;

  // Sends one key event (keyCode: a KeyCode value; modifiers: Modifier
  // bits) carrying the marker. A failed event is dropped silently.
  virtual void postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                            std::uint32_t marker) = 0;

  // Whether the user holds a key down now: the hot key that started a road
  // may still be held, under the grab that delivered it.
  virtual bool keysHeld() { return false; }
};

}  // namespace clipvane
