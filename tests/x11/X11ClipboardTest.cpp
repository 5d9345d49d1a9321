#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "ClipboardMonitor.h"
#include "Pasteboard.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

class X11ClipboardTest : public ::testing::Test {
 protected:
  // The notices of the test before (its owners gone) are handled first: a
  // write stamped before them would be refused.
  X11ClipboardTest() {
    waitUntil([] { return false; }, std::chrono::milliseconds(100));
  }

  // Handles every event the server sent so far: reading another owner's text
  // is a round trip on Qt's own connection.
  void settle() {
    board.string();
    QCoreApplication::processEvents();
  }

  // Another client copies the text (xclip stays behind to serve it).
  void xclipCopies(const QByteArray& text) { run("xclip", {"-selection", "clipboard"}, text); }
  // The same, once its notice is handled.
  bool xclipCopiesSeen(const QByteArray& text) {
    const qint64 before = board.changeCount();
    xclipCopies(text);
    return waitUntil([&] { return board.changeCount() > before; });
  }
  QByteArray xclipPastes(const QString& type = "UTF8_STRING") {
    return run("xclip", {"-selection", "clipboard", "-o", "-t", type});
  }
  // A helper client copies these formats; null unless the change was seen.
  std::unique_ptr<Helper> helperCopies(const QList<std::pair<QString, QByteArray>>& formats) {
    const qint64 before = board.changeCount();
    auto owner = Helper::copy(formats);
    if (!owner || !waitUntil([&] { return board.changeCount() > before; })) return nullptr;
    return owner;
  }

  // Turns the event loop for a while with a monitor polling: the number of
  // changes it reported.
  int changesSeenWithin(std::chrono::milliseconds time) {
    ClipboardMonitor monitor;
    int seen = 0;
    monitor.setOnChange([&](std::optional<QString>, qint64) { ++seen; });
    waitUntil(
        [&] {
          monitor.poll();
          return false;
        },
        time);
    return seen;
  }

  X11Ports ports;
  X11Clipboard& board = ports.clipboard;
};

}  // namespace

TEST_F(X11ClipboardTest, EachChangeCountsOnceOursRecognised) {
  const qint64 own = Pasteboard::write("masked [EMAIL_1]").value();
  EXPECT_EQ(board.changeCount(), own);
  EXPECT_TRUE(Pasteboard::ownChanges().count(own));
  EXPECT_EQ(xclipPastes(), "masked [EMAIL_1]");

  // Each copy of another client counts once, the next owner's too.
  for (const QString& theirs : {QString("theirs"), QString("second \u00e9")}) {
    const qint64 before = board.changeCount();
    xclipCopies(theirs.toUtf8());
    ASSERT_TRUE(waitUntil([&] { return board.changeCount() > before; }));
    settle();
    EXPECT_EQ(board.changeCount(), before + 1);
    EXPECT_EQ(board.string(), theirs);
  }
  EXPECT_FALSE(Pasteboard::isConcealed());
  for (const QString& t : board.types())
    EXPECT_FALSE(X11Clipboard::isBookkeeping(t)) << t.toStdString();

  // Taking the clipboard back from another owner works too.
  Pasteboard::write("ours again");
  EXPECT_EQ(xclipPastes(), "ours again");
  EXPECT_EQ(Pasteboard::clear(), own + 4);
  EXPECT_EQ(board.itemCount(), 0);
  EXPECT_EQ(board.string(), std::nullopt);
}

// An owner that is slow, stalls or never answers holds up no one: the text it
// gives comes at once, what it never gives is given up, and a snapshot waits
// a fraction of a second once, not once for each format never answered.
TEST_F(X11ClipboardTest, HostileOwnersHoldUpNoOne) {
  const QString text = "mail ann@example.com";
  struct Row {
    const char* mode;
    std::optional<QString> text;
  };
  const Row rows[] = {{"slow", text}, {"silent", std::nullopt}, {"stall", std::nullopt}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mode);
    const qint64 before = board.changeCount();
    Helper owner({"owner", r.mode, text});
    ASSERT_TRUE(owner.waitFor("copied"));
    ASSERT_TRUE(waitUntil([&] { return board.changeCount() > before; }));
    int told = 0;
    board.whenChanged([&] { ++told; });
    // Told again once the owner has answered, or was given up on.
    ASSERT_TRUE(waitUntil([&] { return told > 0 && board.isReadable(); }));
    board.whenChanged({});
    EXPECT_EQ(board.string(), r.text);
    QElapsedTimer clock;
    clock.start();
    const ClipboardSnapshot snap = Pasteboard::snapshot();
    EXPECT_LT(clock.elapsed(), 2000) << "a wait of its own for each format";
    if (r.text) {
      ASSERT_EQ(snap.size(), 1u);
      EXPECT_EQ(snap[0], (ClipboardItem{{"text/plain", r.text->toUtf8()}}));
    }
  }
}

