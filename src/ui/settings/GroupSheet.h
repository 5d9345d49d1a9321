#pragma once
// The sheet of one detection group: a check box per kind, one paste action
// for the whole group and, for the network group, the two address switches.
// It edits a private copy of the detection settings and answers once through
// `done`: the edited copy on "Done" (or Return), nothing on "Cancel" (or
// Escape, or closing the window). It never writes the settings and never
// closes itself: its owner does both.

#include <functional>
#include <optional>
#include <vector>

#include "AppSettings.h"
#include "DetectGroups.h"
#include "DetectWidgets.h"

namespace clipvane {

class Checkbox;
class PillButton;
class PopUp;

class GroupSheet : public SheetDialog {
 public:
  using Done = std::function<void(std::optional<DetectionSettings>)>;

  // `detection` starts the working copy; `defaults` (the whole settings at
  // opening) gives the action of a kind that has none of its own.
  GroupSheet(DetectGroup group, DetectionSettings detection, AppSettings defaults, Done done,
             QWidget* parent = nullptr);

  const DetectionSettings& working() const { return working_; }
  // The action the picker shows; none is "Mixed".
  std::optional<PasteAction> shownAction() const;

  // The two answers.
  void confirm() override;
  void reject() override;

 private:
  void answer(std::optional<DetectionSettings> value);
  // Shows the working copy in every control.
  void refresh();

  DetectGroup group_;
  DetectionSettings working_;
  AppSettings defaults_;
  Done done_;
  bool answered_ = false;
  std::vector<std::pair<Kind, Checkbox*>> kinds_;
  PopUp* action_ = nullptr;
  Checkbox* skipLocal_ = nullptr;
  Checkbox* skipPrivate_ = nullptr;
};

}  // namespace clipvane
