// The commit of a safe paste, its result notice and badge, and the history.
#include <QDateTime>
#include <fstream>

#include "PasteFixture.h"
#include "Storage.h"

namespace clipvane {
namespace {

using testing::PasteFixture;
using Outcome = ActivityEntry::Outcome;

const QString twoEmails = QStringLiteral("To ada@example.com and bob@example.org");
const QString cardAndEmails =
    QStringLiteral("Card 4111 1111 1111 1111 for ada@example.com, bob@example.org, cy@example.net");
const QString twoCards = QStringLiteral("4111 1111 1111 1111 and 5555 5555 5555 4444");

class CommitTest : public PasteFixture {
 protected:
  // Pastes through the review with the given keep set.
  void reviewAndKeep(const QString& text, const std::set<int>& keep) {
    openReview(text).paste(keep);
    settle();
  }
};

TEST_F(CommitTest, OutcomesCountsAndMasks) {
  struct Case {
    const char* name;
    QString text;
    std::set<int> keep;  // through the review; none: committed at once
    bool viaReview;
    QString pasted;
    Outcome outcome;
    std::map<Kind, int> counts;
    int kept;
    std::optional<std::vector<std::u16string>> masks;
  };
  const Case cases[] = {
      {"hidden",
       twoEmails,
       {},
       false,
       QStringLiteral("To [EMAIL_1] and [EMAIL_2]"),
       Outcome::hidden,
       {{Kind::email, 2}},
       0,
       std::vector<std::u16string>{u"[EMAIL_1]", u"[EMAIL_2]"}},
      {"blocked",
       cardAndEmails,
       {},
       false,
       QStringLiteral("Card [removed] for [EMAIL_1], [EMAIL_2], [EMAIL_3]"),
       Outcome::blocked,
       {{Kind::card, 1}, {Kind::email, 3}},
       0,
       std::vector<std::u16string>{u"[EMAIL_1]", u"[EMAIL_2]", u"[EMAIL_3]"}},
      {"kept", twoEmails, {0, 1}, true, twoEmails, Outcome::kept, {}, 2, std::nullopt},
      {"one kept",
       twoEmails,
       {1},
       true,
       QStringLiteral("To [EMAIL_1] and bob@example.org"),
       Outcome::hidden,
       {{Kind::email, 1}},
       1,
       std::vector<std::u16string>{u"[EMAIL_1]"}},
  };
  std::size_t entries = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VaultStore::clear();
    keyboard.pasted.clear();
    if (c.viaReview)
      reviewAndKeep(c.text, c.keep);
    else {
      changeSettings([](AppSettings& s) { s.autoMask = true; });
      clipboardHolds(c.text);
      safePaste();
    }
    EXPECT_EQ(keyboard.pasted, QStringList{c.pasted});
    const auto stored = history(++entries);
    ASSERT_EQ(stored.size(), entries);
    const ActivityEntry& e = stored.back();
    EXPECT_EQ(e.outcome, c.outcome);
    EXPECT_EQ(e.counts, c.counts);
    EXPECT_EQ(e.kept, c.kept);
    EXPECT_EQ(e.masks, c.masks);
    EXPECT_EQ(e.place, u"Code");
    EXPECT_EQ(e.placeKind, ActivityEntry::PlaceKind::app);
    EXPECT_EQ(model().activity(), stored);
  }
}

TEST_F(CommitTest, TwoQuickCommitsReachTheHistoryInOrder) {
  clipboardHolds(QStringLiteral("first ada@example.com"));
  model().safePaste(AppModel::Trigger::hotkey);
  ASSERT_TRUE(testing::waitUntil([&] { return keyboard.pasted.size() == 1; }));
  clipboardHolds(QStringLiteral("second bob@example.org and cy@example.net"));
  model().safePaste(AppModel::Trigger::hotkey);  // while the first one's history write may run
  const auto stored = history(2);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].hiddenCount(), 1);
  EXPECT_EQ(stored[1].hiddenCount(), 2);
}

