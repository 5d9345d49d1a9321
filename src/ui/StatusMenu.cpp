// The status menu's items and what each one starts.
#include "StatusMenu.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QWidgetAction>

#include <algorithm>
#include <chrono>

#include "HotkeyText.h"
#include "LocaleText.h"
#include "OnMain.h"
#include "StatusMenuLook.h"
#include "WordLists.h"
#include "ports/Ports.h"
#include "ports/WindowsPort.h"

namespace clipvane {

const QString StatusMenu::safePasteTitle = QStringLiteral("Paste Safely");
const QString StatusMenu::oneHourTitle = QStringLiteral("For 1 Hour");
const QString StatusMenu::quitTitle = QStringLiteral("Quit Clipvane");

namespace {

// Menu texts treat "&" as a mnemonic marker; user text must not.
QString literal(QString text) { return text.replace(u'&', QStringLiteral("&&")); }

QString withHint(const QString& title, const QString& hint) {
  return hint.isEmpty() ? literal(title) : literal(title) + u'\t' + hint;
}

QDateTime local(Date d) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count());
}

Date fromLocal(const QDateTime& t) {
  return Date{std::chrono::milliseconds(t.toMSecsSinceEpoch())};
}

QString fromU16(const std::u16string& s) { return QString::fromStdU16String(s); }

// A menu of the third level: it opens on the side its parent opened to, so
// that it never covers the menu two levels up (Qt would open it to the right
// of its parent whenever there is room, which near the tray is over the
// status menu itself).
class BesideMenu : public QMenu {
 public:
  using QMenu::QMenu;

 protected:
  void showEvent(QShowEvent* e) override {
    QMenu::showEvent(e);
    QWidget* parentMenu = parentWidget();
    QWidget* topMenu = parentMenu ? parentMenu->parentWidget() : nullptr;
    if (!topMenu || !geometry().intersects(topMenu->geometry())) return;
    const QRect parent = parentMenu->geometry();
    const QRect screen = parentMenu->screen() ? parentMenu->screen()->availableGeometry() : QRect();
    const bool leftward = parent.center().x() < topMenu->geometry().center().x();
    int x = leftward ? parent.left() - width() : parent.right() + 1;
    if (!screen.isEmpty()) x = std::clamp(x, screen.left(), screen.right() + 1 - width());
    move(x, y());
  }
};

}  // namespace

StatusMenu::StatusMenu(AppModel& model, QWidget* parent)
    : QMenu(parent), model_(model), style_(new StatusMenuStyle) {
  setObjectName(QStringLiteral("clipvaneStatusMenu"));
  style_->setParent(this);
  setStyle(style_);
  setMinimumWidth(250);
  // Every item's enabled state is set when it is built; nothing changes
  // while the menu is open.
  connect(this, &QMenu::aboutToShow, this, &StatusMenu::rebuild);
}

bool StatusMenu::isActive() const { return model_.isProtecting(); }

QString StatusMenu::headerTitle(const AppModel& model) {
  const AppSettings& s = model.settings();
  if (!s.protect) return QStringLiteral("Off");
  if (s.isPaused(Clock::now())) return QStringLiteral("Paused");
  if (model.copyAlertActive()) return model.copiedWhat() + QStringLiteral(" copied");
  return QStringLiteral("Protecting");
}

QString StatusMenu::headerDetail(const AppModel& model) {
  const AppSettings& s = model.settings();
  if (!s.protect) return QStringLiteral("Clipboard not protected");
  if (s.isPaused(Clock::now())) return model.pausedText();
  if (model.copyAlertActive())
    return s.autoMask ? QStringLiteral("Masked on paste") : QStringLiteral("Review on paste");
  if (const int hidden = model.hiddenToday(); hidden > 0)
    return LocaleText::count(hidden) + QStringLiteral(" hidden today");
  return QStringLiteral("Nothing hidden today");
}

QString StatusMenu::keyHint(const QString& display) {
  QString key = display;
  for (const QChar glyph : {u'⌃', u'⌥', u'⇧', u'⌘'}) key.remove(glyph);
  if (key.size() != 1) return {};
  // The modifiers in their usual order, then the key.
  QString modifiers;
  for (const QChar glyph : {u'⌃', u'⌥', u'⇧', u'⌘'})
    if (display.contains(glyph)) modifiers += glyph;
  return hotkeyText(modifiers + key.toUpper());
}

std::optional<Date> StatusMenu::pauseEnd(int choice, Date now) {
  if (choice == 1) return now + std::chrono::seconds(3600);
  if (choice == 2) return fromLocal(local(now).addDays(1).date().startOfDay());
  return std::nullopt;
}

