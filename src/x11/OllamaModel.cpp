#include "OllamaModel.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QUrl>

#include "SocketOwner.h"

namespace clipvane::x11 {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kDefaultPort = 11434;
// How often a waiting request looks whether it was given up.
constexpr int kSliceMs = 50;

int remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return int(std::max<std::int64_t>(0, left.count()));
}

// Waits for `ready` in slices until the deadline or the request is given up.
template <class Ready>
bool waitSliced(Clock::time_point deadline, const std::atomic<bool>* cancelled, Ready ready) {
  while (true) {
    if (cancelled && cancelled->load()) return false;
    const int left = remaining(deadline);
    if (left <= 0) return false;
    if (ready(std::min(left, kSliceMs))) return true;
  }
}

// The body of a "Transfer-Encoding: chunked" answer; nothing when malformed.
std::optional<QByteArray> unchunk(const QByteArray& raw) {
  QByteArray out;
  qsizetype at = 0;
  while (true) {
    const auto eol = raw.indexOf("\r\n", at);
    if (eol < 0) return std::nullopt;
    bool ok = false;
    const qsizetype size = raw.mid(at, eol - at).split(';').value(0).trimmed().toLongLong(&ok, 16);
    if (!ok || size < 0) return std::nullopt;
    if (size == 0) return out;
    if (eol + 2 + size > raw.size()) return std::nullopt;
    out += raw.mid(eol + 2, size);
    at = eol + 2 + size + 2;
  }
}

// "0.5.7", "0.12.0-rc1" → (major, minor).
std::optional<std::pair<int, int>> version(const QByteArray& body) {
  const QString v = QJsonDocument::fromJson(body).object().value("version").toString();
  const QStringList parts = v.split('.');
  bool a = false, b = false;
  const int major = parts.value(0).toInt(&a);
  const int minor = parts.value(1).section('-', 0, 0).toInt(&b);
  if (!a || !b) return std::nullopt;
  return std::pair{major, minor};
}

// The port of the user's own server setting, which counts only when it stays
// on this machine; else the default.
std::uint16_t userPort() {
  QString host = qEnvironmentVariable("OLLAMA_HOST");
  if (host.isEmpty()) return kDefaultPort;
  if (!host.contains("://")) host.prepend("http://");
  const QUrl url(host);
  const QString name = url.host();
  if ((name == "127.0.0.1" || name == "localhost" || name == "::1") && url.port() > 0)
    return std::uint16_t(url.port());
  return kDefaultPort;
}

}  // namespace

OllamaModel::OllamaModel(std::uint16_t port) : port_(port) {
  prober_.setMaxThreadCount(1);
  if (!port_) port_ = userPort();
  std::lock_guard lock(mutex_);
  probeLater();
}

OllamaModel::~OllamaModel() {
  closing_ = true;
  prober_.waitForDone();
}

std::optional<OllamaModel::Response> OllamaModel::request(
    const QByteArray& method, const QByteArray& path, const QByteArray& body,
    std::chrono::milliseconds timeout, const std::atomic<bool>* cancelled, bool* otherOwner) {
  const auto deadline = Clock::now() + timeout;
  QTcpSocket socket;
  // Only ever the loopback address: nothing of the text leaves the machine.
  socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port_);
  // On the loopback a connection is made or refused at once (and a time-out
  // of waitForConnected would drop the attempt): one wait.
  if (!socket.waitForConnected(remaining(deadline)) || (cancelled && cancelled->load()))
    return std::nullopt;
  // Any account may listen on a free loopback port, and would read the text
  // and decide what stays unmasked: only the user's own server, root's or a
  // system service's is spoken to.
  if (const auto owner = SocketOwner::ofServer(socket.localPort(), port_);
      !owner || !SocketOwner::trusted(*owner)) {
    if (otherOwner) *otherOwner = true;
    return std::nullopt;
  }
  QByteArray head = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                    "Connection: close\r\nAccept: application/json\r\n";
  if (!body.isEmpty() || method == "POST")
    head += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\n";
  socket.write(head + "\r\n" + body);
  while (socket.bytesToWrite() > 0)
    if (!waitSliced(deadline, cancelled,
                    [&](int ms) {
                      return socket.waitForBytesWritten(ms) ||
                             socket.state() != QAbstractSocket::ConnectedState;
                    }) ||
        socket.state() != QAbstractSocket::ConnectedState)
      return std::nullopt;

  QByteArray raw;
  qsizetype headerEnd = -1;
  std::optional<qsizetype> length;
  bool chunked = false;
  while (true) {
    if (headerEnd < 0 && (headerEnd = raw.indexOf("\r\n\r\n")) >= 0) {
      for (const QByteArray& line : raw.left(headerEnd).split('\n')) {
        const QByteArray l = line.trimmed().toLower();
        if (l.startsWith("content-length:")) length = l.mid(15).trimmed().toLongLong();
        if (l.startsWith("transfer-encoding:") && l.contains("chunked")) chunked = true;
      }
      if (length && (*length < 0 || *length > maxAnswer)) return std::nullopt;
    }
    if (raw.size() > maxAnswer) return std::nullopt;
    if (headerEnd >= 0 && length && raw.size() - headerEnd - 4 >= *length) break;
    if (headerEnd >= 0 && chunked && raw.endsWith("0\r\n\r\n")) break;
    if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) break;
    const bool arrived = waitSliced(deadline, cancelled, [&](int ms) {
      return socket.waitForReadyRead(ms) || socket.state() != QAbstractSocket::ConnectedState;
    });
    if (!arrived) return std::nullopt;  // time-out or given up; closing the socket ends it there
    raw += socket.read(maxAnswer + 1 - raw.size());
  }
  if (headerEnd < 0 || !raw.startsWith("HTTP/1.")) return std::nullopt;
  Response response;
  const QList<QByteArray> statusLine = raw.left(raw.indexOf("\r\n")).split(' ');
  response.status = statusLine.value(1).toInt();
  QByteArray content = raw.mid(headerEnd + 4);
  if (chunked) {
    auto decoded = unchunk(content);
    if (!decoded) return std::nullopt;
    content = *decoded;
  } else if (length) {
    if (content.size() < *length) return std::nullopt;
    content.truncate(*length);
  }
  response.body = content;
  return response;
}

