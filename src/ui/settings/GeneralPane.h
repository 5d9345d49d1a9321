#pragma once
// The General tab: protection, login item, tray icon, the copy alert and the
// three hot keys.
#include "AppModel.h"
#include "SettingsComponents.h"

namespace clipvane {

class GeneralPane : public SettingsPane {
 public:
  explicit GeneralPane(AppModel& model, QWidget* parent = nullptr);

  // The copy alert as one choice: 0 notice ("Toast"), 1 icon only, 2 off.
  static int copyAlert(const AppSettings& s);
  // Commits copyAlert first, then (unless off) the style: up to two saves.
  static void setCopyAlert(AppModel& model, int choice);
};

}  // namespace clipvane
