#pragma once
// The local language model: an Ollama server on the loopback interface
// (/api/version, /api/tags, /api/chat). Requests block the calling thread
// without running an event loop, so any background thread may call; the
// availability never waits: it is probed on a thread of its own.
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "ports/LocalModelPort.h"

namespace clipvane::x11 {

class OllamaModel : public LocalModelPort {
 public:
  // port 0: OLLAMA_HOST's port when it names the loopback, else 11434. The
  // first probe starts at once, in the background.
  explicit OllamaModel(std::uint16_t port = 0);
  ~OllamaModel() override;

  // The latest probe's answer (notListening before the first one ends); a
  // probe older than probeReuse starts a new one in the background.
  Availability availability() override;
  std::optional<QByteArray> chat(const ChatRequest& request) override;
  // Probes now, on the calling thread, and keeps the answer.
  Availability probeNow();

  struct Response {
    int status = 0;
    QByteArray body;
  };
  // One request to the server; nothing when it cannot be reached, the answer
  // is not HTTP or larger than maxAnswer, or `cancelled` was set meanwhile
  // (looked at every 50 ms). Nothing is sent, and *otherOwner is set, when
  // what listens on the port is not the user's, root's or a system account's.
  std::optional<Response> request(const QByteArray& method, const QByteArray& path,
                                  const QByteArray& body, std::chrono::milliseconds timeout,
                                  const std::atomic<bool>* cancelled = nullptr,
                                  bool* otherOwner = nullptr);

  // Structured answers ("format" with a JSON schema) came with this version.
  static constexpr int minimumMajor = 0, minimumMinor = 5;
  std::chrono::milliseconds probeTimeout{1500};
  std::chrono::milliseconds chatTimeout{120000};
  std::chrono::milliseconds probeReuse{5000};
  // The most an answer may hold, head and body: far above a list of models
  // or the values found in the longest text the check sends.
  qsizetype maxAnswer = qsizetype(4) << 20;

 private:
  struct Probe {
    Availability availability;
    QString model;
  };
  Probe probe();
  Probe cachedProbe();
  void keep(const Probe& p);
  // Starts a probe on the probe thread unless one runs; under mutex_.
  void probeLater();

  std::uint16_t port_;
  std::mutex mutex_;
  std::optional<Probe> last_;
  std::chrono::steady_clock::time_point lastAt_;
  bool probing_ = false;
  std::atomic<bool> closing_{false};  // gives up a running probe
  // Last, so that it goes first: its end waits for a running probe.
  QThreadPool prober_;
};

}  // namespace clipvane::x11
