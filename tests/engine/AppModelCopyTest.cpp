// The road of one copy: scan, copy alert, clearing, auto-mask and its Undo.
#include <QDir>
#include <QFile>

#include "EngineTest.h"
#include "Storage.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class AppModelCopyTest : public EngineTest {
 protected:
  int toastsWith(const QString& suffix) const {
    int n = 0;
    for (const QString& text : ports.panels.texts()) n += text.endsWith(suffix);
    return n;
  }
  bool flashed() { return model().pastedFlash() || model().blockedFlash(); }
};

TEST_F(AppModelCopyTest, NothingToScanClearsTheStateAndRecordsNothing) {
  struct Case {
    const char* name;
    ClipboardSnapshot contents;
    bool protect;
  };
  const Case cases[] = {
      {"empty text", {{{fakes::plainText, ""}}}, true},
      {"concealed",
       {{{fakes::plainText, "ada@example.com"}, {Pasteboard::concealedType, ""}}},
       true},
      {"image only", fakes::imageCopy(), true},
      {"protection off", {{{fakes::plainText, "ada@example.com"}}}, false},
  };
  set(&AppSettings::autoMask, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set(&AppSettings::protect, true);
    copy("bob@example.com");
    ASSERT_TRUE(model().lastScan());
    const size_t copies = model().recentCopies().size();
    set(&AppSettings::protect, c.protect);
    const int refreshes = ports.statusItem.refreshes;
    ports.clipboard.userCopiesItems(c.contents);
    model().monitor().poll();
    EXPECT_TRUE(model().clipboardFindings().empty());
    EXPECT_FALSE(model().lastScan());
    EXPECT_GT(ports.statusItem.refreshes, refreshes);
    settle();
    EXPECT_EQ(model().recentCopies().size(), copies);
  }
}

// Auto-mask rewrites text only: files or an image stay as they were copied,
// whatever text comes with them; rich text loses its formatting, and with it
// every format that held the original.
TEST_F(AppModelCopyTest, AutoMaskLeavesFilesAndImagesAndKeepsNoOriginalInAnotherFormat) {
  struct Case {
    const char* name;
    ClipboardSnapshot contents;
    bool masked;
  };
  const Case cases[] = {
      {"files with the home folder", fakes::fileCopy(), false},
      {"text, HTML and an image",
       {{{fakes::plainText, "mail ada@example.com"},
         {"text/html", "<b>mail ada@example.com</b>"},
         {"image/png", "PNG"}}},
       false},
      {"rich text",
       {{{fakes::plainText, "mail ada@example.com"}, {"text/html", "<b>ada@example.com</b>"}}},
       true},
  };
  set(&AppSettings::autoMask, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto copies = model().recentCopies().size();
    copy(c.contents);
    if (!c.masked) {
      EXPECT_EQ(ports.clipboard.contents, c.contents);
      EXPECT_EQ(model().recentCopies().size(), copies) << "nothing was scanned";
      continue;
    }
    EXPECT_EQ(ports.clipboard.types(), QStringList{fakes::plainText});
    EXPECT_EQ(ports.clipboard.string(), "mail [EMAIL_1]");
  }
}

