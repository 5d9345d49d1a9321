#pragma once
// The program's windows, as the engine opens them.
#include <QString>

#include "SettingsTab.h"

namespace clipvane {

class WindowsPort {
 public:
  virtual ~WindowsPort() = default;

  // Each shows its window (created once), activates the program and brings
  // the window to the front.
  virtual void showSettings(SettingsTab tab) = 0;
  // Reloads the history first; openLatest selects the newest entry.
  virtual void showActivity(bool openLatest) = 0;
  virtual void showFirstRun() = 0;
  // A modal alert; returns when the user dismissed it.
  virtual void runAlert(const QString& message, const QString& informative) = 0;
};

}  // namespace clipvane
