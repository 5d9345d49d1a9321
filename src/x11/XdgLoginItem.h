#pragma once
// Starting at login through the XDG autostart folder:
// $XDG_CONFIG_HOME/autostart/clipvane.desktop (else ~/.config/autostart).
#include <QString>

#include "ports/LoginItemPort.h"

namespace clipvane::x11 {

class XdgLoginItem : public LoginItemPort {
 public:
  // program: what the entry starts (default: this executable).
  explicit XdgLoginItem(QString program = {});

  LoginItemStatus status() override;
  std::optional<QString> registerItem() override;
  std::optional<QString> unregisterItem() override;
  // Rewrites the Exec line of an entry that is on, and only that line, when
  // it starts anything but the program; leaves the entry alone while the
  // program's own file is gone (replaced by an upgrade, say).
  std::optional<QString> retargetItem() override;

  static QString path();
  // The Exec value of a program path, quoted as desktop entries require.
  static QString execLine(const QString& program);

 private:
  QString program_;
};

}  // namespace clipvane::x11
