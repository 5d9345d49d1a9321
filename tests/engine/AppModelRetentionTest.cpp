// Originals keep to the retention: in the vault file and in the recent copies.
#include <limits>

#include "AICheck.h"
#include "EngineTest.h"
#include "Storage.h"
#include "Vault.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class RetentionTest : public EngineTest {
 protected:
  RetentionTest() {
    set(&AppSettings::retention, AppSettings::Retention::hour);
    set(&AppSettings::autoMask, true);
  }
  static std::vector<std::u16string> originalsInFile() {
    std::vector<std::u16string> out;
    for (const Vault::Entry& e : VaultStore::read(std::numeric_limits<double>::infinity()).entries)
      out.push_back(e.original);
    return out;
  }
  static void remember(const std::u16string& original, Date created) {
    VaultStore::update(1e13, [&](Vault& v) {
      v.entries.push_back({u"[EMAIL_" + toUtf16(std::to_string(v.entries.size() + 1)) + u"]",
                           original, Kind::email, created, std::nullopt});
    });
  }
};

// Expired originals leave the file when the program starts and when the
// retention is shortened; one written while the clock ran ahead lives the
// retention from when the clock came right.
TEST_F(RetentionTest, TheVaultFileLosesExpiredOriginalsAtStartAndOnAShorterRetention) {
  remember(u"old@example.com", now - std::chrono::hours(2));
  remember(u"ahead@example.com", now + std::chrono::days(2));
  remember(u"week@example.com", now - std::chrono::hours(30));
  set(&AppSettings::retention, AppSettings::Retention::week);
  model().start();
  EXPECT_EQ(originalsInFile(), (std::vector<std::u16string>{
                                   u"old@example.com", u"ahead@example.com", u"week@example.com"}));
  set(&AppSettings::retention, AppSettings::Retention::day);
  EXPECT_EQ(originalsInFile(),
            (std::vector<std::u16string>{u"old@example.com", u"ahead@example.com"}));
  // Lengthening brings nothing back; shortening drops at once.
  set(&AppSettings::retention, AppSettings::Retention::week);
  set(&AppSettings::retention, AppSettings::Retention::hour);
  EXPECT_EQ(originalsInFile(), (std::vector<std::u16string>{u"ahead@example.com"}));

  restart([](AppSettings&) {});
  advance(std::chrono::minutes(61));
  model().start();
  EXPECT_TRUE(originalsInFile().empty()) << "dated ahead: an hour from when it was seen";
}

// While the program runs, each tick lets go of what expired since: the
// vault's originals and the recent copies, whose actions no longer hand out
// the original even from a menu opened before.
TEST_F(RetentionTest, RecentCopiesAndTheVaultLetGoOfOriginalsPastTheRetention) {
  copy("mail ada@example.com");
  ASSERT_EQ(model().recentCopies().size(), 1u);
  const AppModel::RecentCopy ada = model().recentCopies()[0];
  ASSERT_TRUE(ada.masked);
  advance(std::chrono::minutes(30));
  copy("call bob@example.com");
  const QString masked = ports.clipboard.string().value_or("");

  advance(std::chrono::minutes(31));
  model().keepToRetention();
  ASSERT_EQ(model().recentCopies().size(), 1u);
  EXPECT_EQ(model().recentCopies()[0].text, "call bob@example.com");
  EXPECT_EQ(originalsInFile(), std::vector<std::u16string>{u"bob@example.com"});

  // Show Original, Ignore, Check Again and Change Type of the gone copy.
  model().putBack(ada);
  model().ignore(ada);
  model().checkAgain(ada);
  model().changeType(ada, Kind::name);
  settle();
  EXPECT_EQ(ports.clipboard.string(), masked);
  EXPECT_TRUE(model().settings().ignored.empty());
  EXPECT_TRUE(model().settings().marked.empty());

  // A copy made while the clock ran ahead counts from when it came right.
  advance(std::chrono::hours(5));
  copy("mail cy@example.com");
  advance(-std::chrono::hours(5));
  model().keepToRetention();
  EXPECT_EQ(model().recentCopies().size(), 2u);
  advance(std::chrono::minutes(59));
  model().keepToRetention();
  EXPECT_EQ(model().recentCopies().size(), 1u);
  advance(std::chrono::minutes(2));
  model().keepToRetention();
  EXPECT_TRUE(model().recentCopies().empty());
  EXPECT_TRUE(originalsInFile().empty());
}

// The program's own ticks do it without being asked.
TEST_F(RetentionTest, TheProgramLooksAtTheAgesEveryTwentySeconds) {
  copy("mail ada@example.com");
  advance(std::chrono::minutes(61));
  ASSERT_EQ(model().recentCopies().size(), 1u);
  EXPECT_TRUE(testing::waitUntil([&] { return model().recentCopies().empty(); }, 40'000));
  EXPECT_TRUE(originalsInFile().empty());
}

// The copies of an original the program keeps beside the recent copies, the
// auto-mask's Undo and the local model's last text, go with it: when it
// expires, when the notice goes (a new copy) and once the Undo is used. The
// notice that is still listed holds nothing of it.
TEST_F(RetentionTest, TheUndoCopyAndTheLocalModelsTextGoWithTheOriginal) {
  set(&AppSettings::aiCheck, true);
  systemPorts.model.answer = [](const LocalModelPort::ChatRequest&) {
    return QByteArray(R"({"items":[]})");
  };
  const QString ada = "mail ada@example.com";
  copy(ada);
  const QString masked = ports.clipboard.string().value_or("");
  ASSERT_NE(masked, ada);
  ASSERT_EQ(ports.panels.lastText(), "Email masked");
  std::weak_ptr<const ClipboardSnapshot> held = model().maskUndoOriginal();
  ASSERT_FALSE(held.expired());
  ASSERT_TRUE(testing::waitUntil([&] { return AICheck::shared().finishedSpans(ada).has_value(); }));

  advance(std::chrono::minutes(61));
  model().keepToRetention();
  EXPECT_TRUE(held.expired());
  EXPECT_FALSE(AICheck::shared().finished());
  ports.panels.pressAction();  // the notice's Undo gives nothing back
  settle();
  EXPECT_EQ(ports.clipboard.string(), masked);

  copy("mail bob@example.com");
  held = model().maskUndoOriginal();
  ASSERT_FALSE(held.expired());
  copy("mail cy@example.com");  // bob's notice is gone
  EXPECT_TRUE(held.expired());
  held = model().maskUndoOriginal();
  ports.panels.pressAction();
  settle();
  EXPECT_EQ(ports.clipboard.string(), "mail cy@example.com");
  EXPECT_TRUE(held.expired());
}

}  // namespace
}  // namespace clipvane
