// The first-run window's steps.
#include "FirstRunView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "AppModel.h"
#include "DetectWidgets.h"
#include "HotkeyText.h"
#include "Kit.h"
#include "KitRows.h"
#include "MaterialSymbols.h"
#include "WindowKit.h"
#include "WindowManager.h"
#include "ports/KeyboardPort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

// A glyph centred on a 56 x 56 plate.
QWidget* stepIcon(const QString& glyph, double size, const ThemeColor& ink, const ThemeColor& plate,
                  double radius) {
  auto* square = new Plate(plate, radius);
  square->setFixedSize(56, 56);
  auto* layout = new QHBoxLayout(square);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new MaterialIcon(glyph, size, ink), 0, Qt::AlignCenter);
  return square;
}

const ThemeColor white{0xFFFFFF, 0xFFFFFF};

}  // namespace

FirstRunView::FirstRunView(AppModel& model, std::function<void()> close, QWidget* parent)
    : QWidget(parent), model_(model), close_(std::move(close)), trusted_(readTrust(false)) {
  setObjectName(QStringLiteral("firstRunView"));
  setFont(Kit::font(13));
  column_ = plateColumn(this, Theme::card, {20, 16, 20, 20}, 20);
  // The plate's width, so that the window, whose size its content sets, is
  // that wide too.
  column_->parentWidget()->setFixedWidth(340);
  poll_.setInterval(1000);
  connect(&poll_, &QTimer::timeout, this, &FirstRunView::poll);
  poll_.start();
  // The hot-key caps show the settings as they are now.
  connect(&model_, &AppModel::settingsChanged, this, [this] {
    if (step_ == Step::ready) rebuild();
  });
  rebuild();
}

bool FirstRunView::readTrust(bool prompt) {
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  return keyboard != nullptr && keyboard->isTrusted(prompt);
}

QString FirstRunView::accessHelp(bool wayland) {
  const QString missing =
      wayland ? QStringLiteral(
                    "This is a Wayland session, where Clipvane cannot send the paste keystroke or "
                    "follow the clipboard. Log out, choose an X11 (Xorg) session at the login "
                    "screen and log in again.")
              : QStringLiteral(
                    "The X server lacks the XTEST or XFIXES extension that Clipvane needs to send "
                    "the paste keystroke and follow the clipboard. Both are part of every Xorg "
                    "server: turn them back on in its configuration and start the session again.");
  return missing + QStringLiteral(
                       "\n\nApps built with Qt show their text fields to Clipvane only when "
                       "accessibility was on when they started: turn on assistive technologies "
                       "in your desktop's accessibility settings, then restart those apps.");
}

void FirstRunView::apply() {
  const auto write = [this](auto field, auto value) {
    AppSettings s = model_.settings();
    s.*field = value;
    model_.setSettings(s);
  };
  write(&AppSettings::autoMask, mode_ != Mode::ask);
  write(&AppSettings::whenAutoMaskOff, AppSettings::WhenAutoMaskOff::showReview);
  write(&AppSettings::pasteMethod, mode_ == Mode::shortcut ? AppSettings::PasteMethod::shortcut
                                                           : AppSettings::PasteMethod::smart);
  write(&AppSettings::smartPaste, mode_ == Mode::ask);
  if (mode_ == Mode::ask) write(&AppSettings::otherApps, AppSettings::OtherApps::mask);
}

void FirstRunView::next() {
  switch (step_) {
    case Step::mode:
      apply();
      step_ = mode_ == Mode::ask && !trusted_ ? Step::access : Step::ready;
      break;
    case Step::access:
      if (trusted_) {
        step_ = Step::ready;
      } else {
        // Where a system can ask for the permission it does so now; on X11
        // nothing can be granted from here, so say what the session lacks.
        trusted_ = readTrust(true);
        explaining_ = !trusted_;
        if (trusted_) step_ = Step::ready;
      }
      break;
    case Step::ready: {
      AppSettings s = model_.settings();
      s.onboarded = true;
      model_.setSettings(s);
      if (close_) close_();
      return;
    }
  }
  rebuild();
}

void FirstRunView::poll() {
  const bool now = readTrust(false);
  if (now == trusted_) return;
  trusted_ = now;
  if (trusted_ && step_ == Step::access) step_ = Step::ready;
  rebuild();
}

void FirstRunView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    next();
    return;
  }
  QWidget::keyPressEvent(e);
}

