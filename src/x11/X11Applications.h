#pragma once
// The installed applications from the desktop entries of the XDG data
// directories.
#include "ports/ApplicationsPort.h"

namespace clipvane::x11 {

class X11Applications : public ApplicationsPort {
 public:
  std::vector<InstalledApp> applications() override;
  std::optional<InstalledApp> application(const QString& id) override;
};

}  // namespace clipvane::x11
