#pragma once
// The paste-key tap: while it runs, the user's paste shortcut in a protected
// application becomes a safe paste.
namespace clipvane {

class SmartPaste {
 public:
  static SmartPaste& shared();
  // Starts the tap unless it runs or keystrokes cannot be watched.
  void start();
  // Stops it; harmless when it does not run.
  void stop();
  bool isRunning() const;
};

}  // namespace clipvane
