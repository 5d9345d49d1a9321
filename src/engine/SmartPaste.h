#pragma once
// The paste-key tap: while it runs, the user's paste shortcut in a protected
// application is swallowed and becomes a safe paste. The program's own paste
// keystroke passes.
#include <QPointer>
#include <array>
#include <memory>

#include "ports/KeyGrabPort.h"

namespace clipvane {

class AppModel;

class SmartPaste {
 public:
  // Coding agents looked for in terminal window titles, in the order tried.
  static constexpr std::array<const char*, 10> agentNames = {
      "claude",       "codex",    "gemini", "aider", "copilot",
      "cursor-agent", "opencode", "goose",  "amp",   "qwen"};

  // The tap of the shared model.
  static SmartPaste& shared();
  // A tap that reads and drives the given model (tests).
  explicit SmartPaste(AppModel* model);
  ~SmartPaste();
  SmartPaste(const SmartPaste&) = delete;
  SmartPaste& operator=(const SmartPaste&) = delete;

  // Grabs the paste keys unless they are grabbed already or keystrokes cannot
  // be watched; a refused grab leaves nothing held, and the next start tries
  // again.
  void start();
  // Lets the keys go; harmless when nothing is held.
  void stop();
  bool isRunning() const { return running_; }

  // The verdict on one grabbed press; a swallowed press starts a safe paste on
  // the next turn of the main loop.
  KeyGrabPort::Verdict handle(const KeyGrabPort::Press& press);

  // Whether the paste key should become a safe paste for the frontmost
  // application and the current clipboard. Main thread; bounded (at most one
  // accessibility query).
  bool shouldIntercept() const;

 private:
  void regrab();

  QPointer<AppModel> model_;
  bool running_ = false;
  bool toldRefused_ = false;  // the notice of paste keys held elsewhere
  // Lets a re-grab queued for later find out that this tap is gone.
  std::shared_ptr<SmartPaste*> self_ = std::make_shared<SmartPaste*>(this);
};

}  // namespace clipvane
