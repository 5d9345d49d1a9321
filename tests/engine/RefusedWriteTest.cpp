// A clipboard write the system refuses (another application's copy came
// first) is never taken for done: no paste key, no notice of a mask or a
// clear, nothing recorded, and what the other application copied stays.
#include "PasteFixture.h"
#include "Storage.h"

namespace clipvane {
namespace {

using testing::PasteFixture;

class RefusedWriteTest : public PasteFixture {
 protected:
  void expectNoFlash() {
    EXPECT_FALSE(model().pastedFlash());
    EXPECT_FALSE(model().blockedFlash());
  }
};

TEST_F(RefusedWriteTest, AutoMaskAndSafePasteAnnounceNothing) {
  const QString copied = "mail ada@example.com";
  // The auto-mask of a copy.
  set(&AppSettings::autoMask, true);
  ports.clipboard.refuseWrites = true;
  copy(copied);
  EXPECT_EQ(ports.clipboard.string(), copied);
  ASSERT_EQ(model().recentCopies().size(), 1u);
  EXPECT_FALSE(model().recentCopies()[0].masked);
  EXPECT_TRUE(model().recentSafeTexts().isEmpty());
  EXPECT_TRUE(ports.panels.texts().isEmpty());  // neither "masked" nor a copy alert
  expectNoFlash();

  // The safe paste of it.
  ports.panels.toasts.clear();
  safePaste();
  EXPECT_TRUE(ports.keyboard.events.empty());
  EXPECT_TRUE(pasted.isEmpty());
  EXPECT_EQ(ports.panels.texts(), QStringList{"Paste failed"});
  expectNoFlash();
  EXPECT_FALSE(model().safePasteWaiting());
  EXPECT_FALSE(Pasteboard::pendingRestore());
  settle();
  EXPECT_TRUE(ActivityStore::read().empty());
  EXPECT_EQ(ports.clipboard.string(), copied);
}

TEST_F(RefusedWriteTest, ClearAndItsUndo) {
  set(&AppSettings::autoMask, false);
  copy("ada@example.com");
  const ClipboardSnapshot copied = ports.clipboard.contents;

  ports.clipboard.refuseWrites = true;
  model().clearClipboard();
  EXPECT_EQ(ports.panels.lastText(), "Clipboard not cleared");
  EXPECT_FALSE(model().clearedClipboard());
  EXPECT_EQ(model().copiedWhat(), "Email");  // the findings of what stays
  EXPECT_EQ(ports.clipboard.contents, copied);

  ports.clipboard.refuseWrites = false;
  model().clearClipboard();
  ASSERT_EQ(ports.panels.lastText(), "Clipboard cleared");
  ports.clipboard.refuseWrites = true;
  ports.panels.pressAction();  // "Undo"
  settle();
  EXPECT_EQ(ports.clipboard.itemCount(), 0);
  EXPECT_FALSE(model().lastScan());
  EXPECT_EQ(model().copiedWhat(), "0 items");
}

TEST_F(RefusedWriteTest, AnUnmaskedPasteSaysItFailed) {
  const struct {
    const char* name;
    bool protect;
    QString text;
  } cases[] = {{"protection off", false, "mail ada@example.com"},
               {"nothing found", true, "lunch at noon"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    set(&AppSettings::protect, c.protect);
    copy(c.text);
    ports.panels.toasts.clear();
    ports.clipboard.refuseWrites = true;
    safePaste();
    settle();
    EXPECT_TRUE(ports.keyboard.events.empty());
    EXPECT_EQ(ports.panels.texts(), QStringList{"Paste failed"});
    ports.clipboard.refuseWrites = false;
  }
}

}  // namespace
}  // namespace clipvane
