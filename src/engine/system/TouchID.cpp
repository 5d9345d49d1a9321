#include "TouchID.h"

#include <memory>

#include "OnMain.h"
#include "ports/AuthPort.h"
#include "ports/Ports.h"
#include "ports/WindowsPort.h"

namespace clipvane::TouchID {

void unlock(const QString& reason, std::function<void(bool)> completion) {
  AuthPort& auth = Ports::get<AuthPort>();
  QString error;
  if (!auth.canEvaluate(&error)) {
    onMain(0, [error, completion = std::move(completion)] {
      Ports::get<WindowsPort>().runAlert(QStringLiteral("Can’t unlock originals"), error);
      completion(false);
    });
    return;
  }
  // The answer may come on any thread; the completion runs once, on the main one.
  auto done = std::make_shared<std::function<void(bool)>>(std::move(completion));
  auth.evaluate(reason, [done](bool ok) {
    onMain(0, [done, ok] {
      if (!*done) return;
      auto fn = std::move(*done);
      *done = nullptr;
      fn(ok);
    });
  });
}

}  // namespace clipvane::TouchID
