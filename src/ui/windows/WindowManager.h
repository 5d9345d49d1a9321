#pragma once
// Every ordinary window of the program: settings, activity, first run and
// word-list import. Each is created on its first request and kept until the
// process ends; closing one only hides it, and the next request shows the
// same window again, raised and active. Main thread only.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "Activity.h"
#include "ActivityState.h"
#include "ports/WindowsPort.h"

namespace clipvane {

class AppModel;
class SettingsWindow;

// Each window's own file builds it; the manager calls these on first request
// (the import view on every request) and keeps what they return.
// The activity window, a top-level widget following `state`.
QWidget* makeActivityWindow(AppModel& model, ActivityState& state);
// The first-run window, a top-level widget (null: none to show); `close`
// hides it until it is asked for again (it keeps its step).
QWidget* makeFirstRunWindow(AppModel& model, std::function<void()> close);
// A fresh import view for the import window `window` (its file dialog's
// parent); `close` hides the window.
QWidget* makeImportView(AppModel& model, QWidget* window, std::function<void()> close);

class WindowManager : public QObject, public WindowsPort {
 public:
  // The one manager of the program, over AppModel::shared().
  static WindowManager& shared();
  explicit WindowManager(AppModel& model, QObject* parent = nullptr);
  ~WindowManager() override;

  void showSettings(SettingsTab tab) override;
  void showActivity(bool openLatest) override;
  void showFirstRun() override;
  void showImport();
  // A modal message box with the message and its informative text.
  void runAlert(const QString& message, const QString& informative) override;

  // The newest entry (the first of equally new ones); none for no entries.
  static std::optional<Uuid> latest(const std::vector<ActivityEntry>& entries);

  // Null until first shown.
  SettingsWindow* settingsWindow() const;
  QWidget* activityWindow() const { return activityWindow_; }
  QWidget* firstRunWindow() const { return firstRunWindow_; }
  QWidget* importWindow() const { return importWindow_; }
  ActivityState& activityState() { return activityState_; }

 private:
  // Shows the window (normal again when minimised), raises and activates it.
  static void bringForward(QWidget* window);
  static void centre(QWidget* window);

  AppModel& model_;
  QPointer<SettingsWindow> settingsWindow_;
  QPointer<QWidget> firstRunWindow_;
  QPointer<QWidget> activityWindow_;
  QPointer<QWidget> importWindow_;
  QPointer<QWidget> importView_;
  ActivityState activityState_;
};

}  // namespace clipvane
