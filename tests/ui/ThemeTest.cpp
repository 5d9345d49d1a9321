// The palette resolves each role in the desktop's current scheme.
#include <gtest/gtest.h>

#include "Theme.h"
#include "UiTest.h"

namespace clipvane {
namespace {

TEST(Theme, RolesResolveInTheCurrentScheme) {
  struct Case {
    const ThemeColor* role;
    QColor dark, light;
  };
  const Case cases[] = {
      {&Theme::sep, QColor(255, 255, 255, 31), QColor(0x3C, 0x3C, 0x43, 36)},
      {&Theme::fill, QColor(0x76, 0x76, 0x80, 61), QColor(0x76, 0x76, 0x80, 31)},
      {&Theme::shadow, QColor(0, 0, 0, 115), QColor(0, 0, 0, 36)},
      {&Theme::acc, QColor(0x4C, 0x8D, 0xF6), QColor(0x2F, 0x6F, 0xDE)},
  };
  testing::SchemeScope scope;
  for (const Case& c : cases) {
    scope.appearance.isDark = true;
    EXPECT_EQ(Theme::color(*c.role).rgba(), c.dark.rgba());
    scope.appearance.isDark = false;
    EXPECT_EQ(Theme::color(*c.role).rgba(), c.light.rgba());
  }
  EXPECT_EQ(Theme::attNS.resolve(Scheme::dark), Theme::att.resolve(Scheme::dark));
}

TEST(Theme, LightWithoutAnAppearance) {
  Ports::install<AppearancePort>(nullptr);
  EXPECT_EQ(Theme::scheme(), Scheme::light);
  EXPECT_EQ(Theme::color(Theme::tx).rgba(), QColor(0x1F, 0x21, 0x25).rgba());
}

}  // namespace
}  // namespace clipvane
