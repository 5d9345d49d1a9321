// Hot keys read in the desktop's words.
#include <gtest/gtest.h>

#include "HotkeyText.h"

namespace clipvane {
namespace {

TEST(HotkeyText, SymbolsBecomeModifierNames) {
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("⌃⌘V"), QStringLiteral("Ctrl+Super+V")},
      {QStringLiteral("⌃⌥⇧K"), QStringLiteral("Ctrl+Alt+Shift+K")},
      {QStringLiteral("F5"), QStringLiteral("F5")},
      {QString(), QString()},
  };
  for (const auto& [stored, shown] : cases)
    EXPECT_EQ(hotkeyText(stored), shown) << stored.toStdString();
}

}  // namespace
}  // namespace clipvane