QAction* StatusMenu::addItem(const QString& title, const QString& glyph, const QString& hint,
                             const QString& name) {
  QAction* a = addAction(withHint(title, hint));
  a->setObjectName(name);
  if (!glyph.isEmpty()) a->setIcon(StatusMenuLook::row(glyph));
  return a;
}

QMenu* StatusMenu::newSubmenu(QWidget* parent, bool beside) {
  QMenu* menu = beside ? new BesideMenu(parent) : new QMenu(parent);
  menu->setPalette(palette());
  submenus_ << menu;
  return menu;
}

void StatusMenu::rebuild() {
  clear();
  rows_.clear();
  for (const auto& m : submenus_)
    if (m) m->deleteLater();
  submenus_.clear();
  setPalette(Theme::popupPalette());

  const AppSettings settings = model_.settings();
  const bool paused = settings.isPaused(Clock::now());
  const bool active = settings.protect && !paused;

  auto* header = new QWidgetAction(this);
  header->setObjectName(QStringLiteral("statusHeader"));
  header->setDefaultWidget(new MenuHeader(headerTitle(model_), headerDetail(model_)));
  header->setEnabled(false);
  addAction(header);
  addSeparator();

  if (!model_.recentCopies().empty()) {
    auto* last = new QWidgetAction(this);
    last->setObjectName(QStringLiteral("statusLastCopy"));
    // The line is a row of the menu while it offers Review: the keyboard
    // reaches it, and choosing it reviews as its button does.
    last->setDefaultWidget(new LastCopyHeader(
        active, [this] { openActivityLater(); },
        [this, last] { return last->isEnabled() && activeAction() == last; }));
    last->setEnabled(active);
    connect(last, &QAction::triggered, this, [this] { openActivityLater(); });
    addAction(last);
    for (const auto& copy : model_.recentCopies()) addCopyRow(copy, active);
    addSeparator();
  }

  QAction* paste = addItem(safePasteTitle, QStringLiteral("content_paste_go"),
                           keyHint(fromU16(settings.safePasteHotkey.display)),
                           QStringLiteral("statusSafePaste"));
  connect(paste, &QAction::triggered, this, [model = QPointer<AppModel>(&model_)] {
    onMain(0.1, [model] {
      if (model) model->safePaste(AppModel::Trigger::menu);
    });
  });
  QAction* restore =
      addItem(QStringLiteral("Restore Originals"), QStringLiteral("history"),
              keyHint(fromU16(settings.restoreHotkey.display)), QStringLiteral("statusRestore"));
  connect(restore, &QAction::triggered, this, [this] { model_.restoreClipboard(false); });
  QAction* clearItem =
      addItem(QStringLiteral("Clear Clipboard"), QStringLiteral("content_paste_off"), {},
              QStringLiteral("statusClear"));
  connect(clearItem, &QAction::triggered, this, [this] { model_.clearClipboard(); });
  for (QAction* a : {paste, restore, clearItem}) a->setEnabled(active);

  addSeparator();
  // A tick at the right edge says auto-mask is on (no check column).
  QAction* autoMask = addItem(QStringLiteral("Auto-mask"), QStringLiteral("visibility_off"),
                              settings.autoMask ? QStringLiteral("✓") : QString(),
                              QStringLiteral("statusAutoMask"));
  autoMask->setEnabled(active);
  connect(autoMask, &QAction::triggered, this, [this] {
    AppSettings s = model_.settings();
    s.autoMask = !s.autoMask;
    model_.setSettings(s);
  });

  if (!settings.protect) {
    QAction* on = addItem(QStringLiteral("Turn Protection On"), QStringLiteral("play_arrow"), {},
                          QStringLiteral("statusProtection"));
    connect(on, &QAction::triggered, this, [this] {
      AppSettings s = model_.settings();
      s.protect = true;
      model_.setSettings(s);
    });
  } else if (paused) {
    QAction* resume =
        addItem(QStringLiteral("Resume"), QStringLiteral("play_arrow"),
                keyHint(fromU16(settings.pauseHotkey.display)), QStringLiteral("statusProtection"));
    connect(resume, &QAction::triggered, this, [this] { model_.resume(); });
  } else {
    QAction* pause = addItem(QStringLiteral("Pause"), QStringLiteral("pause_circle"), {},
                             QStringLiteral("statusProtection"));
    QMenu* choices = newSubmenu(this);
    choices->setObjectName(QStringLiteral("statusPauseMenu"));
    const std::pair<int, QString> items[] = {{1, oneHourTitle},
                                             {2, QStringLiteral("Until Tomorrow")},
                                             {3, QStringLiteral("Until I Resume")}};
    for (const auto& [choice, title] : items) {
      QAction* a = choices->addAction(literal(title));
      a->setObjectName(QStringLiteral("statusPause%1").arg(choice));
      connect(a, &QAction::triggered, this,
              [this, choice] { model_.pause(pauseEnd(choice, Clock::now())); });
    }
    pause->setMenu(choices);
  }

  addSeparator();
  QAction* activity = addItem(QStringLiteral("Activity…"), QStringLiteral("list_alt"), {},
                              QStringLiteral("statusActivity"));
  connect(activity, &QAction::triggered, this,
          [] { Ports::get<WindowsPort>().showActivity(false); });
  QAction* settingsItem = addItem(QStringLiteral("Settings…"), QStringLiteral("settings"),
                                  QStringLiteral("Ctrl+,"), QStringLiteral("statusSettings"));
  connect(settingsItem, &QAction::triggered, this,
          [] { Ports::get<WindowsPort>().showSettings(SettingsTab::general); });

  addSeparator();
  QAction* quit = addItem(quitTitle, QStringLiteral("power_settings_new"), QStringLiteral("Ctrl+Q"),
                          QStringLiteral("statusQuit"));
  connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
}

