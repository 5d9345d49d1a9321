// The recent copies and their actions.
#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class AppModelRecentTest : public EngineTest {
 protected:
  AppModelRecentTest() {
    changeSettings([](AppSettings& s) { s.autoMask = false; });
  }
  void copy(const QString& text) {
    userCopies(text);
    settle();
  }
  QStringList texts() {
    QStringList out;
    for (const auto& c : model().recentCopies()) out << c.text;
    return out;
  }
};

// What the user may have copied since a recent copy.
struct Since {
  const char* name;
  ClipboardSnapshot since;
};
std::vector<Since> copiedSince() {
  return {
      {"a newer text", {{{fakes::plainText, "later words"}}}},
      {"an image", {{{"image/png", "PNG"}}}},
      {"a password", {{{fakes::plainText, "hunter2"}, {Pasteboard::passwordHintType, "secret"}}}},
      {"nothing (cleared elsewhere)", {}},
  };
}

TEST_F(AppModelRecentTest, AFourthCopyPushesOutTheOldest) {
  for (const char* t : {"one", "two", "three", "four"}) copy(t);
  EXPECT_EQ(texts(), (QStringList{"four", "three", "two"}));
}

TEST_F(AppModelRecentTest, IgnoreAddsCaseFoldedValuesOnceAndPutsTheTextBack) {
  const QString text = "Ada@Example.com or ada@example.COM";
  for (const bool masked : {false, true}) {
    restart([&](AppSettings& s) {
      s.autoMask = masked;
      s.ignored.clear();
    });
    copy(text);
    ASSERT_EQ(model().recentCopies()[0].found.size(), 2u) << masked;
    ASSERT_EQ(model().recentCopies()[0].masked, masked);
    model().ignore(model().recentCopies()[0]);
    ASSERT_EQ(model().settings().ignored.size(), 1u) << masked;
    EXPECT_EQ(model().settings().ignored[0].text, u"Ada@Example.com");
    EXPECT_EQ(model().settings().ignored[0].seenAs, u"Email");
    EXPECT_TRUE(model().recentCopies()[0].found.empty()) << masked;
    EXPECT_FALSE(model().recentCopies()[0].masked) << masked;
    EXPECT_EQ(ports.clipboard.string(), text) << masked;
    EXPECT_TRUE(model().clipboardFindings().empty()) << masked;
    model().monitor().poll();  // our own write is not reported
    settle();
    EXPECT_EQ(texts(), QStringList{text}) << masked;
  }

  // Ignored values are no longer found.
  copy("ADA@EXAMPLE.COM");
  EXPECT_TRUE(model().recentCopies()[0].found.empty());
}

TEST_F(AppModelRecentTest, IgnoreLeavesWhatTheUserCopiedSinceOnTheClipboard) {
  for (const Since& c : copiedSince()) {
    restart([](AppSettings& s) {
      s.autoMask = true;
      s.ignored.clear();
    });
    copy("mail ada@example.com");
    ASSERT_TRUE(model().recentCopies()[0].masked) << c.name;
    userCopies(c.since);
    settle();
    const auto target = model().recentCopies().back();
    ASSERT_EQ(target.text, "mail ada@example.com") << c.name;
    model().ignore(target);
    EXPECT_EQ(ports.clipboard.contents, c.since) << c.name;
    EXPECT_EQ(model().settings().ignored.size(), 1u) << c.name;
    EXPECT_TRUE(model().recentCopies().back().found.empty()) << c.name;
    EXPECT_FALSE(model().recentCopies().back().masked) << c.name;
  }
}

TEST_F(AppModelRecentTest, CheckAgainRescansThroughTheClipboardWhileItHoldsTheCopy) {
  const QString text = "mail ada@example.com, ask Zebulon Quill";
  for (const bool autoMask : {false, true}) {
    restart([&](AppSettings& s) {
      s.autoMask = autoMask;
      s.marked.clear();
    });
    copy("one");
    copy(text);
    ASSERT_EQ(model().recentCopies()[0].masked, autoMask);
    const int writes = ports.clipboard.writes;
    model().mark({"Zebulon Quill"}, Kind::name);
    model().checkAgain(model().recentCopies()[0]);
    settle();
    EXPECT_GT(ports.clipboard.writes, writes) << autoMask;
    EXPECT_EQ(texts(), (QStringList{text, "one"})) << autoMask;
    const auto& again = model().recentCopies()[0];
    EXPECT_EQ(again.found.size(), 2u) << autoMask;
    EXPECT_EQ(again.masked, autoMask);
    if (autoMask) {
      EXPECT_FALSE(ports.clipboard.string()->contains("Zebulon"))
          << ports.clipboard.string()->toStdString();
    } else {
      EXPECT_EQ(ports.clipboard.string(), text);
      EXPECT_EQ(model().clipboardFindings().size(), 2u);
    }
  }
}