TEST_F(AppModelCopyTest, AScanOfAClipboardTheUserReplacedFromTheMenuIsDropped) {
  struct Case {
    const char* name;
    std::function<void()> replace;  // runs before the pending scan is applied
    QString clipboard, copiedWhat;
  };
  const Case cases[] = {
      {"cleared", [&] { model().clearClipboard(); }, "", "0 items"},
      {"put back", [&] { model().putBack(model().recentCopies().at(0)); },
       "write to ada@example.com", "Email"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart([](AppSettings& s) {
      s.autoMask = false;
      s.ignored.clear();
    });
    copy("write to ada@example.com");
    ASSERT_EQ(model().copiedWhat(), "Email");
    {
      ScansHeld held;
      userCopies("bob@example.com and carl@example.com");
      c.replace();
    }
    const auto shown = ports.panels.toasts.size();
    settle();
    EXPECT_EQ(ports.clipboard.string().value_or(""), c.clipboard);
    EXPECT_EQ(model().copiedWhat(), c.copiedWhat);
    EXPECT_EQ(ports.panels.toasts.size(), shown);
    EXPECT_NE(model().lastScan() ? model().lastScan()->text : "",
              "bob@example.com and carl@example.com");
  }
}

TEST_F(AppModelCopyTest, CopyAlertInTheTagStyleOnlyAndOnlyForTheLastOfTwoQuickCopies) {
  set(&AppSettings::autoMask, false);
  {
    ScansHeld held;  // the second copy comes before the first one's scan is back
    userCopies("first bob@example.com");
    userCopies("write to ada@example.com");
  }
  settle();
  ASSERT_EQ(model().recentCopies().size(), 1u);
  EXPECT_EQ(model().recentCopies()[0].text, "write to ada@example.com");
  EXPECT_EQ(model().lastScan()->text, "write to ada@example.com");
  EXPECT_EQ(model().copiedWhat(), "Email");
  ASSERT_EQ(ports.panels.texts(), QStringList{"Email copied"});
  ASSERT_TRUE(ports.panels.toasts[0].toast.action);
  EXPECT_EQ(ports.panels.toasts[0].toast.action->title, "Clear");
  EXPECT_EQ(model().iconState().badge, IconState::Badge::copied);

  set(&AppSettings::copyAlertStyle, AppSettings::CopyAlertStyle::iconOnly);
  copy("and to bob@example.com, carol@example.com");
  EXPECT_EQ(ports.panels.toasts.size(), 1u);
  EXPECT_EQ(model().copiedWhat(), "2 items");
  EXPECT_TRUE(model().copyAlertActive());  // the badge shows in either style
}

TEST_F(AppModelCopyTest, ClearAndItsUndo) {
  set(&AppSettings::autoMask, false);
  copy("ada@example.com");
  const ClipboardSnapshot copied = ports.clipboard.contents;
  ports.panels.pressAction();  // "Clear" of the copy alert
  EXPECT_EQ(ports.clipboard.itemCount(), 0);
  EXPECT_TRUE(model().clipboardFindings().empty());
  EXPECT_EQ(model().copiedWhat(), "0 items");
  EXPECT_EQ(ports.panels.lastText(), "Clipboard cleared");
  model().monitor().poll();
  EXPECT_EQ(model().recentCopies().size(), 1u);  // our own clear is not a copy

  ports.panels.pressAction();  // "Undo"
  EXPECT_EQ(ports.clipboard.contents, copied);
  settle();
  EXPECT_EQ(model().copiedWhat(), "Email");
  EXPECT_EQ(model().recentCopies().size(), 1u);
  EXPECT_FALSE(model().clearedClipboard());

  // Once a newer copy arrived, the Undo of an earlier clear does nothing.
  model().clearClipboard();
  const auto undo = ports.panels.toasts.back().toast.action->run;
  copy("something else");
  undo();
  EXPECT_EQ(ports.clipboard.string(), "something else");

  // A concealed clipboard brought back by Undo is not read.
  const ClipboardSnapshot secret = {
      {{fakes::plainText, "ada@example.com hunter2"}, {Pasteboard::passwordHintType, "secret"}}};
  const auto copies = model().recentCopies().size();
  copy(secret);
  model().clearClipboard();
  ports.panels.pressAction();  // "Undo"
  settle();
  EXPECT_EQ(ports.clipboard.contents, secret);
  EXPECT_FALSE(model().lastScan());
  EXPECT_TRUE(model().clipboardFindings().empty());
  EXPECT_EQ(model().recentCopies().size(), copies);
}

TEST_F(AppModelCopyTest, ALockedFindingFlashesBlockedEvenWithReducedMotion) {
  ports.workspace.reduceMotionOn = true;
  changeSettings([](AppSettings& s) { s.detection.kindActions[Kind::email] = PasteAction::block; });
  copy("mail ada@example.com");
  EXPECT_TRUE(ports.clipboard.string()->contains("[removed]"));
  EXPECT_TRUE(model().blockedFlash());
  EXPECT_FALSE(model().pastedFlash());
}

TEST_F(AppModelCopyTest, AutoMaskWithoutTagAlertsIsSilent) {
  for (auto change : std::vector<std::function<void(AppSettings&)>>{
           [](AppSettings& s) { s.copyAlert = false; },
           [](AppSettings& s) { s.copyAlertStyle = AppSettings::CopyAlertStyle::iconOnly; }}) {
    restart(change);
    copy("mail ada@example.com");
    EXPECT_FALSE(ports.clipboard.string()->contains("ada@example.com"));
    EXPECT_TRUE(ports.panels.toasts.empty());
  }
}

TEST_F(AppModelCopyTest, AutoMaskAnnouncesAndItsUndoRestoresEveryFormatAndRescansQuietly) {
  const ClipboardSnapshot original = {
      {{fakes::plainText, "mail ada@example.com"},
       {"text/html", "<a href='mailto:ada@example.com'>Ada</a>"},
       {"application/x-custom", QByteArray("\x00\x01\x02", 3)}},
  };
  copy(original);
  const QString masked = ports.clipboard.string().value_or("");
  EXPECT_NE(masked, "mail ada@example.com");
  EXPECT_FALSE(masked.contains("ada@example.com"));
  EXPECT_TRUE(model().recentSafeTexts().contains(masked));
  ASSERT_EQ(model().recentCopies().size(), 1u);
  EXPECT_TRUE(model().recentCopies()[0].masked);
  EXPECT_EQ(model().recentCopies()[0].text, "mail ada@example.com");
  EXPECT_TRUE(model().clipboardFindings().empty());
  EXPECT_TRUE(model().pastedFlash());
  ASSERT_EQ(ports.panels.texts(), QStringList{"Email masked"});
  EXPECT_EQ(ports.panels.toasts[0].toast.action->title, "Undo");

  ports.panels.pressAction();
  EXPECT_EQ(ports.clipboard.contents, Pasteboard::markedAsOriginals(original));
  settle();
  EXPECT_FALSE(model().recentCopies()[0].masked);
  EXPECT_EQ(model().recentCopies().size(), 1u);
  EXPECT_EQ(ports.panels.toasts.size(), 1u);                                     // no new toast
  EXPECT_EQ(ports.clipboard.contents, Pasteboard::markedAsOriginals(original));  // not masked again
  EXPECT_EQ(model().copiedWhat(), "Email");                                      // but found again
  model().monitor().poll();  // and not seen as a copy
  settle();
  EXPECT_EQ(model().recentCopies().size(), 1u);

  // Even without the model, the Undo gives the clipboard back.
  copy("mail bob@example.com");
  ASSERT_NE(ports.clipboard.string(), "mail bob@example.com");
  model_.reset();
  ports.panels.pressAction();
  EXPECT_EQ(ports.clipboard.string(), "mail bob@example.com");
}

// A vault that can never be read again (here one without its key) is set
// aside, a new one takes the copy, and the user hears once that earlier
// originals are gone.
TEST_F(AppModelCopyTest, ADamagedVaultIsSetAsideAndTheCopyMaskedWithOneNotice) {
  QFile vault(home.filePath("vault.bin"));
  ASSERT_TRUE(vault.open(QIODevice::WriteOnly));
  vault.write("not a vault");
  vault.close();
  copy("mail ada@example.com");
  EXPECT_NE(ports.clipboard.string(), "mail ada@example.com");
  EXPECT_TRUE(model().recentCopies()[0].masked);
  EXPECT_TRUE(flashed());
  EXPECT_EQ(ports.panels.lastText(),
            "Damaged vault set aside: earlier originals can’t be restored");
  QFile aside(home.filePath("vault.bin.bad"));
  ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
  EXPECT_EQ(aside.readAll(), "not a vault");

  copy("mail bob@example.org");
  EXPECT_EQ(
      ports.panels.texts().count("Damaged vault set aside: earlier originals can’t be restored"),
      1);
  EXPECT_EQ(ports.panels.lastText(), "Email masked");
}

// A vault that cannot take the originals for now (here its key is a folder;
// a full or read-only disk alike) leaves the copy unmasked: the first such
// copy says so, later ones stay quiet until a mask has worked again.
TEST_F(AppModelCopyTest, ACopyThatCannotBeMaskedSaysSoOnceUntilMaskingWorksAgain) {
  const QString said = "Not masked (vault unavailable): the clipboard holds the original";
  const QString key = home.filePath("vault.key");
  const auto notices = [&] { return ports.panels.texts().filter("Not masked"); };
  ASSERT_TRUE(QDir().mkdir(key));
  copy("mail ada@example.com");
  EXPECT_EQ(ports.clipboard.string(), "mail ada@example.com");
  EXPECT_FALSE(model().recentCopies()[0].masked);
  EXPECT_FALSE(flashed());
  EXPECT_EQ(notices(), QStringList{said});
  copy("mail bob@example.org");
  EXPECT_EQ(ports.clipboard.string(), "mail bob@example.org");
  EXPECT_EQ(notices().size(), 1);

  ASSERT_TRUE(QDir().rmdir(key));
  copy("mail cy@example.net");
  EXPECT_TRUE(model().recentCopies()[0].masked);
  ASSERT_TRUE(QFile::remove(key) && QDir().mkdir(key));
  copy("mail dee@example.com");
  EXPECT_EQ(notices(), (QStringList{said, said}));
}

TEST_F(AppModelCopyTest, AMaskMadeStaleDuringTheVaultUpdateIsDropped) {
  struct Case {
    const char* name;
    std::function<void()> meanwhile;
    QString clipboard;  // what the clipboard holds afterwards
  };
  const QString copied = "mail ada@example.com";
  const Case cases[] = {
      {"the user copied", [&] { ports.clipboard.userCopies("newer"); }, "newer"},
      {"paused", [&] { model().pause(std::nullopt); }, copied},
      {"protection off", [&] { set(&AppSettings::protect, false); }, copied},
      {"auto-mask off", [&] { set(&AppSettings::autoMask, false); }, copied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart([](AppSettings& s) {
      s.protect = s.autoMask = true;
      s.pausedUntil.reset();
    });
    {
      FileLock busy;  // holds the vault's lock: the update waits
      userCopies(copied);
      ASSERT_TRUE(testing::waitUntil([&] { return !model().recentCopies().empty(); }));
      c.meanwhile();
    }
    settle();
    EXPECT_EQ(ports.clipboard.string(), c.clipboard);
    EXPECT_FALSE(model().recentCopies()[0].masked);
    EXPECT_EQ(toastsWith("masked"), 0);
    EXPECT_FALSE(flashed());
  }
}

TEST_F(AppModelCopyTest, OnlyTheLastEightMaskedTextsAreSkipped) {
  QStringList outputs;
  for (const char* who : {"ann", "ben", "cat", "dan", "eve", "fay", "gus", "hal", "ida"}) {
    copy(QString("mail %1@example.com").arg(who));
    outputs << ports.clipboard.string().value_or("");
  }
  EXPECT_EQ(model().recentSafeTexts().size(), 8);
  copy(outputs[1]);  // still known: not scanned, not recorded
  EXPECT_EQ(model().recentCopies()[0].text, "mail ida@example.com");
  copy(outputs[0]);  // forgotten: a copy like any other
  EXPECT_EQ(model().recentCopies()[0].text, outputs[0]);
}

// ---- the language-model second pass ------------------------------------------------

class AppModelSecondPassTest : public AppModelCopyTest {
 protected:
  AppModelSecondPassTest() {
    set(&AppSettings::aiCheck, true);
    systemPorts.model.answer = [](const LocalModelPort::ChatRequest& request) {
      // The model reports a name wherever it sees one.
      if (!request.prompt.contains("Zebulon Quill")) return QByteArray(R"({"items":[]})");
      return QByteArray(R"({"items":[{"kind":"personName","value":"Zebulon Quill"}]})");
    };
  }
};

TEST_F(AppModelSecondPassTest, ANameTheRulesMissedIsMaskedOrAlerted) {
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on);
    restart([&](AppSettings& s) { s.autoMask = on; });
    copy(on ? "call Zebulon Quill at noon" : "Zebulon Quill wrote");
    EXPECT_EQ(ports.clipboard.string()->contains("Zebulon"), !on);
    ASSERT_EQ(model().recentCopies().size(), 1u);
    EXPECT_EQ(model().recentCopies()[0].masked, on);
    ASSERT_EQ(model().recentCopies()[0].found.size(), 1u);
    EXPECT_EQ(model().recentCopies()[0].found[0].kind, Kind::name);
    EXPECT_EQ(ports.panels.lastText(), on ? "Name masked" : "Name copied");
  }
}

