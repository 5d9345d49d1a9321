#include "Policy.h"

#include <algorithm>

#include "Detector.h"

namespace clipvane::Policy {

std::vector<Summary> summarize(const std::vector<Finding>& findings) {
  std::vector<Summary> out;
  for (const auto& f : findings) {
    auto it = std::find_if(out.begin(), out.end(), [&](const Summary& s) {
      return s.kind == f.kind && s.label == f.label;
    });
    if (it == out.end())
      out.push_back({f.kind, f.label, 1});
    else
      ++it->count;
  }
  return out;
}

}  // namespace clipvane::Policy
