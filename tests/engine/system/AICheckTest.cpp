#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThreadPool>

#include "AICheck.h"
#include "TestSupport.h"
#include "fakes/FakePorts.h"
#include "fakes/FakeSystemPorts.h"
#include "ports/Ports.h"

using namespace clipvane;
using Availability = LocalModelPort::Availability;
using clipvane::testing::waitUntil;

namespace {

// The value of a future that finishes on the main thread's event loop.
template <class T>
T await(const QFuture<T>& future) {
  EXPECT_TRUE(waitUntil([&] { return future.isFinished(); }));
  return future.result();
}

struct AICheckTest : ::testing::Test {
  fakes::FakePorts ports;
  fakes::FakeSystemPorts system;
  fakes::FakeLocalModel& model = system.model;
  AICheck check;

  void SetUp() override {
    model.answer = [](const LocalModelPort::ChatRequest&) {
      return QByteArray(R"({"items":[{"kind":"personName","value":"Ada Lovelace"}]})");
    };
  }
  void TearDown() override {
    model.open();
    AICheck::pool().waitForDone();
    QThreadPool::globalInstance()->waitForDone();
    clipvane::testing::drainEvents();
  }
  static AICheck::Spans expectedSpans(const QString& text) {
    return Detector::locate({{Kind::name, u"Ada Lovelace"}}, text.toStdU16String());
  }
};

TEST_F(AICheckTest, TheModelGetsTheInstructionsTheTextTheSchemaAndNoTemperature) {
  std::optional<LocalModelPort::ChatRequest> seen;
  model.answer = [&](const LocalModelPort::ChatRequest& request) {
    seen = request;
    return QByteArray("{\"items\":[]}");
  };
  const QString text = "Call Ada Lovelace tomorrow.";
  await(check.check(text));
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->prompt, text);
  EXPECT_EQ(
      seen->instructions.toStdString(),
      std::string(
          "You find personal data and secrets in text a user is about to paste into an AI chat. "
          "The text can be prose, JSON, code or logs; in JSON look at the values, not the keys. "
          "Report people's names, postal addresses, phone numbers, passwords, government ID "
          "numbers and card security codes. Copy each value exactly as written, keeping its case. "
          "Report nothing if there is none. Don't report code identifiers, products, companies or "
          "ordinary words."));
  EXPECT_EQ(seen->temperature, 0);

  const QJsonObject schema = QJsonDocument::fromJson(seen->schema).object();
  const QJsonValue item = schema["properties"]["items"]["items"]["properties"];
  const QStringList categories = item["kind"]["enum"].toVariant().toStringList();
  EXPECT_EQ(categories, (QStringList{"personName", "postalAddress", "phoneNumber", "password",
                                     "governmentID", "cardSecurityCode", "other"}));
  EXPECT_EQ(schema["required"].toArray().first().toString(), "items");
}

TEST_F(AICheckTest, AnswersAreReadStrictlyAndOtherItemsDropped) {
  struct Row {
    const char* answer;
    std::vector<std::pair<Kind, std::u16string>> expected;
  };
  const Row rows[] = {
      {R"({"items":[{"kind":"personName","value":"Ada"},{"kind":"other","value":"x"},
          {"kind":"postalAddress","value":"1 Main St"},{"kind":"phoneNumber","value":"555"},
          {"kind":"password","value":"hunter2"},{"kind":"governmentID","value":"078"},
          {"kind":"cardSecurityCode","value":"123"}]})",
       {{Kind::name, u"Ada"},
        {Kind::address, u"1 Main St"},
        {Kind::phone, u"555"},
        {Kind::secret, u"hunter2"},
        {Kind::ssn, u"078"},
        {Kind::cvv, u"123"}}},
      {R"({"items":[]})", {}},
      {R"({"items":[{"kind":"other","value":"Clipvane"}]})", {}},
      // One category outside the seven fails the whole answer.
      {R"({"items":[{"kind":"personName","value":"Ada"},{"kind":"email","value":"a@b.c"}]})", {}},
      {R"({"items":[{"kind":"personName"}]})", {}},
      {R"({"items":{"kind":"personName","value":"Ada"}})", {}},
      {R"({"found":[]})", {}},
      {R"(not json)", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(AIScanner::read(row.answer), row.expected) << row.answer;
}

TEST_F(AICheckTest, TheSameTextReusesItsScan) {
  const QString text = "Ada Lovelace wrote this.";
  model.close();
  AICheck::Task first = check.check(text);
  AICheck::Task second = check.check(text);
  model.open();
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(text).has_value(); }));
  AICheck::Task third = check.check(text);  // also once finished
  EXPECT_EQ(model.chats.load(), 1);
  EXPECT_EQ(await(first), expectedSpans(text));
  EXPECT_EQ(await(second), expectedSpans(text));
  EXPECT_EQ(await(third), expectedSpans(text));
  EXPECT_EQ(model.chats.load(), 1);
  EXPECT_EQ(*check.finishedSpans(text), expectedSpans(text));
}

TEST_F(AICheckTest, ANewTextCancelsTheScanOfTheOldOne) {
  const QString a = "First, Ada Lovelace.";
  const QString b = "Second, Ada Lovelace again.";
  model.close();
  AICheck::Task taskA = check.check(a);
  ASSERT_TRUE(waitUntil([&] { return model.chats.load() == 1; }));  // A is with the model
  check.check(b);
  model.open();
  await(taskA);
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(b).has_value(); }));
  clipvane::testing::drainEvents();
  EXPECT_FALSE(check.finishedSpans(a));
  EXPECT_EQ(check.finished()->text, b);

  // Back to A: a scan of its own, not the cancelled one.
  await(check.check(a));
  EXPECT_EQ(model.chats.load(), 3);
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(a).has_value(); }));
}