void FirstRunView::rebuild() {
  clearLayout(column_);
  column_->addSpacing(12);

  QWidget* icon = nullptr;
  QString title, button;
  switch (step_) {
    case Step::mode:
      icon = new AppIconMark(56);
      title = QStringLiteral("How should paste work?");
      button = QStringLiteral("Continue");
      break;
    case Step::access:
      icon = stepIcon(QStringLiteral("accessibility_new"), 34, Theme::tx, Theme::grouped, 16);
      title = QStringLiteral("Allow Accessibility");
      button = trusted_ ? QStringLiteral("Continue") : QStringLiteral("Open Settings");
      break;
    case Step::ready:
      icon = stepIcon(QStringLiteral("check.fill"), 31, white, Theme::acc, 28);
      title = QStringLiteral("Clipvane is on");
      button = QStringLiteral("Done");
      break;
  }
  icon->setObjectName(QStringLiteral("stepIcon"));
  column_->addWidget(icon, 0, Qt::AlignHCenter);
  auto* heading = new DetectText(title, Kit::font(20, QFont::Bold), Theme::tx);
  heading->setObjectName(QStringLiteral("stepTitle"));
  column_->addWidget(heading, 0, Qt::AlignHCenter);

  switch (step_) {
    case Step::mode: {
      auto* tiles = new QHBoxLayout;
      tiles->setSpacing(8);
      const struct {
        Mode mode;
        const char* glyph;
        const char* title;
        const char* name;
      } choices[] = {{Mode::autoMask, "content_paste_go", "Auto", "mode.auto"},
                     {Mode::shortcut, "keyboard", "Shortcut", "mode.shortcut"},
                     {Mode::ask, "help", "Ask", "mode.ask"}};
      for (const auto& c : choices) {
        auto* tile = new ChoiceTile(QString::fromUtf8(c.glyph), QString::fromUtf8(c.title),
                                    mode_ == c.mode, 88, Theme::grouped);
        tile->setObjectName(QString::fromUtf8(c.name));
        const Mode m = c.mode;
        connect(tile, &QAbstractButton::clicked, this, [this, m] {
          mode_ = m;
          rebuild();
        });
        tiles->addWidget(tile);
      }
      column_->addLayout(tiles);
      break;
    }
    case Step::access: {
      auto* card = new GroupedCard(Theme::grouped);
      auto* row = new QWidget;
      row->setFixedHeight(44);
      auto* h = new QHBoxLayout(row);
      h->setContentsMargins(12, 0, 12, 0);
      h->setSpacing(12);
      h->addWidget(new AppIconMark(28));
      h->addWidget(new DetectText(QStringLiteral("Clipvane"), Kit::font(13), Theme::tx));
      h->addStretch();
      auto* trust = new SimpleSwitch;
      trust->setObjectName(QStringLiteral("trust"));
      trust->setAccessibleName(QStringLiteral("Clipvane"));
      trust->setChecked(trusted_);
      trust->setAttribute(Qt::WA_TransparentForMouseEvents);
      trust->setFocusPolicy(Qt::NoFocus);
      h->addWidget(trust);
      card->addRow(row);
      column_->addWidget(card);
      if (explaining_ && !trusted_) {
        const bool wayland = QGuiApplication::platformName() == QLatin1String("wayland") ||
                             qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
        auto* help = new WrappedText(accessHelp(wayland), Kit::font(12), Theme::tx2, 300);
        help->setObjectName(QStringLiteral("accessHelp"));
        column_->addWidget(help);
      }
      break;
    }
    case Step::ready: {
      auto* card = new GroupedCard(Theme::grouped);
      const AppSettings& s = model_.settings();
      auto* safe = new KeyCap(hotkeyText(QString::fromStdU16String(s.safePasteHotkey.display)));
      safe->setObjectName(QStringLiteral("safePasteKey"));
      auto* restore = new KeyCap(hotkeyText(QString::fromStdU16String(s.restoreHotkey.display)));
      restore->setObjectName(QStringLiteral("restoreKey"));
      // The key cap is never cut: its label gives way, and the row spends no
      // more than one gap between them (the longest keys, all four
      // modifiers, only just fit the window's width).
      const auto keyRow = [](const QString& label, KeyCap* cap, bool separator) {
        auto* content = new QWidget;
        content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto* h = new QHBoxLayout(content);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(8);
        h->addWidget(new DetectText(label, Kit::font(13), Theme::tx), 1, Qt::AlignVCenter);
        h->addWidget(cap, 0, Qt::AlignVCenter);
        return new GroupedRow(std::nullopt, Theme::tx, QString(), std::nullopt, separator, content);
      };
      card->addRow(keyRow(QStringLiteral("Safe Paste"), safe, false));
      card->addRow(keyRow(QStringLiteral("Restore"), restore, true));
      column_->addWidget(card);
      break;
    }
  }

  auto* main = new PillButton(button, true, 32);
  main->setObjectName(QStringLiteral("main"));
  main->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(main, &QAbstractButton::clicked, this, &FirstRunView::next);
  column_->addWidget(main);
  fitWindow(column_->parentWidget());
}

FirstRunView* newFirstRunWindow(AppModel& model, std::function<void()> close) {
  auto* window = new FirstRunView(model, std::move(close));
  setFixedWindowFlags(*window);
  window->setWindowTitle(QStringLiteral("Welcome to Clipvane"));
  closeOnCtrlW(*window);
  return window;
}

QWidget* makeFirstRunWindow(AppModel& model, std::function<void()> close) {
  return newFirstRunWindow(model, std::move(close));
}

}  // namespace clipvane
