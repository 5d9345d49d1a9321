// The services that need a session but no screen: the single copy on the
// session bus, the autostart entry, PAM and the local model.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <future>

#include "OllamaModel.h"
#include "PamAuth.h"
#include "SessionBusInstance.h"
#include "SocketOwner.h"
#include "X11TestSupport.h"
#include "XdgLoginItem.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;
using Availability = LocalModelPort::Availability;

namespace {

// A stand-in for the model server on 127.0.0.1: one answer (status, body)
// per path, whole or in two chunks (status 0: none ever); the chat requests'
// bodies are kept.
struct StandIn {
  StandIn(QMap<QByteArray, std::pair<int, QByteArray>> answers, bool chunked) {
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, [=, this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QObject::connect(s, &QTcpSocket::readyRead, s, [=, this] {
          const QByteArray in = s->peek(s->bytesAvailable());
          const auto end = in.indexOf("\r\n\r\n"), at = in.indexOf("Content-Length: ");
          const auto length = at < 0 ? 0 : in.mid(at + 16, in.indexOf('\r', at) - at - 16).toInt();
          if (end < 0 || in.size() < end + 4 + length) return;  // not all of it yet
          s->readAll();
          const QByteArray path = in.split(' ').value(1);
          if (path == "/api/chat") chats << in.mid(end + 4);
          const auto [status, body] = answers.value(path, {404, {}});
          if (status == 0) return;
          QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " X\r\n";
          if (chunked) {
            out += "Transfer-Encoding: chunked\r\n\r\n";
            for (const QByteArray& part : {body.left(body.size() / 2), body.mid(body.size() / 2)})
              out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
            out += "0\r\n\r\n";
          } else {
            out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
          }
          s->write(out);
          s->disconnectFromHost();
        });
      }
    });
  }
  QTcpServer server;
  QList<QByteArray> chats;
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

// A valid answer with more in it than any answer may hold.
constexpr qsizetype kMaxAnswer = 64 * 1024;
const QByteArray kHugeChat =
    R"({"message":{"role":"assistant","content":"{\"items\":[]}"},"pad":")" +
    QByteArray(kMaxAnswer, 'x') + R"("})";

LocalModelPort::ChatRequest request() {
  return {"Find secrets.", "my password is hunter2",
          R"({"type":"object","properties":{"items":{"type":"array"}}})", 0};
}

}  // namespace

TEST(SessionBusInstance, LaterCopyHandsOverAndEnds) {
  {
    SessionBusInstance first;
    const auto copies = first.runningCopies(*first.bundleIdentifier());
    ASSERT_EQ(copies.size(), 1u);  // this process owns the name now
    EXPECT_EQ(copies[0].pid, QCoreApplication::applicationPid());
    EXPECT_TRUE(copies[0].launchDate.has_value());
    QList<QStringList> handed;
    int reopened = 0, reopens = 0;
    first.listen([&] { ++reopened; }, [&](const QStringList& urls) { handed << urls; });
    for (const QStringList& urls :
         {QStringList{"clipvane://settings/apps"},
          QStringList{"clipvane://activity", "CLIPVANE://settings/about"}, QStringList{}}) {
      Helper second(QStringList{"instance"} + urls);
      const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
      ASSERT_TRUE(second.waitFor("older " + pid) && second.waitForExit());
      EXPECT_EQ(second.exitCode(), 0);
      if (urls.isEmpty()) {
        ++reopens;  // no URL: a reopen request
      } else {
        ASSERT_TRUE(waitUntil([&] { return !handed.isEmpty(); }));
        EXPECT_EQ(handed.takeFirst(), urls);  // as given, capitals and all
      }
      EXPECT_TRUE(waitUntil([&] { return reopened == reopens; }));
    }
    EXPECT_TRUE(handed.isEmpty());
  }
  // Once it has gone, the next copy runs as the first.
  Helper next({"instance"});
  EXPECT_TRUE(next.waitFor("first"));
}