QAction* StatusMenu::addCopyRow(const AppModel::RecentCopy& copy, bool active) {
  const QString preview = copyPreview(copy.text, copy.found);
  const QString time = LocaleText::shortTime(copy.date);
  QAction* row = addAction(literal(preview) + u'\t' + time);
  row->setObjectName(QStringLiteral("statusCopyRow"));
  row->setIcon(
      dotIcon(Theme::color(copy.masked ? Theme::accNS : Theme::attNS), devicePixelRatioF()));
  rows_.insert(row, CopyRowText{preview, copy.detail(), time});
  row->setMenu(copy.masked || !copy.found.empty() ? maskedSubmenu(copy, this)
                                                  : unmaskedSubmenu(copy, this));
  row->setEnabled(active);
  return row;
}

QMenu* StatusMenu::maskedSubmenu(const AppModel::RecentCopy& copy, QWidget* parent) {
  QMenu* menu = newSubmenu(parent);
  menu->setObjectName(QStringLiteral("statusMaskedMenu"));
  QAction* show = menu->addAction(StatusMenuLook::plain(QStringLiteral("visibility")),
                                  QStringLiteral("Show Original"));
  connect(show, &QAction::triggered, this, [this, copy] { model_.putBack(copy); });
  QAction* ignore =
      menu->addAction(StatusMenuLook::plain(QStringLiteral("do_not_disturb_on")),
                      withHint(QStringLiteral("Ignore"), keyHint(QStringLiteral("⌃⌘I"))));
  connect(ignore, &QAction::triggered, this, [this, copy] { model_.ignore(copy); });
  QAction* change = menu->addAction(StatusMenuLook::plain(QStringLiteral("swap_horiz")),
                                    QStringLiteral("Change Type"));
  change->setMenu(kindMenu(
      copy, [this](const AppModel::RecentCopy& c, Kind k) { model_.changeType(c, k); }, menu));
  return menu;
}

QMenu* StatusMenu::unmaskedSubmenu(const AppModel::RecentCopy& copy, QWidget* parent) {
  QMenu* menu = newSubmenu(parent);
  menu->setObjectName(QStringLiteral("statusUnmaskedMenu"));
  const auto markAs = [this](const AppModel::RecentCopy& c, Kind kind) {
    model_.mark({c.text.trimmed()}, kind);
    model_.checkAgain(c);
  };
  QAction* mark =
      menu->addAction(StatusMenuLook::plain(QStringLiteral("flag")),
                      withHint(QStringLiteral("Mark Sensitive"), keyHint(QStringLiteral("⌃⌘M"))));
  connect(mark, &QAction::triggered, this, [markAs, copy] { markAs(copy, Kind::custom); });
  QAction* as =
      menu->addAction(StatusMenuLook::plain(QStringLiteral("label")), QStringLiteral("Mark As"));
  as->setMenu(kindMenu(copy, markAs, menu));
  return menu;
}

QMenu* StatusMenu::kindMenu(const AppModel::RecentCopy& copy,
                            std::function<void(const AppModel::RecentCopy&, Kind)> run,
                            QWidget* parent) {
  QMenu* menu = newSubmenu(parent, true);
  menu->setObjectName(QStringLiteral("statusKindMenu"));
  for (const auto& [label, kind] : WordLists::markKinds()) {
    QAction* a = menu->addAction(literal(fromU16(label)));
    connect(a, &QAction::triggered, this, [run, copy, kind = kind] { run(copy, kind); });
  }
  return menu;
}

void StatusMenu::openActivityLater() {
  // The menu closes at once; the window follows once it is gone.
  hide();
  onMain(0.1, [] { Ports::get<WindowsPort>().showActivity(false); });
}

void StatusMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
  QMenu::initStyleOption(option, action);
  if (const auto row = rows_.constFind(action); row != rows_.constEnd())
    option->text = row->encode();
}

}  // namespace clipvane
