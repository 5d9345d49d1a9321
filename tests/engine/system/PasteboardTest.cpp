#include "Pasteboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "OnMain.h"
#include "TestSupport.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

using fakes::plainText;

using Pasteboard::PasteResult;

// What a paste was told, as it is told.
using Told = std::shared_ptr<std::optional<PasteResult>>;
Told pasteTold(const QString& text, bool keepOnClipboard = false) {
  auto told = std::make_shared<std::optional<PasteResult>>();
  Pasteboard::paste(text, keepOnClipboard, [told](PasteResult r) { *told = r; });
  return told;
}

// Pastes and returns what became of it; none while the key or the
// destination's fetch still waits.
std::optional<PasteResult> paste(const QString& text, bool keepOnClipboard = false) {
  return *pasteTold(text, keepOnClipboard);
}

class PasteboardTest : public ::testing::Test {
 protected:
  ~PasteboardTest() override { testing::drainEvents(); }
  fakes::FakePorts ports;
};

TEST_F(PasteboardTest, ConcealedMarkers) {
  struct Case {
    const char* name;
    ClipboardSnapshot contents;
    bool concealed;
  };
  const Case cases[] = {
      {"no types", {}, false},
      {"plain text", {{{plainText, "a"}}}, false},
      {"transient only", {{{plainText, "a"}, {Pasteboard::transientType, ""}}}, true},
      {"concealed", {{{Pasteboard::concealedType, ""}}}, true},
      {"password manager hint", fakes::passwordCopy(), true},
      {"hint with another value",
       {{{plainText, "pw"}, {Pasteboard::passwordHintType, "other"}}},
       false},
  };
  for (const Case& c : cases) {
    ports.clipboard.userCopiesItems(c.contents);
    EXPECT_EQ(Pasteboard::isConcealed(), c.concealed) << c.name;
  }
}

// Files and images are left alone whatever text comes with them; a copied
// web link or rich text is text.
TEST_F(PasteboardTest, FilesAndImagesAreLeftAlone) {
  const QString home = "file:///home/ada/report.pdf";
  struct Case {
    const char* name;
    ClipboardSnapshot contents;
    bool leftAlone;
  };
  const Case cases[] = {
      {"GNOME file manager", fakes::fileCopy(), true},
      {"MATE file manager",
       {{{"x-special/mate-copied-files", "cut\n" + home.toUtf8()}, {plainText, home.toUtf8()}}},
       true},
      {"KDE file manager",
       {{{"text/uri-list", home.toUtf8()},
         {"application/x-kde-cutselection", "0"},
         {plainText, "/home/ada/report.pdf"}}},
       true},
      {"a list of files only",
       {{{"text/uri-list", "# copied\r\n" + home.toUtf8() + "\r\nfile:///home/ada/b.txt\r\n"},
         {plainText, home.toUtf8()}}},
       true},
      {"GNOME 42 file manager, as plain text",
       {{{plainText, "x-special/nautilus-clipboard\ncopy\n" + home.toUtf8() + "\n"}}},
       true},
      {"text, HTML and an image",
       {{{plainText, "mail ada@example.com"},
         {"text/html", "<b>mail ada@example.com</b>"},
         {"image/png", "PNG"}}},
       true},
      {"an image as Qt offers it", {{{"application/x-qt-image", "PNG"}}}, true},
      {"a web link",
       {{{"text/uri-list", "https://example.com/a\r\n"}, {plainText, "link"}}},
       false},
      {"a web link and a file",
       {{{"text/uri-list", "https://example.com/\r\n" + home.toUtf8()}}},
       false},
      {"rich text", {{{plainText, "mail ada"}, {"text/html", "<i>mail ada</i>"}}}, false},
      {"a path typed as text", {{{plainText, home.toUtf8()}}}, false},
  };
  for (const Case& c : cases) {
    ports.clipboard.userCopiesItems(c.contents);
    EXPECT_EQ(Pasteboard::isLeftAlone(), c.leftAlone) << c.name;
  }
}