// A, then B, then A again: the first scan of A, cancelled by B, gives up
// with nothing, and that nothing is never kept as A's result; A's own new
// scan is.
TEST_F(AICheckTest, ACancelledScanIsNeverTakenForTheSameTextCheckedAgain) {
  const QString a = "First, Ada Lovelace.";
  const QString b = "Second, Ada Lovelace again.";
  model.close();
  AICheck::Task firstA = check.check(a);
  ASSERT_TRUE(waitUntil([&] { return model.chats.load() == 1; }));  // A is with the model
  check.check(b);
  AICheck::Task againA = check.check(a);
  EXPECT_TRUE(await(firstA).empty());  // given up
  ASSERT_TRUE(waitUntil([&] { return model.givenUp.load() >= 1; }));
  clipvane::testing::drainEvents();
  EXPECT_FALSE(check.finishedSpans(a));
  EXPECT_FALSE(againA.isFinished());

  model.open();
  EXPECT_EQ(await(againA), expectedSpans(a));
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(a).has_value(); }));
  EXPECT_EQ(*check.finishedSpans(a), expectedSpans(a));
}

// A text let go takes its result with it, and its scan still under way is
// given up; another text's result stays.
TEST_F(AICheckTest, AForgottenTextLeavesNoResultAndNoScan) {
  const QString a = "First, Ada Lovelace.";
  const QString b = "Second, Ada Lovelace again.";
  await(check.check(a));
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(a).has_value(); }));
  check.forget(b);
  EXPECT_TRUE(check.finishedSpans(a));
  check.forget(a);
  EXPECT_FALSE(check.finished());

  model.close();
  AICheck::Task task = check.check(b);
  ASSERT_TRUE(waitUntil([&] { return model.chats.load() == 2; }));
  check.forget(b);
  EXPECT_FALSE(check.running());
  EXPECT_TRUE(await(task).empty());
  EXPECT_EQ(model.givenUp.load(), 1);
  clipvane::testing::drainEvents();
  EXPECT_FALSE(check.finished());
}

TEST_F(AICheckTest, AScanThatTimesOutIsKeptForTheNextPaste) {
  const QString text = "Ada Lovelace is slow to answer.";
  model.close();
  QFuture<AICheck::Spans> waited = check.spans(text, 0.05);
  ASSERT_TRUE(waitUntil([&] { return waited.isFinished(); }));
  EXPECT_TRUE(waited.result().empty());
  EXPECT_FALSE(check.finishedSpans(text));

  model.open();
  ASSERT_TRUE(waitUntil([&] { return check.finishedSpans(text).has_value(); }));
  QFuture<AICheck::Spans> again = check.spans(text, 4.0);
  EXPECT_TRUE(again.isFinished());  // answered without waiting
  EXPECT_EQ(again.result(), expectedSpans(text));
  EXPECT_EQ(model.chats.load(), 1);
}

TEST_F(AICheckTest, OnlyTextsUpToTheLimitReachTheModel) {
  // The limit counts UTF-16 code units: a character outside the basic plane counts twice.
  struct Row {
    qsizetype length;
    QString fill;
    int chats;
  };
  const QString wide = QString::fromUcs4(U"\U0001F600");
  const Row rows[] = {{4000, "x", 1}, {4001, "x", 0}, {4000, wide, 1}, {4001, wide, 0}};
  for (const Row& row : rows) {
    AICheck fresh;
    model.chats = 0;
    QString text = "Ada Lovelace ";
    while (text.size() + row.fill.size() <= row.length) text += row.fill;
    text += QString(row.length - text.size(), QLatin1Char('x'));
    ASSERT_EQ(text.size(), row.length);
    await(fresh.check(text));
    ASSERT_TRUE(waitUntil([&] { return fresh.finishedSpans(text).has_value(); }));
    EXPECT_EQ(model.chats.load(), row.chats) << row.length << " " << row.fill.size();
    // The empty answer of a long text is kept like any other.
    if (row.chats == 0) {
      EXPECT_TRUE(fresh.finishedSpans(text)->empty());
    }
  }
}

TEST_F(AICheckTest, NoServerAServerTooOldOrAFailedCallFindsNothing) {
  Ports::install<LocalModelPort>(nullptr);
  EXPECT_EQ(AICheck::status(), AICheck::Status::deviceNotEligible);
  Ports::install<LocalModelPort>(&model);

  const QString text = "Ada Lovelace, once more.";
  for (const Availability a : {Availability::tooOld, Availability::otherOwner}) {
    model.state = a;
    AICheck fresh;
    EXPECT_TRUE(await(fresh.check(text)).empty());
    EXPECT_EQ(model.chats.load(), 0);
  }
  // Why the check is not used is said where the switch is.
  EXPECT_EQ(AICheck::status(), AICheck::Status::otherOwner);
  EXPECT_TRUE(AICheck::statusText(AICheck::status()).contains("another account"));

  model.state = Availability::available;
  model.answer = [](const LocalModelPort::ChatRequest&) { return std::nullopt; };
  AICheck other;
  EXPECT_TRUE(await(other.check(text)).empty());
  EXPECT_EQ(model.chats.load(), 1);
}

}  // namespace