// The broadcast "reopen" opens the settings only when the holder of the
// program's name sends it; another process on the bus is not obeyed.
TEST(SessionBusInstance, AReopenSignalIsObeyedOnlyFromTheHolderOfTheName) {
  SessionBusInstance first;
  ASSERT_EQ(first.runningCopies(*first.bundleIdentifier()).size(), 1u);
  int reopened = 0;
  first.listen([&] { ++reopened; }, [](const QStringList&) {});
  const auto signal =
      QDBusMessage::createSignal(SessionBusInstance::objectPath, "app.ostrel.Clipvane", "reopen");
  QDBusConnection stranger =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, "reopen-stranger");
  ASSERT_TRUE(stranger.isConnected());
  stranger.send(signal);
  // Past a round trip of the owner's own, the stranger's signal has come.
  QDBusConnection owner = QDBusConnection::sessionBus();
  owner.send(signal);
  EXPECT_TRUE(waitUntil([&] { return reopened > 0; }));
  waitUntil([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_EQ(reopened, 1);
  QDBusConnection::disconnectFromBus("reopen-stranger");
}

namespace {

// Owners of the program's bus name that are not the program: one that says
// nothing at its path, one with the hand-over method and no version, and one
// whose version never comes.
class HandOverOnly : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "app.ostrel.Clipvane")
 public:
  int handed = 0;
 public Q_SLOTS:
  Q_SCRIPTABLE void OpenUrls(const QStringList&) { ++handed; }
};

class SilentVersion : public HandOverOnly {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "app.ostrel.Clipvane")
 public Q_SLOTS:
  Q_SCRIPTABLE QString Version(const QDBusMessage& call) {
    call.setDelayedReply(true);  // and never answered
    return {};
  }
};

}  // namespace

TEST(SessionBusInstance, ANameHeldByAnotherProcessIsHandedNothing) {
  HandOverOnly handOverOnly;
  SilentVersion silent;
  struct Row {
    const char* what;
    HandOverOnly* object;
  };
  const Row rows[] = {{"name only", nullptr}, {"no version", &handOverOnly}, {"silent", &silent}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString("foreign-") + r.what);
    ASSERT_TRUE(other.isConnected());
    if (r.object)
      other.registerObject(SessionBusInstance::objectPath, r.object,
                           QDBusConnection::ExportScriptableSlots);
    ASSERT_TRUE(other.registerService(SessionBusInstance::serviceName));
    Helper later({"instance", "clipvane://settings/apps"});
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    EXPECT_TRUE(later.waitFor("foreign " + pid) && later.waitForExit());
    EXPECT_EQ(later.exitCode(), 1);
    if (r.object) {
      EXPECT_EQ(r.object->handed, 0);
    }
    other.unregisterService(SessionBusInstance::serviceName);
    QDBusConnection::disconnectFromBus(QString("foreign-") + r.what);
  }
}