TEST_F(PasteboardTest, SnapshotKeepsReadableFormatsAndEveryItem) {
  ports.clipboard.userCopiesItems({
      {{plainText, "hello"}, {"text/html", "<b>hello</b>"}, {"image/png", "PNG"}},
      {{"image/png", "only unreadable"}},
  });
  ports.clipboard.unreadable = {"image/png"};
  const ClipboardSnapshot snap = Pasteboard::snapshot();
  ASSERT_EQ(snap.size(), 2u);
  EXPECT_EQ(snap[0], (ClipboardItem{{plainText, "hello"}, {"text/html", "<b>hello</b>"}}));
  EXPECT_TRUE(snap[1].empty());  // an item with nothing readable still counts
}

// A big copy offered as several formats of the same bytes is kept once.
TEST_F(PasteboardTest, SnapshotFormatsWithTheSameBytesShareOneBuffer) {
  const QByteArray text(1 << 20, 'a');
  ports.clipboard.userCopiesItems({{{plainText, QByteArray(text.constData(), text.size())},
                                    {"UTF8_STRING", QByteArray(text.constData(), text.size())},
                                    {"text/html", "<b>other</b>"}}});
  const ClipboardSnapshot snap = Pasteboard::snapshot();
  ASSERT_EQ(snap.size(), 1u);
  ASSERT_EQ(snap[0].size(), 3u);
  EXPECT_EQ(snap[0][0].second, text);
  EXPECT_EQ(snap[0][1].second.constData(), snap[0][0].second.constData());
  EXPECT_EQ(snap[0][2].second, "<b>other</b>");
}

TEST_F(PasteboardTest, RestoringAnEmptySnapshotEmptiesTheClipboardAsOurOwnWrite) {
  ports.clipboard.userCopies("x");
  Pasteboard::restore({});
  EXPECT_EQ(ports.clipboard.itemCount(), 0);
  EXPECT_TRUE(Pasteboard::ownChanges().count(ports.clipboard.count));
}

TEST_F(PasteboardTest, PostKeySendsDownAndUpWithModifiersAndMarker) {
  Pasteboard::postKey(KeyCode::z, Modifier::control);
  using E = fakes::FakeKeyboard::Event;
  EXPECT_EQ(ports.keyboard.events,
            (std::vector<E>{{KeyCode::z, Modifier::control, true, 0x434C564E},
                            {KeyCode::z, Modifier::control, false, 0x434C564E}}));
}

TEST_F(PasteboardTest, PasteGivesThePreviousClipboardBackAfterASecond) {
  ports.clipboard.userCopiesItems({{{plainText, "mine"}, {"text/html", "<i>mine</i>"}}});
  const ClipboardSnapshot before = ports.clipboard.contents;
  ASSERT_EQ(paste("masked"), PasteResult::pasted);
  EXPECT_EQ(ports.clipboard.string(), "masked");
  ASSERT_EQ(ports.keyboard.events.size(), 2u);
  EXPECT_EQ(ports.keyboard.events[0].keyCode, KeyCode::v);
  EXPECT_EQ(ports.keyboard.events[0].modifiers, Modifier::control);

  ASSERT_TRUE(testing::waitUntil([&] { return ports.clipboard.contents == before; }));
  EXPECT_FALSE(Pasteboard::pendingRestore());
  EXPECT_TRUE(Pasteboard::ownChanges().count(ports.clipboard.count));
}