TEST_F(X11ClipboardTest, PasswordManagerHintConceals) {
  const std::pair<QByteArray, bool> rows[] = {{"secret", true}, {"public", false}};
  for (const auto& [hint, concealed] : rows) {
    auto owner = helperCopies({{"text/plain", "hunter2"}, {"x-kde-passwordManagerHint", hint}});
    ASSERT_TRUE(owner);
    EXPECT_EQ(Pasteboard::isConcealed(), concealed) << hint.toStdString();
  }
}

TEST_F(X11ClipboardTest, AnotherClientsFetchRaisesTheReadCountOursDoesNot) {
  Pasteboard::write("masked [PHONE_1]");
  const qint64 before = board.readCount();
  EXPECT_EQ(board.string(), QString("masked [PHONE_1]"));
  Pasteboard::snapshot();
  EXPECT_EQ(board.readCount(), before);

  EXPECT_EQ(xclipPastes(), "masked [PHONE_1]");
  const qint64 fetched = board.readCount();
  EXPECT_GT(fetched, before);

  // Asking which formats there are is no fetch.
  run("xclip", {"-selection", "clipboard", "-o", "-t", "TARGETS"});
  EXPECT_EQ(board.readCount(), fetched);

  // A restored snapshot is ours too.
  Pasteboard::restore({{{"text/plain", "given back"}}});
  EXPECT_EQ(xclipPastes(), "given back");
  EXPECT_GT(board.readCount(), fetched);
}

TEST_F(X11ClipboardTest, SnapshotRestoresEveryFormatByteForByte) {
  const QByteArray binary("\x00\x01\xfe\xff\r\n\x00tail", 10);
  const QList<std::pair<QString, QByteArray>> formats = {
      {"text/plain", "caf\xc3\xa9 \xe2\x82\xac"},
      {"text/html", "<b>caf\xc3\xa9</b>"},
      {"application/x-clipvane-test", binary},
      {"text/uri-list", "file:///tmp/a%20b\r\n"},
  };
  ClipboardSnapshot snap;
  {
    auto owner = helperCopies(formats);
    ASSERT_TRUE(owner);
    snap = Pasteboard::snapshot();
  }
  // The owner has gone: the clipboard is empty, and that is a change too.
  ASSERT_TRUE(waitUntil([&] { return board.itemCount() == 0; }));

  ASSERT_EQ(snap.size(), 1u);
  for (const auto& format : formats)
    EXPECT_TRUE(std::ranges::find(snap[0], format) != snap[0].end()) << format.first.toStdString();

  Pasteboard::restore(snap);
  EXPECT_TRUE(Pasteboard::ownChanges().count(board.changeCount()));
  for (const auto& [type, bytes] : formats)
    EXPECT_EQ(xclipPastes(type), bytes) << type.toStdString();

  // An empty snapshot leaves the clipboard empty.
  Pasteboard::restore({});
  EXPECT_EQ(xclipPastes(), QByteArray());
  EXPECT_EQ(board.itemCount(), 0);
}