TEST_F(AppModelSecondPassTest,
       AfterAnAutoMaskMoreFindingsMaskTheCopyAfreshAndUndoGivesTheOriginal) {
  const ClipboardSnapshot original = {{{fakes::plainText, "Zebulon Quill <zq@example.com>"}}};
  copy(original);
  const QString masked = ports.clipboard.string().value_or("");
  EXPECT_FALSE(masked.contains("Zebulon")) << masked.toStdString();
  EXPECT_FALSE(masked.contains("zq@example.com"));
  EXPECT_EQ(model().recentCopies().at(0).found.size(), 2u);
  ports.panels.pressAction();  // the Undo of the second mask
  EXPECT_EQ(ports.clipboard.contents, Pasteboard::markedAsOriginals(original));
}

TEST_F(AppModelSecondPassTest, AnAnswerThatAddsNothingLeavesTheMaskedClipboardAlone) {
  systemPorts.model.answer = [](const LocalModelPort::ChatRequest&) {
    return QByteArray(R"({"items":[{"kind":"phoneNumber","value":"+1 415 555 0134"}]})");
  };
  copy("call +1 415 555 0134 today");
  ASSERT_GT(systemPorts.model.chats, 0);
  const QString masked = ports.clipboard.string().value_or("");
  EXPECT_FALSE(masked.contains("555")) << masked.toStdString();
  EXPECT_EQ(toastsWith("masked"), 1);  // no second mask for the same findings
  EXPECT_EQ(model().recentSafeTexts().size(), 1);
}