// On X11 the destination fetches the pasted text only when it handles the
// keystroke: the previous clipboard must not be back before that, or a slow
// destination pastes exactly what the paste kept back.
TEST_F(PasteboardTest, TheReturnWaitsForTheDestinationsFetch) {
  enum class Fetch { atOnce, late, never };
  struct Case {
    const char* name;
    Fetch fetch;
    double limit;       // seconds after the keystroke
    int stillMasked;    // ms after the keystroke: the masked text is still there
    int returnsWithin;  // ms after that: the previous clipboard is back
  };
  const Case cases[] = {
      // Fetched at once: back after the minimum second, long before the limit.
      {"fetched at once", Fetch::atOnce, Pasteboard::defaultRestoreLimit, 400, 3000},
      // Fetched after the minimum: back right after the fetch.
      {"fetched late", Fetch::late, Pasteboard::defaultRestoreLimit, 1600, 1500},
      // Never fetched: back at the limit all the same.
      {"never fetched", Fetch::never, 2.5, 1600, 4000},
  };
  for (const Case& c : cases) {
    fakes::FakePorts fresh;
    fresh.destinationReadsOnPaste = c.fetch == Fetch::atOnce;
    Pasteboard::restoreLimit() = c.limit;
    fresh.clipboard.userCopies("original");
    const ClipboardSnapshot before = fresh.clipboard.contents;
    const Told told = pasteTold("masked");
    // Told as pasted once fetched; a paste never fetched is a failed one.
    EXPECT_EQ(*told, c.fetch == Fetch::atOnce ? std::optional(PasteResult::pasted) : std::nullopt)
        << c.name;

    testing::runFor(c.stillMasked);
    EXPECT_EQ(fresh.clipboard.string(), "masked") << c.name;
    if (c.fetch == Fetch::late) {
      EXPECT_FALSE(told->has_value()) << c.name;
      EXPECT_EQ(fresh.clipboard.destinationReads(), "masked");
    }
    EXPECT_TRUE(
        testing::waitUntil([&] { return fresh.clipboard.contents == before; }, c.returnsWithin))
        << c.name;
    EXPECT_EQ(*told, c.fetch == Fetch::never ? PasteResult::failed : PasteResult::pasted) << c.name;
    EXPECT_FALSE(Pasteboard::pendingRestore()) << c.name;
    testing::drainEvents();
  }
}

TEST_F(PasteboardTest, AWaitingReturnEndsWithALaterPaste) {
  // The first paste is never fetched; the second is, and brings back the
  // clipboard from before the first, once.
  ports.destinationReadsOnPaste = false;
  ports.clipboard.userCopies("original");
  const Told first = pasteTold("first");
  testing::runFor(1300);
  EXPECT_FALSE(first->has_value());
  ports.destinationReadsOnPaste = true;
  ASSERT_EQ(paste("second"), PasteResult::pasted);
  testing::runFor(100);
  EXPECT_EQ(*first, PasteResult::failed);
  ASSERT_TRUE(testing::waitUntil([&] { return ports.clipboard.string() == "original"; }, 3000));
  const int writes = ports.clipboard.writes;
  testing::runFor(300);
  EXPECT_EQ(ports.clipboard.writes, writes);
}

// A terminal that asks the user first (its dialog, a window of its own, in
// front) fetched the text for the dialog: the text stays on the clipboard
// until the user answered. Confirming, it takes the clipboard over with the
// text for its paste; the user's clipboard comes back after that too.
TEST_F(PasteboardTest, ADestinationThatAsksFirstKeepsTheTextUntilAnswered) {
  for (const bool confirmed : {true, false}) {
    SCOPED_TRACE(confirmed);
    fakes::FakePorts fresh;
    RunningApp terminal{42, QString("xfce4-terminal"), "Xfce Terminal", true, 0x600001};
    RunningApp dialog = terminal;
    dialog.window = 0x600077;
    fresh.workspace.frontmost = terminal;
    fresh.clipboard.userCopies("original");
    const Told told = pasteTold("masked");
    EXPECT_EQ(*told, PasteResult::pasted);
    fresh.workspace.frontmost = dialog;
    testing::runFor(2000);  // the user reads the dialog
    EXPECT_EQ(fresh.clipboard.string(), "masked");
    fresh.workspace.frontmost = terminal;
    if (confirmed) {
      fresh.clipboard.userCopies("masked");  // the terminal's own, for its paste
      testing::runFor(300);
      EXPECT_EQ(fresh.clipboard.string(), "masked");
    }
    EXPECT_TRUE(testing::waitUntil([&] { return fresh.clipboard.string() == "original"; }, 3000));
    EXPECT_FALSE(Pasteboard::pendingRestore());
    testing::drainEvents();
  }
}

