// The recent copies and their actions.
#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class AppModelRecentTest : public EngineTest {
 protected:
  AppModelRecentTest() { set(&AppSettings::autoMask, false); }
  QStringList texts() {
    QStringList out;
    for (const auto& c : model().recentCopies()) out << c.text;
    return out;
  }
  const AppModel::RecentCopy& latest() { return model().recentCopies().at(0); }
};

// What the user may have copied since a recent copy (none: nothing since).
const std::optional<ClipboardSnapshot> copiedSince[] = {
    std::nullopt,        ClipboardSnapshot{{{fakes::plainText, "later words"}}},
    fakes::imageCopy(),  fakes::passwordCopy(),
    ClipboardSnapshot{},  // cleared elsewhere
};

TEST_F(AppModelRecentTest, IgnoreAddsCaseFoldedValuesOnceAndPutsTheTextBackOverTheCopyOnly) {
  const QString text = "Ada@Example.com or ada@example.COM";
  for (const bool masked : {false, true}) {
    for (const auto& since : copiedSince) {
      if (since && !masked) continue;
      SCOPED_TRACE(::testing::Message() << masked << (since ? since->size() : 9));
      restart([&](AppSettings& s) {
        s.autoMask = masked;
        s.ignored.clear();
      });
      copy(text);
      ASSERT_EQ(latest().found.size(), 2u);
      ASSERT_EQ(latest().masked, masked);
      if (since) copy(*since);
      ASSERT_EQ(model().recentCopies().back().text, text);
      model().ignore(model().recentCopies().back());
      ASSERT_EQ(model().settings().ignored.size(), 1u);
      EXPECT_EQ(model().settings().ignored[0].text, u"Ada@Example.com");
      EXPECT_EQ(model().settings().ignored[0].seenAs, u"Email");
      EXPECT_TRUE(model().recentCopies().back().found.empty());
      EXPECT_FALSE(model().recentCopies().back().masked);
      EXPECT_EQ(
          ports.clipboard.contents,
          since.value_or(Pasteboard::markedAsOriginals({{{fakes::plainText, text.toUtf8()}}})));
      EXPECT_TRUE(model().clipboardFindings().empty());
      if (since) continue;
      model().monitor().poll();  // our own write is not reported
      settle();
      EXPECT_EQ(texts(), QStringList{text});
    }
  }

  // Ignored values are no longer found.
  copy("ADA@EXAMPLE.COM");
  EXPECT_TRUE(latest().found.empty());
}

TEST_F(AppModelRecentTest, CheckAgainRescansThroughTheClipboardWhileItHoldsTheCopy) {
  const QString text = "mail ada@example.com, ask Zebulon Quill";
  for (const bool autoMask : {false, true}) {
    SCOPED_TRACE(autoMask);
    restart([&](AppSettings& s) {
      s.autoMask = autoMask;
      s.marked.clear();
    });
    for (const char* t : {"zero", "one", "two", "three"}) copy(t);
    copy(text);
    EXPECT_EQ(texts(), (QStringList{text, "three", "two"}));  // the oldest pushed out
    ASSERT_EQ(latest().masked, autoMask);
    const int writes = ports.clipboard.writes;
    model().mark({"Zebulon Quill"}, Kind::name);
    model().checkAgain(latest());
    settle();
    EXPECT_GT(ports.clipboard.writes, writes);
    EXPECT_EQ(texts(), (QStringList{text, "three", "two"}));
    EXPECT_EQ(latest().found.size(), 2u);
    EXPECT_EQ(latest().masked, autoMask);
    if (autoMask) {
      EXPECT_FALSE(ports.clipboard.string()->contains("Zebulon"));
    } else {
      EXPECT_EQ(ports.clipboard.string(), text);
      EXPECT_EQ(model().clipboardFindings().size(), 2u);
    }
  }
}

