#pragma once
// The About tab: the mark, name and version, the support address, the
// privacy line and the web site and privacy page.
#include <QString>
#include <QUrl>

#include "SettingsComponents.h"

namespace clipvane {

namespace Edition {
// The product's own addresses.
inline const QString website = QStringLiteral("https://clipvane.app");
inline const QString privacyPage = QStringLiteral("https://clipvane.app/privacy");
inline const QString supportAddress = QStringLiteral("support@clipvane.app");
}  // namespace Edition

class AboutPane : public SettingsPane {
 public:
  explicit AboutPane(QWidget* parent = nullptr);

  // "Version 1.4 (27)": the short version ("1.0" when empty), the build in
  // parentheses unless empty.
  static QString version(const QString& shortVersion, const QString& build);
  // The program's own version, from the build.
  static QString version();
  // Opens an address in the desktop's handler; nothing for one that is no URL.
  static void open(const QString& address);
};

}  // namespace clipvane
