// Restoring originals into the clipboard, and the originals of an entry.
#include "PasteFixture.h"
#include "Storage.h"
#include "Vault.h"

#include <fstream>

namespace clipvane {
namespace {

using testing::PasteFixture;

class RestoreTest : public PasteFixture {
 protected:
  RestoreTest() {
    VaultStore::clear();
    remember(u"[EMAIL_1]", u"ada@example.com", now);
    remember(u"[NAME_1]", u"Ada Lovelace", now - std::chrono::hours(2));
  }
  void remember(const std::u16string& mask, const std::u16string& original, Date created) {
    VaultStore::update(1e9, [&](Vault& v) {
      v.entries.push_back({mask, original, Kind::email, created, std::nullopt});
    });
  }
  void restore(bool silent = false) {
    model().restoreClipboard(silent);
    settle();
  }
};

TEST_F(RestoreTest, EveryOccurrenceIsRestoredAndTheWriteIsOurs) {
  clipboardHolds(QString("Hi [EMAIL_1], yes [EMAIL_1] works."));
  restore();
  const QString restored = QString("Hi ada@example.com, yes ada@example.com works.");
  EXPECT_EQ(ports.clipboard.string(), restored);
  EXPECT_EQ(ports.clipboard.data(0, Pasteboard::passwordHintType), QByteArray("secret"));
  EXPECT_FALSE(Pasteboard::isConcealed());
  EXPECT_TRUE(Pasteboard::ownChanges().count(ports.clipboard.changeCount()));
  ASSERT_TRUE(model().lastScan());
  EXPECT_EQ(*model().lastScan(), (AppModel::Scan{ports.clipboard.changeCount(), restored, false}));
  EXPECT_TRUE(model().clipboardFindings().empty());
  EXPECT_TRUE(model().restoredFlash());
  EXPECT_TRUE(ports.panels.toasts.empty());
  EXPECT_TRUE(testing::waitUntil([&] { return !model().restoredFlash(); }));
}

TEST_F(RestoreTest, AScanOfWhatWasCopiedJustBeforeNeverLandsOnTheRestoredText) {
  const QString quoted = QString("Ask bob@example.org about [EMAIL_1]");
  {
    ScansHeld held;
    userCopies(quoted);  // its scan is under way
    model().restoreClipboard(false);
  }
  settle();
  const QString restored = QString("Ask bob@example.org about ada@example.com");
  EXPECT_EQ(ports.clipboard.string(), restored);
  ASSERT_TRUE(model().lastScan());
  EXPECT_EQ(*model().lastScan(), (AppModel::Scan{ports.clipboard.changeCount(), restored, false}));
  EXPECT_TRUE(model().clipboardFindings().empty());
  EXPECT_EQ(ports.clipboard.string(), restored);  // not masked again either
}

TEST_F(RestoreTest, NothingToRestoreSaysSoUnlessSilentAndRetentionDecides) {
  struct Case {
    std::optional<QString> clipboard;  // none: an image
    AppSettings::Retention retention;
    bool silent;
  };
  using R = AppSettings::Retention;
  const Case cases[] = {
      {"see [EMAIL_9]", R::week, false}, {"see [EMAIL_9]", R::week, true},
      {std::nullopt, R::week, false},    {std::nullopt, R::week, true},
      {"Dear [NAME_1]", R::hour, false},  // two hours old
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clipboard.value_or("image").toStdString() + (c.silent ? ", silent" : ""));
    set(&AppSettings::retention, c.retention);
    if (c.clipboard)
      clipboardHolds(*c.clipboard);
    else
      ports.clipboard.userCopiesItems(fakes::imageCopy());
    const qint64 count = ports.clipboard.changeCount();
    ports.panels.toasts.clear();
    restore(c.silent);
    EXPECT_EQ(ports.clipboard.changeCount(), count);
    EXPECT_EQ(ports.panels.texts(), c.silent ? QStringList{} : QStringList{"No tokens found"});
    const int dismissals = ports.panels.dismissals;
    ports.panels.pressAction();  // "OK"
    EXPECT_EQ(ports.panels.dismissals, dismissals + (c.silent ? 0 : 1));
  }
  // The shorter retention let the original go for good: a longer one later
  // does not bring it back.
  set(&AppSettings::retention, R::week);
  clipboardHolds("Dear [NAME_1]");
  restore();
  EXPECT_EQ(ports.clipboard.string(), "Dear [NAME_1]");
  EXPECT_TRUE(VaultStore::read(1e13).entries.size() == 1u) << "gone from the file too";
}

TEST_F(RestoreTest, TheDeviceOwnerLockMustBeAnsweredAndTheClipboardUnchanged) {
  changeSettings([](AppSettings& s) { s.touchIDLock = true; });
  const QString quoted = QString("mail [EMAIL_1]");

  ports.auth.answer = false;
  clipboardHolds(quoted);
  restore();
  EXPECT_EQ(ports.clipboard.string(), quoted);
  EXPECT_EQ(ports.auth.reasons, QStringList{QString("restore masked values")});

  // The user copies something else while the prompt is open.
  ports.auth.answer = true;
  model().restoreClipboard(false);
  clipboardHolds(QString("something else [EMAIL_1]"));
  settle();
  EXPECT_EQ(ports.clipboard.string(), QString("something else [EMAIL_1]"));
  EXPECT_TRUE(ports.panels.toasts.empty());

  clipboardHolds(quoted);
  restore();
  EXPECT_EQ(ports.clipboard.string(), QString("mail ada@example.com"));
}

// The restore ends with the placeholders in place, and says why.
TEST_F(RestoreTest, AnUnreadableVaultIsToldAndRestoresNothing) {
  std::ofstream(Paths::ensureDirectory() / "vault.key", std::ios::binary) << "short";
  clipboardHolds("mail [EMAIL_1]");
  restore();
  EXPECT_EQ(ports.clipboard.string(), QString("mail [EMAIL_1]"));
  EXPECT_TRUE(ports.panels.toasts.empty());
  ASSERT_EQ(ports.windows.alerts.size(), 1u);
  EXPECT_EQ(ports.windows.alerts[0].message, "Can’t restore originals");
  EXPECT_TRUE(ports.windows.alerts[0].informative.contains("vault"))
      << ports.windows.alerts[0].informative.toStdString();
  EXPECT_FALSE(model().originals({QString("[EMAIL_1]")}));
}

TEST_F(RestoreTest, OriginalsOfPlaceholders) {
  changeSettings([](AppSettings& s) { s.retention = AppSettings::Retention::day; });
  struct Case {
    std::vector<QString> placeholders;
    std::optional<QString> originals;
  };
  const Case cases[] = {
      {{"[NAME_1]", "[EMAIL_1]"}, QString("Ada Lovelace\nada@example.com")},
      {{"[EMAIL_1]", "[PHONE_4]", "[NAME_1]"}, QString("ada@example.com\nAda Lovelace")},
      {{"[PHONE_4]", "[EMAIL_7]"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(model().originals(c.placeholders), c.originals);
}

}  // namespace
}  // namespace clipvane