TEST_F(AppModelRecentTest, ARecheckOffTheClipboardLeavesItAloneAndLandsNotAfterAPause) {
  for (const auto& since : copiedSince) {
    if (!since) continue;
    SCOPED_TRACE(since->size());
    restart([](AppSettings& s) {
      s.autoMask = true;
      s.marked.clear();
    });
    copy("mail ada@example.com, ask Zebulon Quill");
    ASSERT_TRUE(latest().masked);
    copy(*since);
    const auto listed = texts();
    const int writes = ports.clipboard.writes;
    const qint64 count = ports.clipboard.count;
    const auto findings = model().clipboardFindings();
    const auto before = model().recentCopies().back();
    advance(std::chrono::seconds(30));

    model().mark({"Zebulon Quill"}, Kind::name);
    model().checkAgain(model().recentCopies().back());
    settle();
    model().monitor().poll();
    settle();

    EXPECT_EQ(ports.clipboard.contents, *since);
    EXPECT_EQ(ports.clipboard.writes, writes);
    EXPECT_EQ(ports.clipboard.count, count);
    EXPECT_EQ(model().clipboardFindings(), findings);
    EXPECT_EQ(texts(), listed);
    const auto& again = model().recentCopies().back();
    EXPECT_EQ(again.id, before.id);
    EXPECT_EQ(again.date, before.date);
    ASSERT_EQ(again.found.size(), 2u);
    EXPECT_TRUE(std::any_of(again.found.begin(), again.found.end(),
                            [](const Finding& f) { return f.kind == Kind::name; }));
  }

  // The hot key marks a latest copy that is no longer on the clipboard the same way.
  copy("Project Nightjar");
  ports.clipboard.userCopiesItems(fakes::imageCopy());
  model().markLatest();
  settle();
  EXPECT_EQ(ports.clipboard.contents, fakes::imageCopy());
  EXPECT_EQ(latest().found.size(), 1u);

  // A recheck off the clipboard does not land after a pause.
  restart([](AppSettings& s) {
    s.autoMask = false;
    s.marked.clear();
  });
  copy("ask Zebulon Quill");
  copy("later words");
  model().mark({"Zebulon Quill"}, Kind::name);
  model().checkAgain(model().recentCopies()[1]);
  model().pause(std::nullopt);
  settle();
  EXPECT_TRUE(model().recentCopies()[1].found.empty());
  EXPECT_EQ(ports.clipboard.string(), "later words");
}

TEST_F(AppModelRecentTest, MarkingAndChangeTypeReplaceEarlierMarksAndIgnores) {
  copy("zed@example.com");
  model().ignore(latest());
  ASSERT_EQ(model().settings().ignored.size(), 1u);
  model().mark({"Zed@Example.com"}, Kind::name);
  model().mark({"ZED@example.com"}, Kind::organization);
  const auto& marked = model().settings().marked;
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked[0].text, u"ZED@example.com");
  EXPECT_EQ(marked[0].kind, Kind::organization);
  EXPECT_TRUE(model().settings().ignored.empty());

  // Change type marks every value and rescans.
  copy("ada@example.com");
  model().changeType(latest(), Kind::identifier);
  settle();
  ASSERT_EQ(model().settings().marked.size(), 2u);
  EXPECT_EQ(model().settings().marked[1].kind, Kind::identifier);
  ASSERT_FALSE(latest().found.empty());
  EXPECT_EQ(latest().found[0].kind, Kind::identifier);
}

TEST_F(AppModelRecentTest, PutBackWritesTheOriginalAndUnmasks) {
  set(&AppSettings::autoMask, true);
  copy("mail ada@example.com");
  ASSERT_TRUE(latest().masked);
  model().putBack(latest());
  EXPECT_EQ(ports.clipboard.string(), "mail ada@example.com");
  EXPECT_FALSE(latest().masked);
  EXPECT_EQ(model().copiedWhat(), "Email");
  EXPECT_TRUE(model().lastScan()->sensitive);
}

// A masked copy checked again while auto-mask is off is on the clipboard as
// copied: it no longer counts as masked.
TEST_F(AppModelRecentTest, CheckAgainAndChangeTypeWithAutoMaskOffClearTheMaskedState) {
  for (const bool changeType : {false, true}) {
    SCOPED_TRACE(changeType ? "change type" : "check again");
    set(&AppSettings::autoMask, true);
    copy("mail ada@example.com");
    ASSERT_TRUE(latest().masked);
    set(&AppSettings::autoMask, false);
    if (changeType)
      model().changeType(latest(), Kind::name);
    else
      model().checkAgain(latest());
    settle();
    EXPECT_EQ(ports.clipboard.string(), "mail ada@example.com");
    EXPECT_FALSE(latest().masked);
  }
}

