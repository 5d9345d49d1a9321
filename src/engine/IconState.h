#pragma once
// What the status icon shows.
#include <optional>

namespace clipvane {

struct IconState {
  enum class Badge { copied, masked, restored, blocked, scanning, paused };

  std::optional<Badge> badge;
  bool askFirst = false;  // auto-mask is off: the block is drawn outlined
  bool off = false;       // protection is off: faded and slashed

  bool operator==(const IconState&) const = default;
};

}  // namespace clipvane
