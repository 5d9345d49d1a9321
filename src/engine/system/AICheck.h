#pragma once
// The local language model as a second pass after the detector's rules: it
// lists names, addresses, passwords … that it finds in a text, and those
// values become extra spans of the detector. One scan runs per distinct text;
// the latest result is kept.
#include <QFuture>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Detector.h"
#include "Kinds.h"
#include "ports/LocalModelPort.h"

namespace clipvane {

class AICheck {
 public:
  using Spans = std::vector<Detector::Span>;
  using Task = QFuture<Spans>;

  enum class Status {
    available,
    osTooOld,
    deviceNotEligible,
    appleIntelligenceNotEnabled,
    modelNotReady,
    // What listens on the model's port belongs to another account: it would
    // read every text and decide what stays unmasked.
    otherOwner,
  };

  // Texts longer than this (UTF-16 units) are not sent to the model.
  static constexpr qsizetype maxLength = 4000;

  // The one instance the program uses (main thread only).
  static AICheck& shared();

  // Asked anew on every read; never waits on the network.
  static Status status();

  // The threads the model's requests run on, and only they: a slow or silent
  // server holds none of the pool that detection, the vault and the history
  // use. Tests wait on it.
  static QThreadPool& pool();
  // The line the settings show under the check's switch.
  static QString statusText(Status status);

  AICheck();
  ~AICheck();
  AICheck(const AICheck&) = delete;
  AICheck& operator=(const AICheck&) = delete;

  // The scan of this text, started when none runs for it; a scan of another
  // text is cancelled (its request given up, its result never kept).
  Task check(const QString& text);

  // The spans of this text: the kept result at once, else the scan's answer
  // when it comes within the time-out, else none (the scan runs on and its
  // result is kept for a later call).
  QFuture<Spans> spans(const QString& text, double timeout);

  // The kept result when it is of this text.
  std::optional<Spans> finishedSpans(const QString& text) const;

  // Lets this text go, wiped: its scan is cancelled, its result dropped.
  void forget(const QString& text);

  // The latest text handed to check(), and the latest kept result.
  struct Running {
    QString text;
    Task task;
    std::shared_ptr<std::atomic<bool>> cancelled;
  };
  struct Finished {
    QString text;
    Spans spans;
  };
  const std::optional<Running>& running() const;
  const std::optional<Finished>& finished() const;

 private:
  struct State {
    std::optional<Running> running;
    std::optional<Finished> finished;
  };
  std::shared_ptr<State> state_;
};

namespace AIScanner {

// The instructions and the answer schema the model is given.
extern const char16_t* const instructions;
QByteArray answerSchema();

// The model's answer read: (kind, value) pairs in the model's order; items of
// category "other" dropped. Any decoding failure gives nothing.
std::vector<std::pair<Kind, std::u16string>> read(const QByteArray& answer);

// Asks the model about the text (blocking), giving up once `cancelled` is
// set. Nothing found or any failure: an empty list.
std::vector<std::pair<Kind, std::u16string>> values(
    LocalModelPort& port, const QString& text,
    std::shared_ptr<const std::atomic<bool>> cancelled = nullptr);

}  // namespace AIScanner

}  // namespace clipvane