// While the lock is on, every road that gives a masked copy's original back
// asks the owner before anything is written or ignored; a refusal leaves the
// clipboard masked and the copy and the settings as they were.
TEST_F(AppModelRecentTest, EveryRoadBackToAnOriginalAsksFirstWhileTheLockIsOn) {
  const QString text = "mail ada@example.com";
  const std::pair<const char*, std::function<void()>> roads[] = {
      {"Show Original", [this] { model().putBack(latest()); }},
      {"Ignore", [this] { model().ignore(latest()); }},
      {"ignore hot key", [this] { model().ignoreLatest(); }},
      {"Change Type", [this] { model().changeType(latest(), Kind::identifier); }},
      {"check again", [this] { model().checkAgain(latest()); }},
      {"Undo of the mask", [this] { ports.panels.pressAction(); }},
  };
  for (const auto& [name, road] : roads)
    for (const bool answer : {false, true}) {
      SCOPED_TRACE(::testing::Message() << name << (answer ? ", allowed" : ", refused"));
      restart([](AppSettings& s) {
        s.autoMask = s.touchIDLock = true;
        s.ignored.clear();
        s.marked.clear();
      });
      copy(text);
      ASSERT_TRUE(latest().masked);
      const std::optional<QString> masked = ports.clipboard.string();
      const AppSettings before = model().settings();
      const int writes = ports.clipboard.writes;
      ports.auth.reasons.clear();
      ports.auth.answer = answer;
      road();
      EXPECT_EQ(ports.clipboard.writes, writes);  // nothing before the answer
      settle();
      EXPECT_EQ(ports.auth.reasons, QStringList{"restore masked values"});
      if (answer) {
        EXPECT_GT(ports.clipboard.writes, writes);
        // The original goes out marked for clipboard-history managers, and is
        // still the user's text to us; a masked text goes out unmarked.
        const bool hinted =
            ports.clipboard.data(0, Pasteboard::passwordHintType) == QByteArray("secret");
        EXPECT_EQ(hinted, ports.clipboard.string() == text);
        EXPECT_FALSE(Pasteboard::isConcealed());
        continue;
      }
      EXPECT_EQ(ports.clipboard.writes, writes);
      EXPECT_EQ(ports.clipboard.string(), masked);
      EXPECT_TRUE(latest().masked);
      EXPECT_EQ(model().settings(), before);
    }

  // Nothing is shown where the clipboard holds no masked form: a copy left
  // as it was, or a newer copy over a masked one. Show Original still asks.
  for (const bool autoMask : {false, true}) {
    SCOPED_TRACE(autoMask);
    restart([&](AppSettings& s) {
      s.autoMask = autoMask;
      s.touchIDLock = true;
      s.ignored.clear();
    });
    copy(text);
    if (autoMask) copy("later words");
    ports.auth.reasons.clear();
    model().ignoreLatest();
    settle();
    EXPECT_TRUE(ports.auth.reasons.isEmpty());
    EXPECT_EQ(model().settings().ignored.size(), 1u);
    EXPECT_EQ(ports.clipboard.string(), autoMask ? "later words" : text);
    model().putBack(model().recentCopies().back());
    settle();
    EXPECT_EQ(ports.auth.reasons.size(), 1);
    EXPECT_EQ(ports.clipboard.string(), text);
  }
}

TEST_F(AppModelRecentTest, MarkHotKey) {
  copy("ada@example.com");
  copy("  Project Nightjar \n");
  model().markLatest();
  settle();
  EXPECT_EQ(ports.workspace.beeps, 0);
  ASSERT_EQ(model().settings().marked.size(), 1u);
  EXPECT_EQ(model().settings().marked[0].text, u"Project Nightjar");
  EXPECT_EQ(model().settings().marked[0].kind, Kind::custom);
  EXPECT_EQ(latest().found.size(), 1u);
  EXPECT_EQ(model().recentCopies().size(), 2u);
}

TEST_F(AppModelRecentTest, HotKeysBeepWhenThereIsNothingToActOn) {
  model().ignoreLatest();  // no copies
  model().markLatest();
  EXPECT_EQ(ports.workspace.beeps, 2);
  copy("plain words");
  model().ignoreLatest();  // no copy with findings
  EXPECT_EQ(ports.workspace.beeps, 3);
  copy(" \n\t ");
  model().markLatest();  // nothing but blanks: nothing to mark
  EXPECT_EQ(ports.workspace.beeps, 4);
  EXPECT_TRUE(model().settings().marked.empty());
  copy("ada@example.com");
  model().markLatest();  // the latest copy already has findings
  EXPECT_EQ(ports.workspace.beeps, 5);
  model().pause(std::nullopt);
  model().ignoreLatest();
  model().markLatest();
  EXPECT_EQ(ports.workspace.beeps, 7);
  EXPECT_TRUE(model().settings().ignored.empty());
  model().resume();
  model().ignoreLatest();
  EXPECT_EQ(model().settings().ignored.size(), 1u);
}

TEST_F(AppModelRecentTest, TheFixedHotKeysStayWhenTheConfigurableOnesAreEmpty) {
  changeSettings([](AppSettings& s) {
    s.safePasteHotkey = s.restoreHotkey = s.pauseHotkey = AppSettings::Hotkey::none();
  });
  model().start();
  EXPECT_FALSE(ports.hotkeys.find(1) || ports.hotkeys.find(2) || ports.hotkeys.find(3));
  EXPECT_TRUE(ports.hotkeys.find(4) && ports.hotkeys.find(5));

  set(&AppSettings::pauseHotkey, AppSettings::Hotkey{KeyCode::p, 0x1100, u"⌃⌘P"});
  EXPECT_TRUE(ports.hotkeys.find(3));
  copy("ada@example.com");
  ASSERT_TRUE(ports.hotkeys.press(KeyCode::i, 0x1100));  // ⌃⌘I: ignore the latest
  ASSERT_TRUE(testing::waitUntil([&] { return !model().settings().ignored.empty(); }));
  ASSERT_TRUE(ports.hotkeys.press(KeyCode::p, 0x1100));  // ⌃⌘P: pause
  ASSERT_TRUE(testing::waitUntil([&] { return model().settings().pausedUntil.has_value(); }));
}

}  // namespace
}  // namespace clipvane
