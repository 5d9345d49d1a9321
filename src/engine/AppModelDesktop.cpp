// The notices at start that say what this desktop lacks.
#include <QPointer>

#include "AppModel.h"
#include "OnMain.h"
#include "SessionKind.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"

namespace clipvane {

namespace {

// Without an icon the program is reached through its hot keys and its URLs;
// the button leads to the tab that lists the keys.
void noticeNoTray() {
  Ports::get<PanelsPort>().showToast(
      Toast{QStringLiteral("info"), Tint::att,
            QStringLiteral("No system tray: use the hot keys, or open clipvane://settings"),
            Toast::Action{QStringLiteral("Settings"),
                          [] { Ports::get<WindowsPort>().showSettings(SettingsTab::general); }}},
      false);
}

bool trayMissing(const AppSettings& settings) {
  return settings.showInMenuBar && !Ports::get<StatusItemPort>().trayAvailable();
}

}  // namespace

double& AppModel::trayWait() {
  static double seconds = defaultTrayWait;
  return seconds;
}

void AppModel::noticeDesktopLimits() {
  // Under Xwayland the X server sees neither the keys typed into Wayland
  // windows nor lets keystrokes reach them.
  if (Session::current() == SessionKind::xwayland)
    Ports::get<PanelsPort>().showToast(
        Toast{QStringLiteral("info"), Tint::att,
              QStringLiteral(
                  "Wayland: keys can't be caught and pastes can't be sent to Wayland windows"),
              std::nullopt},
        false);
  // An icon the user hid needs no tray. The icon still docks whenever a tray
  // host comes; only the notice is given once.
  if (!trayMissing(settings_)) return;
  onMain(trayWait(), [self = QPointer<AppModel>(this)] {
    if (self && trayMissing(self->settings_)) noticeNoTray();
  });
}

}  // namespace clipvane
