// The Apps tab.
#include "AppsPane.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>

#include "AppChooser.h"
#include "Kit.h"
#include "KitRows.h"
#include "Place.h"
#include "SettingsBinding.h"
#include "ports/KeyboardPort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

using App = AppSettings::ProtectedApp;

bool isTrusted() {
  auto* keyboard = Ports::find<KeyboardPort>();
  return keyboard && keyboard->isTrusted(false);
}

const std::vector<std::pair<AppSettings::AppAction, QString>>& actionOptions() {
  static const std::vector<std::pair<AppSettings::AppAction, QString>> all = {
      {AppSettings::AppAction::mask, QStringLiteral("Mask")},
      {AppSettings::AppAction::blockKeys, QStringLiteral("Block keys")},
      {AppSettings::AppAction::off, QStringLiteral("Off")}};
  return all;
}

const std::vector<std::pair<App::Scope, QString>>& scopeOptions() {
  static const std::vector<std::pair<App::Scope, QString>> all = {
      {App::Scope::allPastes, QStringLiteral("All pastes")},
      {App::Scope::aiAgents, QStringLiteral("AI agents")},
      {App::Scope::copilotChat, QStringLiteral("AI chat")}};
  return all;
}

// The first entry with this identity; null without one.
App* entry(AppSettings& s, const std::u16string& id) {
  for (App& app : s.protectedApps)
    if (app.id() == id) return &app;
  return nullptr;
}

const QString explanationText = QStringLiteral(
    "Catching Ctrl+V needs an X11 session whose server has the XTEST and XFIXES "
    "extensions. On Wayland, log out and choose an X11 session (such as “GNOME on "
    "Xorg”) at the login screen, then start Clipvane again.");

}  // namespace

void AppsPane::setSmartPaste(AppModel& model, bool on) {
  Binding::commit(model, &AppSettings::smartPaste, on);
  Binding::commit(model, &AppSettings::pasteMethod,
                  on ? AppSettings::PasteMethod::smart : AppSettings::PasteMethod::shortcut);
}

void AppsPane::setEnabled(AppModel& model, const std::u16string& id, bool on) {
  Binding::commit(model, [&](AppSettings& s) { std::erase(s.disabledApps, id); });
  if (!on) Binding::commit(model, [&](AppSettings& s) { s.disabledApps.push_back(id); });
}

void AppsPane::setAction(AppModel& model, const std::u16string& id, AppSettings::AppAction action) {
  AppSettings s = model.settings();
  App* app = entry(s, id);
  if (!app) return;
  app->action = action;
  model.setSettings(s);
}

void AppsPane::setScope(AppModel& model, const std::u16string& id, App::Scope scope) {
  AppSettings s = model.settings();
  App* app = entry(s, id);
  if (!app) return;
  app->scope = scope;
  model.setSettings(s);
}

void AppsPane::add(AppModel& model, const InstalledApp& chosen) {
  if (chosen.id.isEmpty()) return;
  const std::u16string id = chosen.id.toStdU16String();
  for (const App& app : model.settings().protectedApps)
    if (app.bundleID == id) return;
  App app;
  app.name = (chosen.name.isEmpty() ? chosen.id : chosen.name).toStdU16String();
  app.bundleID = id;
  app.scope = Place::isTerminal(std::optional<std::u16string>(id)) ? App::Scope::aiAgents
                                                                   : App::Scope::allPastes;
  Binding::commit(model, [&](AppSettings& s) { s.protectedApps.push_back(app); });
}

AppsPane::AppsPane(AppModel& model, QWidget* parent)
    : SettingsPane(14, parent), model_(model), trusted_(isTrusted()) {
  chooser = [](QWidget* parent) { return AppChooser::choose(parent); };

  // Smart Ctrl+V, with what the desktop must allow for it.
  auto* smart = new FormRow(QStringLiteral("Smart Ctrl+V:"));
  auto* catchBox = new Checkbox(QStringLiteral("Catch Ctrl+V in these apps"));
  catchBox->setObjectName(QStringLiteral("smartPaste"));
  Binding::follow(model, catchBox,
                  [catchBox](const AppSettings& s) { catchBox->setChecked(s.smartPaste); });
  connect(catchBox, &QAbstractButton::clicked, this,
          [&model](bool on) { setSmartPaste(model, on); });
  smart->addControl(catchBox);
  allow_ = new PillButton(QStringLiteral("Allow Accessibility…"), false, 20);
  allow_->setObjectName(QStringLiteral("allowAccessibility"));
  smart->addControl(allow_);
  explanation_ = new ThemeText(explanationText, Theme::tx2);
  explanation_->setObjectName(QStringLiteral("accessibilityExplanation"));
  explanation_->setWordWrap(true);
  explanation_->setFont(Kit::font(13));
  const int textWidth = SettingsPane::width - 56 - FormRow::labelWidth - 12;
  explanation_->setFixedSize(textWidth, explanation_->heightForWidth(textWidth));
  explanation_->hide();
  smart->addControl(explanation_);
  connect(allow_, &QAbstractButton::clicked, this, [this] {
    if (auto* keyboard = Ports::find<KeyboardPort>()) keyboard->isTrusted(true);
    // No settings page grants this on Linux: say what is missing instead.
    explanation_->show();
  });
  addItem(smart);

  table_ = new SettingsTable(
      {{QStringLiteral("App"), std::nullopt}, {QStringLiteral("On paste"), 110}}, true);
  table_->setObjectName(QStringLiteral("appsTable"));
  addItem(table_);

  bar_ = new AddRemoveBar;
  bar_->setObjectName(QStringLiteral("appsBar"));
  connect(bar_, &AddRemoveBar::add, this, &AppsPane::addApp);
  connect(bar_, &AddRemoveBar::remove, this, &AppsPane::removeSelected);
  addItem(bar_, Qt::AlignLeft);

  PopUp* other = Binding::popUp<AppSettings::OtherApps>(
      model,
      {{AppSettings::OtherApps::pasteAsIs, QStringLiteral("Paste as is")},
       {AppSettings::OtherApps::mask, QStringLiteral("Mask")}},
      &AppSettings::otherApps);
  other->setObjectName(QStringLiteral("otherApps"));
  Binding::follow(model, other, [other](const AppSettings& s) { other->setEnabled(s.smartPaste); });
  auto* otherRow = new FormRow(QStringLiteral("Other apps:"));
  otherRow->addControl(other);
  addItem(otherRow);

  Binding::follow(model, this, [this](const AppSettings& s) {
    rebuild(s);
    refreshAllow(s);
  });

  poll_.setInterval(1000);
  connect(&poll_, &QTimer::timeout, this, &AppsPane::poll);
}