// The server tells of our own write or clear once more, often after the write
// returned: that notice is ours too. Taken for a copy, it would dismiss the
// "Clipboard cleared" notice and drop the clipboard its Undo gives back.
TEST_F(X11ClipboardTest, OurWritesStayOursWhateverTheServerSendsAfter) {
  using Write = std::function<std::optional<qint64>()>;
  const auto restored = [](ClipboardSnapshot snap) -> Write {
    return [snap] {
      return Pasteboard::restore(snap) ? std::optional(Pasteboard::changeCount()) : std::nullopt;
    };
  };
  struct Row {
    const char* name;
    bool theirsBefore;  // another client's copy, or ours
    Write write;
  };
  const Row rows[] = {
      {"clear over their copy", true, [] { return Pasteboard::clear(); }},
      {"clear over ours", false, [] { return Pasteboard::clear(); }},
      {"empty restore", true, restored({})},
      {"write over their copy", true, [] { return Pasteboard::write("masked [EMAIL_1]"); }},
      {"restore over ours", false, restored({{{"text/plain", "given back"}}})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.theirsBefore) {
      ASSERT_TRUE(xclipCopiesSeen("theirs"));
    } else {
      ASSERT_TRUE(Pasteboard::write("ours"));
    }
    changesSeenWithin(std::chrono::milliseconds(100));
    const std::optional<qint64> own = row.write();
    ASSERT_TRUE(own);
    EXPECT_EQ(changesSeenWithin(std::chrono::milliseconds(400)), 0);
    EXPECT_EQ(board.changeCount(), *own);
  }

  // Clear, then Undo: the copy comes back.
  ASSERT_TRUE(xclipCopiesSeen("the user's copy"));
  const ClipboardSnapshot copied = Pasteboard::snapshot();
  ASSERT_TRUE(Pasteboard::clear());
  EXPECT_EQ(changesSeenWithin(std::chrono::milliseconds(400)), 0);
  ASSERT_TRUE(restored(copied)());
  EXPECT_EQ(xclipPastes(), "the user's copy");
}

// Another client's copy that Qt has not handled yet is newer than anything
// Qt can stamp its ownership with: the server ignores our write. It reports
// failure, counts nothing, and the other copy stays (and counts once).
TEST_F(X11ClipboardTest, AWriteTheServerRefusesIsNotDone) {
  struct Row {
    const char* name;
    std::function<bool()> write;
  };
  const Row rows[] = {
      {"write", [] { return bool(Pasteboard::write("masked [EMAIL_1]")); }},
      {"restore",
       [] {
         return Pasteboard::restore({{{"text/plain", "given back"}}});
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(Pasteboard::write("ours"));
    changesSeenWithin(std::chrono::milliseconds(50));
    // The helper copies; we wait for it without turning our event loop.
    QThread::msleep(20);
    QProcess helper;
    helper.start(CLIPVANE_X11_HELPER, {"copy", "text/plain=" + QByteArray("theirs").toHex()});
    ASSERT_TRUE(helper.waitForReadyRead(10000));
    ASSERT_TRUE(helper.readAllStandardOutput().startsWith("copied"));

    const qint64 before = board.changeCount();
    const auto owns = Pasteboard::ownChanges();
    EXPECT_FALSE(row.write());
    EXPECT_EQ(board.changeCount(), before);
    EXPECT_EQ(Pasteboard::ownChanges(), owns);
    EXPECT_EQ(xclipPastes(), "theirs");
    changesSeenWithin(std::chrono::milliseconds(200));
    EXPECT_EQ(board.changeCount(), before + 1);
    helper.kill();
    helper.waitForFinished();
  }
}

// The paste key waits for the clients that ask which formats we offer as
// soon as we own the clipboard, until they stop asking; with nobody asking it
// goes at once rather than at the limit.
TEST_F(X11ClipboardTest, SettledWaitsForTheQuestionsThatComeOnly) {
  board.settleFirst = 200;
  board.settleQuiet = 1500;
  board.settleLimit = 20000;
  for (const bool asked : {false, true}) {
    SCOPED_TRACE(asked ? "asked" : "nobody asks");
    ASSERT_TRUE(Pasteboard::write("masked [EMAIL_1]"));
    if (asked) {
      EXPECT_FALSE(xclipPastes("TARGETS").isEmpty());
    }
    bool ready = false;
    board.whenSettled([&] { ready = true; });
    if (asked) {
      EXPECT_FALSE(waitUntil([&] { return ready; }, std::chrono::milliseconds(700)));
    }
    EXPECT_TRUE(waitUntil([&] { return ready; }, std::chrono::seconds(5)));
  }
}
