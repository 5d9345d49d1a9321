#pragma once
// The recorder of one global hot key: a key-cap button showing the key
// combination ("None" without one) that, once clicked, takes the next
// combination typed with Ctrl, Alt or Super, and a clear button. While it
// records, the program's own hot keys are let go so the keys reach it;
// Escape, a second click or hiding the field ends recording unchanged.
#include <QAbstractButton>
#include <QWidget>

#include <functional>

#include "AppSettings.h"

class QKeyEvent;

namespace clipvane {

class MaterialIcon;

class ShortcutField : public QWidget {
 public:
  ShortcutField(std::function<AppSettings::Hotkey()> get,
                std::function<void(const AppSettings::Hotkey&)> set, QWidget* parent = nullptr);
  ~ShortcutField() override;

  bool isRecording() const { return recording_; }
  AppSettings::Hotkey get() const;
  // What the record button shows: "Type Shortcut", "None" or the hot key in
  // the desktop's words.
  QString shownText() const;
  QAbstractButton* recordButton() const { return record_; }
  QAbstractButton* clearButton() const { return clear_; }
  // Shows the current hot key again (after a change made elsewhere).
  void refresh();

  // A key press in the recorder's terms (exposed for tests): the desktop's
  // keysym when Qt has it, else one derived from the Qt key.
  static std::uint32_t keysymOf(const QKeyEvent& event);
  static std::uint32_t modifiersOf(Qt::KeyboardModifiers modifiers);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void start();
  void stop();

  std::function<AppSettings::Hotkey()> get_;
  std::function<void(const AppSettings::Hotkey&)> set_;
  bool recording_ = false;
  QAbstractButton* record_;
  QAbstractButton* clear_;
};

}  // namespace clipvane
