#pragma once
// The icon set's outline table, written by tools/material-symbols/generate.mjs.
#include <array>

namespace clipvane {

struct MaterialOutline {
  const char* name;     // "check", "check.fill"
  const char* outline;  // absolute M, L, Q, Z in the 960 box, y up
};

extern const std::array<MaterialOutline, 68> materialOutlines;

}  // namespace clipvane
