#pragma once
// Every port of the engine with its desktop implementation, installed for
// as long as this object lives. Make it after the QApplication, before the
// model starts.
#include "AtspiAccessibility.h"
#include "OllamaModel.h"
#include "PamAuth.h"
#include "SessionBusInstance.h"
#include "X11Appearance.h"
#include "X11Applications.h"
#include "X11Clipboard.h"
#include "X11Display.h"
#include "X11Hotkeys.h"
#include "X11Keyboard.h"
#include "X11Workspace.h"
#include "XdgLoginItem.h"

namespace clipvane::x11 {

class X11Ports {
 public:
  X11Ports();
  ~X11Ports();
  X11Ports(const X11Ports&) = delete;
  X11Ports& operator=(const X11Ports&) = delete;

  X11Display& display;
  X11Clipboard clipboard;
  X11Keyboard keyboard;
  X11Hotkeys hotkeys;
  X11Workspace workspace;
  AtspiAccessibility accessibility;
  SessionBusInstance instance;
  XdgLoginItem loginItem;
  PamAuth auth;
  OllamaModel model;
  X11Applications applications;
  X11Appearance appearance;
};

}  // namespace clipvane::x11
