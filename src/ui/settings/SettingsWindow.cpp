// The settings window and its toolbar of tabs.
#include "SettingsWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "AccessibleRole.h"
#include "Enum.h"
#include "Kit.h"
#include "MaterialSymbols.h"
#include "SettingsComponents.h"
#include "Theme.h"
#include "WindowKit.h"

namespace clipvane {

namespace SettingsTabs {

QString label(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return QStringLiteral("General");
    case SettingsTab::detection:
      return QStringLiteral("Detect");
    case SettingsTab::autoMask:
      return QStringLiteral("Auto-mask");
    case SettingsTab::apps:
      return QStringLiteral("Apps");
    case SettingsTab::about:
      return QStringLiteral("About");
  }
  return {};
}

QString glyph(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return QStringLiteral("tune");
    case SettingsTab::detection:
      return QStringLiteral("shield");
    case SettingsTab::autoMask:
      return QStringLiteral("visibility_off");
    case SettingsTab::apps:
      return QStringLiteral("apps");
    case SettingsTab::about:
      return QStringLiteral("info");
  }
  return {};
}

SettingsTab fromRaw(const QString& raw) {
  return fromRawName<SettingsTab>(raw.toStdString()).value_or(SettingsTab::general);
}

}  // namespace SettingsTabs

namespace {

QFont tabFont() {
  QFont f;
  f.setPixelSize(11);
  return f;
}

// The toolbar's plate: the grouped colour with a hairline under it.
class TabToolbar : public QToolBar {
 public:
  explicit TabToolbar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(24, 24));
    setContentsMargins(0, 4, 0, 4);
    layout()->setSpacing(2);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Theme::color(Theme::grouped));
    p.fillRect(QRectF(0, height() - 0.5, width(), 0.5), Theme::color(Theme::sep));
  }
};

}  // namespace

// ---- SettingsTabButton ------------------------------------------------------------

SettingsTabButton::SettingsTabButton(SettingsTab tab, QWidget* parent)
    : QToolButton(parent), tab_(tab) {
  setObjectName(QStringLiteral("tab.") + QString::fromUtf8(rawName(tab).data()));
  setFont(tabFont());
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setAutoRaise(true);
  setFocusPolicy(Qt::TabFocus);
  AccessibleRole::set(*this, QAccessible::PageTab);
  setAccessibleName(SettingsTabs::label(tab));
}

QSize SettingsTabButton::sizeHint() const {
  const QFontMetrics fm(font());
  const int w = std::max(64, fm.horizontalAdvance(SettingsTabs::label(tab_)) + 20);
  return {w, 4 + 24 + 2 + fm.height() + 4};
}

void SettingsTabButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const bool on = isChecked();
  if (on || isDown()) {
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()).adjusted(2, 1, -2, -1), 6, 6);
    p.fillPath(plate, Theme::color(Theme::fill));
  }
  // Only the keyboard gives a tab the focus: it always shows.
  if (hasFocus()) {
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()).adjusted(2, 1, -2, -1), 6, 6);
    Kit::paintFocusRing(p, plate, false);
  }
  const QColor ink = Theme::color(on ? Theme::acc : Theme::tx2);
  // The glyph 22 wide, one in from each edge of its 24 box.
  const QRectF box((width() - 24) / 2.0, 4, 24, 24);
  MaterialSymbol::paint(p, SettingsTabs::glyph(tab_), box.adjusted(1, 1, -1, -1), ink);
  p.setPen(ink);
  p.setFont(font());
  p.drawText(QRect(0, 4 + 24 + 2, width(), fontMetrics().height()), Qt::AlignHCenter | Qt::AlignTop,
             SettingsTabs::label(tab_));
}

// ---- SettingsWindow ---------------------------------------------------------------------

SettingsWindow::SettingsWindow(AppModel& model, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("settingsWindow"));
  setFixedWindowFlags(*this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  closeOnCtrlW(*this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  toolbar_ = new TabToolbar(this);
  toolbar_->setObjectName(QStringLiteral("settingsToolbar"));
  AccessibleRole::set(*toolbar_, QAccessible::PageTabList);
  toolbar_->setAccessibleName(QStringLiteral("Settings"));
  // Qt's button for tabs that do not fit (they always fit at 680).
  if (auto* more = toolbar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    more->setAccessibleName(QStringLiteral("More Tabs"));
  group_ = new QActionGroup(this);
  group_->setExclusive(true);
  stack_ = new QStackedWidget(this);

  auto* leading = new QWidget(toolbar_);
  leading->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar_->addWidget(leading);
  for (const SettingsTab tab : allCases<SettingsTab>()) {
    auto* action = new QAction(SettingsTabs::label(tab), group_);
    action->setCheckable(true);
    action->setObjectName(QStringLiteral("action.") + QString::fromUtf8(rawName(tab).data()));
    action->setIcon(
        MaterialSymbol::icon(SettingsTabs::glyph(tab), 22, 24, Theme::tx2, Theme::acc, Theme::dis));
    actions_[tab] = action;
    auto* button = new SettingsTabButton(tab, toolbar_);
    button->setDefaultAction(action);
    toolbar_->addWidget(button);
    connect(action, &QAction::triggered, this, [this, tab] { select(tab); });

    QWidget* pane = makeSettingsPane(tab, model, stack_);
    pane->setObjectName(QStringLiteral("pane.") + QString::fromUtf8(rawName(tab).data()));
    panes_[tab] = pane;
    stack_->addWidget(pane);
  }
  auto* trailing = new QWidget(toolbar_);
  trailing->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar_->addWidget(trailing);

  layout->addWidget(toolbar_);
  layout->addWidget(stack_);
  select(SettingsTab::general);
  setFixedSize(SettingsPane::width, toolbar_->sizeHint().height() + SettingsPane::height);
}

void SettingsWindow::select(SettingsTab tab) {
  selected_ = tab;
  actions_.at(tab)->setChecked(true);
  stack_->setCurrentWidget(panes_.at(tab));
  setWindowTitle(programTitle(SettingsTabs::label(tab)));
}

QWidget* SettingsWindow::pane(SettingsTab tab) const { return panes_.at(tab); }

QAction* SettingsWindow::action(SettingsTab tab) const { return actions_.at(tab); }

}  // namespace clipvane