TEST_F(PasteboardTest, TerminalsGetCtrlShiftV) {
  ports.workspace.frontmost = RunningApp{42, QString("org.gnome.Terminal"), "Terminal"};
  EXPECT_EQ(Pasteboard::pasteShortcut(),
            (Pasteboard::Shortcut{KeyCode::v, Modifier::control | Modifier::shift}));
  ports.workspace.frontmost = RunningApp{43, QString("org.gnome.TextEditor"), "Text Editor"};
  EXPECT_EQ(Pasteboard::pasteShortcut(), (Pasteboard::Shortcut{KeyCode::v, Modifier::control}));
}

// A copy made after the paste stays, within the second or while the return
// waits for the destination's fetch.
TEST_F(PasteboardTest, ACopyAfterThePasteStays) {
  for (const bool fetched : {true, false}) {
    fakes::FakePorts fresh;
    fresh.destinationReadsOnPaste = fetched;
    Pasteboard::restoreLimit() = 2.0;
    fresh.clipboard.userCopies("original");
    const Told told = pasteTold("masked");
    testing::runFor(fetched ? 0 : 1300);
    fresh.clipboard.userCopies("newer");
    const qint64 count = fresh.clipboard.count;
    if (!fetched) fresh.clipboard.destinationReads();
    testing::runFor(1300);  // past the fetch and the limit
    // Not fetched before the copy: the destination got the newer copy.
    EXPECT_EQ(*told, fetched ? PasteResult::pasted : PasteResult::failed);
    EXPECT_EQ(fresh.clipboard.string(), "newer") << fetched;
    EXPECT_EQ(fresh.clipboard.count, count) << fetched;
    testing::drainEvents();
  }
}

TEST_F(PasteboardTest, TwoQuickPastesGiveBackTheClipboardFromBeforeTheFirst) {
  ports.clipboard.userCopies("original");
  ASSERT_EQ(paste("first"), PasteResult::pasted);
  bool secondDone = false;
  onMain(0.5, [&] {
    paste("second");
    secondDone = true;
  });
  ASSERT_TRUE(testing::waitUntil([&] { return secondDone; }));
  // The first paste's return finds the second paste's text and does nothing.
  ASSERT_TRUE(testing::waitUntil([&] { return ports.clipboard.string() == "original"; }));
  EXPECT_FALSE(Pasteboard::pendingRestore());
}

// A copy that a paste took before the auto-mask was done with it comes back
// masked, also after a second paste; once back, or when the user copied
// meanwhile, nothing is masked in its place. The return is remembered, so
// that a mask done after it can still replace what came back.
TEST_F(PasteboardTest, APendingReturnComesBackMasked) {
  struct Case {
    const char* name;
    int pastes;
    bool userCopiesFirst;
    bool returnedFirst;
    bool masked;
  };
  const Case cases[] = {
      {"after one paste", 1, false, false, true},
      {"after two quick pastes", 2, false, false, true},
      {"after a newer copy", 1, true, false, false},
      {"after it came back", 1, false, true, false},
  };
  for (const Case& c : cases) {
    fakes::FakePorts fresh;
    fresh.clipboard.userCopies("mail ada@example.com");
    const qint64 copied = fresh.clipboard.count;
    for (int i = 0; i < c.pastes; ++i) paste("pasted");
    if (c.userCopiesFirst) fresh.clipboard.userCopies("newer");
    if (c.returnedFirst) {
      ASSERT_TRUE(testing::waitUntil([] { return !Pasteboard::pendingRestore(); }, 3000)) << c.name;
    }
    EXPECT_EQ(Pasteboard::maskPendingReturn(copied, "mail [EMAIL_1]"), c.masked) << c.name;
    testing::runFor(1300);
    const QString expected = c.userCopiesFirst ? "newer"
                             : c.masked        ? "mail [EMAIL_1]"
                                               : "mail ada@example.com";
    EXPECT_EQ(fresh.clipboard.string(), expected) << c.name;
    const auto& back = Pasteboard::lastReturn();
    EXPECT_EQ(back ? back->from : -1, c.userCopiesFirst ? -1 : copied) << c.name;
    if (back) {
      EXPECT_EQ(back->as, fresh.clipboard.count) << c.name;
    }
    testing::drainEvents();
  }
}

