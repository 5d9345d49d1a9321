// The login item and the device-owner unlock.
#include <gtest/gtest.h>

#include "LoginItem.h"
#include "TestSupport.h"
#include "TouchID.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

TEST(LoginItem, CallsTheSystemOnlyWhenTheStateDiffers) {
  using S = LoginItemStatus;
  struct Case {
    S status;
    bool wanted;
    QStringList calls;
  };
  const Case cases[] = {
      {S::requiresApproval, true, {}},  // awaiting approval already counts as on
      {S::requiresApproval, false, {"unregister"}},
      {S::enabled, true, {}},
      {S::notRegistered, false, {}},
      {S::notFound, true, {"register"}},
      {S::notRegistered, true, {"register"}},
  };
  for (const Case& c : cases) {
    fakes::FakePorts ports;
    ports.loginItem.current = c.status;
    LoginItem::set(c.wanted);
    EXPECT_EQ(ports.loginItem.calls, c.calls) << int(c.status) << c.wanted;
  }
}

TEST(LoginItem, AFailureIsOneLogLine) {
  fakes::FakePorts ports;
  ports.loginItem.failure = "permission denied";
  static QStringList logged;
  logged.clear();
  const auto previous = qInstallMessageHandler(
      [](QtMsgType, const QMessageLogContext&, const QString& msg) { logged << msg; });
  LoginItem::set(true);
  qInstallMessageHandler(previous);
  EXPECT_EQ(logged, QStringList{"Clipvane: login item: permission denied"});
}

TEST(TouchID, NobodyToAskShowsTheAlertBeforeFalse) {
  fakes::FakePorts ports;
  ports.auth.available = false;
  ports.auth.unavailableReason = "No password is set";
  std::optional<bool> result;
  TouchID::unlock("restore masked values", [&](bool ok) {
    result = ok;
    fakes::journal() << "completion";
  });
  EXPECT_FALSE(result);  // never inside the call
  ASSERT_TRUE(testing::waitUntil([&] { return result.has_value(); }));
  EXPECT_FALSE(*result);
  EXPECT_EQ(fakes::journal(), (QStringList{"alert Can’t unlock originals", "completion"}));
  EXPECT_EQ(ports.windows.alerts.at(0).informative, "No password is set");
}

TEST(TouchID, AnswersComeOnTheMainThreadWithoutAlert) {
  for (bool answer : {true, false}) {
    fakes::FakePorts ports;
    ports.auth.answer = answer;
    ports.auth.replyFromOtherThread = true;
    std::optional<bool> result;
    bool onMainThread = false;
    TouchID::unlock("restore masked values", [&](bool ok) {
      result = ok;
      onMainThread = QThread::currentThread() == qApp->thread();
    });
    ASSERT_TRUE(testing::waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(*result, answer);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(ports.windows.alerts.empty());
    EXPECT_EQ(ports.auth.reasons, QStringList{"restore masked values"});
  }
}

}  // namespace
}  // namespace clipvane
