#pragma once
// The Auto-mask tab: automatic masking, the placeholder style with an
// example, the result notice, the paste actions of secrets, records and the
// rest, and how the protected applications' own actions apply.
#include "AppModel.h"
#include "SettingsComponents.h"

namespace clipvane {

class AutoMaskPane : public SettingsPane {
 public:
  explicit AutoMaskPane(AppModel& model, QWidget* parent = nullptr);

  // The example chip's text for a style.
  static QString example(Vault::LabelStyle style);
  // "Secrets:" shows secretsAction and sets it, then keysAction: two commits.
  static void setSecrets(AppModel& model, PasteAction action);
};

}  // namespace clipvane
