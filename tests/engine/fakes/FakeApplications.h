#pragma once
// The installed applications as a test sets them; installed for its life.
#include <vector>

#include "ports/ApplicationsPort.h"
#include "ports/Ports.h"

namespace clipvane::fakes {

class FakeApplications : public ApplicationsPort {
 public:
  FakeApplications() { Ports::install<ApplicationsPort>(this); }
  ~FakeApplications() override { Ports::install<ApplicationsPort>(nullptr); }
  FakeApplications(const FakeApplications&) = delete;
  FakeApplications& operator=(const FakeApplications&) = delete;

  std::vector<InstalledApp> listed;
  // Installed but not listed (hidden entries).
  std::vector<InstalledApp> hidden;

  std::vector<InstalledApp> applications() override { return listed; }
  std::optional<InstalledApp> application(const QString& id) override {
    for (const auto* list : {&listed, &hidden})
      for (const auto& app : *list)
        if (app.id == id) return app;
    return std::nullopt;
  }
};

}  // namespace clipvane::fakes
