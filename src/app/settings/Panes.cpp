// Which pane each settings tab shows.
#include "SettingsComponents.h"
#include "SettingsWindow.h"

// The Detect pane lives in its own files; until they are part of the build
// its tab shows an empty pane.
#if __has_include("DetectPane.h")
#include "DetectPane.h"
#define CLIPVANE_HAS_DETECT_PANE 1
#endif

namespace clipvane {

QWidget* makeSettingsPane(SettingsTab tab, AppModel& model, QWidget* parent) {
  switch (tab) {
    case SettingsTab::detection:
#ifdef CLIPVANE_HAS_DETECT_PANE
      return makeDetectPane(model, parent);
#else
      break;
#endif
    case SettingsTab::general:
    case SettingsTab::autoMask:
    case SettingsTab::apps:
    case SettingsTab::about:
      break;
  }
  (void)model;
  return new SettingsPane(14, parent);
}

}  // namespace clipvane
