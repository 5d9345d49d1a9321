// The hot-key recorder.
#include "ShortcutField.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "HotkeyText.h"
#include "Hotkeys.h"
#include "Kit.h"
#include "MaterialSymbols.h"
#include "VirtualKeys.h"
#include "ports/KeyboardPort.h"

namespace clipvane {

namespace {

// The key-cap: 22 high, at least 52 wide, card plate with a hard shadow; an
// accent border while recording.
class RecordButton : public KitButton {
 public:
  RecordButton(ShortcutField* field) : KitButton(field), field_(field) {
    setObjectName(QStringLiteral("recordButton"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  QSize sizeHint() const override {
    const int text = fontMetrics().horizontalAdvance(field_->shownText());
    return {std::max(52, text + 16), 23};
  }

 protected:
  QPainterPath shape() const override { return Kit::continuousRect(plate(), 5); }

  void paintContent(QPainter& p) override {
    const QRectF plate = this->plate();
    p.fillPath(Kit::continuousRect(plate.translated(0, 1), 5), QColor(0, 0, 0, 20));
    p.fillPath(shape(), Theme::color(Theme::card));
    const bool recording = field_->isRecording();
    if (recording)
      p.strokePath(Kit::continuousRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), 4.5),
                   QPen(Theme::color(Theme::acc), 1.0));
    else
      p.strokePath(Kit::continuousRect(plate.adjusted(0.25, 0.25, -0.25, -0.25), 4.75),
                   QPen(Theme::color(Theme::edge), 0.5));
    const bool none = field_->get().display.empty();
    p.setPen(Theme::color(recording || none ? Theme::tx2 : Theme::tx));
    p.drawText(plate.adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextSingleLine,
               field_->shownText());
  }

 private:
  QRectF plate() const { return QRectF(0.5, 0.5, width() - 1.0, 22 - 1.0); }

  ShortcutField* field_;
};

// The clear button: a 15 px filled cancel glyph; invisible and inert with no key.
class ClearButton : public KitButton {
 public:
  explicit ClearButton(QWidget* parent) : KitButton(parent) {
    setObjectName(QStringLiteral("clearButton"));
    setFixedSize(15, 15);
  }

 protected:
  QPainterPath shape() const override {
    QPainterPath circle;
    circle.addEllipse(QRectF(rect()));
    return circle;
  }

  void paintContent(QPainter& p) override {
    if (!isEnabled()) return;
    MaterialSymbol::paint(p, QStringLiteral("cancel.fill"), QRectF(rect()),
                          Theme::color(Theme::dis));
  }
};

}  // namespace

ShortcutField::ShortcutField(std::function<AppSettings::Hotkey()> get,
                             std::function<void(const AppSettings::Hotkey&)> set, QWidget* parent)
    : QWidget(parent), get_(std::move(get)), set_(std::move(set)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  record_ = new RecordButton(this);
  clear_ = new ClearButton(this);
  clear_->setAccessibleName(QStringLiteral("Clear Shortcut"));
  layout->addWidget(record_, 0, Qt::AlignVCenter);
  layout->addWidget(clear_, 0, Qt::AlignVCenter);
  layout->addStretch(1);
  connect(record_, &QAbstractButton::clicked, this, [this] { recording_ ? stop() : start(); });
  connect(clear_, &QAbstractButton::clicked, this, [this] {
    set_(AppSettings::Hotkey::none());
    refresh();
  });
  refresh();
}

ShortcutField::~ShortcutField() { stop(); }

AppSettings::Hotkey ShortcutField::get() const { return get_(); }

QString ShortcutField::shownText() const {
  if (recording_) return QStringLiteral("Type Shortcut");
  const auto hotkey = get_();
  if (hotkey.display.empty()) return QStringLiteral("None");
  return hotkeyText(QString::fromStdU16String(hotkey.display));
}

void ShortcutField::refresh() {
  clear_->setEnabled(!get_().display.empty());
  // Read out as it shows: the keys, "None" or "Type Shortcut".
  record_->setAccessibleName(shownText());
  record_->updateGeometry();
  record_->adjustSize();
  record_->update();
  clear_->update();
}

void ShortcutField::start() {
  if (recording_) return;
  recording_ = true;
  qApp->installEventFilter(this);
  // The program's own grabs would take the combination before we see it.
  Hotkeys::shared().suspend();
  refresh();
}

void ShortcutField::stop() {
  if (!recording_) return;
  recording_ = false;
  qApp->removeEventFilter(this);
  Hotkeys::shared().resume();
  refresh();
}

void ShortcutField::hideEvent(QHideEvent* e) {
  stop();
  QWidget::hideEvent(e);
}

std::uint32_t ShortcutField::modifiersOf(Qt::KeyboardModifiers m) {
  std::uint32_t out = 0;
  if (m & Qt::ControlModifier) out |= Modifier::control;
  if (m & Qt::AltModifier) out |= Modifier::option;
  if (m & Qt::ShiftModifier) out |= Modifier::shift;
  if (m & Qt::MetaModifier) out |= Modifier::command;
  return out;
}

std::uint32_t ShortcutField::keysymOf(const QKeyEvent& e) {
  if (e.nativeVirtualKey() != 0) return e.nativeVirtualKey();
  // Without the desktop's keysym (offscreen): Latin-1 keys are their own
  // keysym; the rest by Qt's name.
  const int key = e.key();
  if (key >= 0x20 && key <= 0x7e) return std::uint32_t(QChar(key).toLower().unicode());
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 0xffbe + std::uint32_t(key - Qt::Key_F1);
  static const std::pair<int, std::uint32_t> named[] = {
      {Qt::Key_Return, 0xff0d},    {Qt::Key_Enter, 0xff8d},   {Qt::Key_Tab, 0xff09},
      {Qt::Key_Backspace, 0xff08}, {Qt::Key_Delete, 0xffff},  {Qt::Key_Escape, 0xff1b},
      {Qt::Key_Left, 0xff51},      {Qt::Key_Right, 0xff53},   {Qt::Key_Up, 0xff52},
      {Qt::Key_Down, 0xff54},      {Qt::Key_Home, 0xff50},    {Qt::Key_End, 0xff57},
      {Qt::Key_PageUp, 0xff55},    {Qt::Key_PageDown, 0xff56}};
  for (const auto& [k, sym] : named)
    if (k == key) return sym;
  return 0;
}

bool ShortcutField::eventFilter(QObject* watched, QEvent* event) {
  if (!recording_) return false;
  if (event->type() == QEvent::ShortcutOverride) {
    // Keep the window's shortcuts from taking the keys: they come as presses.
    event->accept();
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) {
    stop();
    return true;
  }
  const auto pressed = VirtualKeys::keyEvent(keysymOf(*key), modifiersOf(key->modifiers()));
  const auto hotkey = pressed ? Hotkeys::hotkey(*pressed) : std::nullopt;
  if (!hotkey) return false;  // delivered as usual; recording goes on
  (void)watched;
  set_(*hotkey);
  stop();
  return true;
}

}  // namespace clipvane
