#pragma once
// The launch decisions: first copy or second, URL routing, reopen.
#include <QObject>
#include <QStringList>

#include <optional>

#include "SettingsTab.h"
#include "ports/InstancePort.h"

namespace clipvane {

class AppModel;

// Where a URL of the program's scheme leads.
struct UrlRoute {
  bool activity = false;  // the activity window, no entry selected
  SettingsTab tab = SettingsTab::general;
  bool operator==(const UrlRoute&) const = default;
};

class AppDelegate : public QObject {
  Q_OBJECT

 public:
  // The model to start when this is the first copy (AppModel::shared() when none).
  explicit AppDelegate(AppModel* model = nullptr);

  static constexpr double handOverDelay = 0.3;
  // How long a copy that cannot start stays for its notice to be read.
  static constexpr double defaultRefusalWait = 3.5;
  static double& refusalWait();

  // Nothing for another scheme (compared exactly); host "activity" opens the
  // activity window; else the first path component names the settings tab.
  static std::optional<UrlRoute> route(const QString& url);

  // Before anything else: looks for an older copy.
  void willFinishLaunching();
  // URLs from the command line or handed over by a later copy.
  void open(const QStringList& urls);
  // A second copy hands over after 0.3 s; the first listens and starts the
  // model. When what holds the program's name is not this program, nothing
  // is handed over or started: standard error and a notice say why, and the
  // process ends with 1.
  void didFinishLaunching();
  // The program was launched again while it runs.
  bool shouldHandleReopen();

  const std::optional<RunningCopy>& runningCopy() const { return runningCopy_; }
  const QStringList& openedWith() const { return openedWith_; }

 private:
  AppModel* model_;
  std::optional<RunningCopy> runningCopy_;
  QStringList openedWith_;
};

}  // namespace clipvane
