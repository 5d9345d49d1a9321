#pragma once
// What the review panel is given before a paste.
#include <QString>

#include <functional>
#include <set>
#include <vector>

#include "Detector.h"

namespace clipvane {

struct ReviewSession {
  QString text;                // the text about to be pasted, unmasked
  std::vector<Finding> found;  // in text order; an index identifies a finding
  std::set<int> locked;        // may not pass, cannot be kept
  QString hotkey;              // the safe-paste hot key as shown; empty when unset
  bool tokens = true;          // previews as numbered tokens, else as partial masks
  // Called with the keep set (indices pasted unmasked, never a locked one).
  std::function<void(const std::set<int>&)> paste;
  // The placeholder the paste will write for each finding with this keep
  // set, empty for one it writes none for; unset: the preview numbers the
  // tokens itself.
  std::function<std::vector<QString>(const std::set<int>& keep)> labels;
};

}  // namespace clipvane
