// What the data folder may hold besides the program's own files: links,
// pipes and files far larger than the program writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Activity.h"
#include "AppSettings.h"
#include "Crypto.h"
#include "Json.h"
#include "Storage.h"
#include "TempHome.h"
#include "Vault.h"

using namespace clipvane;
namespace fs = std::filesystem;

namespace {

const Date kNow = *parseISO8601("2026-12-06T20:00:00Z");

class DataFileGuards : public TempHome {
 protected:
  void SetUp() override {
    TempHome::SetUp();
    freezeClock(kNow);
  }
  // A file of that size that takes no room on disk.
  void sparse(const std::string& name, std::uint64_t size) const {
    write(name, "{");
    fs::resize_file(path(name), size);
  }
};

TEST_F(DataFileGuards, ALinkInPlaceOfTheLockIsReplacedNotFollowed) {
  const fs::path target = home / "elsewhere" / "made-by-the-lock";
  fs::create_directory(home / "elsewhere");
  fs::create_symlink(target, path(".lock"));
  { const FileLock lock; }
  EXPECT_FALSE(fs::exists(target)) << "the link's target was created";
  EXPECT_FALSE(fs::is_symlink(path(".lock")));
  EXPECT_EQ(mode(".lock"), 0600);
  // The vault and the history work as before.
  VaultStore::update(3600, [](Vault& v) {
    v.entries.push_back({u"[A_1]", u"a", Kind::custom, kNow, std::nullopt});
  });
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 1u);
}

TEST_F(DataFileGuards, ReadingStopsAtTheLimitAndNeverWaitsOnAPipe) {
  write("data", std::string(1000, 'x'));
  EXPECT_EQ(readFile(path("data"), 1000)->size(), 1000u);
  EXPECT_THROW(readFile(path("data"), 999), TooLarge);
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  EXPECT_THROW(readFile(path("pipe")), StorageError);
  // A pipe in the settings' place gives the defaults at once.
  fs::rename(path("pipe"), path("settings.json"));
  EXPECT_EQ(AppSettings::load(), AppSettings{});
}

// Each data file far above its limit is set aside, still whole, and the
// program goes on with an empty one; a saved file takes its place.
TEST_F(DataFileGuards, FilesFarLargerThanTheProgramWritesAreSetAsideUnread) {
  struct Row {
    const char* file;
    std::uint64_t limit;
    const char* aside;
  };
  const Row rows[] = {
      {"settings.json", Limits::settings, "settings.json.bad"},
      {"activity.json", Limits::activity, "activity.json.bad"},
      {"vault.bin", Limits::vault, "vault.bin.bad"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    sparse(r.file, r.limit + 1);
    if (std::string(r.file) == "settings.json") {
      EXPECT_EQ(AppSettings::load(), AppSettings{});
      AppSettings{}.save();
    } else if (std::string(r.file) == "activity.json") {
      EXPECT_TRUE(ActivityStore::read().empty());
      ActivityEntry entry;
      entry.date = kNow;
      EXPECT_EQ(ActivityStore::append(entry).size(), 1u);
    } else {
      write("vault.key", Crypto::randomBytes(Crypto::keySize));
      EXPECT_THROW(VaultStore::read(3600), StorageError);
      bool renewed = false;
      VaultStore::update(
          3600, [](Vault&) {}, &renewed);
      EXPECT_TRUE(renewed);
    }
    EXPECT_EQ(fs::file_size(path(r.aside)), r.limit + 1);
    EXPECT_LT(fs::file_size(path(r.file)), 4096u);
  }

  // Valid settings too: a file that large is not the program's.
  const std::string head = R"({"protect": false})";
  write("settings.json", head + std::string(Limits::settings + 1 - head.size(), ' '));
  EXPECT_TRUE(AppSettings::load().protect);
  EXPECT_EQ(fs::file_size(path("settings.json.bad")), Limits::settings + 1);
}

// A heavy month of pastes stays far below the history's limit and loads.
TEST_F(DataFileGuards, AHeavyMonthOfHistoryLoads) {
  std::vector<ActivityEntry> month;
  for (int i = 0; i < 9000; ++i) {
    ActivityEntry e;
    e.date = kNow - std::chrono::minutes(i * 4);
    e.place = u"Terminal";
    e.counts = {{Kind::email, 10}};
    std::vector<std::u16string> masks;
    for (int m = 0; m < 10; ++m) masks.push_back(u"[EMAIL_" + toUtf16(std::to_string(m)) + u"]");
    e.masks = std::move(masks);
    month.push_back(std::move(e));
  }
  writeFileAtomically(path("activity.json"), json::encodeActivity(month));
  EXPECT_EQ(ActivityStore::read().size(), month.size());
}

}  // namespace
