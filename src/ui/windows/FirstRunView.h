#pragma once
// The first-run window: three short steps. The user chooses how pasting
// should work (written to the settings one field at a time), gets the
// keystroke permission when the chosen mode needs it, and sees the two main
// hot keys; "Done" marks setup as finished and closes the window.
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace clipvane {

class AppModel;
class PillButton;

class FirstRunView : public QWidget {
 public:
  enum class Step { mode, access, ready };
  enum class Mode { autoMask, shortcut, ask };

  FirstRunView(AppModel& model, std::function<void()> close, QWidget* parent = nullptr);

  Step step() const { return step_; }
  Mode mode() const { return mode_; }
  bool trusted() const { return trusted_; }
  // Whether "Open Settings" has shown what the session lacks.
  bool explaining() const { return explaining_; }

  // The main button: the next step, the permission, or the end.
  void next();
  // One trust reading, as the 1 s timer takes it.
  void poll();

  // What this session lacks for keystrokes and clipboard watching, and how
  // to get it; shown in place of a system settings page.
  static QString accessHelp(bool wayland);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void apply();
  void rebuild();
  static bool readTrust(bool prompt);

  AppModel& model_;
  std::function<void()> close_;
  Step step_ = Step::mode;
  Mode mode_ = Mode::autoMask;
  bool trusted_;
  bool explaining_ = false;
  QTimer poll_;
  QVBoxLayout* column_;
};

// The first-run window (340 wide, as high as its step) around a view.
FirstRunView* newFirstRunWindow(AppModel& model, std::function<void()> close);

}  // namespace clipvane