TEST_F(AppModelRecentTest, CheckAgainLeavesWhatTheUserCopiedSinceOnTheClipboard) {
  const QString text = "mail ada@example.com, ask Zebulon Quill";
  for (const Since& c : copiedSince()) {
    restart([](AppSettings& s) {
      s.autoMask = true;
      s.marked.clear();
    });
    copy(text);
    ASSERT_TRUE(model().recentCopies()[0].masked) << c.name;
    userCopies(c.since);
    settle();
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

    EXPECT_EQ(ports.clipboard.contents, c.since) << c.name;
    EXPECT_EQ(ports.clipboard.writes, writes) << c.name;
    EXPECT_EQ(ports.clipboard.count, count) << c.name;
    EXPECT_EQ(model().clipboardFindings(), findings) << c.name;
    EXPECT_EQ(texts(), listed) << c.name;
    const auto& again = model().recentCopies().back();
    EXPECT_EQ(again.id, before.id) << c.name;
    EXPECT_EQ(again.date, before.date) << c.name;
    ASSERT_EQ(again.found.size(), 2u) << c.name;
    EXPECT_TRUE(std::any_of(again.found.begin(), again.found.end(), [](const Finding& f) {
      return f.kind == Kind::name;
    })) << c.name;
  }

  // The hot key marks a latest copy that is no longer on the clipboard the same way.
  copy("Project Nightjar");
  ports.clipboard.userCopiesItems({{{"image/png", "PNG"}}});
  model().markLatest();
  settle();
  EXPECT_EQ(ports.clipboard.contents, (ClipboardSnapshot{{{"image/png", "PNG"}}}));
  EXPECT_EQ(model().recentCopies()[0].found.size(), 1u);
}

TEST_F(AppModelRecentTest, ARecheckOffTheClipboardLandsNotAfterAPause) {
  copy("ask Zebulon Quill");
  copy("later words");
  model().mark({"Zebulon Quill"}, Kind::name);
  model().checkAgain(model().recentCopies()[1]);
  model().pause(std::nullopt);
  settle();
  EXPECT_TRUE(model().recentCopies()[1].found.empty());
  EXPECT_EQ(ports.clipboard.string(), "later words");
}

TEST_F(AppModelRecentTest, MarkingReplacesEarlierMarksAndIgnores) {
  copy("zed@example.com");
  model().ignore(model().recentCopies()[0]);
  ASSERT_EQ(model().settings().ignored.size(), 1u);
  model().mark({"Zed@Example.com"}, Kind::name);
  model().mark({"ZED@example.com"}, Kind::organization);
  const auto& marked = model().settings().marked;
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked[0].text, u"ZED@example.com");
  EXPECT_EQ(marked[0].kind, Kind::organization);
  EXPECT_TRUE(model().settings().ignored.empty());
}

TEST_F(AppModelRecentTest, PutBackWritesTheOriginalAndUnmasks) {
  changeSettings([](AppSettings& s) { s.autoMask = true; });
  copy("mail ada@example.com");
  ASSERT_TRUE(model().recentCopies()[0].masked);
  model().putBack(model().recentCopies()[0]);
  EXPECT_EQ(ports.clipboard.string(), "mail ada@example.com");
  EXPECT_FALSE(model().recentCopies()[0].masked);
  EXPECT_EQ(model().copiedWhat(), "Email");
  EXPECT_TRUE(model().lastScan()->sensitive);
}

TEST_F(AppModelRecentTest, ChangeTypeMarksEveryValueAndRescans) {
  copy("ada@example.com");
  model().changeType(model().recentCopies()[0], Kind::identifier);
  settle();
  ASSERT_EQ(model().settings().marked.size(), 1u);
  EXPECT_EQ(model().settings().marked[0].kind, Kind::identifier);
  ASSERT_EQ(model().recentCopies().size(), 1u);
  ASSERT_FALSE(model().recentCopies()[0].found.empty());
  EXPECT_EQ(model().recentCopies()[0].found[0].kind, Kind::identifier);
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
  EXPECT_EQ(model().recentCopies()[0].found.size(), 1u);
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

  changeSettings([](AppSettings& s) { s.pauseHotkey = {KeyCode::p, 0x1100, u"⌃⌘P"}; });
  EXPECT_TRUE(ports.hotkeys.find(3));
  copy("ada@example.com");
  ASSERT_TRUE(ports.hotkeys.press(KeyCode::i, 0x1100));  // ⌃⌘I: ignore the latest
  ASSERT_TRUE(testing::waitUntil([&] { return !model().settings().ignored.empty(); }));
  ASSERT_TRUE(ports.hotkeys.press(KeyCode::p, 0x1100));  // ⌃⌘P: pause
  ASSERT_TRUE(testing::waitUntil([&] { return model().settings().pausedUntil.has_value(); }));
}

}  // namespace
}  // namespace clipvane