OllamaModel::Probe OllamaModel::probe() {
  bool otherOwner = false;
  const auto tags = request("GET", "/api/tags", {}, probeTimeout, &closing_, &otherOwner);
  if (otherOwner) return {Availability::otherOwner, {}};
  if (!tags) {
    // Installed but not running, or not there at all.
    const bool installed = !QStandardPaths::findExecutable("ollama").isEmpty();
    return {installed ? Availability::switchedOff : Availability::notListening, {}};
  }
  if (const auto v = request("GET", "/api/version", {}, probeTimeout, &closing_);
      v && v->status == 200) {
    const auto mm = version(v->body);
    if (mm && std::pair{mm->first, mm->second} < std::pair{minimumMajor, minimumMinor})
      return {Availability::tooOld, {}};
  }
  if (tags->status != 200) return {Availability::noModel, {}};
  const QJsonArray models = QJsonDocument::fromJson(tags->body).object().value("models").toArray();
  // The server lists the most recently used model first.
  for (const QJsonValue& m : models) {
    const QString name = m.toObject().value("name").toString();
    if (!name.isEmpty()) return {Availability::available, name};
  }
  return {Availability::noModel, {}};
}

void OllamaModel::keep(const Probe& p) {
  std::lock_guard lock(mutex_);
  last_ = p;
  lastAt_ = Clock::now();
}

void OllamaModel::probeLater() {
  if (probing_) return;
  probing_ = true;
  prober_.start([this] {
    const Probe p = probe();
    keep(p);
    std::lock_guard lock(mutex_);
    probing_ = false;
  });
}

// On a background thread only: may wait for the server.
OllamaModel::Probe OllamaModel::cachedProbe() {
  {
    std::lock_guard lock(mutex_);
    if (last_ && Clock::now() - lastAt_ < probeReuse) return *last_;
  }
  Probe p = probe();
  keep(p);
  return p;
}

LocalModelPort::Availability OllamaModel::availability() {
  std::lock_guard lock(mutex_);
  if (!last_ || Clock::now() - lastAt_ >= probeReuse) probeLater();
  return last_ ? last_->availability : Availability::notListening;
}

LocalModelPort::Availability OllamaModel::probeNow() {
  const Probe p = probe();
  keep(p);
  return p.availability;
}

std::optional<QByteArray> OllamaModel::chat(const ChatRequest& chat) {
  const Probe p = cachedProbe();
  if (p.availability != Availability::available) return std::nullopt;
  const QJsonDocument schema = QJsonDocument::fromJson(chat.schema);
  if (!schema.isObject()) return std::nullopt;
  const QJsonObject body{
      {"model", p.model},
      {"stream", false},
      {"format", schema.object()},
      {"options", QJsonObject{{"temperature", chat.temperature}}},
      {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", chat.instructions}},
                              QJsonObject{{"role", "user"}, {"content", chat.prompt}}}},
  };
  // Asked anew on this connection: another account may have taken the port
  // since the probe.
  bool otherOwner = false;
  const auto response =
      request("POST", "/api/chat", QJsonDocument(body).toJson(QJsonDocument::Compact), chatTimeout,
              chat.cancelled.get(), &otherOwner);
  if (otherOwner) {
    keep({Availability::otherOwner, {}});
    return std::nullopt;
  }
  if (chat.cancelled && chat.cancelled->load()) return std::nullopt;
  if (!response || response->status != 200) {
    // The model may have gone meanwhile: probe afresh next time.
    std::lock_guard lock(mutex_);
    last_.reset();
    return std::nullopt;
  }
  const QJsonValue content =
      QJsonDocument::fromJson(response->body).object().value("message").toObject().value("content");
  if (!content.isString()) return std::nullopt;
  return content.toString().toUtf8();
}

}  // namespace clipvane::x11
