#pragma once
// How a pane's controls meet the model: a control shows the current settings
// (refreshed after every change, also one made elsewhere) and a user's choice
// commits by copying the settings, changing fields and assigning the copy
// back, one commit per call, so each is saved and applied on its own.
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

#include "AppModel.h"
#include "KitRows.h"

namespace clipvane::Binding {

// One commit: the current settings changed by `change`, assigned back (an
// unchanged value saves nothing).
void commit(AppModel& model, const std::function<void(AppSettings&)>& change);

template <class T>
void commit(AppModel& model, T AppSettings::*field, T value) {
  commit(model, [&](AppSettings& s) { s.*field = std::move(value); });
}

// Runs `refresh` now and after every change of the settings, while `context`
// lives. Controls are refreshed with their signals blocked.
void follow(AppModel& model, QObject* context, std::function<void(const AppSettings&)> refresh);

// A labelled row holding one control, which takes the object name.
FormRow* row(const QString& label, QWidget* control, const QString& name);

// A check box showing and committing one field.
Checkbox* checkbox(AppModel& model, const QString& title, bool AppSettings::*field,
                   QWidget* parent = nullptr);

// A pop-up over `options` showing get(settings) and handing a choice to set.
template <class T>
PopUp* popUp(AppModel& model, const std::vector<std::pair<T, QString>>& options,
             std::function<T(const AppSettings&)> get, std::function<void(T)> set,
             QWidget* parent = nullptr) {
  PopUp* p = PopUp::make<T>(options, get(model.settings()), std::move(set), parent);
  follow(model, p, [p, get = std::move(get)](const AppSettings& s) { p->select(get(s)); });
  return p;
}

// A pop-up showing and committing one field.
template <class T>
PopUp* popUp(AppModel& model, const std::vector<std::pair<T, QString>>& options,
             T AppSettings::*field, QWidget* parent = nullptr) {
  return popUp<T>(
      model, options, [field](const AppSettings& s) { return s.*field; },
      [&model, field](T v) { commit(model, field, v); }, parent);
}

}  // namespace clipvane::Binding
