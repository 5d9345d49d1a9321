#pragma once
// The local language model: an Ollama server on the loopback interface
// (/api/version, /api/tags, /api/chat). Requests block the calling thread
// without running an event loop, so any thread may call.
#include <QString>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "ports/LocalModelPort.h"

namespace clipvane::x11 {

class OllamaModel : public LocalModelPort {
 public:
  // port 0: OLLAMA_HOST's port when it names the loopback, else 11434.
  explicit OllamaModel(std::uint16_t port = 0);

  Availability availability() override;
  std::optional<QByteArray> chat(const ChatRequest& request) override;

  struct Response {
    int status = 0;
    QByteArray body;
  };
  // One request to the server; nothing when it cannot be reached or the
  // answer is not HTTP.
  std::optional<Response> request(const QByteArray& method, const QByteArray& path,
                                  const QByteArray& body, std::chrono::milliseconds timeout);

  // Structured answers ("format" with a JSON schema) came with this version.
  static constexpr int minimumMajor = 0, minimumMinor = 5;
  std::chrono::milliseconds probeTimeout{1500};
  std::chrono::milliseconds chatTimeout{120000};
  std::chrono::milliseconds probeReuse{5000};

 private:
  struct Probe {
    Availability availability;
    QString model;
  };
  Probe probe();
  Probe cachedProbe();

  std::uint16_t port_;
  std::mutex mutex_;
  std::optional<Probe> last_;
  std::chrono::steady_clock::time_point lastAt_;
};

}  // namespace clipvane::x11
