#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "PamAuth.h"
#include "X11TestSupport.h"

using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// A throw-away account with a known password; made only where the tests
// run as root (CI), since it changes the machine's user list. One fixed name:
// an account left behind by a crashed run goes first.
struct TestUser {
  TestUser() {
    if (geteuid() != 0) return;
    run("userdel", {name});
    int rc = -1;
    run("useradd", {"-M", "-s", "/usr/sbin/nologin", name}, {}, &rc);
    if (rc == 0) run("chpasswd", {}, (name + ":" + password + "\n").toUtf8(), &rc);
    ready = rc == 0;
  }
  ~TestUser() {
    if (geteuid() == 0) run("userdel", {name});
  }
  const QString name = QStringLiteral("cvpamtest");
  const QString password = QStringLiteral("c0rrect h\u00f6rse");
  bool ready = false;
};

QWidget* passwordDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "clipvane-password" && w->isVisible()) return w;
  return nullptr;
}

}  // namespace

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
    run("usermod", {"-p", hash, user.name});
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
  auth.evaluate("restore masked values", [&](bool ok) { answers.push_back(ok); });
  QWidget* dialog = nullptr;
  ASSERT_TRUE(waitUntil([&] { return (dialog = passwordDialog()) != nullptr; }));
  EXPECT_TRUE(dialog->findChild<QLabel*>("reason")->text().contains("restore masked values"));
  auto* field = dialog->findChild<QLineEdit*>();
  auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);

  // A wrong password keeps the dialog open for another try.
  field->setText("wrong");
  ok->click();
  auto* status = dialog->findChild<QLabel*>("status");
  ASSERT_TRUE(
      waitUntil([&] { return status->text().startsWith("Wrong"); }, std::chrono::seconds(20)));
  EXPECT_TRUE(answers.empty());

  field->setText(user.password);
  ok->click();
  ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }, std::chrono::seconds(20)));
  EXPECT_EQ(answers, std::vector<bool>{true});
  EXPECT_TRUE(waitUntil([] { return passwordDialog() == nullptr; }));

  // Cancelled: false, once.
  answers.clear();
  auth.evaluate("restore masked values", [&](bool ok) { answers.push_back(ok); });
  ASSERT_TRUE(waitUntil([&] { return (dialog = passwordDialog()) != nullptr; }));
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(answers, std::vector<bool>{false});
}
