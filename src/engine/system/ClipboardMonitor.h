#pragma once
// Notices clipboard changes: on the system's notice of a change, and by
// polling the change count where no notice comes.
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace clipvane {

class ClipboardMonitor {
 public:
  using Handler = std::function<void(std::optional<QString> text, qint64 changeCount)>;

  // Takes the current change count: what is on the clipboard now is never reported.
  ClipboardMonitor();
  ~ClipboardMonitor();

  void setOnChange(Handler handler) { onChange_ = std::move(handler); }
  // Looks at once when the system tells of another client's change, and
  // polls every 0.3 s on the main thread besides, until it is destroyed.
  void start();
  // One polling step (the timer's).
  void poll();

  qint64 lastCount() const { return lastCount_; }
  bool isRunning() const { return timer_ != nullptr; }

  static constexpr int intervalMs = 300;

 private:
  std::unique_ptr<QTimer> timer_;
  qint64 lastCount_ = 0;
  Handler onChange_ = [](std::optional<QString>, qint64) {};
};

}  // namespace clipvane
