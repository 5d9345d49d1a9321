#pragma once
// Asking the device owner for their password, checked by PAM as screen
// lockers do (service "clipvane" when installed, else "login"), in a small
// dialog that shows why it asks.
#include <QString>

#include <functional>

#include "ports/AuthPort.h"

namespace clipvane::x11 {

class PamAuth : public AuthPort {
 public:
  // user: whose password is asked (default: the user running the program).
  explicit PamAuth(QString user = {});

  bool canEvaluate(QString* error) override;
  void evaluate(const QString& reason, std::function<void(bool)> reply) override;

  // The PAM service the program uses on this machine.
  static QString service();
  // Blocking: the PAM stack's verdict on the password (may take seconds:
  // stacks delay a failure).
  static bool check(const QString& service, const QString& user, const QString& password);

  // Failed attempts before the dialog gives up.
  static constexpr int attempts = 3;

 private:
  QString user_;
};

}  // namespace clipvane::x11
