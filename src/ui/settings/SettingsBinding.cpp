// Controls bound to the model's settings.
#include "SettingsBinding.h"

#include <QSignalBlocker>

namespace clipvane::Binding {

void commit(AppModel& model, const std::function<void(AppSettings&)>& change) {
  AppSettings next = model.settings();
  change(next);
  model.setSettings(next);
}

void follow(AppModel& model, QObject* context, std::function<void(const AppSettings&)> refresh) {
  auto run = [&model, context, refresh = std::move(refresh)] {
    const QSignalBlocker quiet(context);
    refresh(model.settings());
  };
  run();
  QObject::connect(&model, &AppModel::settingsChanged, context, run);
}

FormRow* row(const QString& label, QWidget* control, const QString& name) {
  auto* r = new FormRow(label);
  control->setObjectName(name);
  r->addControl(control);
  return r;
}

Checkbox* checkbox(AppModel& model, const QString& title, bool AppSettings::*field,
                   QWidget* parent) {
  auto* box = new Checkbox(title, parent);
  follow(model, box, [box, field](const AppSettings& s) { box->setChecked(s.*field); });
  QObject::connect(box, &QAbstractButton::clicked, box,
                   [&model, field](bool on) { commit(model, field, on); });
  return box;
}

}  // namespace clipvane::Binding
