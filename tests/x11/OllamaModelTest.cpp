#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <functional>
#include <mutex>

#include "OllamaModel.h"

using namespace clipvane;
using namespace clipvane::x11;
using Availability = LocalModelPort::Availability;

namespace {

// A stand-in for the model server on 127.0.0.1, answering from its own thread
// (the port's calls block the thread that makes them).
class StandIn {
 public:
  struct Answer {
    int status = 200;
    QByteArray body;
    bool chunked = false;
  };
  using Route = std::function<Answer(const QByteArray& path, const QByteArray& body)>;

  explicit StandIn(Route route) : route_(std::move(route)) {
    server_.moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        &server_, [this] { listen(); }, Qt::BlockingQueuedConnection);
  }
  ~StandIn() {
    QMetaObject::invokeMethod(
        &server_, [this] { server_.close(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
  }
  std::uint16_t port() const { return port_; }
  QList<QByteArray> bodies() {
    std::lock_guard lock(mutex_);
    return bodies_;
  }

 private:
  void listen() {
    server_.listen(QHostAddress::LocalHost, 0);
    port_ = server_.serverPort();
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        auto* buffer = new QByteArray;
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
          *buffer += s->readAll();
          const auto end = buffer->indexOf("\r\n\r\n");
          if (end < 0) return;
          const QByteArray head = buffer->left(end);
          qsizetype length = 0;
          for (const QByteArray& l : head.split('\n'))
            if (l.toLower().startsWith("content-length:"))
              length = l.mid(15).trimmed().toLongLong();
          if (buffer->size() < end + 4 + length) return;
          const QByteArray body = buffer->mid(end + 4, length);
          const QByteArray path = head.split(' ').value(1);
          {
            std::lock_guard lock(mutex_);
            if (path == "/api/chat") bodies_ << body;
          }
          const Answer a = route_(path, body);
          QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\n";
          if (a.chunked) {
            const auto half = a.body.size() / 2;
            out += "Transfer-Encoding: chunked\r\n\r\n";
            for (const QByteArray& part : {a.body.left(half), a.body.mid(half)})
              out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
            out += "0\r\n\r\n";
          } else {
            out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n\r\n" + a.body;
          }
          s->write(out);
          s->disconnectFromHost();
          delete buffer;
        });
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
  }

  Route route_;
  QThread thread_;
  QTcpServer server_;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  QList<QByteArray> bodies_;
};

const QByteArray kTags = R"({"models":[{"name":"llama3.2:3b"},{"name":"qwen2.5"}]})";
const QByteArray kVersion = R"({"version":"0.6.2"})";

LocalModelPort::ChatRequest request() {
  return {"Find secrets.", "my password is hunter2",
          R"({"type":"object","properties":{"items":{"type":"array"}}})", 0};
}

}  // namespace

TEST(OllamaModel, TalksToTheServerOnLoopback) {
  for (bool chunked : {false, true}) {
    StandIn server([&](const QByteArray& path, const QByteArray&) -> StandIn::Answer {
      if (path == "/api/tags") return {200, kTags, chunked};
      if (path == "/api/version") return {200, kVersion, chunked};
      if (path == "/api/chat")
        return {200, R"({"message":{"role":"assistant","content":"{\"items\":[]}"},"done":true})",
                chunked};
      return {404, {}};
    });
    OllamaModel model(server.port());
    EXPECT_EQ(model.availability(), Availability::available);
    EXPECT_EQ(model.chat(request()), QByteArray(R"({"items":[]})"));

    // What the server was asked: the first model, the schema as "format",
    // greedy, one answer, the instructions as the system message.
    ASSERT_EQ(server.bodies().size(), 1);
    const QJsonObject sent = QJsonDocument::fromJson(server.bodies()[0]).object();
    EXPECT_EQ(sent["model"].toString(), "llama3.2:3b");
    EXPECT_EQ(sent["stream"], QJsonValue(false));
    EXPECT_EQ(sent["options"].toObject()["temperature"].toDouble(-1), 0.0);
    EXPECT_EQ(sent["format"].toObject()["type"].toString(), "object");
    const QJsonArray messages = sent["messages"].toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].toObject()["role"].toString(), "system");
    EXPECT_EQ(messages[0].toObject()["content"].toString(), "Find secrets.");
    EXPECT_EQ(messages[1].toObject()["content"].toString(), "my password is hunter2");
  }
}

TEST(OllamaModel, AvailabilityAndFailures) {
  struct Row {
    const char* what;
    QByteArray tags, version, chat;
    int chatStatus;
    Availability availability;
    bool answers;
  };
  const Row rows[] = {
      {"no model", R"({"models":[]})", kVersion, "{}", 200, Availability::noModel, false},
      {"malformed tags", "<html>", kVersion, "{}", 200, Availability::noModel, false},
      {"too old for schemas", kTags, R"({"version":"0.4.7"})", "{}", 200, Availability::tooOld,
       false},
      {"malformed answer", kTags, kVersion, "not json", 200, Availability::available, false},
      {"answer without content", kTags, kVersion, R"({"message":{}})", 200, Availability::available,
       false},
      {"server error", kTags, kVersion, R"({"error":"model crashed"})", 500,
       Availability::available, false},
  };
  for (const Row& r : rows) {
    StandIn server([&](const QByteArray& path, const QByteArray&) -> StandIn::Answer {
      if (path == "/api/tags") return {200, r.tags};
      if (path == "/api/version") return {200, r.version};
      return {r.chatStatus, r.chat};
    });
    OllamaModel model(server.port());
    EXPECT_EQ(model.availability(), r.availability) << r.what;
    EXPECT_EQ(model.chat(request()).has_value(), r.answers) << r.what;
  }
}

TEST(OllamaModel, NothingListening) {
  std::uint16_t port = 0;
  {
    QTcpServer probe;  // a port that was free a moment ago and is closed now
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }
  OllamaModel model(port);
  const Availability a = model.availability();
  EXPECT_TRUE(a == Availability::notListening || a == Availability::switchedOff);
  EXPECT_EQ(model.chat(request()), std::nullopt);
}

TEST(OllamaModel, SilentServerTimesOut) {
  QTcpServer silent;  // accepts, never answers
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  OllamaModel model(silent.serverPort());
  model.probeTimeout = std::chrono::milliseconds(200);
  EXPECT_NE(model.availability(), Availability::available);
}
