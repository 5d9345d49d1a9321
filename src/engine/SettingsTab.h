#pragma once
// The tabs of the settings window, in order.
#include "Enum.h"

namespace clipvane {

enum class SettingsTab { general, detection, autoMask, apps, about };

template <>
struct EnumTraits<SettingsTab> {
  static constexpr std::array<std::string_view, 5> names = {"general", "detection", "automask",
                                                            "apps", "about"};
};

}  // namespace clipvane
