#include "LoginItem.h"

#include <QDebug>

#include "ports/Ports.h"

namespace clipvane::LoginItem {

bool isOn() {
  const LoginItemStatus status = Ports::get<LoginItemPort>().status();
  return status == LoginItemStatus::enabled || status == LoginItemStatus::requiresApproval;
}

void set(bool on) {
  if (isOn() == on) return;
  LoginItemPort& port = Ports::get<LoginItemPort>();
  const auto error = on ? port.registerItem() : port.unregisterItem();
  // The setting keeps the user's choice; the next start brings it in line.
  if (error) qWarning().noquote() << QStringLiteral("Clipvane: login item: ") + *error;
}

}  // namespace clipvane::LoginItem
