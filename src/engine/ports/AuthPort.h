#pragma once
// Asking the device owner to prove who they are (on Linux: PAM).
#include <QString>

#include <functional>

namespace clipvane {

class AuthPort {
 public:
  virtual ~AuthPort() = default;

  // Whether the owner can be asked at all; when not, why (may stay empty).
  virtual bool canEvaluate(QString* error) = 0;
  // Asks the owner, showing the reason. reply runs exactly once, on any
  // thread: true when authenticated; false when refused or cancelled.
  virtual void evaluate(const QString& reason, std::function<void(bool)> reply) = 0;
};

}  // namespace clipvane