TEST_F(PasteboardTest, KeptOnTheClipboardOrWithoutTrustNothingComesBack) {
  for (const bool trusted : {true, false}) {
    ports.keyboard.trusted = trusted;
    ports.keyboard.events.clear();
    ports.clipboard.userCopies("mine");
    EXPECT_EQ(paste("masked", trusted),  // kept when trusted
              trusted ? PasteResult::pasted : PasteResult::onClipboard);
    EXPECT_EQ(ports.keyboard.events.size(), trusted ? 2u : 0u);
    EXPECT_FALSE(Pasteboard::pendingRestore());
    testing::drainEvents();
    EXPECT_EQ(ports.clipboard.string(), "masked");
  }
}

// A refused write sends nothing, and the return of an earlier paste still
// waits to give back the user's clipboard.
TEST_F(PasteboardTest, ARefusedPasteSendsNothingAndKeepsTheEarlierReturn) {
  ports.destinationReadsOnPaste = false;
  ports.clipboard.userCopies("original");
  const Told first = pasteTold("first");
  ASSERT_EQ(ports.keyboard.events.size(), 2u);
  ports.keyboard.events.clear();
  ports.clipboard.refuseWrites = true;
  EXPECT_EQ(paste("second"), PasteResult::failed);
  EXPECT_TRUE(ports.keyboard.events.empty());
  EXPECT_EQ(ports.clipboard.string(), "first");
  ports.clipboard.refuseWrites = false;
  ports.clipboard.destinationReads();
  EXPECT_TRUE(testing::waitUntil([&] { return ports.clipboard.string() == "original"; }, 3000));
}

// The paste key waits until the other clients have taken in the write, and
// is not sent at all over a copy made meanwhile (it would paste that one).
TEST_F(PasteboardTest, ThePasteKeyWaitsForTheClipboardToSettle) {
  ports.clipboard.holdSettling = true;
  ports.clipboard.userCopies("original");
  std::vector<PasteResult> told;
  const auto tell = [&](PasteResult r) { told.push_back(r); };
  Pasteboard::paste("masked", false, tell);
  EXPECT_TRUE(ports.keyboard.events.empty());
  EXPECT_TRUE(told.empty()) << "nothing is told before the key goes";
  ports.clipboard.settle();
  EXPECT_EQ(ports.pasted, QStringList{"masked"});
  EXPECT_EQ(told, std::vector{PasteResult::pasted});

  ports.pasted.clear();
  Pasteboard::paste("masked again", false, tell);
  ports.clipboard.userCopies("newer");
  ports.clipboard.settle();
  EXPECT_TRUE(ports.pasted.isEmpty());
  EXPECT_EQ(told, (std::vector{PasteResult::pasted, PasteResult::failed}));
  EXPECT_FALSE(Pasteboard::pendingRestore());
  testing::runFor(1300);
  EXPECT_EQ(ports.clipboard.string(), "newer");
}

}  // namespace
}  // namespace clipvane
