#pragma once
// The status menu: built anew from the model every time it opens, it shows
// the protection state and the last copies and starts every action a user
// takes by hand (safe paste, restore, clear, auto-mask, pause, the windows,
// quitting).
#include <QHash>
#include <QMenu>
#include <QPointer>

#include <optional>

#include "AppModel.h"
#include "StatusMenuRows.h"

namespace clipvane {

class StatusMenu : public QMenu {
  Q_OBJECT

 public:
  explicit StatusMenu(AppModel& model, QWidget* parent = nullptr);

  // Empties the menu and builds it from the model (on every opening).
  void rebuild();

  // Protection on and no pause running, at this moment.
  bool isActive() const;

  // The header's two lines for the model's state.
  static QString headerTitle(const AppModel& model);
  static QString headerDetail(const AppModel& model);

  // The hint shown for a stored hot key ("⌃⌘V" → "Ctrl+Super+V"): empty
  // unless exactly one key character follows the modifier glyphs.
  static QString keyHint(const QString& display);

  // When a pause chosen in the menu ends (1: an hour, 2: the start of
  // tomorrow, else until resumed).
  static std::optional<Date> pauseEnd(int choice, Date now);

  // Titles of the items the menu names itself.
  static const QString safePasteTitle;
  static const QString oneHourTitle;
  static const QString quitTitle;

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

 private:
  QAction* addItem(const QString& title, const QString& glyph, const QString& hint,
                   const QString& name);
  QAction* addCopyRow(const AppModel::RecentCopy& copy, bool active);
  // `beside`: a menu of the third level, opened on its parent's far side.
  QMenu* newSubmenu(QWidget* parent, bool beside = false);
  QMenu* maskedSubmenu(const AppModel::RecentCopy& copy, QWidget* parent);
  QMenu* unmaskedSubmenu(const AppModel::RecentCopy& copy, QWidget* parent);
  QMenu* kindMenu(const AppModel::RecentCopy& copy,
                  std::function<void(const AppModel::RecentCopy&, Kind)> run, QWidget* parent);
  void openActivityLater();

  AppModel& model_;
  StatusMenuStyle* style_;
  // The two lines of each recent-copy row of the current build.
  QHash<const QAction*, CopyRowText> rows_;
  // Submenus of the current build, dropped at the next.
  QList<QPointer<QMenu>> submenus_;
};

}  // namespace clipvane
