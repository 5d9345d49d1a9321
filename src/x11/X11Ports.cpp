#include "X11Ports.h"

#include "Place.h"
#include "ports/Ports.h"

namespace clipvane::x11 {

namespace {

template <class Port>
void installAll(Port* port) {
  Ports::install<Port>(port);
}

}  // namespace

X11Ports::X11Ports()
    : display(X11Display::shared()),
      keyboard(display),
      hotkeys(display),
      workspace(display),
      accessibility(
          [this]() -> std::optional<std::int32_t> {
            // The window the user works in, ours included: our own tree is
            // never asked, so our windows give no focused element.
            if (auto w = workspace.activeWindow(true)) return std::int32_t(w->pid);
            return std::nullopt;
          },
          [this](std::int32_t pid) { return workspace.windowTitle(pid); },
          // Only browsers are woken: the program needs the pages of no other
          // application built on Chromium, and waking one costs it what a
          // screen reader costs.
          [this](std::int32_t pid) {
            const auto front = workspace.frontmostApplication();
            if (!front || front->pid != pid || !front->bundleID) return false;
            return Place::browsers().count(front->bundleID->toStdU16String()) > 0;
          }),
      appearance(display) {
  // A key's destination is the window in front as it goes down. Asked on the
  // display's reader thread, which outlives these ports.
  const auto front = [&display = display] { return X11Workspace(display).frontWindow(); };
  keyboard.frontWindow = front;
  hotkeys.frontWindow = front;
  Ports::install<ClipboardPort>(&clipboard);
  Ports::install<KeyboardPort>(&keyboard);
  Ports::install<KeyGrabPort>(&keyboard);
  Ports::install<HotkeyPort>(&hotkeys);
  Ports::install<WorkspacePort>(&workspace);
  Ports::install<AccessibilityPort>(&accessibility);
  Ports::install<InstancePort>(&instance);
  Ports::install<LoginItemPort>(&loginItem);
  Ports::install<AuthPort>(&auth);
  Ports::install<LocalModelPort>(&model);
  Ports::install<AppearancePort>(&appearance);
  Ports::install<ApplicationsPort>(&applications);
}

X11Ports::~X11Ports() {
  Ports::install<ClipboardPort>(nullptr);
  Ports::install<KeyboardPort>(nullptr);
  Ports::install<KeyGrabPort>(nullptr);
  Ports::install<HotkeyPort>(nullptr);
  Ports::install<WorkspacePort>(nullptr);
  Ports::install<AccessibilityPort>(nullptr);
  Ports::install<InstancePort>(nullptr);
  Ports::install<LoginItemPort>(nullptr);
  Ports::install<AuthPort>(nullptr);
  Ports::install<LocalModelPort>(nullptr);
  Ports::install<AppearancePort>(nullptr);
  Ports::install<ApplicationsPort>(nullptr);
}

}  // namespace clipvane::x11
