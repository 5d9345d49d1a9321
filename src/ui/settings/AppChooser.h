#pragma once
// The application chooser: the installed applications the desktop lists,
// each with its icon, name and id, narrowed by a search field; a sheet like
// the Detect tab's ("Add" answers Return, "Cancel" Escape). Window-modal over
// the settings window.
#include <QDialog>

#include <optional>
#include <vector>

#include "DetectWidgets.h"
#include "ports/ApplicationsPort.h"

class QAbstractButton;
class QLineEdit;
class QListWidget;

namespace clipvane {

class AppChooser : public SheetDialog {
 public:
  AppChooser(std::vector<InstalledApp> apps, QWidget* parent = nullptr);

  // Runs the chooser over the installed applications; none on cancel.
  static std::optional<InstalledApp> choose(QWidget* parent);
  // The highlighted application; none when nothing is.
  std::optional<InstalledApp> chosen() const;
  QLineEdit* search() const { return search_; }
  QListWidget* list() const { return list_; }
  // Accepts when an application is chosen.
  void confirm() override;

 protected:
  // Down, Up and the page keys in the search field move through the list.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void filter(const QString& text);

  std::vector<InstalledApp> apps_;
  QLineEdit* search_;
  QListWidget* list_;
  QAbstractButton* add_;
};

}  // namespace clipvane
