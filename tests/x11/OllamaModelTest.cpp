#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <future>

#include "OllamaModel.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;
using Availability = LocalModelPort::Availability;

namespace {

// A stand-in for the model server on 127.0.0.1: one answer per path, whole or
// in two chunks; the chat requests' bodies are kept.
class StandIn {
 public:
  struct Answer {
    int status = 200;
    QByteArray body;
  };
  StandIn(QMap<QByteArray, Answer> answers, bool chunked) : answers_(std::move(answers)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this, chunked] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, chunked] { serve(s, chunked); });
      }
    });
  }
  std::uint16_t port() const { return server_.serverPort(); }
  QList<QByteArray> chats;

 private:
  void serve(QTcpSocket* s, bool chunked) {
    const QByteArray in = s->peek(s->bytesAvailable());
    const auto end = in.indexOf("\r\n\r\n"), at = in.indexOf("Content-Length: ");
    const qsizetype length = at < 0 ? 0 : in.mid(at + 16, in.indexOf('\r', at) - at - 16).toInt();
    if (end < 0 || in.size() < end + 4 + length) return;  // not all of it yet
    s->readAll();
    const QByteArray path = in.split(' ').value(1), body = in.mid(end + 4);
    if (path == "/api/chat") chats << body;
    const Answer a = answers_.value(path, {404, {}});
    QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\n";
    if (chunked) {
      out += "Transfer-Encoding: chunked\r\n\r\n";
      const auto half = a.body.size() / 2;
      for (const QByteArray& part : {a.body.left(half), a.body.mid(half)})
        out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
      out += "0\r\n\r\n";
    } else {
      out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n\r\n" + a.body;
    }
    s->write(out);
    s->disconnectFromHost();
  }
  QMap<QByteArray, Answer> answers_;
  QTcpServer server_;
};

// The model's calls block their thread: they run on another while this one
// serves the stand-in.
template <typename Call>
auto offThread(Call call) {
  auto result = std::async(std::launch::async, call);
  waitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            std::chrono::seconds(30));
  return result.get();
}

const QByteArray kTags = R"({"models":[{"name":"llama3.2:3b"},{"name":"qwen2.5"}]})";
const QByteArray kVersion = R"({"version":"0.6.2"})";
const QByteArray kChat =
    R"({"message":{"role":"assistant","content":"{\"items\":[]}"},"done":true})";

LocalModelPort::ChatRequest request() {
  return {"Find secrets.", "my password is hunter2",
          R"({"type":"object","properties":{"items":{"type":"array"}}})", 0};
}

}  // namespace

TEST(OllamaModel, AnswersAndFailures) {
  struct Row {
    const char* what;
    QByteArray tags, version, chat;
    int chatStatus;
    bool chunked;
    Availability availability;
    std::optional<QByteArray> answer;
  };
  using enum Availability;
  const Row rows[] = {
      {"answers", kTags, kVersion, kChat, 200, false, available, R"({"items":[]})"},
      {"chunked", kTags, kVersion, kChat, 200, true, available, R"({"items":[]})"},
      {"no model", R"({"models":[]})", kVersion, kChat, 200, false, noModel, {}},
      {"malformed tags", "<html>", kVersion, kChat, 200, false, noModel, {}},
      {"too old", kTags, R"({"version":"0.4.7"})", kChat, 200, false, tooOld, {}},
      {"malformed answer", kTags, kVersion, "not json", 200, false, available, {}},
      {"no content", kTags, kVersion, R"({"message":{}})", 200, false, available, {}},
      {"server error", kTags, kVersion, R"({"error":"crashed"})", 500, false, available, {}},
  };
  for (const Row& r : rows) {
    StandIn server({{"/api/tags", {200, r.tags}},
                    {"/api/version", {200, r.version}},
                    {"/api/chat", {r.chatStatus, r.chat}}},
                   r.chunked);
    OllamaModel model(server.port());
    EXPECT_EQ(offThread([&] { return model.availability(); }), r.availability) << r.what;
    EXPECT_EQ(offThread([&] { return model.chat(request()); }), r.answer) << r.what;
    if (!r.answer) continue;
    // What the server was asked: the first model, greedy, one answer, the
    // schema as "format", the instructions as the system message.
    ASSERT_EQ(server.chats.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(server.chats[0]), QJsonDocument::fromJson(R"({
        "model": "llama3.2:3b", "stream": false, "options": {"temperature": 0},
        "format": {"type": "object", "properties": {"items": {"type": "array"}}},
        "messages": [{"role": "system", "content": "Find secrets."},
                     {"role": "user", "content": "my password is hunter2"}]})"))
        << server.chats[0].toStdString();
  }
}

TEST(OllamaModel, NothingListeningOrSilent) {
  QTcpServer silent;  // accepts, never answers
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  std::uint16_t closed = 0;
  {
    QTcpServer probe;  // a port that was free a moment ago and is closed now
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closed = probe.serverPort();
  }
  for (const std::uint16_t port : {closed, silent.serverPort()}) {
    OllamaModel model(port);
    model.probeTimeout = std::chrono::milliseconds(200);
    const Availability a = offThread([&] { return model.availability(); });
    EXPECT_TRUE(a == Availability::notListening || a == Availability::switchedOff) << port;
    EXPECT_EQ(offThread([&] { return model.chat(request()); }), std::nullopt) << port;
  }
}
