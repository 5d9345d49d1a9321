#pragma once
// The six detection groups of the Detect tab: how many kinds of each are
// detected, the group switch (one settings write per kind) and the group's
// paste action as its sheet edits it.
#include <QString>

#include <optional>
#include <vector>

#include "AppSettings.h"
#include "Kinds.h"
#include "Policy.h"

namespace clipvane {

class AppModel;

// A grouping of the settings window only: the switch works on the kinds one
// by one, never on the detector's own groups. Identified by its title.
struct DetectGroup {
  QString title;
  QString glyph;  // icon-set name
  std::vector<Kind> kinds;

  const QString& id() const { return title; }

  // Identity, contact, financial, secrets, network, records: every kind but
  // `custom`, each exactly once.
  static const std::vector<DetectGroup>& all();
  // The group with this title; none for a title no group has.
  static const DetectGroup* find(const QString& title);
  // The one group whose sheet also offers the two address switches.
  static const QString network;
};

namespace DetectGroups {

// How many of the group's kinds the settings detect.
int on(const DetectionSettings& detection, const DetectGroup& group);

// The group's checkbox: on while any of its kinds is detected.
bool checked(const DetectionSettings& detection, const DetectGroup& group);

// Switches every kind of the group, in the group's order, each in a write of
// its own through the model (each saved and applied when it changed anything).
void setDetected(AppModel& model, const DetectGroup& group, bool detected);

// The one action all kinds of the group take (their own action in `working`,
// else the one `defaults` gives them); none when they differ ("Mixed") or the
// group has no kinds.
std::optional<PasteAction> action(const DetectionSettings& working, const AppSettings& defaults,
                                  const DetectGroup& group);

// Stores the action for every kind of the group, even where it equals the
// kind's default; none removes their own actions so they follow the defaults.
void setAction(DetectionSettings& working, const DetectGroup& group,
               std::optional<PasteAction> action);

}  // namespace DetectGroups

}  // namespace clipvane
