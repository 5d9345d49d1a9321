// Which pane each settings tab shows.
#include "AboutPane.h"
#include "AppsPane.h"
#include "AutoMaskPane.h"
#include "DetectPane.h"
#include "GeneralPane.h"
#include "SettingsComponents.h"
#include "SettingsWindow.h"

namespace clipvane {

QWidget* makeSettingsPane(SettingsTab tab, AppModel& model, QWidget* parent) {
  switch (tab) {
    case SettingsTab::detection:
      return makeDetectPane(model, parent);
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