void AppsPane::rebuild(const AppSettings& s) {
  table_->clearRows();
  for (const App& app : s.protectedApps) {
    const std::u16string id = app.id();
    auto* appCell = new QWidget;
    auto* appLayout = new QHBoxLayout(appCell);
    appLayout->setContentsMargins(0, 0, 0, 0);
    appLayout->setSpacing(7);
    appLayout->addWidget(new AppIcon(app), 0, Qt::AlignVCenter);
    appLayout->addWidget(new ThemeText(QString::fromStdU16String(app.name)), 1, Qt::AlignVCenter);

    PopUp* action = PopUp::make<AppSettings::AppAction>(
        actionOptions(), app.action.value_or(AppSettings::AppAction::mask),
        [this, id](AppSettings::AppAction v) { setAction(model_, id, v); });
    action->setObjectName(QStringLiteral("action"));
    action->setFixedWidth(110);
    action->setContextMenuPolicy(Qt::CustomContextMenu);
    const App::Scope scope = app.scope;
    connect(action, &QWidget::customContextMenuRequested, action,
            [this, action, id, scope](const QPoint& at) {
              QMenu menu(action);
              menu.setObjectName(QStringLiteral("scopeMenu"));
              menu.addSection(QStringLiteral("Scope"));
              auto* group = new QActionGroup(&menu);
              for (const auto& [value, title] : scopeOptions()) {
                QAction* item = menu.addAction(title);
                item->setCheckable(true);
                item->setChecked(value == scope);
                group->addAction(item);
                connect(item, &QAction::triggered, this,
                        [this, id, value = value] { setScope(model_, id, value); });
              }
              menu.exec(action->mapToGlobal(at));
            });

    TableRow* row = table_->addRow({appCell, action}, selected_ == id, s.isEnabled(app));
    row->setObjectName(QStringLiteral("row.") + QString::fromStdU16String(id));
    row->checkbox()->setAccessibleName(QString::fromStdU16String(app.name));
    connect(row, &TableRow::clicked, this, [this, id] { select(id); });
    connect(row, &TableRow::checkToggled, this,
            [this, id](bool on) { setEnabled(model_, id, on); });
  }
  bar_->setCanRemove(selected_.has_value());
}

void AppsPane::refreshAllow(const AppSettings& s) {
  const bool show = s.smartPaste && !trusted_;
  allow_->setVisible(show);
  if (!show) explanation_->hide();
}

void AppsPane::select(const std::u16string& id) {
  selected_ = id;
  for (TableRow* row : table_->rows())
    row->setSelected(row->objectName() == QStringLiteral("row.") + QString::fromStdU16String(id));
  bar_->setCanRemove(true);
}

void AppsPane::addApp() {
  if (!chooser) return;
  if (const auto chosen = chooser(window())) add(model_, *chosen);
}

void AppsPane::removeSelected() {
  const std::u16string id = selected_.value_or(std::u16string());
  Binding::commit(model_, [&](AppSettings& s) {
    if (selected_) std::erase_if(s.protectedApps, [&](const App& a) { return a.id() == id; });
  });
  Binding::commit(model_, [&](AppSettings& s) {
    if (selected_) std::erase(s.disabledApps, id);
  });
  selected_.reset();
  rebuild(model_.settings());
}

void AppsPane::poll() {
  const bool now = isTrusted();
  if (now == trusted_) return;
  trusted_ = now;
  if (now && model_.settings().smartPaste) model_.refreshSmartPaste();
  refreshAllow(model_.settings());
}

void AppsPane::showEvent(QShowEvent* e) {
  poll_.start();
  SettingsPane::showEvent(e);
}

void AppsPane::hideEvent(QHideEvent* e) {
  poll_.stop();
  SettingsPane::hideEvent(e);
}

}  // namespace clipvane
