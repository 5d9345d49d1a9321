#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "PamAuth.h"
#include "X11TestSupport.h"

using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// A throw-away account with a known password; made only where the tests
// run as root (CI), since it changes the machine's user list.
class TestUser {
 public:
  explicit TestUser(bool withPassword = true) {
    if (geteuid() != 0) return;
    // One fixed name: an account left behind by a crashed run goes first.
    name_ = QStringLiteral("cvpamtest");
    QProcess stale;  // quietly: usually there is none
    stale.start("userdel", {name_});
    stale.waitForFinished();
    if (QProcess::execute("useradd", {"-M", "-s", "/usr/sbin/nologin", name_}) != 0) return;
    if (!withPassword) {
      ready_ = true;
      return;
    }
    QProcess chpasswd;
    chpasswd.start("chpasswd");
    chpasswd.waitForStarted();
    chpasswd.write((name_ + ":" + password + "\n").toUtf8());
    chpasswd.closeWriteChannel();
    chpasswd.waitForFinished();
    ready_ = chpasswd.exitCode() == 0;
  }
  ~TestUser() {
    if (!name_.isEmpty()) QProcess::execute("userdel", {name_});
  }
  bool ready() const { return ready_; }
  QString name() const { return name_; }
  const QString password = QStringLiteral("c0rrect h\u00f6rse");

 private:
  QString name_;
  bool ready_ = false;
};

QWidget* passwordDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "clipvane-password" && w->isVisible()) return w;
  return nullptr;
}

}  // namespace

TEST(PamAuth, RefusesAWrongPasswordAndAcceptsTheRightOne) {
  TestUser user;
  if (!user.ready()) GTEST_SKIP() << "needs root to make a test account";
  struct Row {
    QString password;
    bool accepted;
  };
  for (const Row& r : {Row{"wrong", false}, Row{"", false}, Row{user.password, true}})
    EXPECT_EQ(PamAuth::check(PamAuth::service(), user.name(), r.password), r.accepted)
        << r.password.toStdString();
  EXPECT_FALSE(PamAuth::check(PamAuth::service(), user.name() + "x", user.password));
}

TEST(PamAuth, AnAccountWithoutPasswordCannotBeAsked) {
  TestUser user(false);
  if (!user.ready()) GTEST_SKIP() << "needs root to make a test account";
  QString error;
  EXPECT_FALSE(PamAuth(user.name()).canEvaluate(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(PamAuth("no-such-user-here").canEvaluate(&error) &&
               PamAuth::check(PamAuth::service(), "no-such-user-here", "x"));
}

TEST(PamAuth, DialogShowsTheReasonAndAnswersOnce) {
  TestUser user;
  if (!user.ready()) GTEST_SKIP() << "needs root to make a test account";
  PamAuth auth(user.name());
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
