#include "LoginItem.h"

#include <QDebug>

#include "ports/Ports.h"

namespace clipvane::LoginItem {

bool isOn() {
  const LoginItemStatus status = Ports::get<LoginItemPort>().status();
  return status == LoginItemStatus::enabled || status == LoginItemStatus::requiresApproval;
}

namespace {

void report(const std::optional<QString>& error) {
  if (error) qWarning().noquote() << QStringLiteral("Clipvane: login item: ") + *error;
}

}  // namespace

void set(bool on) {
  if (isOn() == on) return;
  LoginItemPort& port = Ports::get<LoginItemPort>();
  // The setting keeps the user's choice; the next start brings it in line.
  report(on ? port.registerItem() : port.unregisterItem());
}

void retarget() {
  if (isOn()) report(Ports::get<LoginItemPort>().retargetItem());
}

}  // namespace clipvane::LoginItem