TEST(XdgLoginItem, AutostartEntryAppearsAndDisappears) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  XdgLoginItem item("/opt/Clip vane/bin/clipvane");
  const QString file = config.path() + "/autostart/clipvane.desktop";
  EXPECT_EQ(XdgLoginItem::path(), file);
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  EXPECT_EQ(item.registerItem(), std::nullopt);
  EXPECT_EQ(item.status(), LoginItemStatus::enabled);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  EXPECT_TRUE(f.readAll().contains("Exec=\"/opt/Clip vane/bin/clipvane\"\n"));
  // The user switched it off in their desktop's settings.
  f.write("Hidden=true\n");
  f.close();
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  EXPECT_EQ(item.unregisterItem(), std::nullopt);
  EXPECT_FALSE(QFile::exists(file));
  EXPECT_EQ(item.unregisterItem(), std::nullopt);  // already gone

  // A folder that cannot be made is an error the caller logs.
  QFile blocker(config.path() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
  EXPECT_TRUE(item.registerItem().has_value());
  // A relative XDG_CONFIG_HOME is ignored.
  qputenv("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(XdgLoginItem::path(), QDir::homePath() + "/.config/autostart/clipvane.desktop");
}

TEST(XdgLoginItem, ExecLineQuoting) {
  struct Row {
    QString program, exec;
  };
  const Row rows[] = {
      {"/usr/bin/clipvane", "/usr/bin/clipvane"},
      {"/opt/my apps/clipvane", "\"/opt/my apps/clipvane\""},
      {"/opt/a$b/clip\"vane", "\"/opt/a\\\\$b/clip\\\\\"vane\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(XdgLoginItem::execLine(r.program), r.exec) << r.program.toStdString();
}

// An entry left by another copy of the program (a build tree, a package
// since purged) is made to start this one: its Exec line alone changes.
TEST(XdgLoginItem, RetargetPointsAnEntryThatIsOnAtThisProgram) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  const QString file = config.path() + "/autostart/clipvane.desktop";
  const QString program = config.path() + "/Clip vane/clipvane";
  ASSERT_TRUE(QDir().mkpath(config.path() + "/Clip vane"));
  QFile binary(program);
  ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
  binary.close();
  ASSERT_TRUE(binary.setPermissions(binary.permissions() | QFileDevice::ExeOwner));
  const auto read = [&] {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const auto write = [&](const QByteArray& text) {
    QDir().mkpath(config.path() + "/autostart");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  };
  XdgLoginItem here(program);

  // No entry: nothing is made.
  EXPECT_EQ(here.retargetItem(), std::nullopt);
  EXPECT_FALSE(QFile::exists(file));

  // Another copy's entry, with a line the user added, starts this copy after;
  // a second start finds nothing to change.
  ASSERT_EQ(XdgLoginItem("/home/u/clipvane/build/src/clipvane").registerItem(), std::nullopt);
  write(read() + "X-GNOME-Autostart-Delay=5\n");
  const QByteArray before = read();
  EXPECT_EQ(here.retargetItem(), std::nullopt);
  QByteArray expected = before;
  expected.replace("Exec=/home/u/clipvane/build/src/clipvane\n",
                   "Exec=" + XdgLoginItem::execLine(program).toUtf8() + "\n");
  EXPECT_EQ(read().toStdString(), expected.toStdString());
  EXPECT_TRUE(read().contains("Exec=\"" + program.toUtf8() + "\"\n"));
  EXPECT_EQ(here.status(), LoginItemStatus::enabled);
  EXPECT_EQ(here.retargetItem(), std::nullopt);
  EXPECT_EQ(read().toStdString(), expected.toStdString());

  // Only the main group's Exec changes; an entry without one is written anew.
  write(
      "[Desktop Entry]\nExec=/opt/old/clipvane\n[Desktop Action Quit]\nExec=/opt/old/clipvane q\n");
  EXPECT_EQ(here.retargetItem(), std::nullopt);
  EXPECT_EQ(read().toStdString(),
            "[Desktop Entry]\nExec=" + XdgLoginItem::execLine(program).toStdString() +
                "\n[Desktop Action Quit]\nExec=/opt/old/clipvane q\n");
  write("[Desktop Entry]\nType=Application\n");
  EXPECT_EQ(here.retargetItem(), std::nullopt);
  EXPECT_TRUE(read().contains("\nExec=\"" + program.toUtf8() + "\"\n")) << read().data();

  // Switched off in the desktop's settings, it is left as it is; and so is
  // every entry while this copy's own file is gone.
  for (const bool hidden : {true, false}) {
    const QByteArray off =
        "[Desktop Entry]\nExec=/opt/old/clipvane\n" + QByteArray(hidden ? "Hidden=true\n" : "");
    write(off);
    XdgLoginItem gone(config.path() + "/removed/clipvane");
    EXPECT_EQ((hidden ? here : gone).retargetItem(), std::nullopt);
    EXPECT_EQ(read().toStdString(), off.toStdString()) << hidden;
  }
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(PamAuth, ChecksTheAccountsPassword) {
  TestUser user;
  if (!user.ready) GTEST_SKIP() << "needs root to make a test account";
  const std::pair<QString, bool> rows[] = {{"wrong", false}, {"", false}, {user.password, true}};
  for (const auto& [password, accepted] : rows)
    EXPECT_EQ(PamAuth::check(PamAuth::service(), user.name, password), accepted)
        << password.toStdString();
  EXPECT_FALSE(PamAuth::check(PamAuth::service(), user.name + "x", user.password));
  QString error;
  EXPECT_FALSE(PamAuth("no-such-user-here").canEvaluate(&error) &&
               PamAuth::check(PamAuth::service(), "no-such-user-here", "x"));

  // An account without a password (emptied or locked) cannot be asked, and
  // the empty password never passes for it.
  for (const QString hash : {"", "!"}) {
    ASSERT_EQ(accountTool("usermod", {"-p", hash, user.name}), 0);
    error.clear();
    EXPECT_FALSE(PamAuth(user.name).canEvaluate(&error)) << hash.toStdString();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PamAuth::check(PamAuth::service(), user.name, "")) << hash.toStdString();
  }
}

TEST(PamAuth, DialogShowsTheReasonAndAnswersOnce) {
  TestUser user;
  if (!user.ready) GTEST_SKIP() << "needs root to make a test account";
  PamAuth auth(user.name);
  QString error;
  ASSERT_TRUE(auth.canEvaluate(&error)) << error.toStdString();
  std::vector<bool> answers;
  QWidget* dialog = nullptr;
  const auto ask = [&] {
    auth.evaluate("restore masked values", [&](bool ok) { answers.push_back(ok); });
    return waitUntil([&] { return (dialog = passwordDialog()) != nullptr; });
  };
  const auto press = [&](QDialogButtonBox::StandardButton b) {
    dialog->findChild<QDialogButtonBox*>()->button(b)->click();
  };

  ASSERT_TRUE(ask());
  EXPECT_TRUE(dialog->findChild<QLabel*>("reason")->text().contains("restore masked values"));
  // A wrong password keeps the dialog open for another try.
  auto* field = dialog->findChild<QLineEdit*>();
  field->setText("wrong");
  press(QDialogButtonBox::Ok);
  auto* status = dialog->findChild<QLabel*>("status");
  ASSERT_TRUE(
      waitUntil([&] { return status->text().startsWith("Wrong"); }, std::chrono::seconds(20)));
  EXPECT_TRUE(answers.empty());
  field->insert(user.password);  // as typed
  // Shares the field's characters: shows whether they were overwritten where
  // they lie rather than only let go.
  const QString typed = field->text();
  press(QDialogButtonBox::Ok);
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_EQ(typed, QString(user.password.size(), QChar(0)));
  ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }, std::chrono::seconds(20)));
  EXPECT_TRUE(waitUntil([] { return passwordDialog() == nullptr; }));

  // Cancelled: false, once.
  ASSERT_TRUE(ask());
  press(QDialogButtonBox::Cancel);
  ASSERT_TRUE(waitUntil([&] { return answers.size() > 1; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(answers, (std::vector<bool>{true, false}));
}

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
      {"answer too large", kTags, kVersion, kHugeChat, 200, false, available, {}},
      {"answer too large, chunked", kTags, kVersion, kHugeChat, 200, true, available, {}},
  };
  for (const Row& r : rows) {
    StandIn server({{"/api/tags", {200, r.tags}},
                    {"/api/version", {200, r.version}},
                    {"/api/chat", {r.chatStatus, r.chat}}},
                   r.chunked);
    OllamaModel model(server.server.serverPort());
    model.maxAnswer = kMaxAnswer;
    EXPECT_EQ(offThread([&] { return model.probeNow(); }), r.availability) << r.what;
    EXPECT_EQ(model.availability(), r.availability) << r.what;  // kept
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
    const Availability a = offThread([&] { return model.probeNow(); });
    EXPECT_TRUE(a == Availability::notListening || a == Availability::switchedOff) << port;
    EXPECT_EQ(offThread([&] { return model.chat(request()); }), std::nullopt) << port;
  }
}

// A server that accepts and never answers: the status never waits for it, and
// a chat that is no longer wanted is given up at once instead of after its
// time-out.
TEST(OllamaModel, ASilentServerHoldsUpNeitherTheStatusNorAGivenUpChat) {
  QTcpServer silent;
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  OllamaModel model(silent.serverPort());
  model.chatTimeout = std::chrono::seconds(60);
  model.probeReuse = std::chrono::milliseconds(0);  // every call finds the probe old
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(model.availability(), Availability::notListening);
  EXPECT_LT(timer.elapsed(), 500);  // one probe waits 1.5 s for this server

  // The server's port answers a probe as soon as it speaks.
  StandIn server({{"/api/tags", {200, kTags}}, {"/api/version", {200, kVersion}}}, false);
  OllamaModel answering(server.server.serverPort());
  EXPECT_TRUE(waitUntil([&] { return answering.availability() == Availability::available; }));

  // A model that takes the request and never answers it.
  StandIn stuck({{"/api/tags", {200, kTags}}, {"/api/version", {200, kVersion}}, {"/api/chat", {}}},
                false);
  OllamaModel slow(stuck.server.serverPort());
  ASSERT_EQ(offThread([&] { return slow.probeNow(); }), Availability::available);
  slow.chatTimeout = std::chrono::seconds(60);
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  LocalModelPort::ChatRequest chat = request();
  chat.cancelled = cancelled;
  timer.restart();
  auto answer = std::async(std::launch::async, [&] { return slow.chat(chat); });
  ASSERT_TRUE(waitUntil([&] { return stuck.chats.size() == 1; }));  // the server has it
  EXPECT_NE(answer.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  cancelled->store(true);
  ASSERT_TRUE(waitUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      std::chrono::seconds(2)));
  EXPECT_EQ(answer.get(), std::nullopt);
  EXPECT_LT(timer.elapsed(), 2000);
}

TEST(SocketOwner, TheServersSideOfALoopbackConnectionAndWhoMayHearIt) {
  const QByteArray v4 =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
      "   0: 0100007F:2CAA 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1001\n"
      "   1: 0100007F:D431 0100007F:2CAA 01 00000000:00000000 00:00000000 00000000     0\n"
      "   2: 0500000A:2CAA 0900000A:D431 01 00000000:00000000 00:00000000 00000000  1003\n"
      "   3: 0100007F:2CAA 0100007F:D431 01 00000000:00000000 00:00000000 00000000  1002\n";
  const QByteArray v6 =
      "  sl  local_address                         remote_address                        st\n"
      "   0: 0000000000000000FFFF00000100007F:2CAA 0000000000000000FFFF00000100007F:D431 01 "
      "00000000:00000000 00:00000000 00000000   998\n"
      "   1: 00000000000000000000000001000000:2CAB 00000000000000000000000001000000:D431 01 "
      "00000000:00000000 00:00000000 00000000  4242\n";
  struct Row {
    const QByteArray* table;
    std::uint16_t client, server;
    std::optional<uid_t> owner;
  };
  const Row rows[] = {
      // The server's side of this connection, not the listener nor the
      // client's side, nor a connection of the same ports on another address.
      {&v4, 0xD431, 0x2CAA, 1002},         {&v4, 0xD432, 0x2CAA, std::nullopt},
      {&v6, 0xD431, 0x2CAA, 998},   // IPv4 taken by an IPv6 listener
      {&v6, 0xD431, 0x2CAB, 4242},  // ::1
      {&v6, 0xD431, 0x2CAC, std::nullopt},
  };
  for (const Row& r : rows)
    EXPECT_EQ(SocketOwner::find(*r.table, r.client, r.server), r.owner) << r.server;

  EXPECT_TRUE(SocketOwner::trusted(getuid()));
  EXPECT_TRUE(SocketOwner::trusted(0));
  EXPECT_TRUE(SocketOwner::trusted(110));  // a service's own account
  if (getuid() != 4242) {
    EXPECT_FALSE(SocketOwner::trusted(4242));
  }
  // What a user namespace shows for an account it cannot name.
  EXPECT_FALSE(SocketOwner::trusted(65534));
}

// Another account listens on the model's port before the user's own server
// runs: it hears nothing of what was copied and decides nothing.
TEST(OllamaModel, AnotherAccountsListenerIsNeverSentAText) {
  TestUser user;
  if (!user.ready) GTEST_SKIP() << "needs root to make a test account";
  const passwd* account = getpwnam(user.name.toLocal8Bit().constData());
  ASSERT_NE(account, nullptr);
  const uid_t uid = account->pw_uid;
  const gid_t gid = account->pw_gid;
  int portPipe[2], heardPipe[2];
  ASSERT_EQ(pipe(portPipe), 0);
  ASSERT_EQ(pipe2(heardPipe, O_NONBLOCK), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only system calls from here: the parent has threads.
    if (setgid(gid) != 0 || setuid(uid) != 0) _exit(1);
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (bind(s, reinterpret_cast<sockaddr*>(&at), size) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&at), &size) != 0)
      _exit(1);
    const std::uint16_t port = ntohs(at.sin_port);
    if (write(portPipe[1], &port, sizeof port) != sizeof port) _exit(1);
    // Whatever comes in goes to the test; every request gets a model's
    // answer that finds nothing.
    static const char answer[] =
        "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n"
        "{\"models\":[{\"name\":\"m\"}],\"version\":\"0.9.0\","
        "\"message\":{\"content\":\"{\\\"items\\\":[]}\"}}";
    for (;;) {
      const int c = accept(s, nullptr, nullptr);
      if (c < 0) continue;
      char buf[4096];
      const ssize_t n = read(c, buf, sizeof buf);
      if (n > 0 && write(heardPipe[1], buf, size_t(n)) < 0) _exit(1);
      if (write(c, answer, sizeof answer - 1) < 0) _exit(1);
      close(c);
    }
  }
  close(portPipe[1]);
  std::uint16_t port = 0;
  const bool gotPort = read(portPipe[0], &port, sizeof port) == sizeof port;
  close(portPipe[0]);
  const auto stop = qScopeGuard([&] {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(heardPipe[0]);
    close(heardPipe[1]);
  });
  ASSERT_TRUE(gotPort);

  OllamaModel model(port);
  EXPECT_EQ(offThread([&] { return model.probeNow(); }), Availability::otherOwner);
  EXPECT_EQ(model.availability(), Availability::otherOwner);
  LocalModelPort::ChatRequest chat = request();
  chat.prompt = "Deploy with password: Hunter2-Corp!Prod";
  EXPECT_EQ(offThread([&] { return model.chat(chat); }), std::nullopt);
  QByteArray heard(1 << 16, '\0');
  const ssize_t n = read(heardPipe[0], heard.data(), size_t(heard.size()));
  heard.truncate(std::max<ssize_t>(n, 0));
  EXPECT_TRUE(heard.isEmpty()) << heard.toStdString();
}

#include "SessionServicesTest.moc"
