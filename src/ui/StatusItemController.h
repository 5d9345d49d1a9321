#pragma once
// The program's tray icon: its glyph and tooltip follow the model's state,
// and a click (either button) opens the status menu.
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

#include "IconState.h"
#include "Theme.h"
#include "ports/StatusItemPort.h"

class QImage;
class QSystemTrayIcon;

namespace clipvane {

class AppModel;
class StatusMenu;

class StatusItemController : public QObject, public StatusItemPort {
  Q_OBJECT

 public:
  explicit StatusItemController(AppModel& model, QObject* parent = nullptr);
  ~StatusItemController() override;

  // Creates the tray icon with the model's visibility setting; once.
  void install() override;
  bool isInstalled() const override;
  // Redraws the glyph only when the state changed, sets the tooltip only
  // when its text changed.
  void refresh() override;
  void setVisible(bool visible) override;
  bool trayAvailable() const override;

  // The icon's place on screen; none before install(), while hidden, or
  // when the tray host does not say where the icon is.
  std::optional<QRect> iconFrame() const;

  // What the icon's tooltip says for a state.
  static QString tooltip(const IconState& state);
  // The scheme a glyph must be drawn for to stand out on the panel behind
  // it: dark for a dark panel (light ink). `behind` is a sample of the
  // panel at the icon's place; a null sample leaves the desktop's scheme.
  static Scheme panelScheme(const QImage& behind, Scheme desktop);

  StatusMenu& menu() const { return *menu_; }
  QSystemTrayIcon* trayIcon() const { return item_; }
  // How often the glyph was drawn and the tooltip set since install().
  int drawCount() const { return draws_; }
  int tooltipCount() const { return tips_; }

 private:
  // Opens the menu where the user clicked.
  void openMenu();
  // Samples the panel where the icon sits and redraws when its scheme changed.
  void followPanel();

  AppModel& model_;
  std::unique_ptr<StatusMenu> menu_;
  QSystemTrayIcon* item_ = nullptr;
  std::optional<IconState> shownState_;
  Scheme shownScheme_ = Scheme::light;
  std::optional<QString> shownTip_;
  int draws_ = 0;
  int tips_ = 0;
};

}  // namespace clipvane
