// The detection groups of the Detect tab and their switches.
#include "DetectGroups.h"

#include <set>

#include "AppModel.h"

namespace clipvane {

const QString DetectGroup::network = QStringLiteral("Network and device");

const std::vector<DetectGroup>& DetectGroup::all() {
  static const std::vector<DetectGroup> groups = {
      {QStringLiteral("Identity"),
       QStringLiteral("badge"),
       {Kind::name, Kind::ssn, Kind::passport, Kind::birthDate, Kind::driverLicense, Kind::username,
        Kind::identifier, Kind::organization}},
      {QStringLiteral("Contact and location"),
       QStringLiteral("contact_mail"),
       {Kind::email, Kind::phone, Kind::address}},
      {QStringLiteral("Financial"),
       QStringLiteral("credit_card"),
       {Kind::card, Kind::cvv, Kind::iban}},
      {QStringLiteral("Secrets and credentials"),
       QStringLiteral("key"),
       {Kind::privateKey, Kind::apiKey, Kind::secret, Kind::databaseUrl}},
      {network,
       QStringLiteral("lan"),
       {Kind::ipv4, Kind::ipv6, Kind::macAddress, Kind::internalUrl, Kind::userPath}},
      {QStringLiteral("Records"),
       QStringLiteral("description"),
       {Kind::financialRecord, Kind::employmentRecord, Kind::medicalRecord}},
  };
  return groups;
}

const DetectGroup* DetectGroup::find(const QString& title) {
  for (const DetectGroup& group : all())
    if (group.title == title) return &group;
  return nullptr;
}

namespace DetectGroups {

int on(const DetectionSettings& detection, const DetectGroup& group) {
  int count = 0;
  for (Kind kind : group.kinds)
    if (detection.isEnabled(kind)) ++count;
  return count;
}

bool checked(const DetectionSettings& detection, const DetectGroup& group) {
  return on(detection, group) > 0;
}

void setDetected(AppModel& model, const DetectGroup& group, bool detected) {
  for (Kind kind : group.kinds) {
    AppSettings next = model.settings();
    next.detection.setEnabled(kind, detected);
    model.setSettings(next);
  }
}

std::optional<PasteAction> action(const DetectionSettings& working, const AppSettings& defaults,
                                  const DetectGroup& group) {
  std::set<PasteAction> actions;
  for (Kind kind : group.kinds) {
    const auto own = working.kindActions.find(kind);
    actions.insert(own != working.kindActions.end() ? own->second : defaults.action(kind));
  }
  if (actions.size() != 1) return std::nullopt;
  return *actions.begin();
}

void setAction(DetectionSettings& working, const DetectGroup& group,
               std::optional<PasteAction> action) {
  for (Kind kind : group.kinds) {
    if (action)
      working.kindActions[kind] = *action;
    else
      working.kindActions.erase(kind);
  }
}

}  // namespace DetectGroups

}  // namespace clipvane
