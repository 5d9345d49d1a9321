#pragma once
// Starting the program at login (on Linux: the XDG autostart entry).
#include <QString>

#include <optional>

namespace clipvane {

enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

class LoginItemPort {
 public:
  virtual ~LoginItemPort() = default;

  virtual LoginItemStatus status() = 0;
  // Each returns the failure's description, or nothing when it worked.
  virtual std::optional<QString> registerItem() = 0;
  virtual std::optional<QString> unregisterItem() = 0;
  // Makes an item that is on start the program that runs now, where it
  // starts another (a copy elsewhere, or one since removed).
  virtual std::optional<QString> retargetItem() = 0;
};

}  // namespace clipvane
