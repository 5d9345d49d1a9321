// The General tab.
#include "GeneralPane.h"

#include "KitRows.h"
#include "SettingsBinding.h"
#include "ShortcutField.h"

namespace clipvane {

using Binding::row;

namespace {

ShortcutField* hotkeyField(AppModel& model, AppSettings::Hotkey AppSettings::*field) {
  auto* f = new ShortcutField(
      [&model, field] { return model.settings().*field; },
      [&model, field](const AppSettings::Hotkey& h) { Binding::commit(model, field, h); });
  Binding::follow(model, f, [f](const AppSettings&) { f->refresh(); });
  return f;
}

}  // namespace

int GeneralPane::copyAlert(const AppSettings& s) {
  if (!s.copyAlert) return 2;
  return s.copyAlertStyle == AppSettings::CopyAlertStyle::tag ? 0 : 1;
}

void GeneralPane::setCopyAlert(AppModel& model, int choice) {
  Binding::commit(model, &AppSettings::copyAlert, choice != 2);
  if (choice == 2) return;  // the style stays as stored
  Binding::commit(
      model, &AppSettings::copyAlertStyle,
      choice == 0 ? AppSettings::CopyAlertStyle::tag : AppSettings::CopyAlertStyle::iconOnly);
}

GeneralPane::GeneralPane(AppModel& model, QWidget* parent) : SettingsPane(14, parent) {
  using Binding::checkbox;
  addItem(row(QStringLiteral("Protection:"),
              checkbox(model, QStringLiteral("Protect clipboard"), &AppSettings::protect),
              QStringLiteral("protect")));
  addItem(row(QString(),
              checkbox(model, QStringLiteral("Open at login"), &AppSettings::launchAtLogin),
              QStringLiteral("launchAtLogin")));
  addItem(row(QString(),
              checkbox(model, QStringLiteral("Show in system tray"), &AppSettings::showInMenuBar),
              QStringLiteral("showInMenuBar")));
  addItem(new FormDivider);
  addItem(
      row(QStringLiteral("Copy alert:"),
          Binding::popUp<int>(model,
                              {{0, QStringLiteral("Toast")},
                               {1, QStringLiteral("Icon only")},
                               {2, QStringLiteral("Off")}},
                              &GeneralPane::copyAlert, [&model](int v) { setCopyAlert(model, v); }),
          QStringLiteral("copyAlert")));
  addItem(new FormDivider);
  addItem(row(QStringLiteral("Safe paste:"), hotkeyField(model, &AppSettings::safePasteHotkey),
              QStringLiteral("safePasteHotkey")));
  addItem(row(QStringLiteral("Restore:"), hotkeyField(model, &AppSettings::restoreHotkey),
              QStringLiteral("restoreHotkey")));
  addItem(row(QStringLiteral("Pause:"), hotkeyField(model, &AppSettings::pauseHotkey),
              QStringLiteral("pauseHotkey")));
}

}  // namespace clipvane