TEST_F(CommitTest, ResultNotices) {
  struct Case {
    const char* name;
    QString text;
    bool trusted;
    bool pasteToast;
    QString toast;  // empty: none
    QString action;
  };
  const Case cases[] = {
      {"one locked among masked", cardAndEmails, true, true, "Card number blocked", "Review"},
      {"two locked of one label", twoCards, true, true, "2 items blocked", "Review"},
      {"blocked, notices off", cardAndEmails, true, false, "Card number blocked", "Review"},
      {"one masked", QStringLiteral("mail ada@example.com"), true, true, "1 item masked", "Undo"},
      {"two masked", twoEmails, true, true, "2 items masked", "Undo"},
      {"masked, notices off", twoEmails, true, false, "", ""},
      {"no permission", twoEmails, false, true, "Masked, press Ctrl+V", ""},
      {"no permission, notices off", twoEmails, false, false, "Masked, press Ctrl+V", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    changeSettings([&](AppSettings& s) { s.pasteToast = c.pasteToast; });
    ports.keyboard.trusted = c.trusted;
    ports.panels.toasts.clear();
    clipboardHolds(c.text);
    safePaste();
    if (c.toast.isEmpty()) {
      EXPECT_TRUE(ports.panels.toasts.empty());
      continue;
    }
    ASSERT_EQ(ports.panels.toasts.size(), 1u);
    const auto& shown = ports.panels.toasts[0];
    EXPECT_EQ(shown.toast.text, c.toast);
    EXPECT_EQ(shown.toast.action ? shown.toast.action->title : QString(), c.action);
  }
}

TEST_F(CommitTest, ReviewOpensTheNewestEntry) {
  clipboardHolds(cardAndEmails);
  safePaste();
  fakes::journal().clear();
  ports.panels.pressAction();
  EXPECT_EQ(fakes::journal(), QStringList{QStringLiteral("activity 1")});
}

TEST_F(CommitTest, UndoSendsCtrlZOrBeeps) {
  struct Case {
    const char* name;
    bool trustedAtUndo;
    RunningApp front;
    bool key;
  };
  const Case cases[] = {
      {"permitted", true, editor, true},
      {"permission gone", false, editor, false},
      // Ctrl+Z would suspend the program running in a terminal.
      {"terminal", true, terminal, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ports.keyboard.trusted = true;
    ports.workspace.frontmost = editor;
    clipboardHolds(QStringLiteral("mail ada@example.com"));
    safePaste();
    ASSERT_EQ(ports.panels.lastText(), QStringLiteral("1 item masked"));
    ports.keyboard.events.clear();
    const int beeps = ports.workspace.beeps;
    ports.keyboard.trusted = c.trustedAtUndo;
    ports.workspace.frontmost = c.front;
    ports.panels.pressAction();
    if (c.key) {
      ASSERT_EQ(ports.keyboard.events.size(), 2u);
      EXPECT_EQ(ports.keyboard.events[0].keyCode, KeyCode::z);
      EXPECT_EQ(ports.keyboard.events[0].modifiers, Modifier::control);
      EXPECT_EQ(ports.workspace.beeps, beeps);
    } else {
      EXPECT_TRUE(ports.keyboard.events.empty());
      EXPECT_EQ(ports.workspace.beeps, beeps + 1);
    }
  }
}

TEST_F(CommitTest, ReduceMotionKeepsOnlyTheBlockedBadge) {
  clipboardHolds(twoEmails);
  safePaste();
  EXPECT_TRUE(model().pastedFlash());
  ASSERT_TRUE(testing::waitUntil([&] { return !model().pastedFlash(); }));

  ports.workspace.reduceMotionOn = true;
  clipboardHolds(twoEmails);
  safePaste();
  EXPECT_FALSE(model().pastedFlash());
  clipboardHolds(cardAndEmails);
  safePaste();
  EXPECT_TRUE(model().blockedFlash());
  EXPECT_TRUE(testing::waitUntil([&] { return !model().blockedFlash(); }));
}

TEST_F(CommitTest, AVaultFailureShowsTheErrorAndPastesNothing) {
  {
    std::ofstream key(Paths::ensureDirectory() / "vault.key", std::ios::binary);
    key << "short";
  }
  clipboardHolds(twoEmails);
  safePaste();
  ASSERT_EQ(ports.windows.alerts.size(), 1u);
  EXPECT_TRUE(ports.windows.alerts[0].message.contains(QStringLiteral("vault")));
  EXPECT_TRUE(keyboard.pasted.isEmpty());
  EXPECT_EQ(ports.clipboard.string(), twoEmails);
  EXPECT_TRUE(ports.panels.toasts.empty() ||
              ports.panels.lastText() != QStringLiteral("2 items masked"));
  EXPECT_FALSE(model().pastedFlash());
  EXPECT_FALSE(model().safePasteWaiting());
  EXPECT_TRUE(history(0).empty());
}

TEST_F(CommitTest, ADestinationChangeDuringTheVaultUpdateCancels) {
  const ReviewSession review = openReview(twoEmails);
  {
    testing::PoolBlocker busy;
    review.paste({});
    EXPECT_TRUE(model().safePasteWaiting());
    ports.workspace.frontmost = terminal;
  }
  settle();
  EXPECT_EQ(ports.panels.lastText(), QStringLiteral("Paste cancelled"));
  EXPECT_TRUE(keyboard.pasted.isEmpty());
  EXPECT_FALSE(model().safePasteWaiting());
  EXPECT_TRUE(history(0).empty());
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 2u);  // what was recorded stays
}

TEST(AppModelPhrase, LabelsAsRunningText) {
  struct Case {
    QString label;
    QString phrase;
    int count;
    QString counted;
  };
  const Case cases[] = {
      {"API key", "API key", 3, "3 API keys"},
      {"IPv4 address", "ipv4 address", 2, "2 ipv4 addresses"},
      {"Email", "email", 1, "1 email"},
      {"Address", "address", 2, "2 addresses"},
      {"Custom terms", "custom terms", 2, "2 custom terms"},
      {"Email", "email", 0, "0 emails"},
      {"  Database   URL ", "database URL", 2, "2 database URLs"},
      {"ID", "ID", 2, "2 IDs"},
      {"A", "a", 2, "2 as"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppModel::phrase(c.label), c.phrase) << c.label.toStdString();
    EXPECT_EQ(AppModel::counted(c.count, c.label), c.counted) << c.label.toStdString();
  }
}

TEST_F(CommitTest, HiddenTodayCountsOnlyTodaysMaskedAndBlockedValues) {
  auto entry = [&](Date date, Outcome outcome, int emails) {
    ActivityEntry e;
    e.date = date;
    e.outcome = outcome;
    if (emails) e.counts[Kind::email] = emails;
    e.counts[Kind::card] = 1;
    return e;
  };
  const QDateTime noon = QDateTime::fromMSecsSinceEpoch(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count());
  const auto at = [](const QDateTime& t) {
    return Date{std::chrono::milliseconds(t.toMSecsSinceEpoch())};
  };
  const Date midnight = at(QDateTime(noon.date(), QTime(0, 0)));
  model().setActivity({
      entry(at(noon), Outcome::hidden, 2),                            // 3
      entry(at(noon), Outcome::blocked, 0),                           // 1
      entry(at(noon), Outcome::kept, 4),                              // kept: none
      entry(midnight, Outcome::hidden, 1),                            // 2
      entry(midnight - std::chrono::seconds(1), Outcome::hidden, 5),  // yesterday
  });
  EXPECT_EQ(model().hiddenToday(), 6);
}

}  // namespace
}  // namespace clipvane