TEST_F(AppModelSecondPassTest, AnAnswerMadeStaleWhileTheModelThinksIsDropped) {
  struct Case {
    const char* name;
    std::function<void()> meanwhile;
  };
  const Case cases[] = {
      {"the user copied", [&] { userCopies("plain words"); }},
      {"the program wrote the clipboard", [&] { Pasteboard::write("a pasted text"); }},
      {"paused", [&] { model().pause(std::nullopt); }},
      {"the check switched off", [&] { set(&AppSettings::aiCheck, false); }},
      {"the model went away",
       [&] { systemPorts.model.state = LocalModelPort::Availability::noModel; }},
  };
  set(&AppSettings::autoMask, false);
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart([](AppSettings& s) {
      s.aiCheck = true;
      s.pausedUntil.reset();
    });
    systemPorts.model.state = LocalModelPort::Availability::available;
    const QString copied = QString("Zebulon Quill wrote %1 lines").arg(++round);
    const int chats = systemPorts.model.chats;
    systemPorts.model.close();
    userCopies(copied);
    ASSERT_TRUE(testing::waitUntil([&] { return systemPorts.model.chats > chats; }));
    c.meanwhile();
    systemPorts.model.open();
    settle();
    for (const auto& copy : model().recentCopies()) {
      if (copy.text == copied) {
        EXPECT_TRUE(copy.found.empty());
      }
    }
    EXPECT_TRUE(model().clipboardFindings().empty());
    EXPECT_EQ(toastsWith("copied"), 0);
  }
}

}  // namespace
}  // namespace clipvane

namespace clipvane {
namespace {

// With the lock on, a copy made while Undo asks for the password stays on
// the clipboard: the answer undoes nothing any more.
TEST_F(AppModelCopyTest, ACopyMadeWhileUndoAsksForThePasswordStays) {
  set(&AppSettings::touchIDLock, true);
  copy("mail ada@example.com");
  ASSERT_EQ(ports.panels.lastText(), "Email masked");
  ports.auth.whileAsked = [&] { ports.clipboard.userCopies("newer words"); };
  ports.panels.pressAction();
  settle();
  EXPECT_EQ(ports.auth.reasons.size(), 1);
  EXPECT_EQ(ports.clipboard.string(), "newer words");
}

}  // namespace
}  // namespace clipvane
