// Originals keep to their time in the running program on a real X server,
// its wall clock moved on by a preloaded shim the test controls.
#include <gtest/gtest.h>

#include <QFile>

#include <limits>

#include "E2eSupport.h"
#include "Vault.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::e2e;
using x11::test::waitUntil;
using x11::test::xdotool;
using namespace std::chrono_literals;

namespace {

class Retention : public ::testing::Test {
 protected:
  // The program's clock runs this far ahead of the real one.
  void moveClock(std::chrono::hours ahead) {
    QFile f(home.file("clock-offset"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(qint64(std::chrono::seconds(ahead).count())));
    f.close();
    // The shim reads the file again after 100 ms.
    waitUntil([] { return false; }, 300ms);
  }

  void start() {
    AppSettings settings = onboarded();
    settings.retention = AppSettings::Retention::hour;
    home.write(settings);
    qputenv("LD_PRELOAD", CLIPVANE_CLOCK_SHIM);
    qputenv("CLIPVANE_TEST_CLOCK_OFFSET", home.file("clock-offset").toUtf8());
    // A sanitized build wants its runtime loaded first; the shim comes
    // before it, and only moves the wall clock, so the order may stand.
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
    program = std::make_unique<Clipvane>(home);
    if (asan.isEmpty())
      qunsetenv("ASAN_OPTIONS");
    else
      qputenv("ASAN_OPTIONS", asan);
    qunsetenv("LD_PRELOAD");
    qunsetenv("CLIPVANE_TEST_CLOCK_OFFSET");
    ASSERT_TRUE(program->waitDocked()) << "no tray icon";
  }

  // Copies the text and waits until the clipboard holds what the program
  // made of it.
  QString copied(const QString& text, const std::function<bool(const QString&)>& done) {
    copy = std::make_unique<Copy>(text);
    QString now;
    EXPECT_TRUE(waitUntil([&] { return done(now = clipboard()); })) << now.toStdString();
    return now;
  }

  // The originals the vault file holds, decrypted with its key.
  std::vector<std::u16string> originalsInFile() const {
    qputenv("CLIPVANE_HOME", home.path().toUtf8());
    std::vector<std::u16string> out;
    for (const Vault::Entry& e : VaultStore::read(std::numeric_limits<double>::infinity()).entries)
      out.push_back(e.original);
    qunsetenv("CLIPVANE_HOME");
    return out;
  }

  bool fileHolds(const std::u16string& original) const {
    const auto all = originalsInFile();
    return std::find(all.begin(), all.end(), original) != all.end();
  }

  Home home;
  std::unique_ptr<Clipvane> program;
  std::unique_ptr<Copy> copy;
};

const auto masks = [](const QString& placeholder) {
  return [placeholder](const QString& text) { return text.contains(placeholder); };
};

}  // namespace

TEST_F(Retention, OriginalsLeaveTheVaultTheRecentCopiesAndTheirNumbersStayTheirs) {
  moveClock(0h);
  start();
  copied("mail carol@example.com", masks("[EMAIL_1]"));
  ASSERT_TRUE(fileHolds(u"carol@example.com"));
  program.reset();

  // Two hours later, with the retention an hour: gone from the file at start.
  moveClock(2h);
  start();
  EXPECT_TRUE(waitUntil([&] { return !fileHolds(u"carol@example.com"); }, 10s));
  screenshot("retention-1-restarted");

  // The next address takes a number carol's never had, and an old text that
  // still quotes hers restores nothing.
  EXPECT_EQ(copied("mail dave@example.com", masks("[EMAIL_")), "mail [EMAIL_2]");
  const QString old = "Reply to [EMAIL_1] and [EMAIL_2] today";
  copied(old, [&](const QString& t) { return t == old; });
  xdotool({"key", "ctrl+super+r"});
  EXPECT_TRUE(waitUntil([&] {
    return clipboard() == "Reply to [EMAIL_1] and dave@example.com today";
  })) << clipboard().toStdString();
  screenshot("retention-2-old-placeholder");

  // A copy that quotes a placeholder keeps it once; the address gets another.
  EXPECT_EQ(copied("write [EMAIL_3] here, or erin@example.com", masks("or [EMAIL_")),
            "write [EMAIL_3] here, or [EMAIL_4]");

  // Two more hours on, while it runs: Ignore on the latest copy gives no
  // original back, and the file loses erin's and dave's within the minute.
  moveClock(4h);
  const QString masked = clipboard();
  xdotool({"key", "ctrl+super+i"});
  waitUntil([] { return false; }, 2s);
  EXPECT_EQ(clipboard(), masked);
  EXPECT_TRUE(waitUntil([&] { return originalsInFile().empty(); }, 60s));
  screenshot("retention-3-expired");
}
