#pragma once
// The application chooser: the installed applications the desktop lists,
// each with its icon, name and id, narrowed by a search field. Window-modal
// over the settings window.
#include <QDialog>

#include <optional>
#include <vector>

#include "ports/ApplicationsPort.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace clipvane {

class AppChooser : public QDialog {
 public:
  AppChooser(std::vector<InstalledApp> apps, QWidget* parent = nullptr);

  // Runs the chooser over the installed applications; none on cancel.
  static std::optional<InstalledApp> choose(QWidget* parent);
  // The highlighted application; none when nothing is.
  std::optional<InstalledApp> chosen() const;
  QLineEdit* search() const { return search_; }
  QListWidget* list() const { return list_; }

 protected:
  // Down, Up and the page keys in the search field move through the list.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void filter(const QString& text);

  std::vector<InstalledApp> apps_;
  QLineEdit* search_;
  QListWidget* list_;
  QPushButton* add_;
};

}  // namespace clipvane
