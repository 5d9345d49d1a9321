#pragma once
// Asks the device owner before originals are shown or restored.
#include <QString>

#include <functional>

namespace clipvane::TouchID {

// completion runs once, on the main thread: true when the owner authenticated.
// When nobody can be asked, the alert "Can’t unlock originals" comes first.
void unlock(const QString& reason, std::function<void(bool)> completion);

}  // namespace clipvane::TouchID
