// The times users see, stated as the program promises them, on a clock of
// the test's own: the badge flashes of a masked, blocked or restored value
// and the progress notice of a safe paste whose detection takes a while.
#include "PasteFixture.h"
#include "Storage.h"
#include "Vault.h"

namespace clipvane {
namespace {

using testing::PasteFixture;

class DelaysTest : public PasteFixture {
 protected:
  testing::DelayClock clock;
};

TEST_F(DelaysTest, BadgesFlashForOneSecondOrThreeWhenSomethingWasBlocked) {
  VaultStore::update(1e9, [&](Vault& v) {
    v.entries.push_back({u"[NAME_9]", u"Ada Lovelace", Kind::name, now, std::nullopt});
  });
  struct Case {
    const char* name;
    std::function<void()> cause;
    std::function<bool()> flag;
    long long ms;
  };
  const auto pasted = [&] { return model().pastedFlash(); };
  const auto blocked = [&] { return model().blockedFlash(); };
  const Case cases[] = {
      {"masked paste",
       [&] {
         clipboardHolds("mail ada@example.com");
         safePaste();
       },
       pasted, 1000},
      {"blocked paste",
       [&] {
         clipboardHolds("card 4111 1111 1111 1111");
         safePaste();
       },
       blocked, 3000},
      {"auto-mask", [&] { copy("mail bob@example.org"); }, pasted, 1000},
      {"auto-mask of a card", [&] { copy("card 5555 5555 5555 4444"); }, blocked, 3000},
      {"restore",
       [&] {
         clipboardHolds("Dear [NAME_9]");
         model().restoreClipboard(false);
         settle();
       },
       [&] { return model().restoredFlash(); }, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.cause();
    EXPECT_TRUE(c.flag());
    clock.advance(c.ms - 1);
    EXPECT_TRUE(c.flag());
    clock.advance(1);
    EXPECT_FALSE(c.flag());
    clock.advance(5000);  // whatever else was pending
  }
}

TEST_F(DelaysTest, CheckingShowsOnceDetectionHasTakenThreeTenthsOfASecond) {
  clipboardHolds("mail ada@example.com");
  {
    testing::PoolBlocker busy;  // detection cannot start
    model().safePaste(AppModel::Trigger::hotkey);
    clock.advance(299);
    EXPECT_TRUE(ports.panels.texts().isEmpty());
    clock.advance(1);
    EXPECT_EQ(ports.panels.texts(), QStringList{"Checking"});
  }
  settle();
  EXPECT_EQ(pasted.size(), 1);
}

}  // namespace
}  // namespace clipvane
