// Which pane each settings tab shows.
#include "AboutPane.h"
#include "AppsPane.h"
#include "AutoMaskPane.h"
#include "GeneralPane.h"
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
      return new GeneralPane(model, parent);
    case SettingsTab::autoMask:
      return new AutoMaskPane(model, parent);
    case SettingsTab::apps:
      return new AppsPane(model, parent);
    case SettingsTab::about:
      return new AboutPane(parent);
  }
  return new SettingsPane(14, parent);
}

}  // namespace clipvane
