#pragma once
// The status (tray) icon, as the engine uses it.

namespace clipvane {

class StatusItemPort {
 public:
  virtual ~StatusItemPort() = default;

  // Creates the icon and its menu; once, at start.
  virtual void install() = 0;
  virtual bool isInstalled() const = 0;
  // Redraws from AppModel::shared().iconState() when it changed; cheap otherwise.
  virtual void refresh() = 0;
  virtual void setVisible(bool visible) = 0;
  // A tray host is there to show the icon.
  virtual bool trayAvailable() const = 0;
};

}  // namespace clipvane
