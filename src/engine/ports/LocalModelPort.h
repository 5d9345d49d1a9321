#pragma once
// The local language model: an Ollama-compatible server on the loopback
// interface. Nothing of the text leaves the machine.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace clipvane {

class LocalModelPort {
 public:
  // What the server says about itself.
  enum class Availability {
    available,     // it answers and has a model to use
    tooOld,        // it answers but cannot follow an answer schema
    notListening,  // nothing answers on the loopback port
    switchedOff,   // installed, but its service is not running
    noModel,       // it answers without a usable model (still downloading)
    otherOwner,    // what listens there is another user's: it is never told a text
  };

  // One chat turn: the instructions as the system message, the text as the
  // user message, the answer constrained to the JSON schema ("format"),
  // greedy (temperature 0), no limit on the answer's length (the answer read
  // back has one).
  struct ChatRequest {
    QString instructions;
    QString prompt;
    QByteArray schema;  // a JSON-schema object
    double temperature = 0;
    // Set once the answer is no longer wanted (a newer text superseded it):
    // the request is given up soon after. None: never given up.
    std::shared_ptr<const std::atomic<bool>> cancelled = nullptr;
  };

  virtual ~LocalModelPort() = default;

  // Thread-safe and never waits on the network: called on the main thread on
  // every copy and paste and whenever the status is shown. An implementation
  // answers from its latest probe and probes again in the background.
  virtual Availability availability() = 0;

  // Blocking, thread-safe; called only from background threads. The message
  // content of the answer (a JSON text), or nothing on any failure (no server,
  // no model, HTTP or transport error, time-out, given up).
  virtual std::optional<QByteArray> chat(const ChatRequest& request) = 0;
};

}  // namespace clipvane
